#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ArchiveTestSupport.h"
#include "TempFolder.h"
#include "core/archive/ArchiveExtractor.h"

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
        {{"deep/er/game.pce", "z.txt"}, {}, 0},
    };
    const std::pair<Packer, const char*> tools[] = {{Packer::Zip, "x.zip"},
                                                    {Packer::SevenZip, "x.7z"},
                                                    {Packer::SevenZipNonSolid, "x.7z"},
                                                    {Packer::Cab, "x.cab"}};
    for (const auto& [packer, archive] : tools) {
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
    // "ゲーム.nes" in CP932, without the UTF-8 flag, as Japanese Windows archivers write it.
    src.write("cp932.zip",
              ZipBuilder().add("readme.txt", "x").add("\x83\x51\x81\x5B\x83\x80.nes", rom).bytes());
    EXPECT_EQ(extract(src.file("cp932.zip"), dest.path(), {}), dest.file("ゲーム.nes"));
    EXPECT_TRUE(sameBytes(dest.read("ゲーム.nes"), rom));

    src.write("utf8.zip",
              ZipBuilder().add({.rawName = "ロム.txt", .data = "utf8", .utf8Flag = true}).bytes());
    EXPECT_EQ(extract(src.file("utf8.zip"), dest.path(), {}), dest.file("ロム.txt"));
    EXPECT_EQ(dest.read("ロム.txt"), "utf8");

    // UTF-8 without the flag, as archivers on other systems often write it: still readable.
    src.write("unflagged.zip", ZipBuilder().add("ファイナルファンタジーVI.sfc", rom).bytes());
    EXPECT_EQ(extract(src.file("unflagged.zip"), dest.path(), {}),
              dest.file("ファイナルファンタジーVI.sfc"));
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
    EXPECT_EQ(folderEntries(dest.path()), (Names{"second.txt", "ゲーム.nes"}));
}

TEST(ExtractTest, EmptyArchivesAndArchivesOfFoldersGiveNothing) {
    TempFolder src, dest;
    src.write("empty.zip", ZipBuilder().bytes());
    src.makeFolder("only/inner");
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "folders.zip", {"only", "only/inner"}));
    src.write("empty.nes", "");
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "zero.zip", {"empty.nes"}));

    EXPECT_EQ(extract(src.file("empty.zip"), dest.path(), {}), "");
    EXPECT_EQ(extract(src.file("folders.zip"), dest.path(), {}), "");
    EXPECT_TRUE(folderEntries(dest.path()).empty());
    // An empty member is still a member.
    EXPECT_EQ(extract(src.file("zero.zip"), dest.path(), {}), dest.file("empty.nes"));
    EXPECT_EQ(dest.read("empty.nes"), "");
}

TEST(ExtractTest, TheTypeComesFromTheExtensionInAnyCaseAndFailuresWriteNothing) {
    TempFolder src, dest;
    src.write("game.gb", romBytes(500));
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "UPPER.ZIP", {"game.gb"}));
    std::filesystem::copy_file(src.file("UPPER.ZIP"), src.file("zip.tar"));
    src.write("game.gca", "GCA0 not readable here");
    for (const char* archive : {"zip.tar", "game.gca", "missing.zip"})
        EXPECT_EQ(extract(src.file(archive), dest.path(), {}), "") << archive;
    EXPECT_EQ(extract(src.file("UPPER.ZIP"), dest.file("no-such-folder/"), {}), "");
    EXPECT_TRUE(folderEntries(dest.path()).empty());
    EXPECT_EQ(extract(src.file("UPPER.ZIP"), dest.path(), {}), dest.file("game.gb"));
}

}  // namespace
}  // namespace romshelf::test
