#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <random>

#include "ArchiveTestSupport.h"
#include "TempFolder.h"
#include "core/archive/LzhBlockCoder.h"
#include "core/archive/LzhCrc16.h"
#include "core/archive/LzhEncoder.h"
#include "core/archive/LzhWriter.h"

namespace romshelf::test {
namespace {

using namespace romshelf::archive;

std::string packed(std::string_view data, LzhMethod method) {
    const std::vector<std::uint8_t> out = lzhCompress(data, method);
    return std::string(out.begin(), out.end());
}

// Has libarchive and the lha tool unpack the packed data, as the one member of an archive (so
// without the writer's -lh0- fallback). The size of the packed data.
std::size_t expectDecodes(LzhMethod method, std::string_view member, const std::string& data) {
    const std::string archive =
        olderMember(lzhMethodId(method), member, data, "data.bin", 0) + '\0';
    const LzhRead read = readLzh(archive);
    EXPECT_EQ(pathsOf(read), Names{"data.bin"});
    EXPECT_TRUE(read.entries.size() == 1 && sameBytes(read.entries[0].data, data)) << "libarchive";
    TempFolder folder;
    EXPECT_TRUE(lhaTests(folder.write("data.lzh", archive), 1));
    EXPECT_TRUE(sameBytes(peerMember(folder.file("data.lzh"), "data.bin"), data)) << "lha";
    return member.size();
}

TEST(LzhCrc16, MatchesTheCheckValueAndAnIndependentImplementation) {
    EXPECT_EQ(lzhCrc16("123456789", 9), 0xBB3D);  // the published CRC-16/ARC check value
    const std::string data = mixed(100000, 5);
    EXPECT_EQ(lzhCrc16(data.data(), data.size()), referenceCrc16(data));
    std::uint16_t crc = 0;  // fed in pieces, as the writer does while streaming
    for (std::size_t at = 0; at < data.size(); at += 777)
        crc = lzhCrc16(data.data() + at, std::min<std::size_t>(777, data.size() - at), crc);
    EXPECT_EQ(crc, referenceCrc16(data));
}

// Codes stay within the 16 bits every decoder takes: one literal, then copies of lengths 3, 4, 5,
// ... 1, 2, 3, 5, ... times give Fibonacci frequencies, for which a free Huffman tree is 17 deep.
TEST(LzhBlockCoder, KeepsCodesWithin16BitsWhenFrequenciesWouldMakeThemLonger) {
    std::vector<unsigned> lengths;
    for (unsigned length = 3, f0 = 1, f1 = 2; length < 20; ++length, f1 += f0, f0 = f1 - f0)
        lengths.insert(lengths.end(), f0, length);
    std::mt19937 rng(7);
    std::shuffle(lengths.begin(), lengths.end(), rng);
    LzhBitWriter bits;
    LzhBlockCoder coder(14, 4, bits);  // lh5's position tree
    coder.literal('A');
    std::string data = "A";
    for (unsigned length : lengths) {
        coder.match(length, 1);
        data.append(length, 'A');
    }
    coder.writeBlock();
    bits.padToByte();
    expectDecodes(LzhMethod::Lh5, std::string(bits.bytes().begin(), bits.bytes().end()), data);
}

TEST(LzhEncoder, EdgeCasesDecodeWithLibarchiveAndLha) {
    constexpr std::size_t kBlock = LzhBlockCoder::kBlockCodes;
    // Spread over the methods: their position trees differ (14 codes counted in 4 bits for lh5,
    // 16 and 17 in 5 bits for lh6 and lh7).
    const std::tuple<const char*, LzhMethod, std::string> cases[] = {
        {"one byte", LzhMethod::Lh5, "A"},
        {"two distinct bytes", LzhMethod::Lh7, "AB"},
        {"one code value only (the one-symbol tree form)", LzhMethod::Lh6, "AAA"},
        {"exactly one block of literals", LzhMethod::Lh5, noRepeatedPairs(kBlock)},
        {"one literal past a block", LzhMethod::Lh7, noRepeatedPairs(kBlock + 1)},
        {"a last block of a single match", LzhMethod::Lh6,
         std::string(kBlock * LzhBlockCoder::kMaxMatch, '\0')},
        {"a run one longer than the longest match", LzhMethod::Lh5, std::string(257, 'x')},
        {"noise", LzhMethod::Lh6, romBytes(150000, 11, 0xFF)},
        {"ROM-like data", LzhMethod::Lh5, mixed(300000, 7)},
    };
    for (const auto& [name, method, data] : cases) {
        SCOPED_TRACE(name);
        expectDecodes(method, packed(data, method), data);
    }
}

TEST(LzhEncoder, MatchesReachOneShortOfTheDictionaryAndNeverFurther) {
    // Noise repeated once: its only matches lie `distance` back, nearly free in reach, literals out
    // of it. One short of the dictionary is what every decoder's history covers; libarchive and lha
    // cope with a whole dictionary back, so only the output's size shows the limit crossed.
    const std::tuple<LzhMethod, unsigned, bool> cases[] = {
        {LzhMethod::Lh5, 8191, true},  {LzhMethod::Lh5, 8192, false},
        {LzhMethod::Lh6, 32767, true}, {LzhMethod::Lh6, 32768, false},
        {LzhMethod::Lh7, 65535, true}, {LzhMethod::Lh7, 65536, false}};
    for (const auto& [method, distance, inReach] : cases) {
        SCOPED_TRACE(std::string(lzhMethodId(method)) + " " + std::to_string(distance));
        const std::string once = romBytes(distance, distance, 0xFF);
        const std::size_t size = expectDecodes(method, packed(once + once, method), once + once);
        EXPECT_TRUE(inReach ? size < distance * 12 / 10 : size > distance * 18 / 10) << size;
    }
}

TEST(LzhEncoder, OutputDoesNotDependOnHowTheInputIsCut) {
    const std::string data = mixed(400000, 21);
    for (LzhMethod method : {LzhMethod::Lh5, LzhMethod::Lh7}) {
        const std::string whole = packed(data, method);
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{100001}}) {
            std::string out;
            LzhEncoder encoder(method, [&](const std::uint8_t* d, std::size_t n) {
                out.append(reinterpret_cast<const char*>(d), n);
                return true;
            });
            for (std::size_t at = 0; at < data.size(); at += piece)
                ASSERT_TRUE(encoder.write(data.data() + at, std::min(piece, data.size() - at)));
            ASSERT_TRUE(encoder.finish());
            EXPECT_EQ(encoder.compressedSize(), out.size());
            EXPECT_TRUE(sameBytes(out, whole)) << "piece size " << piece;
        }
    }
}

