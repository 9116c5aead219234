#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ArchiveTestSupport.h"
#include "TempFolder.h"
#include "core/archive/ArchiveExtractor.h"

namespace romshelf::archive {
namespace {

using test::folderEntries;
using test::Packer;
using test::packWithTool;
using test::romBytes;
using test::sameBytes;
using test::TempFolder;
using test::ZipBuilder;

std::string testData(const std::string& name) {
    const char* root = std::getenv("ROMSHELF_TEST_DATA");
    return std::string(root != nullptr ? root : ROMSHELF_TEST_DATA_DIR) + "/archive/" + name;
}

// Every tool that packs members in the order it is given them.
class ExtractByToolTest : public ::testing::TestWithParam<Packer> {
  protected:
    std::string extension() const {
        switch (GetParam()) {
            case Packer::Zip:
                return ".zip";
            case Packer::Cab:
                return ".cab";
            default:
                return ".7z";
        }
    }

    // Packs the files (written with distinct contents) and extracts into a fresh folder.
    std::string packAndExtract(const std::vector<std::string>& names,
                               const std::vector<std::string>& extras = {}) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            src_.write(names[i], romBytes(2000 + i * 10, static_cast<unsigned>(i)));
        }
        const std::string archive = "pack" + extension();
        EXPECT_TRUE(packWithTool(GetParam(), src_.path(), archive, names));
        return extract(src_.file(archive), dest_.path(), extras);
    }

    TempFolder src_;
    TempFolder dest_;
};

TEST_P(ExtractByToolTest, TheRomMemberIsChosenOverTextAroundIt) {
    const std::string path = packAndExtract({"info.txt", "Game [!].nes", "notes.txt"});
    EXPECT_EQ(path, dest_.file("Game [!].nes"));
    EXPECT_TRUE(sameBytes(dest_.read("Game [!].nes"), src_.read("Game [!].nes")));
    EXPECT_EQ(folderEntries(dest_.path()), std::vector<std::string>{"Game [!].nes"});
}

TEST_P(ExtractByToolTest, WithoutRomTheLastMemberIsTaken) {
    const std::string path = packAndExtract({"alpha.txt", "beta.txt"});
    EXPECT_EQ(path, dest_.file("beta.txt"));
    EXPECT_TRUE(sameBytes(dest_.read("beta.txt"), src_.read("beta.txt")));
    EXPECT_EQ(folderEntries(dest_.path()), std::vector<std::string>{"beta.txt"});
}

TEST_P(ExtractByToolTest, TheHardwaresExtraExtensionsMakeARom) {
    const std::string path = packAndExtract({"a.txt", "b.tap", "c.txt"}, {"", "TAP"});
    EXPECT_EQ(path, dest_.file("b.tap"));
    EXPECT_TRUE(sameBytes(dest_.read("b.tap"), src_.read("b.tap")));
}

INSTANTIATE_TEST_SUITE_P(Tools, ExtractByToolTest,
                         ::testing::Values(Packer::Zip, Packer::SevenZip, Packer::SevenZipNonSolid,
                                           Packer::Cab),
                         [](const auto& info) {
                             switch (info.param) {
                                 case Packer::Zip:
                                     return "zip";
                                 case Packer::SevenZip:
                                     return "sevenzip";
                                 case Packer::SevenZipNonSolid:
                                     return "sevenzip_nonsolid";
                                 case Packer::Cab:
                                     return "cab";
                             }
                             return "unknown";
                         });

TEST(ExtractTest, TheFirstOfSeveralRomsIsTaken) {
    TempFolder src, dest;
    src.write("a.txt", "text");
    src.write("b.sfc", romBytes(3000, 1));
    src.write("c.nes", romBytes(3000, 2));
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "x.zip", {"a.txt", "b.sfc", "c.nes"}));
    EXPECT_EQ(extract(src.file("x.zip"), dest.path(), {}), dest.file("b.sfc"));
    EXPECT_EQ(folderEntries(dest.path()), std::vector<std::string>{"b.sfc"});
}

