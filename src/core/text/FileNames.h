#pragma once

#include <string>
#include <string_view>

// File names on disk are bytes; the program shows, sorts, searches and joins them as text.
namespace romshelf::text {

// The text of a name found on disk: valid UTF-8 as it is; otherwise CP932 (names unpacked from
// Windows archives), with bytes that are neither kept losslessly.
std::string fileNameText(std::string name);

// The path of the file whose name reads as `name` in `folder`: the name's own bytes when such a
// file exists, else its CP932 form when that exists; the name's own bytes when neither does.
// Every way back to the disk goes through here, so that a CP932-named file is found again.
std::string pathOnDisk(const std::string& folder, const std::string& name);

}  // namespace romshelf::text
