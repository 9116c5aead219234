#include <gtest/gtest.h>

#include "core/archive/ArchiveTypes.h"

namespace romshelf::archive {
namespace {

TEST(ArchiveTypesTest, OnlyTheLastExtensionCountsInAnyCase) {
    EXPECT_EQ(archiveTypeOf("/roms/game.ZIP"), ArchiveType::Zip);
    EXPECT_EQ(archiveTypeOf("game.Lzh"), ArchiveType::Lzh);
    EXPECT_EQ(archiveTypeOf("game.cab"), ArchiveType::Cab);
    EXPECT_EQ(archiveTypeOf("game.rar"), ArchiveType::Rar);
    EXPECT_EQ(archiveTypeOf("game.gca"), ArchiveType::Gca);
    EXPECT_EQ(archiveTypeOf("game.7Z"), ArchiveType::SevenZip);
    for (const char* path :
         {"game.zip.nes", "folder.zip/game", "zip", "game.tar.gz", "game.zipx", ""})
        EXPECT_FALSE(archiveTypeOf(path)) << path;
}

TEST(ArchiveTypesTest, RomFilesByTheFixedListOrTheHardwaresExtraExtensions) {
    const std::vector<std::string> extras = {"", "xyz", "", "Tap"};
    for (const char* name : {"Mario.nes", "disk.1", "folder/Sonic.Md"}) {
        EXPECT_TRUE(isRomFile(name, {})) << name;
        EXPECT_TRUE(isRomFile(name, extras)) << name;
    }
    for (const char* name : {"game.XYZ", "game.tap"}) {
        EXPECT_FALSE(isRomFile(name, {})) << name;
        EXPECT_TRUE(isRomFile(name, extras)) << name;
    }
    for (const char* name :
         {"readme.txt", "game.nes.txt", "nes", "game.ne", "game.2", "", "game.xy", "game.", "game"})
        EXPECT_FALSE(isRomFile(name, extras)) << name;
}

}  // namespace
}  // namespace romshelf::archive
