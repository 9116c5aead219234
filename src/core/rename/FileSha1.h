#pragma once

#include <optional>
#include <string>

namespace romshelf {

// The SHA-1 of the file at `path` in lower-case hex, the form DAT files give it in. nullopt when
// it is not a regular file or cannot be read to the end.
std::optional<std::string> fileSha1(const std::string& path);

}  // namespace romshelf
