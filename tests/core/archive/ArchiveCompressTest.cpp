#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "ArchiveTestSupport.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"
#include "core/archive/ArchiveCompressor.h"
#include "core/archive/ArchiveExtractor.h"

namespace romshelf::archive {
namespace {

using test::captureShell;
using test::folderEntries;
using test::Packer;
using test::packWithTool;
using test::romBytes;
using test::sameBytes;
using test::ScriptedPrompter;
using test::shellQuote;
using test::TempFolder;

// Readable text, so that compression levels make a visible difference.
std::string wordySample(std::size_t words) {
    static const char* vocabulary[] = {"mario", "sonic", "link",    "zelda",
                                       "samus", "kirby", "pikachu", "megaman",
                                       "simon", "ryu",   "ken",     "bomberman"};
    std::string out;
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < words; ++i) {
        x = x * 1103515245 + 12345;
        out += vocabulary[(x >> 16) % 12];
        out += (x >> 8) % 7 == 0 ? '\n' : ' ';
    }
    return out;
}

// What the real tools see in an archive: member names, and one member's bytes.
std::string listNames(const std::string& archive) {
    const std::string ext = std::filesystem::path(archive).extension().string();
    if (ext == ".zip" || ext == ".ZIP")
        return captureShell("LC_ALL=C.UTF-8 unzip -Z1 " + shellQuote(archive));
    if (ext == ".cab" || ext == ".CAB") {
        // "cabextract -l" prints a table under two heading lines; keep the name column.
        return captureShell("cabextract -q -l " + shellQuote(archive) +
                            " | sed -n '3,$s/^.*| .*| //p'");
    }
    return captureShell("7z l -slt -ba " + shellQuote(archive) + " | sed -n 's/^Path = //p'");
}

std::string memberBytes(const std::string& archive, const std::string& member) {
    const std::string ext = std::filesystem::path(archive).extension().string();
    if (ext == ".zip" || ext == ".ZIP") {
        // unzip reads "[" as a wildcard; escape it.
        std::string pattern;
        for (char c : member) {
            if (c == '[' || c == ']' || c == '*' || c == '?')
                pattern += '\\';
            pattern += c;
        }
        return captureShell("LC_ALL=C.UTF-8 unzip -p " + shellQuote(archive) + " " +
                            shellQuote(pattern));
    }
    if (ext == ".cab" || ext == ".CAB") {
        return captureShell("cabextract -q -p -F " + shellQuote(member) + " " +
                            shellQuote(archive));
    }
    return captureShell("7z x -so " + shellQuote(archive) + " " + shellQuote(member));
}

struct FormatCase {
    const char* label;
    int format;
    int level;
    const char* extension;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.label; }

class CompressByFormatTest : public ::testing::TestWithParam<FormatCase> {
  protected:
    std::string archiveFor(const std::string& title) const {
        return folder_.file(title + "." + GetParam().extension);
    }
    bool compressFile(const std::string& path) {
        return compress(path, GetParam().format, GetParam().level, false, false, prompter_);
    }

