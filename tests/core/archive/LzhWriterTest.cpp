#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "LzhTestSupport.h"
#include "TempFolder.h"
#include "core/archive/LzhWriter.h"

namespace romshelf::archive {
namespace {

using namespace romshelf::test::lzh;
using test::TempFolder;

std::string methodName(LzhMethod m) {
    return m == LzhMethod::Lh5 ? "lh5" : m == LzhMethod::Lh6 ? "lh6" : "lh7";
}

void setMtime(const std::string& path, std::time_t t) {
    struct timeval times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct WriterCase {
    const char* name;
    std::string (*make)();
    bool stored;  // expected to be kept as -lh0-
};

const WriterCase kWriterCases[] = {
    {"Empty", [] { return std::string(); }, true},
    {"OneByte", [] { return std::string("\x7f"); }, true},
    {"Repetitive", [] { return std::string(200000, 'R') + textLike(50000, 1); }, false},
    {"Random", [] { return randomBytes(65536, 9); }, true},
    {"MixedMegabyte", [] { return mixed(1000000, 3); }, false},
    {"Text8KMinus1", [] { return textLike(8191, 4); }, false},
    {"Text8K", [] { return textLike(8192, 4); }, false},
    {"Text8KPlus1", [] { return textLike(8193, 4); }, false},
    {"Text32KMinus1", [] { return textLike(32767, 5); }, false},
    {"Text32K", [] { return textLike(32768, 5); }, false},
    {"Text32KPlus1", [] { return textLike(32769, 5); }, false},
    {"Text64KMinus1", [] { return textLike(65535, 6); }, false},
    {"Text64K", [] { return textLike(65536, 6); }, false},
    {"Text64KPlus1", [] { return textLike(65537, 6); }, false},
    {"MaxLengthRuns",
     [] {
         std::string s;
         for (int i = 0; i < 200; ++i)
             s += std::string(256 + i % 3, static_cast<char>(i)) + "|";
         return s;
     },
     false},
};

class LzhWriterRoundTrip : public ::testing::TestWithParam<std::tuple<LzhMethod, WriterCase>> {};

TEST_P(LzhWriterRoundTrip, ArchiveReadsBackWithLibarchiveAndLha) {
    const auto [method, c] = GetParam();
    TempFolder folder;
    const std::string data = c.make();
    const std::string file = folder.write("src/game.bin", data);
    setMtime(file, 1700000000);
    const std::string archive = folder.file("out.lzh");
    ASSERT_TRUE(addFileToLzh(archive, file, method));

    const ReadResult read = readWithLibarchive(archive);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.entries.size(), 1u);
    const ReadEntry& e = read.entries[0];
    EXPECT_EQ(e.path, "game.bin");
    EXPECT_EQ(e.size, static_cast<std::int64_t>(data.size()));
    EXPECT_EQ(e.mtime, 1700000000);
    EXPECT_TRUE(e.data == data);
    EXPECT_EQ(e.format, c.stored ? "lha -lh0-" : "lha -" + methodName(method) + "-");
    if (!c.stored) {
        EXPECT_LT(std::filesystem::file_size(archive), data.size());
    }

    if (!lhaAvailable())
        GTEST_SKIP() << "the lha tool (lhasa) is not installed";
    std::string output;
    EXPECT_TRUE(lhaTests(archive, 1, &output)) << output;
    ASSERT_TRUE(lhaExtracts(archive, folder.makeFolder("x")));
    EXPECT_TRUE(folder.read("x/game.bin") == data);
}

INSTANTIATE_TEST_SUITE_P(AllMethods, LzhWriterRoundTrip,
                         ::testing::Combine(::testing::Values(LzhMethod::Lh5, LzhMethod::Lh6,
                                                              LzhMethod::Lh7),
                                            ::testing::ValuesIn(kWriterCases)),
                         [](const auto& info) {
                             return methodName(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param).name;
                         });

TEST(LzhWriter, AddingAMemberKeepsTheOthersByteForByte) {
    TempFolder folder;
    const std::string archive = folder.file("a.lzh");
    ASSERT_TRUE(
        addFileToLzh(archive, folder.write("first.nes", textLike(30000, 1)), LzhMethod::Lh5));
    const std::string before = folder.read("a.lzh");
    ASSERT_EQ(before.back(), '\0');

    const std::string second = mixed(200000, 2);
    ASSERT_TRUE(addFileToLzh(archive, folder.write("second.sfc", second), LzhMethod::Lh7));
    const std::string after = folder.read("a.lzh");
    EXPECT_EQ(after.substr(0, before.size() - 1), before.substr(0, before.size() - 1));
    EXPECT_EQ(after.back(), '\0');

    const ReadResult read = readWithLibarchive(archive);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[0].path, "first.nes");
    EXPECT_EQ(read.entries[0].data, textLike(30000, 1));
    EXPECT_EQ(read.entries[1].path, "second.sfc");
    EXPECT_EQ(read.entries[1].format, "lha -lh7-");
    EXPECT_TRUE(read.entries[1].data == second);
    EXPECT_EQ(folderEntries(folder.path()),
              (std::vector<std::string>{"a.lzh", "first.nes", "second.sfc"}));

