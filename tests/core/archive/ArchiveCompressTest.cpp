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

namespace romshelf::test {
namespace {

using namespace romshelf::archive;
using Format = CompressionFormat;
using Level = CompressionLevel;

Compression with(Format format, Level level = Level::Normal,
                 SevenZipType type = SevenZipType::SevenZip, bool upperCase = false) {
    return {format, level, type, upperCase, false};
}

struct FormatCase {
    Compression how;
    const char* extension;
    Packer peer;  // packs an archive already there
};
const FormatCase kFormats[] = {
    {with(Format::Zip, Level::High), "zip", Packer::Zip},
    {with(Format::Cab), "cab", Packer::Cab},
    {with(Format::SevenZip), "7z", Packer::SevenZip},
    {with(Format::SevenZip, Level::Normal, SevenZipType::Zip, true), "ZIP", Packer::Zip},
};

TEST(CompressTest, EachFormatReadsBackWithTheRealToolAndOurExtractor) {
    const std::string rom = romBytes(300 * 1024);
    const std::string name = "ゲーム【完全版】 v1.1.sfc";  // the title keeps its dots
    for (const FormatCase& f : kFormats) {
        SCOPED_TRACE(f.extension);
        TempFolder folder;
        ScriptedPrompter prompter;
        ASSERT_TRUE(compress(folder.write(name, rom), f.how, prompter));
        const std::string archiveName = "ゲーム【完全版】 v1.1." + std::string(f.extension);
        const std::string archive = folder.file(archiveName);
        EXPECT_EQ(peerNames(archive), name + "\n");
        EXPECT_TRUE(sameBytes(peerMember(archive, name), rom));
        TempFolder out;
        EXPECT_EQ(extract(archive, out.path(), {}), out.file(name));
        EXPECT_TRUE(sameBytes(out.read(name), rom));
        // The source stays; nothing else is left in the folder.
        Names expected = {archiveName, name};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(folderEntries(folder.path()), expected);
        EXPECT_TRUE(prompter.boxes().empty());
    }
}

TEST(CompressTest, AnExistingArchiveKeepsItsOtherMembersAndGetsTheFileReplacedOrStaysIfCorrupt) {
    for (const FormatCase& f : kFormats) {
        SCOPED_TRACE(f.extension);
        TempFolder folder;
        ScriptedPrompter prompter;
        folder.write("other.txt", "keep me");
        folder.write("GAME.NES", "old rom");
        struct timespec old[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
        ::utimensat(AT_FDCWD, folder.file("other.txt").c_str(), old, 0);
        const std::string name = "game." + std::string(f.extension);
        const std::string archive = folder.file(name);
        ASSERT_TRUE(packWithTool(f.peer, folder.path(), name, {"other.txt", "GAME.NES"}));

        // Windows archivers match member names without regard to case.
        const std::string rom = romBytes(40000);
        ASSERT_TRUE(compress(folder.write("game.nes", rom), f.how, prompter));
        EXPECT_EQ(peerNames(archive), "other.txt\ngame.nes\n");
        EXPECT_EQ(peerMember(archive, "other.txt"), "keep me");
        EXPECT_TRUE(sameBytes(peerMember(archive, "game.nes"), rom));
        // The kept member keeps its time (2001-09-09 01:46:40 UTC).
        TempFolder out;
        ASSERT_EQ(runShell("cd " + shellQuote(out.path()) + " && 7z x " + shellQuote(archive) +
                           " other.txt")
                      .exitCode,
                  0);
        struct stat st {};
        ASSERT_EQ(::stat(out.file("other.txt").c_str(), &st), 0);
        EXPECT_NEAR(static_cast<double>(st.st_mtime), 1000000000.0, 2.0);

        ASSERT_TRUE(compress(folder.write("game.txt", "same title"), f.how, prompter));
        EXPECT_EQ(peerNames(archive), "other.txt\ngame.nes\ngame.txt\n");

        const std::string garbage = "PK\x03\x04 this is no archive at all " + romBytes(3000);
        folder.write(name, garbage);
        EXPECT_FALSE(compress(folder.file("game.nes"), f.how, prompter));
        EXPECT_EQ(folder.read(name), garbage);
        EXPECT_EQ(folderEntries(folder.path()).size(), 5u);  // no temporary file left behind
    }
}

// A member named in CP932 without the UTF-8 flag (as Japanese Windows archivers write it) is
// kept, under its name as text, when another file joins the archive.
TEST(CompressTest, Cp932NamedZipMembersAreKept) {
    for (const Compression& how :
         {with(Format::Zip), with(Format::SevenZip, Level::Normal, SevenZipType::Zip)}) {
        TempFolder folder;
        ScriptedPrompter prompter;
        folder.write("game.zip", ZipBuilder().add("\x83\x51\x81\x5B\x83\x80.txt", "keep").bytes());
        ASSERT_TRUE(compress(folder.write("game.nes", romBytes(2000)), how, prompter));
        EXPECT_EQ(peerNames(folder.file("game.zip")), "ゲーム.txt\ngame.nes\n");
        EXPECT_EQ(peerMember(folder.file("game.zip"), "ゲーム.txt"), "keep");
    }
}

TEST(CompressTest, LevelsGoFromStrongToFastAndPickTheLzhMethod) {
    TempFolder folder;
    ScriptedPrompter prompter;
    const std::string text = textLike(1 << 20);
    const std::pair<Level, const char*> levels[] = {
        {Level::High, "-lh7-"}, {Level::Normal, "-lh6-"}, {Level::Low, "-lh5-"}};
    std::vector<std::uintmax_t> sizes;
    for (const auto& [level, lzhMethod] : levels) {
        // No extension: the archive's is simply added.
        const std::string name = "level" + std::to_string(static_cast<int>(level));
        const std::string file = folder.write(name, text);
        ASSERT_TRUE(compress(file, with(Format::Zip, level), prompter));
        EXPECT_TRUE(sameBytes(peerMember(folder.file(name + ".zip"), name), text));
        sizes.push_back(std::filesystem::file_size(folder.file(name + ".zip")));

        const Compression lzh = with(Format::Lzh, level, SevenZipType::SevenZip, true);
        ASSERT_TRUE(compress(file, lzh, prompter));
        EXPECT_NE(
            runShell("lha v " + shellQuote(folder.file(name + ".LZH"))).output.find(lzhMethod),
            std::string::npos);
        EXPECT_TRUE(sameBytes(peerMember(folder.file(name + ".LZH"), name), text));
        TempFolder out;
        EXPECT_EQ(extract(folder.file(name + ".LZH"), out.path(), {}), out.file(name));
        EXPECT_TRUE(sameBytes(out.read(name), text));
    }
    EXPECT_LT(sizes[0], sizes[1]);
    EXPECT_LT(sizes[1], sizes[2]);
}

TEST(CompressTest, BadRequestsFailWithoutTouchingAnything) {
    TempFolder folder;
    ScriptedPrompter prompter;
    const std::string file = folder.write("game.nes", "rom");
    // Format numbers no option page offers (a damaged settings file).
    for (int format : {4, -1}) {
        EXPECT_EQ(compressedArchivePath(file, with(static_cast<Format>(format))), "");
        EXPECT_FALSE(compress(file, with(static_cast<Format>(format)), prompter));
    }
    EXPECT_FALSE(compress(folder.file("missing.nes"), with(Format::Zip), prompter));
    // An archive packed as its own format would be named after itself.
    const std::string zip = folder.write("pack.zip", "not to be lost");
    EXPECT_FALSE(compress(zip, with(Format::Zip), prompter));
    EXPECT_EQ(folder.read("pack.zip"), "not to be lost");
    EXPECT_EQ(folderEntries(folder.path()), (Names{"game.nes", "pack.zip"}));
    EXPECT_TRUE(prompter.boxes().empty());
}

// A ZIP refuses a path with "[" or "]" with a warning, unless the 7z route is on and the
// brackets are in the file's own name; other formats do not care.
TEST(CompressTest, BracketRule) {
    Compression fallback = with(Format::Zip);
    fallback.sevenZipForBrackets = true;
    const std::tuple<const char*, Compression, bool> cases[] = {
        {"Game [!].nes", with(Format::Zip), false},
        {"Game [!].nes", fallback, true},
        {"[Hacks]/game.nes", fallback, false},
        {"[Hacks]/game (hack] ].nes", fallback, true},
        {"[Hacks]/Game [b].nes", with(Format::SevenZip), true},
        {"[Hacks]/Game [c].nes", with(Format::SevenZip, Level::Normal, SevenZipType::Zip), true},
        {"[Hacks]/Game [d].nes", with(Format::Cab), true},
    };
    for (const auto& [name, how, packed] : cases) {
        SCOPED_TRACE(name);
        TempFolder folder;
        ScriptedPrompter prompter;
        const std::string rom = romBytes(3000);
        const std::string file = folder.write(name, rom);
        EXPECT_EQ(compress(file, how, prompter), packed);
        const std::string archive = compressedArchivePath(file, how);
        EXPECT_EQ(std::filesystem::exists(archive), packed);
        if (packed) {
            EXPECT_TRUE(prompter.boxes().empty());
            const std::string member = std::filesystem::path(file).filename().string();
            EXPECT_TRUE(sameBytes(peerMember(archive, member), rom));
            continue;
        }
        ASSERT_EQ(prompter.boxes().size(), 1u);
        EXPECT_EQ(prompter.boxes()[0].text,
                  "ファイルパスに [ ] が含まれている場合はZIP圧縮できません。");
        EXPECT_EQ(prompter.boxes()[0].title, "警告");
        EXPECT_FALSE(prompter.boxes()[0].question);
    }
}

}  // namespace
}  // namespace romshelf::test