    TempFolder folder_;
    ScriptedPrompter prompter_;
};

TEST_P(CompressByFormatTest, TheRealToolReadsTheArchiveBack) {
    const std::string rom = romBytes(300 * 1024);
    const std::string file = folder_.write("Super Game (J).sfc", rom);
    ASSERT_TRUE(compressFile(file));
    const std::string archive = archiveFor("Super Game (J)");
    EXPECT_EQ(listNames(archive), "Super Game (J).sfc\n");
    EXPECT_TRUE(sameBytes(memberBytes(archive, "Super Game (J).sfc"), rom));
    EXPECT_TRUE(prompter_.boxes().empty());
    // The source stays; nothing else is left in the folder.
    std::vector<std::string> expected = {"Super Game (J)." + std::string(GetParam().extension),
                                         "Super Game (J).sfc"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folderEntries(folder_.path()), expected);
}

TEST_P(CompressByFormatTest, NonAsciiNamesSurviveForTheToolsAndOurExtractor) {
    const std::string rom = romBytes(5000);
    ASSERT_TRUE(compressFile(folder_.write("ゲーム【完全版】.nes", rom)));
    const std::string archive = archiveFor("ゲーム【完全版】");
    EXPECT_EQ(listNames(archive), "ゲーム【完全版】.nes\n");
    TempFolder out;
    EXPECT_EQ(extract(archive, out.path(), {}), out.file("ゲーム【完全版】.nes"));
    EXPECT_TRUE(sameBytes(out.read("ゲーム【完全版】.nes"), rom));
}

TEST_P(CompressByFormatTest, AnExistingArchiveKeepsItsOtherMembersAndGetsTheFileReplaced) {
    folder_.write("other.txt", "keep me");
    folder_.write("game.nes", "old rom");
    struct timespec old[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, folder_.file("other.txt").c_str(), old, 0);
    const std::string archive = archiveFor("game");
    const Packer packer = std::string(GetParam().extension) == "cab"  ? Packer::Cab
                          : std::string(GetParam().extension) == "7z" ? Packer::SevenZip
                                                                      : Packer::Zip;
    ASSERT_TRUE(packWithTool(packer, folder_.path(), archive, {"other.txt", "game.nes"}));
    std::filesystem::remove(folder_.file("other.txt"));

    const std::string rom = romBytes(40000);
    folder_.write("game.nes", rom);
    ASSERT_TRUE(compressFile(folder_.file("game.nes")));
    EXPECT_EQ(listNames(archive), "other.txt\ngame.nes\n");
    EXPECT_EQ(memberBytes(archive, "other.txt"), "keep me");
    EXPECT_TRUE(sameBytes(memberBytes(archive, "game.nes"), rom));
    // The kept member keeps its time (1000000000 = 2001-09-09 01:46:40 UTC).
    TempFolder out;
    ASSERT_EQ(captureShell("cd " + shellQuote(out.path()) + " && 7z x -bd -y " +
                           shellQuote(archive) + " other.txt >/dev/null && echo ok"),
              "ok\n");
    struct stat st {};
    ASSERT_EQ(::stat(out.file("other.txt").c_str(), &st), 0);
    EXPECT_NEAR(static_cast<double>(st.st_mtime), 1000000000.0, 2.0);

    // Adding a second file keeps both.
    folder_.write("game.txt", "same title");
    if (GetParam().format != kFormat7z || GetParam().level == k7zTypeSevenZip) {
        ASSERT_TRUE(compressFile(folder_.file("game.txt")));
        EXPECT_EQ(listNames(archive), "other.txt\ngame.nes\ngame.txt\n");
    }
}

TEST_P(CompressByFormatTest, ACorruptExistingArchiveFailsAndStaysUntouched) {
    const std::string garbage = "PK\x03\x04 this is no archive at all " + romBytes(3000);
    const std::string archive = archiveFor("game");
    folder_.write(std::filesystem::path(archive).filename().string(), garbage);
    const std::string file = folder_.write("game.nes", romBytes(1000));
    EXPECT_FALSE(compressFile(file));
    EXPECT_EQ(folder_.read(std::filesystem::path(archive).filename().string()), garbage);
    EXPECT_EQ(folderEntries(folder_.path()).size(), 2u);  // no temporary file left behind
}

INSTANTIATE_TEST_SUITE_P(Formats, CompressByFormatTest,
                         ::testing::Values(FormatCase{"zip", kFormatZip, 1, "zip"},
                                           FormatCase{"cab", kFormatCab, 0, "cab"},
                                           FormatCase{"sevenzip", kFormat7z, k7zTypeSevenZip, "7z"},
                                           FormatCase{"sevenzip_as_zip", kFormat7z, k7zTypeZip,
                                                      "zip"}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(CompressTest, AMemberDifferingOnlyInCaseIsReplaced) {
    // Windows archivers match member names without regard to case.
    TempFolder folder;
    ScriptedPrompter prompter;
    folder.write("GAME.NES", "old");
    ASSERT_TRUE(packWithTool(Packer::Zip, folder.path(), "game.zip", {"GAME.NES"}));
    const std::string file = folder.write("game.nes", "new");
    ASSERT_TRUE(compress(file, kFormatZip, 1, false, false, prompter));
    EXPECT_EQ(listNames(folder.file("game.zip")), "game.nes\n");
    EXPECT_EQ(memberBytes(folder.file("game.zip"), "game.nes"), "new");
}

TEST(CompressTest, ZipLevelsGoFromStrongToFast) {
    TempFolder folder;
    ScriptedPrompter prompter;
    const std::string text = wordySample(200000);
    std::vector<std::uintmax_t> sizes;
    for (int level : {0, 1, 2}) {
        const std::string file = folder.write("level" + std::to_string(level) + ".bin", text);
        ASSERT_TRUE(compress(file, kFormatZip, level, false, false, prompter));
        const std::string archive = folder.file("level" + std::to_string(level) + ".zip");
        EXPECT_TRUE(
            sameBytes(memberBytes(archive, "level" + std::to_string(level) + ".bin"), text));
        sizes.push_back(std::filesystem::file_size(archive));
    }
    EXPECT_LT(sizes[0], sizes[1]);
    EXPECT_LT(sizes[1], sizes[2]);
}

TEST(CompressTest, ArchiveNamesFollowFormatTypeAndCase) {
    EXPECT_EQ(compressedArchivePath("/r/Game.v1.nes", kFormatZip, 0, false), "/r/Game.v1.zip");
    EXPECT_EQ(compressedArchivePath("/r/Game.nes", kFormatZip, 2, true), "/r/Game.ZIP");
    EXPECT_EQ(compressedArchivePath("/r/Game.nes", kFormatLzh, 0, true), "/r/Game.LZH");
    EXPECT_EQ(compressedArchivePath("/r/Game.nes", kFormatCab, 1, false), "/r/Game.cab");
    EXPECT_EQ(compressedArchivePath("/r/Game.nes", kFormat7z, 0, true), "/r/Game.7Z");
    EXPECT_EQ(compressedArchivePath("/r/Game.nes", kFormat7z, 1, false), "/r/Game.zip");
    EXPECT_EQ(compressedArchivePath("/r/README", kFormatZip, 0, false), "/r/README.zip");
    EXPECT_EQ(compressedArchivePath("/r/Game.nes", 4, 0, false), "");
    EXPECT_EQ(compressedArchivePath("/r/Game.nes", -1, 0, false), "");
}

TEST(CompressTest, UpperCaseExtensionWritesTheUpperCaseName) {
    TempFolder folder;
    ScriptedPrompter prompter;
    const std::string rom = romBytes(2000);
    const std::string file = folder.write("game.nes", rom);
    ASSERT_TRUE(compress(file, kFormatZip, 0, true, false, prompter));
    ASSERT_TRUE(compress(file, kFormat7z, k7zTypeSevenZip, true, false, prompter));
    EXPECT_EQ(folderEntries(folder.path()),
              (std::vector<std::string>{"game.7Z", "game.ZIP", "game.nes"}));
    EXPECT_TRUE(sameBytes(memberBytes(folder.file("game.ZIP"), "game.nes"), rom));
}

TEST(CompressTest, BadRequestsFailWithoutTouchingAnything) {
    TempFolder folder;
    ScriptedPrompter prompter;
    const std::string file = folder.write("game.nes", "rom");
    EXPECT_FALSE(compress(file, 4, 0, false, false, prompter));
    EXPECT_FALSE(compress(file, -1, 0, false, false, prompter));
    EXPECT_FALSE(compress(folder.file("missing.nes"), kFormatZip, 0, false, false, prompter));
    // An archive packed as its own format would be named after itself.
    const std::string zip = folder.write("pack.zip", "not to be lost");
    EXPECT_FALSE(compress(zip, kFormatZip, 0, false, false, prompter));
    EXPECT_EQ(folder.read("pack.zip"), "not to be lost");
    EXPECT_EQ(folderEntries(folder.path()), (std::vector<std::string>{"game.nes", "pack.zip"}));
    EXPECT_TRUE(prompter.boxes().empty());
}

class BracketRuleTest : public ::testing::Test {
  protected:
    bool zip(const std::string& path, bool sevenZipForBrackets) {
        return compress(path, kFormatZip, 0, false, sevenZipForBrackets, prompter_);
    }
    void expectWarned(std::size_t times) {
        ASSERT_EQ(prompter_.boxes().size(), times);
        for (const auto& box : prompter_.boxes()) {
            EXPECT_EQ(box.text, "ファイルパスに [ ] が含まれている場合はZIP圧縮できません。");
            EXPECT_EQ(box.title, "警告");
            EXPECT_FALSE(box.question);
        }
    }

    TempFolder folder_;
    ScriptedPrompter prompter_;
};

TEST_F(BracketRuleTest, ABracketedNameIsRefusedUnlessTheFallbackIsOn) {
    const std::string rom = romBytes(3000);
    const std::string file = folder_.write("Game [!].nes", rom);
    EXPECT_FALSE(zip(file, false));
    expectWarned(1);
    EXPECT_FALSE(std::filesystem::exists(folder_.file("Game [!].zip")));

    prompter_.clear();
    EXPECT_TRUE(zip(file, true));
    expectWarned(0);
    EXPECT_TRUE(sameBytes(memberBytes(folder_.file("Game [!].zip"), "Game [!].nes"), rom));
}

TEST_F(BracketRuleTest, TheFallbackLooksAtTheNameOnly) {
    const std::string plain = folder_.write("[Hacks]/game.nes", "rom");
    EXPECT_FALSE(zip(plain, true));
    expectWarned(1);
    EXPECT_FALSE(std::filesystem::exists(folder_.file("[Hacks]/game.zip")));

    prompter_.clear();
    const std::string both = folder_.write("[Hacks]/game (hack] ].nes", "rom");
    EXPECT_TRUE(zip(both, true));
    expectWarned(0);
    EXPECT_TRUE(std::filesystem::exists(folder_.file("[Hacks]/game (hack] ].zip")));
}

TEST_F(BracketRuleTest, OtherFormatsDoNotCare) {
    const std::string file = folder_.write("[Hacks]/Game [b].nes", "rom");
    EXPECT_TRUE(compress(file, kFormat7z, k7zTypeSevenZip, false, false, prompter_));
    EXPECT_TRUE(compress(file, kFormat7z, k7zTypeZip, false, false, prompter_));
    EXPECT_TRUE(compress(file, kFormatCab, 0, false, false, prompter_));
    expectWarned(0);
    EXPECT_EQ(memberBytes(folder_.file("[Hacks]/Game [b].zip"), "Game [b].nes"), "rom");
}

TEST(CompressLzhTest, TheRealToolReadsOurLzhBackAtEveryLevel) {
    TempFolder folder;
    ScriptedPrompter prompter;
    const std::string text = wordySample(30000);
    for (int level : {0, 1, 2}) {
        const std::string name = "level" + std::to_string(level);
        const std::string file = folder.write(name + ".nes", text);
        if (!compress(file, kFormatLzh, level, false, false, prompter)) {
            GTEST_SKIP() << "the LZH writer does not pack yet (addFileToLzh returned false)";
        }
        const std::string archive = folder.file(name + ".lzh");
        EXPECT_EQ(captureShell("cd " + shellQuote(folder.path()) + " && lha tq " +
                               shellQuote(archive) + " >/dev/null && echo ok"),
                  "ok\n");
        const char* method[] = {"-lh7-", "-lh6-", "-lh5-"};
        EXPECT_NE(captureShell("lha v " + shellQuote(archive)).find(method[level]),
                  std::string::npos);
        EXPECT_EQ(captureShell("lha pq " + shellQuote(archive) + " " + shellQuote(name + ".nes")),
                  text);
        TempFolder out;
        EXPECT_EQ(extract(archive, out.path(), {}), out.file(name + ".nes"));
        EXPECT_TRUE(sameBytes(out.read(name + ".nes"), text));
    }
}


// A member named in CP932 without the UTF-8 flag (as Japanese Windows archivers write it) is
// kept, under its name as text, when another file joins the archive.
TEST(CompressIntoExistingTest, Cp932NamedMembersAreKept) {
    for (const int format : {kFormatZip, kFormat7z}) {
        TempFolder folder;
        ScriptedPrompter prompter;
        const int level = format == kFormat7z ? k7zTypeZip : 1;
        folder.write("game.zip", romshelf::test::ZipBuilder().add("\x83\x51\x81\x5B\x83\x80.txt", "keep").bytes());
        const std::string rom = romBytes(2000);
        ASSERT_TRUE(compress(folder.write("game.nes", rom), format, level, false, false, prompter));
        EXPECT_EQ(listNames(folder.file("game.zip")), "ゲーム.txt\ngame.nes\n");
        EXPECT_EQ(memberBytes(folder.file("game.zip"), "ゲーム.txt"), "keep");
    }
}

}  // namespace
}  // namespace romshelf::archive