    if (!lhaAvailable())
        GTEST_SKIP() << "the lha tool (lhasa) is not installed";
    std::string output;
    EXPECT_TRUE(lhaTests(archive, 2, &output)) << output;
}

TEST(LzhWriter, ReplacesAMemberOfTheSameNameIgnoringAsciiCaseInPlace) {
    TempFolder folder;
    const std::string archive = folder.file("a.lzh");
    ASSERT_TRUE(
        addFileToLzh(archive, folder.write("Game.nes", "old contents, old"), LzhMethod::Lh5));
    ASSERT_TRUE(
        addFileToLzh(archive, folder.write("other.bin", textLike(5000, 3)), LzhMethod::Lh5));
    const ReadResult before = readWithLibarchive(archive);
    ASSERT_TRUE(before.ok);

    const std::string fresh = textLike(40000, 8);
    ASSERT_TRUE(addFileToLzh(archive, folder.write("new/GAME.NES", fresh), LzhMethod::Lh6));
    const ReadResult read = readWithLibarchive(archive);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[0].path, "GAME.NES");
    EXPECT_TRUE(read.entries[0].data == fresh);
    EXPECT_EQ(read.entries[1].path, "other.bin");
    EXPECT_EQ(read.entries[1].data, before.entries[1].data);
}

TEST(LzhWriter, Cp932TrailBytesAreNotCaseFolded) {
    // ア is 83 41 and ヂ is 83 61: their second bytes are 'A' and 'a'.
    TempFolder folder;
    const std::string archive = folder.file("a.lzh");
    ASSERT_TRUE(addFileToLzh(archive, folder.write("ア.bin", "one"), LzhMethod::Lh5));
    ASSERT_TRUE(addFileToLzh(archive, folder.write("ヂ.bin", "two"), LzhMethod::Lh5));
    const ReadResult read = readWithLibarchive(archive, "CP932");
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[0].path, "ア.bin");
    EXPECT_EQ(read.entries[1].path, "ヂ.bin");
}

TEST(LzhWriter, JapaneseNamesAreStoredAsCp932) {
    TempFolder folder;
    const std::string archive = folder.file("a.lzh");
    const std::string data = textLike(20000, 12);
    ASSERT_TRUE(addFileToLzh(archive, folder.write("ゼルダの伝説.nes", data), LzhMethod::Lh7));
    const std::string cp932Name = "\x83\x5b\x83\x8b\x83\x5f\x82\xcc\x93\x60\x90\xe0.nes";
    EXPECT_NE(folder.read("a.lzh").find(cp932Name), std::string::npos);

    for (const char* charset : {"CP932", static_cast<const char*>(nullptr)}) {
        const ReadResult read = readWithLibarchive(archive, charset);
        ASSERT_TRUE(read.ok) << read.error;
        ASSERT_EQ(read.entries.size(), 1u);
        EXPECT_EQ(read.entries[0].path, "ゼルダの伝説.nes") << (charset ? charset : "no charset");
        EXPECT_TRUE(read.entries[0].data == data);
    }

    if (!lhaAvailable())
        GTEST_SKIP() << "the lha tool (lhasa) is not installed";
    // lha masks non-ASCII bytes when listing; what it extracts shows the name it read.
    std::string output;
    EXPECT_TRUE(lhaTests(archive, 1, &output)) << output;
    ASSERT_TRUE(lhaExtracts(archive, folder.makeFolder("x")));
    EXPECT_EQ(folderEntries(folder.file("x")), std::vector<std::string>{cp932Name});
    EXPECT_TRUE(folder.read("x/" + cp932Name) == data);  // lha keeps the bytes as stored
}

