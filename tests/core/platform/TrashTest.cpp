#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TempFolder.h"
#include "core/platform/Trash.h"

namespace romshelf {
namespace {

TEST(TrashTest, InfoPathsAreUrlEncodedBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"/roms/a.nes", "/roms/a.nes"},
        {"/roms/Game (J) [!].nes", "/roms/Game%20%28J%29%20%5B%21%5D.nes"},
        {"/r/100%.nes", "/r/100%25.nes"},
        {"/r/ゲ", "/r/%E3%82%B2"},
        {"/r/a\nb", "/r/a%0Ab"},
    };
    for (const auto& [path, encoded] : cases) EXPECT_EQ(fs::trashInfoPath(path), encoded) << path;
}

TEST(TrashTest, AFileOnAnotherFileSystemGoesToThatFileSystemsOwnTrash) {
    test::TempFolder home, shm("/dev/shm");
    struct stat a {
    }, b{};
    if (::stat(home.path().c_str(), &a) != 0 || ::stat(shm.path().c_str(), &b) != 0 ||
        a.st_dev == b.st_dev)
        GTEST_SKIP() << "/dev/shm is no second file system";
    ::setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    const std::string file = shm.write("rom.nes", "bytes");
    std::string trashedAs;

    const fs::TrashResult result = fs::moveToTrash(file, &trashedAs);
    ::unsetenv("XDG_DATA_HOME");

    ASSERT_EQ(result, fs::TrashResult::Trashed);
    const std::string trash = "/dev/shm/.Trash-" + std::to_string(::getuid()) + "/";
    EXPECT_TRUE(trashedAs.starts_with(trash + "files/rom")) << trashedAs;
    const std::string info =
        trash + "info/" + std::filesystem::path(trashedAs).filename().string() + ".trashinfo";
    std::ifstream in(info);
    std::string header, path;
    std::getline(in, header);
    std::getline(in, path);
    // Relative to the file system's top folder.
    EXPECT_EQ(path, "Path=" + fs::trashInfoPath(file.substr(std::string("/dev/shm/").size())));
    EXPECT_FALSE(std::filesystem::exists(home.file("data/Trash/files")));
    std::filesystem::remove(trashedAs);
    std::filesystem::remove(info);
}

TEST(TrashTest, NothingToTrashFails) {
    test::TempFolder dir;
    ::setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    EXPECT_EQ(fs::moveToTrash(dir.file("missing.nes")), fs::TrashResult::Failed);
    EXPECT_EQ(fs::moveToTrash(dir.makeFolder("folder")), fs::TrashResult::Failed);
    ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace romshelf