TEST(LzhEncoder, StopsForGoodWhenTheSinkRefuses) {
    int calls = 0;
    LzhEncoder encoder(LzhMethod::Lh5, [&](const std::uint8_t*, std::size_t) {
        ++calls;
        return false;
    });
    const std::string noise = romBytes(1 << 20, 4, 0xFF);
    EXPECT_FALSE(encoder.write(noise.data(), noise.size()));
    EXPECT_FALSE(encoder.write(noise.data(), 10));
    EXPECT_FALSE(encoder.finish());
    EXPECT_EQ(calls, 1);
}

// Writes the file into `folder` and adds it to the archive there (both relative to `folder`).
bool add(const TempFolder& folder, const std::string& archive, const std::string& file,
         std::string_view data, LzhMethod method = LzhMethod::Lh5) {
    return addFileToLzh(folder.file(archive), folder.write(file, data), method);
}

TEST(LzhWriter, EachMethodAndTheStoredFallbackReadBackWithLibarchiveAndLha) {
    // The last column: kept as -lh0- since packing would not make it smaller.
    const std::tuple<LzhMethod, std::string, bool> cases[] = {
        {LzhMethod::Lh5, "", true},
        {LzhMethod::Lh7, "\x7f", true},
        {LzhMethod::Lh6, romBytes(65536, 9, 0xFF), true},
        {LzhMethod::Lh5, mixed(200000, 3), false},
        {LzhMethod::Lh6, mixed(200000, 4), false},
        {LzhMethod::Lh7, mixed(1000000, 5), false}};
    for (const auto& [method, data, stored] : cases) {
        SCOPED_TRACE(std::to_string(data.size()) + " " + std::string(lzhMethodId(method)));
        TempFolder folder;
        const std::string file = folder.write("src/game.bin", data), lzh = folder.file("out.lzh");
        const struct timeval times[2] = {{1700000000, 0}, {1700000000, 0}};
        ASSERT_EQ(::utimes(file.c_str(), times), 0);
        ASSERT_TRUE(addFileToLzh(lzh, file, method));
        const LzhRead read = readLzh(folder.read("out.lzh"));
        ASSERT_EQ(pathsOf(read), Names{"game.bin"});
        EXPECT_EQ(read.entries[0].mtime, 1700000000);
        EXPECT_TRUE(sameBytes(read.entries[0].data, data));
        EXPECT_EQ(read.entries[0].format,
                  "lha " + std::string(stored ? "-lh0-" : lzhMethodId(method)));
        EXPECT_TRUE(stored || std::filesystem::file_size(lzh) < data.size());
        EXPECT_TRUE(lhaTests(lzh, 1));
        EXPECT_TRUE(sameBytes(peerMember(lzh, "game.bin"), data));
    }
}