TEST(LzhWriter, NamesOutsideCp932AreStoredAsUtf8) {
    TempFolder folder;
    const std::string archive = folder.file("a.lzh");
    const std::string name = "Pokémon ☃ 🎮.gb";
    ASSERT_TRUE(addFileToLzh(archive, folder.write(name, "cartridge"), LzhMethod::Lh5));
    EXPECT_NE(folder.read("a.lzh").find(name), std::string::npos);
    // Even a reader told to expect CP932 gets the name right: the header names the code page.
    const ReadResult read = readWithLibarchive(archive, "CP932");
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.entries.size(), 1u);
    EXPECT_EQ(read.entries[0].path, name);

    if (!lhaAvailable())
        GTEST_SKIP() << "the lha tool (lhasa) is not installed";
    ASSERT_TRUE(lhaExtracts(archive, folder.makeFolder("x")));
    EXPECT_EQ(folder.read("x/" + name), "cartridge");
}

TEST(LzhWriter, HeaderWhoseSizeEndsInAZeroByteIsPaddedAndFollowedByOthers) {
    // Our header is 46 bytes plus the name: a 210-byte name makes it exactly 256 long.
    TempFolder folder;
    const std::string archive = folder.file("a.lzh");
    const std::string longName = std::string(206, 'n') + ".bin";
    for (const std::string& name : {longName, std::string("after.bin")}) {
        ASSERT_TRUE(addFileToLzh(archive, folder.write(name, textLike(3000, 1)), LzhMethod::Lh5));
    }
    const std::string bytes = folder.read("a.lzh");
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 1u);  // 257 = 0x0101
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 1u);
    const ReadResult read = readWithLibarchive(archive);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[0].path, longName);
    EXPECT_EQ(read.entries[1].path, "after.bin");

    if (!lhaAvailable())
        GTEST_SKIP() << "the lha tool (lhasa) is not installed";
    std::string output;
    EXPECT_TRUE(lhaTests(archive, 2, &output)) << output;
}

TEST(LzhWriter, KeepsLevel0And1MembersOfOtherToolsAndMatchesTheirNames) {
    TempFolder folder;
    const std::string archive = folder.file("old.lzh");
    const std::string original =
        level0Member("README.TXT", "-lh0-", "level zero", 10, referenceCrc16("level zero")) +
        // The level-1 name lives in an extension; the base name is a stale 8.3 form.
        level1Member("GAME~1.NES", "Game.nes", "", "level one", 9, referenceCrc16("level one")) +
        level1Member("GAME.NES", "", std::string("sub\xff", 4), "in a folder", 11,
                     referenceCrc16("in a folder")) +
        std::string(1, '\0');
    folder.write("old.lzh", original);
    ASSERT_TRUE(readWithLibarchive(archive).ok);

    const std::string fresh = textLike(9000, 77);
    ASSERT_TRUE(addFileToLzh(archive, folder.write("x/game.NES", fresh), LzhMethod::Lh5));
    const ReadResult read = readWithLibarchive(archive);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.entries[0].data, "level zero");
    EXPECT_EQ(read.entries[1].path, "game.NES");
    EXPECT_TRUE(read.entries[1].data == fresh);
    EXPECT_EQ(read.entries[2].path, "sub/GAME.NES");  // another folder: not the same member
    EXPECT_EQ(read.entries[2].data, "in a folder");
    const std::string bytes = folder.read("old.lzh");
    const std::size_t level0Size = original.find("level zero") + 10;
    EXPECT_EQ(bytes.substr(0, level0Size), original.substr(0, level0Size));
}

