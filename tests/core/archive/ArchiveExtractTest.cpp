#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ArchiveTestSupport.h"
#include "TempFolder.h"
#include "core/archive/ArchiveExtractor.h"
#include "core/archive/ArchiveTypes.h"

namespace romshelf::test {
namespace {

using namespace romshelf::archive;

std::string testData(const std::string& name) {
    const char* root = std::getenv("ROMSHELF_TEST_DATA");
    return std::string(root != nullptr ? root : ROMSHELF_TEST_DATA_DIR) + "/archive/" + name;
}

// Each tool packs the members in the order given; exactly the chosen one comes out, under its
// own name without the stored folders, replacing an older copy.
TEST(ExtractTest, TheFirstRomMemberElseTheLastMemberIsTaken) {
    const std::tuple<Names, Names, std::size_t> cases[] = {
        {{"info.txt", "Game [!].nes", "notes.txt"}, {}, 1},
        {{"a.txt", "b.sfc", "c.nes"}, {}, 1},
        {{"alpha.txt", "beta.txt"}, {}, 1},
        {{"a.txt", "b.tap", "c.txt"}, {"", "TAP"}, 1},  // the hardware's own extensions
        {{"deep/er/game.pce", "z.txt"}, {}, 0}};
    for (const auto& [packer, archive] : {std::pair{Packer::Zip, "x.zip"},
                                          {Packer::SevenZip, "x.7z"},
                                          {Packer::SevenZipNonSolid, "x.7z"},
                                          {Packer::Cab, "x.cab"}}) {
        for (const auto& [members, extraExtensions, chosen] : cases) {
            const std::string name = std::filesystem::path(members[chosen]).filename().string();
            SCOPED_TRACE(std::string(archive) + " " + name);
            TempFolder src, dest;
            for (std::size_t i = 0; i < members.size(); ++i)
                src.write(members[i], romBytes(2000 + i * 10, static_cast<unsigned>(i)));
            ASSERT_TRUE(packWithTool(packer, src.path(), archive, members));
            dest.write(name, "an older copy");
            const std::string noSlash = dest.path().substr(0, dest.path().size() - 1);
            EXPECT_EQ(extract(src.file(archive), noSlash, extraExtensions), dest.file(name));
            EXPECT_TRUE(sameBytes(dest.read(name), src.read(members[chosen])));
            EXPECT_EQ(folderEntries(dest.path()), Names{name});
        }
    }
}

TEST(ExtractTest, MembersNamedInCp932OrUtf8ComeOutAsUtf8) {
    TempFolder src, dest;
    const std::string rom = romBytes(700);
    const std::tuple<ZipMember, const char*> cases[] = {
        // "ゲーム.nes" without the UTF-8 flag, as Japanese Windows archivers write it.
        {{"\x83\x51\x81\x5B\x83\x80.nes", rom}, "ゲーム.nes"},
        {{.rawName = "ロム.nes", .data = rom, .utf8Flag = true}, "ロム.nes"},
        // UTF-8 without the flag, as archivers on other systems often write it: still readable.
        {{"ファイナルファンタジーVI.sfc", rom}, "ファイナルファンタジーVI.sfc"}};
    for (const auto& [member, name] : cases) {
        EXPECT_EQ(
            extract(src.write("x.zip", zipOf({{"readme.txt", "x"}, member})), dest.path(), {}),
            dest.file(name));
        EXPECT_TRUE(sameBytes(dest.read(name), rom));
    }
}

TEST(ExtractTest, LzhArchivesFollowTheSameRules) {
    TempFolder dest;
    // Level-2 headers; the ROM member's name is CP932.
    EXPECT_EQ(extract(testData("text_then_rom.lzh"), dest.path(), {}), dest.file("ゲーム.nes"));
    std::string expected;
    for (int i = 0; i < 1024; ++i) expected += static_cast<char>((i * 7 + 3) & 0xFF);
    EXPECT_TRUE(sameBytes(dest.read("ゲーム.nes"), expected));
    // Level-0 headers, no ROM.
    EXPECT_EQ(extract(testData("two_texts.lzh"), dest.path(), {}), dest.file("second.txt"));
    EXPECT_EQ(dest.read("second.txt"), "second\n");
}

// Nothing comes out of an empty archive, one of folders only, one of no known extension (in any
// case) or type readable here, nor into a missing folder; an empty member is still a member.
TEST(ExtractTest, WhatCannotBeTakenWritesNothing) {
    TempFolder src, dest;
    src.write("empty.zip", zipOf({}));
    src.makeFolder("only/inner");
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "folders.zip", {"only", "only/inner"}));
    src.write("empty.nes", "");
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "ZERO.ZIP", {"empty.nes"}));
    std::filesystem::copy_file(src.file("ZERO.ZIP"), src.file("zip.tar"));
    src.write("game.gca", "GCA0 not readable here");
    for (const char* archive : {"empty.zip", "folders.zip", "zip.tar", "game.gca", "missing.zip"})
        EXPECT_EQ(extract(src.file(archive), dest.path(), {}), "") << archive;
    EXPECT_EQ(extract(src.file("ZERO.ZIP"), dest.file("no-such-folder/"), {}), "");
    EXPECT_TRUE(folderEntries(dest.path()).empty());
    EXPECT_EQ(extract(src.file("ZERO.ZIP"), dest.path(), {}), dest.file("empty.nes"));
    EXPECT_EQ(dest.read("empty.nes"), "");
}

TEST(ArchiveTypesTest, OnlyTheLastExtensionCountsInAnyCase) {
    using T = ArchiveType;
    const std::pair<const char*, T> cases[] = {
        {"/roms/game.ZIP", T::Zip}, {"game.Lzh", T::Lzh}, {"game.cab", T::Cab},
        {"game.rar", T::Rar},       {"game.gca", T::Gca}, {"game.7Z", T::SevenZip}};
    for (const auto& [path, type] : cases) EXPECT_EQ(archiveTypeOf(path), type) << path;
    for (const char* path :
         {"game.zip.nes", "folder.zip/game", "zip", "game.tar.gz", "game.zipx", ""})
        EXPECT_FALSE(archiveTypeOf(path)) << path;
}

TEST(ArchiveTypesTest, RomFilesByTheFixedListOrTheHardwaresExtraExtensions) {
    const std::vector<std::string> extras = {"", "xyz", "", "Tap"};
    for (const char* name : {"Mario.nes", "disk.1", "folder/Sonic.Md"})  // the fixed list
        EXPECT_TRUE(isRomFile(name, {}) && isRomFile(name, extras)) << name;
    for (const char* name : {"game.XYZ", "game.tap"})  // what the hardware adds
        EXPECT_TRUE(isRomFile(name, extras) && !isRomFile(name, {})) << name;
    for (const char* name :
         {"readme.txt", "game.nes.txt", "nes", "game.ne", "game.2", "", "game.xy", "game.", "game"})
        EXPECT_FALSE(isRomFile(name, extras)) << name;
}

}  // namespace
}  // namespace romshelf::test
