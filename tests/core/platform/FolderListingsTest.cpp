#include "core/platform/FolderListings.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include "TempFolder.h"

using namespace romshelf;

namespace {

// The names of `folder` that begin with `prefix`, ASCII case ignored, as one line ("a/ b" with
// folders marked).
std::string namesOf(fs::FolderListings& listings, const std::string& folder,
                    const std::string& prefix) {
    std::string line;
    for (const fs::FolderListings::Entry& e : listings.startingWith(folder, prefix))
        line += (line.empty() ? "" : " ") + std::string(e.name) + (e.isDirectory ? "/" : "");
    return line;
}

}  // namespace

// Names by prefix, in byte order of the names: only ASCII letters are folded, a folder is told
// apart, a prefix is taken literally.
TEST(FolderListingsTest, NamesBeginningWithAPrefixInByteOrder) {
    test::TempFolder dir;
    const std::string folder = dir.makeFolder("f");
    for (const char* name : {"game.png", "Game.BMP", "GAME.a", "gamepng", "gam.png", "g*me.png",
                             "\xC3\x89t\xC3\xA9.png", "\xC3\xA9t\xC3\xA9.png"})
        dir.write(std::string("f/") + name, "x");
    dir.makeFolder("f/game.d");
    fs::FolderListings listings;
    EXPECT_EQ(namesOf(listings, folder, "game."), "GAME.a Game.BMP game.d/ game.png");
    EXPECT_EQ(namesOf(listings, folder, "GAME"), "GAME.a Game.BMP game.d/ game.png gamepng");
    EXPECT_EQ(namesOf(listings, folder, "g*"), "g*me.png");
    EXPECT_EQ(namesOf(listings, folder, "\xC3\x89T"), "\xC3\x89t\xC3\xA9.png");
    EXPECT_EQ(namesOf(listings, folder, "zzz"), "");
    EXPECT_EQ(namesOf(listings, dir.file("none/"), ""), "");
}

// A kept listing is made again once the folder changed; one made within two seconds of the
// folder's last change is not trusted (a file system keeping whole seconds could change it again
// unseen); forget() drops them all. A folder that goes takes its listing with it.
TEST(FolderListingsTest, AKeptListingFollowsTheFolder) {
    test::TempFolder dir;
    const std::string folder = dir.makeFolder("snaps");
    auto setTime = [&](std::time_t seconds) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
    };
    fs::FolderListings listings;
    const std::time_t longAgo = std::time(nullptr) - 3600;
    // A settled listing: a change that moves the folder's time is seen.
    dir.write("snaps/other.png", "x");
    setTime(longAgo);
    EXPECT_EQ(namesOf(listings, folder, "game."), "");
    dir.write("snaps/game.png", "x");
    setTime(longAgo + 1);
    EXPECT_EQ(namesOf(listings, folder, "game."), "game.png");
    std::filesystem::remove(folder + "game.png");
    setTime(longAgo + 2);
    EXPECT_EQ(namesOf(listings, folder, "game."), "");

    // A listing made in the second of the folder's change: a second change within that second
    // leaves the time as it was, and is still seen.
    const std::time_t now = std::time(nullptr);
    setTime(now);
    EXPECT_EQ(namesOf(listings, folder, "late."), "");
    dir.write("snaps/late.bmp", "x");
    setTime(now);
    EXPECT_EQ(namesOf(listings, folder, "late."), "late.bmp");

    // The program wrote a snap: forget() shows it whatever the folder's time.
    setTime(longAgo);
    EXPECT_EQ(namesOf(listings, folder, "mine."), "");
    dir.write("snaps/mine.png", "x");
    setTime(longAgo);
    listings.forget();
    EXPECT_EQ(namesOf(listings, folder, "mine."), "mine.png");

    // Gone, then made again with the same time: a new folder is listed anew.
    std::filesystem::remove_all(folder);
    EXPECT_EQ(namesOf(listings, folder, "mine."), "");
    dir.write("snaps/mine.jpg", "x");
    setTime(longAgo);
    EXPECT_EQ(namesOf(listings, folder, "mine."), "mine.jpg");
}
