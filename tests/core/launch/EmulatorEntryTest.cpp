#include "core/launch/EmulatorEntry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "DataFileFixtures.h"
#include "RawEmulatorFile.h"

using namespace romshelf;
using romshelf::test::RawBytes;
using romshelf::test::RawEmulatorBlocks;
using romshelf::test::rawEmulatorFile;
using romshelf::test::sameBytes;

namespace {

const EmulatorEntry kDefault{};

// Entries that use every field (double-byte names, the meaningless options, both waits), as the
// program holds them and as another program writes them.
struct Sample {
    EmulatorEntries entries{};
    RawEmulatorBlocks blocks{};
    Sample() {
        auto& e = entries;
        auto& b = blocks;
        e[0].name = "ファミコン";
        b[0].name = "\x83t\x83@\x83~\x83R\x83\x93";
        e[0].joyToKeySetting = "ジョイ";
        b[0].joyToKey = "\x83W\x83\x87\x83\x43";
        e[0].executable = b[0].executable = ".\\emu\\VirtuaNES.exe";
        e[0].commandLine = b[0].commandLine = "-full \"$P\"";
        e[0].specialStart = true;
        b[0].specialStart = 1;
        e[0].waitAfterStart = b[0].waitAfterStart = 0;
        e[0].waitAfterFileDialog = b[0].waitAfterFileDialog = 2147483647;
        for (int k : {0, 2, 4, 9, 15}) e[0].options[k] = (b[0].options[k] = 1);
        e[63].name = "エミュ";
        b[63].name = "\x83G\x83~\x83\x85";
        e[63].executable = b[63].executable = "/opt/emu/run";
        e[63].waitAfterStart = b[63].waitAfterStart = -1;
        for (int k : {1, 3, 12}) e[63].options[k] = (b[63].options[k] = 1);
    }
};

struct EmulatorFileTest : romshelf::test::DataFileTest {
    // Loads into entries that already hold something, so that defaults must replace it.
    LoadResult load(const std::string& bytes, EmulatorEntries& entries) {
        entries = Sample().entries;
        return loadEmulatorFile(stream, dir.write("Emulator_FC.slb", bytes), prompter, entries);
    }
};

}  // namespace

TEST_F(EmulatorFileTest, RoundTripIsByteExactWithAnIndependentWriter) {
    ASSERT_TRUE(saveEmulatorFile(stream, dir.file("written.slb"), Sample().entries));
    const std::string expected = rawEmulatorFile(Sample().blocks);
    EXPECT_TRUE(sameBytes(dir.read("written.slb"), expected));

    EmulatorEntries read{};
    ASSERT_EQ(loadEmulatorFile(stream, dir.write("raw.slb", expected), prompter, read),
              LoadResult::Loaded);
    EXPECT_TRUE(read == Sample().entries);
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(EmulatorFileTest, ReservedItemsAreSkippedAndWrittenEmpty) {
    RawEmulatorBlocks blocks = Sample().blocks;
    blocks[5].reservedStrings = {"a", "\x83W", "", "x", "long reserved text"};
    blocks[5].reservedIntegers = {1, -1, 7, 0, 0, 0, 0, 99};
    blocks[0].options[7] = 7;  // any non-zero flag is true, and is written back as 1
    EmulatorEntries read{};
    ASSERT_EQ(load(rawEmulatorFile(blocks), read), LoadResult::Loaded);
    EXPECT_TRUE(read[5] == kDefault);
    EXPECT_TRUE(read[0].options[7]);

    ASSERT_TRUE(saveEmulatorFile(stream, dir.file("again.slb"), read));
    RawEmulatorBlocks expected = Sample().blocks;
    expected[0].options[7] = 1;
    EXPECT_TRUE(sameBytes(dir.read("again.slb"), rawEmulatorFile(expected)));
}

TEST_F(EmulatorFileTest, RejectedFilesShowTheirMessageAndGiveDefaults) {
    const std::string good = rawEmulatorFile(Sample().blocks);
    const std::string broken = "エミュレータ設定ファイルが異常です。\nデータを読み込めません。";
    const std::string version =
        "エミュレータ設定ファイルのバージョンが違います。\nデータを読み込めません。";
    std::string tooLong = good;
    tooLong.replace(30, 4, std::string("\x00\x30\x00\x00", 4));  // slot 0's name: 12288 bytes
    std::string negative = good;
    negative.replace(30, 4, std::string("\xff\xff\xff\xff", 4));
    const struct {
        const char* what;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"wrong magic", RawBytes().header("ROMSHELF_FOLDERDATA", 1).raw(good.substr(30)).bytes(),
         broken},
        {"wrong version",
         RawBytes().header("ROMSHELF_EMULATORDATA", 2).raw(good.substr(30)).bytes(), version},
        {"cut in the last block", good.substr(0, good.size() - 1), broken},
        {"string over the limit", tooLong, broken},
        {"negative length", negative, broken},
        {"empty file", "", broken},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prompter.clear();
        EmulatorEntries read;
        EXPECT_EQ(load(c.bytes, read), LoadResult::Rejected);
        EXPECT_TRUE(
            std::all_of(read.begin(), read.end(), [](const auto& e) { return e == kDefault; }));
        EXPECT_TRUE(warnedOnce(c.message));
    }
}

TEST_F(EmulatorFileTest, AMissingFileGivesDefaultsSilently) {
    EmulatorEntries read = Sample().entries;
    EXPECT_EQ(loadEmulatorFile(stream, dir.file("none.slb"), prompter, read), LoadResult::Missing);
    EXPECT_EQ(kDefault.waitAfterStart, 500);
    EXPECT_EQ(kDefault.waitAfterFileDialog, 500);
    EXPECT_TRUE(std::all_of(read.begin(), read.end(), [](const auto& e) { return e == kDefault; }));
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(EmulatorFileTest, TheApplicationHoldsExecutablesAbsolute) {
    RawEmulatorBlocks blocks{};
    blocks[0].executable = "./emu/x";
    blocks[1].executable = ".\\emu\\nes\\VirtuaNES.exe";
    blocks[3].executable = "/abs/z";
    blocks[4].executable = "plain";
    const std::string path = dir.write("Emulator_FC.slb", rawEmulatorFile(blocks));
    EmulatorEntries entries;
    ASSERT_EQ(loadEmulatorEntries(stream, path, prompter, "/home/u/rs/", entries),
              LoadResult::Loaded);
    EXPECT_EQ(entries[0].executable, "/home/u/rs/emu/x");
    EXPECT_EQ(entries[1].executable, "/home/u/rs/emu/nes/VirtuaNES.exe");
    EXPECT_EQ(entries[3].executable, "/abs/z");
    EXPECT_EQ(entries[4].executable, "plain");

    // The file itself is read as typed.
    ASSERT_EQ(loadEmulatorFile(stream, path, prompter, entries), LoadResult::Loaded);
    EXPECT_EQ(entries[1].executable, ".\\emu\\nes\\VirtuaNES.exe");
}