TEST(LzhWriter, DamagedArchiveMakesTheCallFailAndStaysUntouched) {
    TempFolder folder;
    const std::string good = folder.file("good.lzh");
    ASSERT_TRUE(addFileToLzh(good, folder.write("a.bin", textLike(20000, 1)), LzhMethod::Lh5));
    ASSERT_TRUE(addFileToLzh(good, folder.write("b.bin", textLike(20000, 2)), LzhMethod::Lh5));
    const std::string bytes = folder.read("good.lzh");
    const std::string input = folder.write("in/c.bin", "new member");

    std::string headerFlip = bytes;
    headerFlip[30] ^= 0x01;  // inside the first header: its CRC no longer matches
    const std::string damaged[] = {
        bytes.substr(0, bytes.size() / 2),  // cut in the middle of the second member
        bytes.substr(0, 10),                // cut inside the first header
        headerFlip,
        "MZ this is not an archive at all, just some bytes",
        std::string("\x30\x00-lh5-", 8) + std::string(40, 'x'),  // impossible header size
    };
    for (const std::string& bad : damaged) {
        folder.write("bad.lzh", bad);
        EXPECT_FALSE(addFileToLzh(folder.file("bad.lzh"), input, LzhMethod::Lh5));
        EXPECT_EQ(folder.read("bad.lzh"), bad);
    }
    EXPECT_EQ(folderEntries(folder.path()),
              (std::vector<std::string>{"a.bin", "b.bin", "bad.lzh", "good.lzh", "in"}));
}

TEST(LzhWriter, ArchiveCutAtAnyByteIsAcceptedOnlyAtAMemberBoundary) {
    TempFolder folder;
    const std::string good = folder.file("good.lzh");
    ASSERT_TRUE(addFileToLzh(good, folder.write("a.bin", textLike(400, 1)), LzhMethod::Lh5));
    const std::size_t firstEnd = folder.read("good.lzh").size() - 1;  // without the end byte
    ASSERT_TRUE(addFileToLzh(good, folder.write("b.bin", textLike(300, 2)), LzhMethod::Lh7));
    const std::string bytes = folder.read("good.lzh");
    const std::string input = folder.write("in/c.bin", "new member");

    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
        const std::string part = bytes.substr(0, cut);
        folder.write("cut.lzh", part);
        const bool boundary = cut == firstEnd || cut == bytes.size() - 1;
        ASSERT_EQ(addFileToLzh(folder.file("cut.lzh"), input, LzhMethod::Lh5), boundary) << cut;
        if (!boundary) {
            ASSERT_EQ(folder.read("cut.lzh"), part) << cut;
            continue;
        }
        const ReadResult read = readWithLibarchive(folder.file("cut.lzh"));
        ASSERT_TRUE(read.ok) << read.error;
        EXPECT_EQ(read.entries.size(), cut == firstEnd ? 2u : 3u);
        EXPECT_EQ(read.entries.back().data, "new member");
    }
}

TEST(LzhWriter, RefusesWhatItCannotStoreAndLeavesTheArchiveAsItWas) {
    TempFolder folder;
    const std::string archive = folder.file("a.lzh");
    ASSERT_TRUE(addFileToLzh(archive, folder.write("a.bin", "kept"), LzhMethod::Lh5));
    const std::string before = folder.read("a.lzh");

    EXPECT_FALSE(addFileToLzh(archive, folder.file("missing.bin"), LzhMethod::Lh5));
    EXPECT_FALSE(addFileToLzh(archive, folder.makeFolder("folder.bin"), LzhMethod::Lh5));
    // 2 GiB does not fit the size fields every reader takes as positive.
    const std::string huge = folder.file("huge.bin");
    ASSERT_EQ(::truncate(folder.write("huge.bin", "").c_str(), 0x80000000ll), 0);
    EXPECT_FALSE(addFileToLzh(archive, huge, LzhMethod::Lh7));
    EXPECT_FALSE(
        addFileToLzh(folder.file("no/such/folder/a.lzh"), folder.file("a.bin"), LzhMethod::Lh5));
    EXPECT_EQ(folder.read("a.lzh"), before);
    EXPECT_EQ(folderEntries(folder.path()),
              (std::vector<std::string>{"a.bin", "a.lzh", "folder.bin", "huge.bin"}));
}

TEST(LzhWriter, KeepsTheArchivePermissions) {
    TempFolder folder;
    const std::string archive = folder.file("a.lzh");
    ASSERT_TRUE(addFileToLzh(archive, folder.write("a.bin", "one"), LzhMethod::Lh5));
    ASSERT_EQ(::chmod(archive.c_str(), 0640), 0);
    ASSERT_TRUE(addFileToLzh(archive, folder.write("b.bin", "two"), LzhMethod::Lh5));
    struct stat st {};
    ASSERT_EQ(::stat(archive.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

}  // namespace
}  // namespace romshelf::archive
