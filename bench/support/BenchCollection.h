#pragma once

// The collection the list benchmarks measure: empty ROM files with Japanese and English titles in
// the 250 ROM folders of SFC, and records of some of them; made in a temporary folder, removed at
// the end of the run (ROMSHELF_BENCH_KEEP=1 keeps it, for profiling).
#include <chrono>
#include <cstddef>
#include <string>

#include "core/database/RomTable.h"
#include "core/settings/FolderSettings.h"
#include "core/views/FileList.h"

namespace romshelf::bench {

inline constexpr int kFolders = 250;
inline constexpr int kFilesPerFolder = 160;  // 40,000 files
inline constexpr int kRecords = 5000;

struct Collection {
    std::string root;
    FolderSettings folders;
    RomTable records;
    CategoryLists lists;
    int folderCount;
    int filesPerFolder;

    // Made in a new folder under `under`; with `relativeFolders`, the program folder names its
    // ROM folders relative to itself, so that it works wherever it is seen from (a share's mount).
    explicit Collection(int filesPerFolder = kFilesPerFolder, int folderCount = kFolders,
                        const std::string& under = "/tmp/", bool relativeFolders = false);
    ~Collection();
    Collection(const Collection&) = delete;
    Collection& operator=(const Collection&) = delete;

    // The collection as a program folder: its ROM folders are the collection's, its data folder
    // holds the folder file and the records of SFC. Written on the first call, which also waits
    // until the folders are settled (FolderStamp::settledAt).
    const std::string& programFolder();
    std::size_t files() const {
        return static_cast<std::size_t>(folderCount) * static_cast<std::size_t>(filesPerFolder);
    }
    FileListSources sources(bool kana) const;

private:
    bool relative_;
    std::chrono::system_clock::time_point made_;
    bool dataWritten_ = false;
};

// The collection of 40,000 files, made on first use and kept for the rest of the run.
Collection& collection();
// The same kind of collection with `files` files (a multiple of 250) in the 250 ROM folders a
// hardware has, made on first use and kept for the rest of the run.
Collection& collectionOf(int files);

}  // namespace romshelf::bench
