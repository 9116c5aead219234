// Where the program keeps its data: beside a copy in a folder of its own, with the user when it is
// installed (even where its bin folder is writable, as for root) or its folder is read-only.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "TempFolder.h"
#include "core/settings/ProgramFolder.h"

using namespace romshelf;
using namespace romshelf::test;

namespace {

// Sets an environment variable (nullptr: unsets it) for one scope, then puts the old value back.
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value) : name(name) {
        if (const char* now = std::getenv(name)) old = now;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old ? ::setenv(name, old->c_str(), 1) : ::unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
};

const std::string kMetainfo =
    "share/metainfo/" + std::string(ProgramFolder::kInstalledId) + ".metainfo.xml";

struct ProgramFolderLocate : ::testing::Test {
    TempFolder dir;
    const std::string xdg = dir.file("xdg");
    ScopedEnv xdgEnv{"XDG_DATA_HOME", xdg.c_str()};
    const std::string user = xdg + "/romshelf-plus/";
    const std::string cacheHome = dir.file("cachehome");
    ScopedEnv cacheEnv{"XDG_CACHE_HOME", cacheHome.c_str()};
    const std::string cache = cacheHome + "/romshelf-plus/";
};

TEST_F(ProgramFolderLocate, TheLayoutDecidesBetweenTheExecutablesFolderAndTheUsers) {
    // The executable's folder under dir, another file of the layout ("": none), and whether the
    // user's folder is taken.
    const std::tuple<const char*, std::string, bool> cases[] = {
        {"portable/", "", false},
        // A build tree's bin folder: no metainfo beside it.
        {"build/bin/", "", false},
        {"usr/bin/", "usr/" + kMetainfo, true},
        {"usr/bin", "usr/" + kMetainfo, true},
        {"usr/games/", "usr/" + kMetainfo, true},
        {"local/bin/", "local/" + kMetainfo, true},
        // The metainfo of another layout: beside the executable, under another id, or above a
        // folder that is not bin.
        {"beside/", "beside/" + kMetainfo, false},
        {"other/bin/", "other/share/metainfo/org.example.Other.metainfo.xml", false},
        {"opt/tool/", "opt/" + kMetainfo, false},
        {"build/games/", "", false},
    };
    for (const auto& [folder, alsoWritten, withUser] : cases) {
        TempFolder root;
        const std::string exe = root.makeFolder(folder);
        if (!alsoWritten.empty()) root.write(alsoWritten, "<component/>");
        const ProgramFolder found = ProgramFolder::locateFor(root.file(folder));
        EXPECT_EQ(found.path(), withUser ? user : exe) << folder << " " << alsoWritten;
        // Caches stay beside a portable copy; an installed one keeps them with the user's.
        EXPECT_EQ(found.cacheFolder(), withUser ? cache : exe + "cache/") << folder;
        EXPECT_EQ(ProgramFolder::isInstalledCopy(root.file(folder)), withUser) << folder;
    }
}

TEST_F(ProgramFolderLocate, TheUsersFolderIsCreatedWithTheFoldersAboveIt) {
    for (const char* exe : {"", "/nonexistent-romshelf-folder/bin/"}) {
        std::filesystem::remove_all(xdg);
        EXPECT_EQ(ProgramFolder::locateFor(exe).path(), user) << exe;
        EXPECT_TRUE(std::filesystem::is_directory(user)) << exe;
    }
}

TEST_F(ProgramFolderLocate, AReadOnlyFolderSendsTheDataToTheUser) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    const std::string exe = dir.makeFolder("readonly");
    ASSERT_EQ(::chmod(exe.c_str(), 0555), 0);
    EXPECT_EQ(ProgramFolder::locateFor(exe).path(), user);
    EXPECT_EQ(std::filesystem::directory_iterator(exe), std::filesystem::directory_iterator());
    ::chmod(exe.c_str(), 0755);
}

TEST(ProgramFolderUser, OnlyAnAbsoluteXdgDataHomeCountsElseHomesLocalShare) {
    const std::pair<const char*, const char*> cases[] = {
        // XDG_DATA_HOME, the folder
        {"/x/data", "/x/data/romshelf-plus/"},
        {"/x/data/", "/x/data/romshelf-plus/"},
        {"relative/data", "/h/.local/share/romshelf-plus/"},
        {"", "/h/.local/share/romshelf-plus/"},
        {nullptr, "/h/.local/share/romshelf-plus/"},
    };
    ScopedEnv home("HOME", "/h");
    for (const auto& [xdg, folder] : cases) {
        ScopedEnv env("XDG_DATA_HOME", xdg);
        EXPECT_EQ(ProgramFolder::userDataFolder(), folder) << (xdg ? xdg : "(unset)");
    }
}

TEST(ProgramFolderUser, TheCacheFolderIsXdgCacheHomesOrHomesDotCache) {
    const std::pair<const char*, const char*> cases[] = {
        // XDG_CACHE_HOME, the folder
        {"/x/cache", "/x/cache/romshelf-plus/"},
        {"relative/cache", "/h/.cache/romshelf-plus/"},
        {nullptr, "/h/.cache/romshelf-plus/"},
    };
    ScopedEnv home("HOME", "/h");
    ScopedEnv data("XDG_DATA_HOME", nullptr);
    for (const auto& [xdg, folder] : cases) {
        ScopedEnv env("XDG_CACHE_HOME", xdg);
        EXPECT_EQ(ProgramFolder::userCacheFolder(), folder) << (xdg ? xdg : "(unset)");
        EXPECT_EQ(ProgramFolder("/h/.local/share/romshelf-plus").cacheFolder(), folder);
        EXPECT_EQ(ProgramFolder("/opt/romshelf").cacheFolder(), "/opt/romshelf/cache/");
    }
}

}  // namespace
