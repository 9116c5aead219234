#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace romshelf::cli {

// `info [--program-folder DIR] [--hardware CODE] (--row N | --folder N FILE)
//       [--media-picture OUT.bmp]`: prints what the detail windows show for one file of the list
// (all files, sorted), one "key<TAB>text" line each (texts escaped by escapeText): the database
// comment, the file-information texts and the media found. --media-picture writes the media
// window's 320 x 240 picture as a BMP file. Returns the exit status (2 no such row or file, 1
// the picture could not be written).
// `info --header FILE [--hardware CODE]` prints the built-in header reader's lines instead (1 a
// header that is not valid, 2 a file that no reader takes or that cannot be unpacked).
int showInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace romshelf::cli
