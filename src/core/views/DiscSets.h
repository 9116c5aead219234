#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/views/FileScanner.h"

namespace romshelf {

// The disc part of a file title: "(Disk 1 of 2)", "(Disc 2)", "(Disk A)", "(Side B)", as the
// last group in parentheses that reads so. Letters count from A = 1.
struct DiscPart {
    std::size_t start = 0;  // what the set title leaves out: the group and one blank beside it
    std::size_t size = 0;
    std::string word;  // "disk", "disc" or "side", lower-cased
    bool letter = false;
    int number = 0;
    int of = 0;  // the "of N" count; 0 when not given
};

std::optional<DiscPart> parseDiscPart(std::string_view title);
// The title without its disc part: the title the set's row and record go by.
std::string setTitleOf(std::string_view title, const DiscPart& part);

// A set among the file names of one folder: its row's name (the set title with the first disc's
// extension) and its discs, as indexes into the names, in disc order.
struct DiscSet {
    std::string name;
    std::vector<std::uint32_t> discs;
};

// Files of one title and extension (any letter case) whose disc parts differ form a set when
// there are at least two, all with the same word, numbered or lettered alike, the same "of N",
// no number twice, and no file of the set's own name among `names`. Sets in the order of their
// first discs among the names.
std::vector<DiscSet> findDiscSets(std::span<const std::string_view> names);

// The files an .m3u playlist names in its own folder (comments, blank lines and entries in other
// folders left out).
std::vector<std::string> playlistEntries(std::string_view text);

// The track files a CD image's sheet names in its own folder: a cue sheet's FILE lines
// (`FILE "Track 01.bin" BINARY`), a .gdi's track lines (`1 0 4 2352 "track01.bin" 0`). Names
// with folders in them are left out, as a playlist's are.
std::vector<std::string> cueSheetFiles(std::string_view text);
std::vector<std::string> gdiTrackFiles(std::string_view text);

// A file a row of the file list stands for on disk: its path and its name as shown.
struct RowFile {
    std::string path, name;
};

// The files behind row `rowName` of `folder`: the discs of a disc set, the files an .m3u names
// (not the playlist itself), a cue sheet or .gdi and the tracks it names; else the row's own
// file. Each once, in that order; files named but not on disk are given all the same.
std::vector<RowFile> rowFiles(const std::string& folder, const std::string& rowName);

// The discs of set `setName` in `folder` (full paths on disk, in disc order), found as the file
// list finds them; empty when the folder holds no such set.
std::vector<std::string> discSetPaths(const std::string& folder, const std::string& setName);

// One folder's listing with its discs taken together: an .m3u in the folder is a row and hides
// the files it names; each set of the other files is one row, where its first disc was.
// `folderNames` are all the names the folder holds (they may point into `hits.names`).
void groupDiscSets(FolderHits& hits, std::span<const std::string_view> folderNames);

}  // namespace romshelf