// A member joins at the end, leaving the others byte for byte; one of the same name (ASCII
// case ignored, folder dropped) is replaced in its place.
TEST(LzhWriter, AddsAMemberOrReplacesOneOfTheSameNameKeepingTheOthers) {
    TempFolder folder;
    ASSERT_TRUE(add(folder, "a.lzh", "Game.nes", textLike(30000, 1)));
    const std::string before = folder.read("a.lzh");
    ASSERT_EQ(before.back(), '\0');  // the end mark, which the next member replaces
    // Our header is 46 bytes plus the name: a 210-byte name makes it 256 long, a size whose low
    // byte would read as the end mark.
    const std::string second = mixed(200000, 2), longName = std::string(206, 'n') + ".sfc";
    ASSERT_TRUE(add(folder, "a.lzh", longName, second, LzhMethod::Lh7));
    const std::string after = folder.read("a.lzh");
    EXPECT_TRUE(sameBytes(after.substr(0, before.size() - 1), before.substr(0, before.size() - 1)));
    EXPECT_EQ(after.substr(before.size() - 1, 2), "\x01\x01");  // padded to 257
    EXPECT_EQ(after.back(), '\0');

    const std::string fresh = textLike(40000, 8);
    ASSERT_TRUE(add(folder, "a.lzh", "new/GAME.NES", fresh, LzhMethod::Lh6));
    const LzhRead read = readLzh(folder.read("a.lzh"));
    ASSERT_EQ(pathsOf(read), (Names{"GAME.NES", longName}));
    EXPECT_TRUE(sameBytes(read.entries[0].data, fresh));
    EXPECT_EQ(read.entries[1].format, "lha -lh7-");
    EXPECT_TRUE(sameBytes(read.entries[1].data, second));
    EXPECT_TRUE(lhaTests(folder.file("a.lzh"), 2));

    // ア is 83 41 and ヂ is 83 61 in CP932: their second bytes are 'A' and 'a', yet two names.
    ASSERT_TRUE(add(folder, "b.lzh", "ア.bin", "one"));
    ASSERT_TRUE(add(folder, "b.lzh", "ヂ.bin", "two"));
    EXPECT_EQ(pathsOf(readLzh(folder.read("b.lzh"), "CP932")), (Names{"ア.bin", "ヂ.bin"}));
}

TEST(LzhWriter, JapaneseNamesAreStoredAsCp932AndOthersAsUtf8) {
    TempFolder folder;
    const std::string data = textLike(20000, 12);
    ASSERT_TRUE(add(folder, "a.lzh", "ゼルダの伝説.nes", data, LzhMethod::Lh7));
    const std::string cp932Name = "\x83\x5b\x83\x8b\x83\x5f\x82\xcc\x93\x60\x90\xe0.nes";
    EXPECT_NE(folder.read("a.lzh").find(cp932Name), std::string::npos);
    EXPECT_EQ(pathsOf(readLzh(folder.read("a.lzh"), "CP932")), Names{"ゼルダの伝説.nes"});
    EXPECT_EQ(pathsOf(readLzh(folder.read("a.lzh"))), Names{"ゼルダの伝説.nes"});
    EXPECT_TRUE(
        sameBytes(peerMember(folder.file("a.lzh"), cp932Name), data));  // lha: bytes as stored

    // Outside CP932 the name goes as UTF-8, and the header says so: even a reader told to
    // expect CP932 gets it right.
    const std::string name = "Pokémon ☃ 🎮.gb";
    ASSERT_TRUE(add(folder, "b.lzh", name, "cartridge"));
    EXPECT_NE(folder.read("b.lzh").find(name), std::string::npos);
    EXPECT_EQ(pathsOf(readLzh(folder.read("b.lzh"), "CP932")), Names{name});
    EXPECT_EQ(peerMember(folder.file("b.lzh"), name), "cartridge");
}

