#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "TempFolder.h"
#include "core/archive/LzhBlockCoder.h"
#include "core/archive/LzhCrc16.h"
#include "core/archive/LzhEncoder.h"

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
    const std::string archive = level0Member("data.bin", lzhMethodId(method), member, data) + '\0';
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
    // Noise repeated once: the only matches lie exactly `distance` back. In reach, the copy
    // costs next to nothing; out of reach, every byte must go as a literal. The encoder stops
    // one short of the dictionary (8 KiB for lh5), which every decoder's history covers.
    // libarchive and lha happen to cope with a match a whole dictionary back, so only the size
    // of the output shows that limit being crossed.
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

}  // namespace
}  // namespace romshelf::test
