#include <gtest/gtest.h>

#include "core/archive/ArchiveTypes.h"

namespace romshelf::archive {
namespace {

TEST(ArchiveTypesTest, TypeFollowsTheExtensionInAnyCase) {
    EXPECT_EQ(archiveTypeOf("/roms/game.zip"), ArchiveType::Zip);
    EXPECT_EQ(archiveTypeOf("/roms/game.ZIP"), ArchiveType::Zip);
    EXPECT_EQ(archiveTypeOf("game.Lzh"), ArchiveType::Lzh);
    EXPECT_EQ(archiveTypeOf("game.cab"), ArchiveType::Cab);
    EXPECT_EQ(archiveTypeOf("game.rar"), ArchiveType::Rar);
    EXPECT_EQ(archiveTypeOf("game.gca"), ArchiveType::Gca);
    EXPECT_EQ(archiveTypeOf("game.7Z"), ArchiveType::SevenZip);
}

TEST(ArchiveTypesTest, OnlyTheLastExtensionOfTheNameCounts) {
    EXPECT_FALSE(archiveTypeOf("game.zip.nes"));
    EXPECT_FALSE(archiveTypeOf("folder.zip/game"));
    EXPECT_FALSE(archiveTypeOf("zip"));
    EXPECT_FALSE(archiveTypeOf("game.tar.gz"));
    EXPECT_FALSE(archiveTypeOf("game.zipx"));
    EXPECT_FALSE(archiveTypeOf(""));
}

TEST(ArchiveTypesTest, RomExtensionsAreTheFixedListInAnyCase) {
    EXPECT_EQ(kRomExtensions.size(), 59u);
    for (std::string_view ext : kRomExtensions) {
        EXPECT_TRUE(isRomFile("game" + std::string(ext), {})) << ext;
    }
    EXPECT_TRUE(isRomFile("Mario.nes", {}));
    EXPECT_TRUE(isRomFile("disk.1", {}));
    EXPECT_TRUE(isRomFile("folder/Sonic.Md", {}));
    EXPECT_FALSE(isRomFile("readme.txt", {}));
    EXPECT_FALSE(isRomFile("game.nes.txt", {}));
    EXPECT_FALSE(isRomFile("nes", {}));
    EXPECT_FALSE(isRomFile("game.ne", {}));
    EXPECT_FALSE(isRomFile("game.2", {}));
    EXPECT_FALSE(isRomFile("", {}));
}

TEST(ArchiveTypesTest, ExtraExtensionsAddToTheListAndEmptyOnesMatchNothing) {
    const std::vector<std::string> extras = {"", "xyz", "", "Tap"};
    EXPECT_TRUE(isRomFile("game.XYZ", extras));
    EXPECT_TRUE(isRomFile("game.tap", extras));
    EXPECT_TRUE(isRomFile("game.nes", extras));
    EXPECT_FALSE(isRomFile("game.xy", extras));
    EXPECT_FALSE(isRomFile("game.", extras));
    EXPECT_FALSE(isRomFile("game", extras));
    EXPECT_FALSE(isRomFile("game.xyz", {}));
}

}  // namespace
}  // namespace romshelf::archive
