#include <gtest/gtest.h>

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

// The archive lies in the root of a scratch folder; the destination is a folder inside it, so
// that anything written outside the destination shows up beside the archive.
class HostileArchiveTest : public ::testing::Test {
  protected:
    HostileArchiveTest() { dest_ = root_.makeFolder("dest"); }

    std::string extractZip(const std::string& bytes, const ExtractOptions& options = {}) {
        root_.write("hostile.zip", bytes);
        return extract(root_.file("hostile.zip"), dest_, {}, options);
    }
    // Only the archive (and whatever the test put there) beside the destination.
    void expectNothingOutside(std::vector<std::string> alsoThere = {}) {
        alsoThere.push_back("dest");
        alsoThere.push_back("hostile.zip");
        std::sort(alsoThere.begin(), alsoThere.end());
        EXPECT_EQ(folderEntries(root_.path()), alsoThere);
    }

    TempFolder root_;
    std::string dest_;
};

TEST_F(HostileArchiveTest, ClimbingAbsoluteAndWindowsPathsLandInsideTheDestination) {
    const std::string rom = romBytes(300);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"../../climb.nes", "climb.nes"},
        {"..\\..\\back.nes", "back.nes"},
        {root_.file("absolute.nes"), "absolute.nes"},
        {"a\\b\\rom.nes", "rom.nes"},
        {"C:\\Windows\\drive.nes", "drive.nes"},
        {"ok/../../mixed\\..\\m.nes", "m.nes"},
    };
    for (const auto& [stored, expected] : cases) {
        EXPECT_EQ(extractZip(ZipBuilder().add(stored, rom).bytes()), dest_ + expected) << stored;
        EXPECT_TRUE(sameBytes(root_.read("dest/" + expected), rom)) << stored;
    }
    expectNothingOutside();
    EXPECT_EQ(folderEntries(dest_).size(), cases.size());
}

TEST_F(HostileArchiveTest, MembersWithoutAUsableNameAreNotWritten) {
    for (const std::string stored : {"..", "a/..", "x\\..", "."}) {
        EXPECT_EQ(extractZip(ZipBuilder().add(stored, "data").bytes()), "") << stored;
    }
    expectNothingOutside();
    EXPECT_TRUE(folderEntries(dest_).empty());
}

TEST_F(HostileArchiveTest, LinksAreNeverCreated) {
    // Made by the real zip, which stores the link itself (-y).
    root_.makeFolder("pack");
    std::filesystem::create_symlink(root_.file("target.txt"), root_.file("pack/link.nes"));
    std::filesystem::create_symlink("/etc/passwd", root_.file("pack/passwd.txt"));
    ASSERT_TRUE(packWithTool(Packer::Zip, root_.file("pack/"), "../hostile.zip", {"link.nes"}));
    EXPECT_EQ(extract(root_.file("hostile.zip"), dest_, {}), "");
    std::filesystem::remove(root_.file("hostile.zip"));
    ASSERT_TRUE(packWithTool(Packer::Zip, root_.file("pack/"), "../hostile.zip", {"passwd.txt"}));
    EXPECT_EQ(extract(root_.file("hostile.zip"), dest_, {}), "");

    ZipBuilder::Member link{"evil.nes", "../../outside.nes"};
    link.unixMode = 0120777;
    EXPECT_EQ(extractZip(ZipBuilder().add(link).bytes()), "");
    expectNothingOutside({"pack"});
    EXPECT_TRUE(folderEntries(dest_).empty());
}

TEST_F(HostileArchiveTest, DeclaredSizeOverTheLimitIsRefused) {
    ExtractOptions small;
    small.maxMemberBytes = 64 * 1024;
    ZipBuilder::Member bomb{"bomb.nes", std::string(1024 * 1024, '\0')};
    bomb.deflate = true;
    const std::string bytes = ZipBuilder().add(bomb).bytes();
    ASSERT_LT(bytes.size(), 8u * 1024);
    EXPECT_EQ(extractZip(bytes, small), "");
    EXPECT_TRUE(folderEntries(dest_).empty());
    // The same archive within the limit is fine.
    EXPECT_EQ(extractZip(bytes), dest_ + "bomb.nes");
    EXPECT_EQ(std::filesystem::file_size(dest_ + "bomb.nes"), 1024u * 1024);
}