TEST(LzhWriter, KeepsLevel0And1MembersOfOtherToolsAndMatchesTheirNames) {
    TempFolder folder;
    const std::string original = olderMember("-lh0-", "level zero", "level zero", "README.TXT", 0) +
                                 // The long name lives in an extension; GAME~1 is stale.
                                 level1Member("GAME~1.NES", 1, "Game.nes", "level one") +
                                 level1Member("GAME.NES", 2, "sub\xff", "in a folder") + '\0';
    folder.write("old.lzh", original);
    ASSERT_EQ(pathsOf(readLzh(original)), (Names{"README.TXT", "Game.nes", "sub/GAME.NES"}));
    const std::string fresh = textLike(9000, 77);
    ASSERT_TRUE(add(folder, "old.lzh", "x/game.NES", fresh));
    const std::string bytes = folder.read("old.lzh");
    const LzhRead read = readLzh(bytes);
    // Another folder's GAME.NES is not the same member.
    ASSERT_EQ(pathsOf(read), (Names{"README.TXT", "game.NES", "sub/GAME.NES"}));
    EXPECT_TRUE(sameBytes(read.entries[1].data, fresh));
    EXPECT_EQ(read.entries[2].data, "in a folder");
    const std::size_t level0Size = original.find("level zero") + 10;
    EXPECT_TRUE(sameBytes(bytes.substr(0, level0Size), original.substr(0, level0Size)));
}

// A damaged archive, an input it cannot store or a missing folder: adding fails and nothing
// changes, unless the archive is cut at a member boundary.
TEST(LzhWriter, FailuresLeaveEverythingAsItWasUnlessCutAtAMemberBoundary) {
    TempFolder folder;
    ASSERT_TRUE(add(folder, "good.lzh", "a.bin", textLike(400, 1)));
    const std::size_t firstEnd = folder.read("good.lzh").size() - 1;  // without the end mark
    ASSERT_TRUE(add(folder, "good.lzh", "b.bin", textLike(300, 2), LzhMethod::Lh7));
    const std::string good = folder.file("good.lzh"), bytes = folder.read("good.lzh");
    const std::string input = folder.write("c.bin", "new member");
    // Cut at every byte: only a cut between members reads as a (shorter) archive.
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
        const std::string part = folder.write("cut.lzh", bytes.substr(0, cut));
        const bool boundary = cut == firstEnd || cut == bytes.size() - 1;
        ASSERT_EQ(addFileToLzh(part, input, LzhMethod::Lh5), boundary) << cut;
        if (boundary) {
            EXPECT_EQ(
                pathsOf(readLzh(folder.read("cut.lzh"))),
                (cut == firstEnd ? Names{"a.bin", "c.bin"} : Names{"a.bin", "b.bin", "c.bin"}));
        } else {
            ASSERT_EQ(folder.read("cut.lzh"), bytes.substr(0, cut)) << cut;
        }
    }
    std::string headerFlip = bytes;
    headerFlip[30] ^= 0x01;  // inside the first header: its CRC no longer matches
    for (const std::string& bad : {headerFlip, std::string("MZ this is no archive, just bytes"),
                                   std::string("\x30\x00-lh5-", 8) + std::string(40, 'x')}) {
        EXPECT_FALSE(addFileToLzh(folder.write("bad.lzh", bad), input, LzhMethod::Lh5));
        EXPECT_EQ(folder.read("bad.lzh"), bad);
    }
    folder.makeFolder("folder.bin");
    // 2 GiB does not fit the size fields every reader takes as positive.
    ASSERT_EQ(::truncate(folder.write("huge.bin", "").c_str(), 0x80000000ll), 0);
    for (const char* file : {"missing.bin", "folder.bin", "huge.bin"})
        EXPECT_FALSE(addFileToLzh(good, folder.file(file), LzhMethod::Lh7)) << file;
    EXPECT_FALSE(addFileToLzh(folder.file("no/such/a.lzh"), input, LzhMethod::Lh5));
    EXPECT_EQ(folder.read("good.lzh"), bytes);
    EXPECT_EQ(folderEntries(folder.path()), (Names{"a.bin", "b.bin", "bad.lzh", "c.bin", "cut.lzh",
                                                   "folder.bin", "good.lzh", "huge.bin"}));
    // A successful rewrite keeps the archive's permissions.
    ASSERT_EQ(::chmod(good.c_str(), 0640), 0);
    ASSERT_TRUE(addFileToLzh(good, input, LzhMethod::Lh5));
    struct stat st {};
    EXPECT_TRUE(::stat(good.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640u);
}

}  // namespace
}  // namespace romshelf::test