TEST(ExtractTest, ExtensionOfTheArchiveIsMatchedInAnyCase) {
    TempFolder src, dest;
    src.write("game.gb", romBytes(500));
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "lower.zip", {"game.gb"}));
    std::filesystem::copy_file(src.file("lower.zip"), src.file("UPPER.ZIP"));
    std::filesystem::copy_file(src.file("lower.zip"), src.file("lower.tar"));
    EXPECT_EQ(extract(src.file("lower.zip"), dest.path(), {}), dest.file("game.gb"));
    std::filesystem::remove(dest.file("game.gb"));
    EXPECT_EQ(extract(src.file("UPPER.ZIP"), dest.path(), {}), dest.file("game.gb"));
    std::filesystem::remove(dest.file("game.gb"));
    // The type comes from the extension alone.
    EXPECT_EQ(extract(src.file("lower.tar"), dest.path(), {}), "");
    EXPECT_TRUE(folderEntries(dest.path()).empty());
}

TEST(ExtractTest, StoredFoldersAreDroppedAndAnOlderFileIsReplaced) {
    TempFolder src, dest;
    src.write("deep/er/game.pce", romBytes(4000));
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "x.zip", {"deep/er/game.pce"}));
    dest.write("game.pce", "an older copy");
    const std::string destination = dest.path().substr(0, dest.path().size() - 1);  // no '/'
    EXPECT_EQ(extract(src.file("x.zip"), destination, {}), dest.file("game.pce"));
    EXPECT_TRUE(sameBytes(dest.read("game.pce"), romBytes(4000)));
    EXPECT_EQ(folderEntries(dest.path()), std::vector<std::string>{"game.pce"});
}

TEST(ExtractTest, MembersNamedInCp932OrUtf8ComeOutAsUtf8) {
    TempFolder src, dest;
    const std::string rom = romBytes(700);
    // "ゲーム.nes" in CP932, without the UTF-8 flag, as Japanese Windows archivers write it.
    src.write("cp932.zip",
              ZipBuilder().add("readme.txt", "x").add("\x83\x51\x81\x5B\x83\x80.nes", rom).bytes());
    EXPECT_EQ(extract(src.file("cp932.zip"), dest.path(), {}), dest.file("ゲーム.nes"));
    EXPECT_TRUE(sameBytes(dest.read("ゲーム.nes"), rom));

    ZipBuilder::Member flagged{"ロム.txt", "utf8"};
    flagged.utf8Flag = true;
    src.write("utf8.zip", ZipBuilder().add(flagged).bytes());
    EXPECT_EQ(extract(src.file("utf8.zip"), dest.path(), {}), dest.file("ロム.txt"));
    EXPECT_EQ(dest.read("ロム.txt"), "utf8");

    // UTF-8 without the flag, as archivers on other systems often write it: still readable.
    src.write("unflagged.zip", ZipBuilder().add("ファイナルファンタジーVI.sfc", rom).bytes());
    EXPECT_EQ(extract(src.file("unflagged.zip"), dest.path(), {}), dest.file("ファイナルファンタジーVI.sfc"));
}

TEST(ExtractTest, LzhArchivesFollowTheSameRules) {
    TempFolder dest;
    // Level-2 headers; the ROM member's name is CP932.
    EXPECT_EQ(extract(testData("text_then_rom.lzh"), dest.path(), {}), dest.file("ゲーム.nes"));
    std::string expected;
    for (int i = 0; i < 1024; ++i)
        expected += static_cast<char>((i * 7 + 3) & 0xFF);
    EXPECT_TRUE(sameBytes(dest.read("ゲーム.nes"), expected));
    // Level-0 headers, no ROM.
    EXPECT_EQ(extract(testData("two_texts.lzh"), dest.path(), {}), dest.file("second.txt"));
    EXPECT_EQ(dest.read("second.txt"), "second\n");
    EXPECT_EQ(folderEntries(dest.path()), (std::vector<std::string>{"second.txt", "ゲーム.nes"}));
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

TEST(ExtractTest, GcaAndMissingArchivesFail) {
    TempFolder src, dest;
    src.write("game.gca", "GCA0 not readable here");
    EXPECT_EQ(extract(src.file("game.gca"), dest.path(), {}), "");
    EXPECT_EQ(extract(src.file("missing.zip"), dest.path(), {}), "");
    src.write("game.nes", romBytes(100));
    ASSERT_TRUE(packWithTool(Packer::Zip, src.path(), "x.zip", {"game.nes"}));
    EXPECT_EQ(extract(src.file("x.zip"), dest.file("no-such-folder/"), {}), "");
    EXPECT_TRUE(folderEntries(dest.path()).empty());
}

}  // namespace
}  // namespace romshelf::archive