TEST_F(HostileArchiveTest, UndeclaredSizeIsStoppedAtTheLimit) {
    // Sizes only after the data and no central directory: nothing tells the size beforehand.
    // (A member follows, as the streaming reader looks ahead past the data descriptor.)
    ExtractOptions small;
    small.maxMemberBytes = 64 * 1024;
    ZipBuilder::Member bomb{"bomb.nes", std::string(1024 * 1024, 'A')};
    bomb.deflate = true;
    bomb.dataDescriptor = true;
    const std::string bytes = ZipBuilder().add(bomb).add("tail.txt", "tail").bytes(false);
    EXPECT_EQ(extractZip(bytes, small), "");
    EXPECT_TRUE(folderEntries(dest_).empty());
    EXPECT_EQ(extractZip(bytes), dest_ + "bomb.nes");
    EXPECT_TRUE(sameBytes(root_.read("dest/bomb.nes"), std::string(1024 * 1024, 'A')));
}

TEST_F(HostileArchiveTest, AMemberLyingAboutItsSizeLeavesNothing) {
    for (std::uint32_t declared : {100u, 2u * 1024 * 1024}) {
        ZipBuilder::Member liar{"liar.nes", romBytes(1024 * 1024)};
        liar.deflate = true;
        liar.declaredSize = declared;
        EXPECT_EQ(extractZip(ZipBuilder().add(liar).bytes()), "") << declared;
    }
    expectNothingOutside();
    EXPECT_TRUE(folderEntries(dest_).empty());
}

TEST_F(HostileArchiveTest, CorruptDataLeavesNoPartialFileAndKeepsTheOlderOne) {
    root_.write("dest/game.nes", "the older copy");
    const std::string rom = romBytes(200 * 1024);
    ZipBuilder::Member member{"game.nes", rom};
    member.deflate = true;
    std::string bytes = ZipBuilder().add(member).bytes();
    bytes[30 + 8 + 60000] ^= 0x55;  // inside the deflate stream, past the name
    EXPECT_EQ(extractZip(bytes), "");
    EXPECT_EQ(folderEntries(dest_), std::vector<std::string>{"game.nes"});
    EXPECT_EQ(root_.read("dest/game.nes"), "the older copy");
}

TEST_F(HostileArchiveTest, TruncatedArchivesFailCleanly) {
    root_.makeFolder("pack");
    root_.write("pack/game.nes", romBytes(300 * 1024));
    root_.write("pack/readme.txt", "read me");
    for (const std::string name : {"x.zip", "x.7z"}) {
        const Packer packer = name == "x.zip" ? Packer::Zip : Packer::SevenZipNonSolid;
        ASSERT_TRUE(packWithTool(packer, root_.file("pack/"), name, {"readme.txt", "game.nes"}));
        const std::string whole = root_.read("pack/" + name);
        for (std::size_t keep : {whole.size() / 2, std::size_t{10}}) {
            root_.write("cut/" + name, whole.substr(0, keep));
            EXPECT_EQ(extract(root_.file("cut/" + name), dest_, {}), "") << name << " " << keep;
        }
    }
    EXPECT_TRUE(folderEntries(dest_).empty());
}

TEST_F(HostileArchiveTest, AnArchiveNeverReplacesItselfWithAMemberOfItsName) {
    root_.write("pack/hostile.zip", "inner");
    ASSERT_TRUE(packWithTool(Packer::Zip, root_.file("pack/"), "../hostile.zip", {"hostile.zip"}));
    const std::string before = root_.read("hostile.zip");
    EXPECT_EQ(extract(root_.file("hostile.zip"), root_.path(), {}), "");
    EXPECT_EQ(root_.read("hostile.zip"), before);
    expectNothingOutside({"pack"});
}

TEST_F(HostileArchiveTest, GarbageWithAnArchiveNameFails) {
    EXPECT_EQ(extractZip(romBytes(5000)), "");
    EXPECT_EQ(extractZip(""), "");
    EXPECT_EQ(extractZip(std::string("PK\x03\x04", 4) + romBytes(100)), "");
    expectNothingOutside();
    EXPECT_TRUE(folderEntries(dest_).empty());
}

}  // namespace
}  // namespace romshelf::archive
