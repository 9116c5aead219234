#include "core/launch/EmulatorEntry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "DataFileFixtures.h"

using namespace romshelf;
using namespace romshelf::test;

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

struct EmulatorFileTest : DataFileTest {
    // Loads into entries that already hold something, so that defaults must replace it.
    LoadResult load(const std::string& bytes, EmulatorEntries& entries) {
        entries = Sample().entries;
        return loadEmulatorFile(stream, dir.write("Emulator_FC.slb", bytes), prompter, entries);
    }
};

}  // namespace

// Reserved items are skipped on reading and written empty; any non-zero flag is true, and is
// written back as 1.
TEST_F(EmulatorFileTest, RoundTripIsByteExactWithAnIndependentWriter) {
    ASSERT_TRUE(saveEmulatorFile(stream, dir.file("written.slb"), Sample().entries));
    EXPECT_TRUE(sameBytes(dir.read("written.slb"), rawEmulatorFile(Sample().blocks)));
    RawEmulatorBlocks blocks = Sample().blocks, expected = Sample().blocks;
    blocks[5].reservedStrings = {"a", "\x83W", "", "x", "long reserved text"};
    blocks[5].reservedIntegers = {1, -1, 7, 0, 0, 0, 0, 99};
    blocks[0].options[7] = 7;
    expected[0].options[7] = 1;
    EmulatorEntries read{}, held = Sample().entries;
    ASSERT_EQ(load(rawEmulatorFile(blocks), read), LoadResult::Loaded);
    held[0].options[7] = true;
    EXPECT_TRUE(read == held);
    EXPECT_TRUE(prompter.boxes().empty());
    ASSERT_TRUE(saveEmulatorFile(stream, dir.file("again.slb"), read));
    EXPECT_TRUE(sameBytes(dir.read("again.slb"), rawEmulatorFile(expected)));
}

// A refused file shows its message and gives defaults; a missing one gives them silently.
TEST_F(EmulatorFileTest, RejectedFilesShowTheirMessageAndGiveDefaults) {
    const std::string good = rawEmulatorFile(Sample().blocks), body = good.substr(30);
    const auto nameLength = [&](const char* length) {  // slot 0's name
        return std::string(good).replace(30, 4, std::string(length, 4));
    };
    const std::string broken = "エミュレータ設定ファイルが異常です。\nデータを読み込めません。";
    const std::pair<std::string, std::string> cases[] = {
        {RawBytes().header("ROMSHELF_FOLDERDATA", 1).raw(body).bytes(), broken},
        {RawBytes().header("ROMSHELF_EMULATORDATA", 2).raw(body).bytes(),
         "エミュレータ設定ファイルのバージョンが違います。\nデータを読み込めません。"},
        {good.substr(0, good.size() - 1), broken},  // cut in the last block
        {nameLength("\x00\x30\x00\x00"), broken},   // 12288 bytes: over the limit
        {nameLength("\xff\xff\xff\xff"), broken},
        {"", broken}};
    const auto allDefault = [](const EmulatorEntries& entries) {
        return std::all_of(entries.begin(), entries.end(),
                           [](const auto& e) { return e == kDefault; });
    };
    for (const auto& [bytes, message] : cases) {
        SCOPED_TRACE(bytes.size());
        prompter.clear();
        EmulatorEntries read;
        EXPECT_EQ(load(bytes, read), LoadResult::Rejected);
        EXPECT_TRUE(allDefault(read));
        EXPECT_TRUE(warnedOnce(message));
    }
    prompter.clear();
    EmulatorEntries read = Sample().entries;
    EXPECT_EQ(loadEmulatorFile(stream, dir.file("none.slb"), prompter, read), LoadResult::Missing);
    EXPECT_TRUE(allDefault(read));
    EXPECT_TRUE(prompter.boxes().empty());
}
