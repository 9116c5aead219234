#include "core/settings/DataBackup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "TempFolder.h"

using namespace romshelf;

namespace {

// A save cut short (or under way) leaves its temporary file in data/: that is no data file, and
// backup/ never gets it; a name that only looks like one is an ordinary file. The lock and the
// move journal belong to the run that holds them.
TEST(DataBackup, UnfinishedSavesAreNeverCopied) {
    test::TempFolder dir;
    dir.write("data/MainData.slb", "main");
    dir.write("data/.romshelf-part-0123456789abcdef", "half a file");
    dir.write("data/.romshelf-part-notes", "the user's");
    dir.write("data/romshelf.lock", "123\tromshelf\n");
    dir.write("data/romshelf-journal.txt", "romshelf-journal 1\n");
    EXPECT_TRUE(backUpDataFolder(ProgramFolder(dir.path())).empty());
    std::set<std::string> copied;
    for (const auto& e : std::filesystem::directory_iterator(dir.file("backup")))
        copied.insert(e.path().filename().string());
    EXPECT_EQ(copied, (std::set<std::string>{"MainData.slb", ".romshelf-part-notes"}));
    EXPECT_EQ(dir.read("backup/MainData.slb"), "main");
}

}  // namespace
