#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempFolder.h"
#include "core/views/FileList.h"

namespace romshelf::test {

// A file list of the SFC over ROM folders made in a folder of its own, with records and
// category lists of the test's making, listed in scan order unless a test sorts.
struct FileListFixture : ::testing::Test {
    TempFolder dir;
    FolderSettings folders;
    RomTable records;
    CategoryLists lists;
    FileList list;
    FileListSources s;

    void SetUp() override {
        s.code = "SFC";
        s.hardwareName = "スーパーファミコン";
        s.folders = &folders;
        s.records = &records;
        s.lists = &lists;
        s.noHavePath = dir.file("data/NoHave_SFC.txt");
        s.neverSort = true;
    }
    // ROM folder `n` at `name`, holding `files`.
    void folder(int n, const std::string& name, const std::vector<std::string>& files = {}) {
        folders.romFolderPaths[static_cast<std::size_t>(n)] = dir.makeFolder(name);
        for (const auto& f : files) dir.write(name + "/" + f, "rom");
    }
};

}  // namespace romshelf::test
