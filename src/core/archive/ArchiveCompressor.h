#pragma once

#include <string>

namespace romshelf {
class Prompter;
}

namespace romshelf::archive {

// Compression formats, in the order of the compression-options page.
inline constexpr int kFormatZip = 0;
inline constexpr int kFormatLzh = 1;
inline constexpr int kFormatCab = 2;
inline constexpr int kFormat7z = 3;

// For kFormat7z the level is the archive type instead.
inline constexpr int k7zTypeSevenZip = 0;
inline constexpr int k7zTypeZip = 1;

inline constexpr char kZipBracketMessage[] =
    "ファイルパスに [ ] が含まれている場合はZIP圧縮できません。";
inline constexpr char kZipBracketTitle[] = "警告";

// The archive Compress writes for a file: in the file's folder, named after its title, with
// "zip", "lzh", "cab" or "7z" ("ZIP", "LZH", "CAB", "7Z" when upperCaseExtension is set).
// "" for an unknown format.
std::string compressedArchivePath(const std::string& filePath, int format, int level,
                                  bool upperCaseExtension);

// Packs one file into the archive beside it (see compressedArchivePath); an archive already
// there keeps its other members and gets this file added or replaced. Levels 0/1/2 are
// high/normal/low for ZIP and CAB and lh7/lh6/lh5 for LZH; for 7z the level is the archive
// type (0 = 7z, 1 = ZIP format). ZIP refuses a path holding "[" or "]" with a warning box,
// unless `sevenZipForBrackets` is set and the brackets are in the file's name, which then goes
// the 7z route in ZIP format. True on success; the source file is never deleted here.
bool compress(const std::string& filePath, int format, int level, bool upperCaseExtension,
              bool sevenZipForBrackets, Prompter& prompter);

}  // namespace romshelf::archive
