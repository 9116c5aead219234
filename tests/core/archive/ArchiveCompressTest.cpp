#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "ArchiveTestSupport.h"
#include "DataFileFixtures.h"
#include "core/archive/ArchiveCompressor.h"
#include "core/archive/ArchiveExtractor.h"
#include "core/archive/ArchiveReadBack.h"
#include "core/archive/SevenZipWriter.h"
#include "core/platform/FileSystem.h"

namespace romshelf::test {
namespace {

using namespace romshelf::archive;
using Format = CompressionFormat;
using Level = CompressionLevel;

Compression with(Format format, Level level = Level::Normal,
                 SevenZipType type = SevenZipType::SevenZip, bool upperCase = false) {
    return {format, level, type, upperCase, false};
}

using CompressTest = DataFileTest;  // a folder, a prompter

// The peer packs the archive that is already there.
const std::tuple<Compression, const char*, Packer> kFormats[] = {
    {with(Format::Zip, Level::High), "zip", Packer::Zip},
    {with(Format::Cab), "cab", Packer::Cab},
    {with(Format::SevenZip), "7z", Packer::SevenZip},
    {with(Format::SevenZip, Level::Normal, SevenZipType::Zip, true), "ZIP", Packer::Zip}};

// Per format: a new archive; then one the real tool made keeps its other members and their times,
// gets a member of the same name in any case replaced or another file added, or stays if corrupt.
TEST_F(CompressTest, EachFormatWritesNewArchivesAndAddsToOrReplacesInExistingOnes) {
    const std::string rom = romBytes(300 * 1024);
    const std::string title = "ゲーム【完全版】 v1.1", name = title + ".sfc";  // dots are kept
    for (const auto& [how, extension, peer] : kFormats) {
        SCOPED_TRACE(extension);
        TempFolder folder, out;
        ASSERT_TRUE(compress(folder.write(name, rom), how, prompter));
        const std::string fresh = folder.file(title + "." + extension);
        EXPECT_EQ(peerNames(fresh), name + "\n");
        EXPECT_TRUE(sameBytes(peerMember(fresh, name), rom));

        folder.write("other.txt", "keep me");
        folder.write("GAME.NES", "old rom");
        const struct timespec old[2] = {{0, UTIME_OMIT}, {1000000000, 0}};  // 2001-09-09 01:46:40
        ::utimensat(AT_FDCWD, folder.file("other.txt").c_str(), old, 0);
        const std::string archiveName = "game." + std::string(extension);
        const std::string archive = folder.file(archiveName);
        ASSERT_TRUE(packWithTool(peer, folder.path(), archive, {"other.txt", "GAME.NES"}));
        ASSERT_TRUE(compress(folder.write("game.nes", rom), how, prompter));
        EXPECT_EQ(peerNames(archive), "other.txt\ngame.nes\n");
        EXPECT_EQ(peerMember(archive, "other.txt"), "keep me");
        EXPECT_TRUE(sameBytes(peerMember(archive, "game.nes"), rom));
        ASSERT_TRUE(runShell("cd " + shellQuote(out.path()) + " && 7z x " + shellQuote(archive)));
        struct stat st {};
        EXPECT_TRUE(::stat(out.file("other.txt").c_str(), &st) == 0 &&
                    std::abs(st.st_mtime - 1000000000) <= 2);
        ASSERT_TRUE(compress(folder.write("game.txt", "same title"), how, prompter));
        EXPECT_EQ(peerNames(archive), "other.txt\ngame.nes\ngame.txt\n");

        const std::string garbage = "PK\x03\x04 this is no archive at all " + romBytes(3000);
        folder.write(archiveName, garbage);
        EXPECT_FALSE(compress(folder.file("game.nes"), how, prompter));
        EXPECT_EQ(folder.read(archiveName), garbage);
        // The sources stay; no temporary file is left behind.
        EXPECT_EQ(folderEntries(folder.path()).size(), 7u);
        EXPECT_TRUE(prompter.boxes().empty());
    }
}

// A member named in CP932 without the UTF-8 flag (as Japanese Windows archivers write it) is
// kept, under its name as text, when another file joins the archive.
TEST_F(CompressTest, Cp932NamedZipMembersAreKept) {
    for (const Compression& how :
         {with(Format::Zip), with(Format::SevenZip, Level::Normal, SevenZipType::Zip)}) {
        dir.write("game.zip", zipOf({{"\x83\x51\x81\x5B\x83\x80.txt", "keep"}}));
        ASSERT_TRUE(compress(dir.write("game.nes", romBytes(2000)), how, prompter));
        EXPECT_EQ(peerNames(dir.file("game.zip")), "ゲーム.txt\ngame.nes\n");
        EXPECT_EQ(peerMember(dir.file("game.zip"), "ゲーム.txt"), "keep");
    }
}

TEST_F(CompressTest, LevelsGoFromStrongToFastAndPickTheLzhMethod) {
    const std::string text = textLike(1 << 20);
    std::vector<std::uintmax_t> sizes;
    for (const auto& [level, lzhMethod] :
         {std::pair{Level::High, "-lh7-"}, {Level::Normal, "-lh6-"}, {Level::Low, "-lh5-"}}) {
        // No extension: the archive's is simply added.
        const std::string name = "level" + std::to_string(static_cast<int>(level));
        const std::string file = dir.write(name, text);
        ASSERT_TRUE(compress(file, with(Format::Zip, level), prompter));
        EXPECT_TRUE(sameBytes(peerMember(file + ".zip", name), text));
        sizes.push_back(std::filesystem::file_size(file + ".zip"));
        ASSERT_TRUE(
            compress(file, with(Format::Lzh, level, SevenZipType::SevenZip, true), prompter));
        EXPECT_NE(runShell("lha v " + shellQuote(file + ".LZH")).value_or("").find(lzhMethod),
                  std::string::npos);
        EXPECT_TRUE(sameBytes(peerMember(file + ".LZH", name), text));
    }
    EXPECT_LT(sizes[0], sizes[1]);
    EXPECT_LT(sizes[1], sizes[2]);
}

TEST_F(CompressTest, BadRequestsFailWithoutTouchingAnything) {
    const std::string file = dir.write("game.nes", "rom");
    // Format numbers no option page offers (a damaged settings file).
    for (int format : {4, -1}) {
        EXPECT_EQ(compressedArchivePath(file, with(static_cast<Format>(format))), "");
        EXPECT_FALSE(compress(file, with(static_cast<Format>(format)), prompter));
    }
    EXPECT_FALSE(compress(dir.file("missing.nes"), with(Format::Zip), prompter));
    // An archive packed as its own format would be named after itself.
    EXPECT_FALSE(compress(dir.write("pack.zip", "not to be lost"), with(Format::Zip), prompter));
    EXPECT_EQ(dir.read("pack.zip"), "not to be lost");
    EXPECT_EQ(folderEntries(dir.path()), (Names{"game.nes", "pack.zip"}));
    EXPECT_TRUE(prompter.boxes().empty());
}

// The 7z's LZMA2 dictionary: the next power of two at or above all the data it holds, between
// 64 KiB and the strength's 8 MiB, as 7-Zip reports it ("LZMA2:16" is 64 KiB).
TEST_F(CompressTest, SevenZipDictionaryFitsTheDataAndPeerMembersSurvive) {
    const std::tuple<std::uint64_t, std::uint32_t> sizes[] = {{0, 1u << 16},
                                                              {1, 1u << 16},
                                                              {65536, 1u << 16},
                                                              {65537, 1u << 17},
                                                              {300 * 1024, 1u << 19},
                                                              {8u << 20, 8u << 20},
                                                              {(8u << 20) + 1, 8u << 20},
                                                              {5ull << 32, 8u << 20}};
    for (const auto& [input, dictionary] : sizes)
        EXPECT_EQ(sevenZipDictionarySize(input, 8u << 20), dictionary) << input;

    const std::tuple<std::size_t, const char*> packs[] = {{1000, "LZMA2:16"},
                                                          {300 * 1024, "LZMA2:19"}};
    for (const auto& [size, method] : packs) {
        const std::string rom = mixed(size, 7);
        const std::string file = dir.write("g" + std::to_string(size) + ".nes", rom);
        ASSERT_TRUE(compress(file, with(Format::SevenZip), prompter));
        const std::string archive = compressedArchivePath(file, with(Format::SevenZip));
        EXPECT_NE(runShell("7z l -slt " + shellQuote(archive)).value_or("").find(method),
                  std::string::npos)
            << method;
        EXPECT_TRUE(runShell("7z t " + shellQuote(archive)).has_value());
        EXPECT_TRUE(sameBytes(peerMember(archive, fs::pathName(file)), rom));
        // Our own reader too: the read-back before a source is deleted, and unpacking.
        EXPECT_EQ(memberSum(archive, fs::pathName(file)), fileSum(file));
        TempFolder out;
        EXPECT_EQ(extract(archive, out.path(), {}), out.file(fs::pathName(file)));
        EXPECT_TRUE(sameBytes(out.read(fs::pathName(file)), rom));
    }

    // An archive the real tool made with an empty file and a folder: both are kept as such, and
    // the dictionary grows with the data already there.
    TempFolder folder;
    folder.write("empty.txt", "");
    folder.write("saves/slot1.sav", mixed(200 * 1024, 3));
    ASSERT_TRUE(packWithTool(Packer::SevenZip, folder.path(), folder.file("game.7z"),
                             {"empty.txt", "saves"}));
    ASSERT_TRUE(
        compress(folder.write("game.nes", mixed(100 * 1024, 4)), with(Format::SevenZip), prompter));
    const std::string archive = folder.file("game.7z");
    const std::string listing = runShell("7z l -slt " + shellQuote(archive)).value_or("");
    EXPECT_NE(listing.find("LZMA2:19"), std::string::npos) << listing;
    EXPECT_TRUE(runShell("7z t " + shellQuote(archive)).has_value());
    EXPECT_EQ(peerNames(archive), "saves\nempty.txt\nsaves/slot1.sav\ngame.nes\n");
    EXPECT_NE(listing.find("Attributes = D drwx"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Path = empty.txt\nSize = 0\n"), std::string::npos);
    EXPECT_TRUE(sameBytes(peerMember(archive, "saves/slot1.sav"), mixed(200 * 1024, 3)));
}

// A run that packs one file after another reuses one encoder: each archive still reads back
// whole with the real tool, and is byte for byte the archive packed on its own, also when the
// dictionary changes between files and after a writer that was dropped halfway through its data.
TEST_F(CompressTest, SevenZipArchivesOfOneRunShareAnEncoderAndEachStaysWhole) {
    // Dictionaries of 512, 64, 512 and 128 KiB.
    const std::size_t sizes[] = {300 * 1024, 1000, 300 * 1024, 100 * 1024};
    const auto rom = [&](std::size_t k) { return mixed(sizes[k], static_cast<unsigned>(k + 11)); };
    const auto name = [](std::size_t k) { return "g" + std::to_string(k) + ".nes"; };
    TempFolder alone, shared;
    // The same files in both folders, of the same time (an archive holds it).
    const struct timespec time[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    for (std::size_t k = 0; k < std::size(sizes); ++k)
        for (TempFolder* folder : {&alone, &shared})
            ASSERT_EQ(::utimensat(AT_FDCWD, folder->write(name(k), rom(k)).c_str(), time, 0), 0);
    for (std::size_t k = 0; k < std::size(sizes); ++k)
        ASSERT_TRUE(compress(alone.file(name(k)), with(Format::SevenZip), prompter));
    {
        const SevenZipEncoderReuse reuse;
        for (std::size_t k = 0; k < std::size(sizes); ++k) {
            ASSERT_TRUE(compress(shared.file(name(k)), with(Format::SevenZip), prompter));
            // A writer given part of its data and dropped (a source that changed while read).
            const int fd = ::open(shared.file("dropped.7z").c_str(), O_WRONLY | O_CREAT, 0600);
            ASSERT_GE(fd, 0);
            {
                SevenZipWriter dropped(fd, 1u << 20);
                SevenZipMember half;
                half.name = "half.nes";
                ASSERT_TRUE(dropped.begin(half));
                const std::string bytes = mixed(70 * 1024, 99);
                ASSERT_TRUE(dropped.write(bytes.data(), bytes.size()));
            }
            ::close(fd);
        }
    }
    for (std::size_t k = 0; k < std::size(sizes); ++k) {
        SCOPED_TRACE(k);
        const std::string archive = "g" + std::to_string(k) + ".7z";
        EXPECT_TRUE(runShell("7z t " + shellQuote(shared.file(archive))).has_value());
        EXPECT_TRUE(sameBytes(peerMember(shared.file(archive), name(k)), rom(k)));
        EXPECT_TRUE(sameBytes(shared.read(archive), alone.read(archive)));
    }
}

// A ZIP refuses a path with "[" or "]" with a warning, unless the 7z route is on and the
// brackets are in the file's own name; other formats do not care.
TEST_F(CompressTest, BracketRule) {
    Compression fallback = with(Format::Zip);
    fallback.sevenZipForBrackets = true;
    const std::tuple<const char*, Compression, bool> cases[] = {
        {"Game [!].nes", with(Format::Zip), false},
        {"Game [!].nes", fallback, true},
        {"[Hacks]/game.nes", fallback, false},
        {"[Hacks]/game (hack] ].nes", fallback, true},
        {"[Hacks]/Game [b].nes", with(Format::SevenZip), true},
        {"[Hacks]/Game [c].nes", with(Format::SevenZip, Level::Normal, SevenZipType::Zip), true},
        {"[Hacks]/Game [d].nes", with(Format::Cab), true}};
    for (const auto& [name, how, packed] : cases) {
        SCOPED_TRACE(name);
        prompter.clear();
        const std::string rom = romBytes(3000), file = dir.write(name, rom);
        EXPECT_EQ(compress(file, how, prompter), packed);
        const std::string archive = compressedArchivePath(file, how);
        EXPECT_EQ(std::filesystem::exists(archive), packed);
        const std::string member = std::filesystem::path(file).filename().string();
        EXPECT_TRUE(sameBytes(peerMember(archive, member), packed ? rom : ""));
        EXPECT_TRUE(packed
                        ? prompter.boxes().empty()
                        : warnedOnce("ファイルパスに [ ] が含まれている場合はZIP圧縮できません。"));
    }
}

}  // namespace
}  // namespace romshelf::test
