#pragma once

#include <string>

namespace romshelf {
class Prompter;
}

namespace romshelf::archive {

// Compression formats, numbered as the compression-options page stores them.
enum class CompressionFormat : int { Zip = 0, Lzh = 1, Cab = 2, SevenZip = 3 };

// High/normal/low: deflate 9/6/1 for ZIP, lh7/lh6/lh5 for LZH (CAB has one level here).
enum class CompressionLevel : int { High = 0, Normal = 1, Low = 2 };

// The 7z route writes either a 7z archive or a ZIP one.
enum class SevenZipType : int { SevenZip = 0, Zip = 1 };

struct Compression {
    CompressionFormat format = CompressionFormat::Zip;
    CompressionLevel level = CompressionLevel::Normal;
    SevenZipType sevenZipType = SevenZipType::SevenZip;
    bool upperCaseExtension = false;
    // A ZIP of a file with "[" or "]" in its name goes the 7z route (in ZIP format).
    bool sevenZipForBrackets = false;
    // Flush the archive to disk before compress() returns: needed when the caller may delete the
    // source afterwards. A batch that keeps its sources flushes its folders once at its end.
    bool flushToDisk = true;
};

inline constexpr char kZipBracketMessage[] =
    "ファイルパスに [ ] が含まれている場合はZIP圧縮できません。";
inline constexpr char kZipBracketTitle[] = "警告";

// The archive compress() writes for a file: in the file's folder, named after its title, with
// "zip", "lzh", "cab" or "7z" ("ZIP", "LZH", "CAB", "7Z" when upperCaseExtension is set).
// "" for an unknown format.
std::string compressedArchivePath(const std::string& filePath, const Compression& how);

// Packs one file into the archive beside it (see compressedArchivePath); an archive already
// there keeps its other members and gets this file added or replaced. ZIP refuses a path
// holding "[" or "]" with a warning box, unless `sevenZipForBrackets` is set and the brackets
// are in the file's name. True on success; the source file is never deleted here.
bool compress(const std::string& filePath, const Compression& how, Prompter& prompter);

}  // namespace romshelf::archive
