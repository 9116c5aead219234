#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LzhTestSupport.h"
#include "TempFolder.h"
#include "core/archive/LzhBlockCoder.h"
#include "core/archive/LzhCrc16.h"
#include "core/archive/LzhEncoder.h"
#include "core/archive/LzhHuffman.h"

namespace romshelf::archive {
namespace {

using namespace romshelf::test::lzh;

constexpr std::size_t kBlock = LzhBlockCoder::kBlockCodes;

std::string asString(const std::vector<std::uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

unsigned dictionaryOf(LzhMethod m) {
    return m == LzhMethod::Lh5 ? 8192 : m == LzhMethod::Lh6 ? 32768 : 65536;
}

TEST(LzhCrc16, MatchesTheCheckValueAndAnIndependentImplementation) {
    EXPECT_EQ(lzhCrc16("123456789", 9), 0xBB3D);  // the published CRC-16/ARC check value
    const std::string data = mixed(100000, 5);
    EXPECT_EQ(lzhCrc16(data.data(), data.size()), referenceCrc16(data));
    // Fed in pieces, as the writer does while streaming.
    std::uint16_t crc = 0;
    for (std::size_t at = 0; at < data.size(); at += 777) {
        const std::size_t n = std::min<std::size_t>(777, data.size() - at);
        crc = lzhCrc16(data.data() + at, n, crc);
    }
    EXPECT_EQ(crc, referenceCrc16(data));
}

// Kraft sum of the lengths, in units of 2^-16; a complete code sums to exactly 65536.
std::uint64_t kraft(const std::vector<std::uint8_t>& lengths) {
    std::uint64_t sum = 0;
    for (auto len : lengths) {
        if (len)
            sum += std::uint64_t{1} << (16 - len);
    }
    return sum;
}

TEST(LzhHuffman, LimitsCodeLengthsAndKeepsTheCodeComplete) {
    // Fibonacci frequencies make an unlimited Huffman tree as deep as the symbol count.
    std::vector<std::uint32_t> freq(40);
    freq[0] = freq[1] = 1;
    for (std::size_t i = 2; i < freq.size(); ++i)
        freq[i] = freq[i - 1] + freq[i - 2];
    freq.insert(freq.end(), 20, 0);  // unused symbols in between
    std::reverse(freq.begin(), freq.end());
    std::vector<std::uint8_t> lengths(freq.size());
    EXPECT_EQ(lzhCodeLengths(freq.data(), static_cast<int>(freq.size()), 16, lengths.data()), 40);
    EXPECT_EQ(*std::max_element(lengths.begin(), lengths.end()), 16);
    EXPECT_EQ(kraft(lengths), 65536u);
    for (std::size_t i = 0; i < freq.size(); ++i) {
        EXPECT_EQ(freq[i] == 0, lengths[i] == 0) << i;
        for (std::size_t j = 0; j < freq.size(); ++j) {
            if (freq[i] > freq[j] && freq[j] != 0) {
                EXPECT_LE(lengths[i], lengths[j]) << i << " " << j;
            }
        }
    }
}

TEST(LzhHuffman, OneUsedSymbolHasNoLengthAndTwoMakeOneBitEach) {
    std::uint32_t freq[5] = {0, 0, 9, 0, 0};
    std::uint8_t lengths[5];
    EXPECT_EQ(lzhCodeLengths(freq, 5, 16, lengths), 1);
    EXPECT_EQ(std::count(lengths, lengths + 5, 0), 5);
    freq[4] = 1000;
    EXPECT_EQ(lzhCodeLengths(freq, 5, 16, lengths), 2);
    EXPECT_EQ(lengths[2], 1);
    EXPECT_EQ(lengths[4], 1);
}

TEST(LzhHuffman, CanonicalCodesArePrefixFree) {
    std::vector<std::uint32_t> freq(510);
    for (std::size_t i = 0; i < freq.size(); ++i)
        freq[i] = (i % 3 == 0) ? 0 : 1 + (i * i) % 97;
    std::vector<std::uint8_t> lengths(freq.size());
    std::vector<std::uint16_t> codes(freq.size());
    lzhCodeLengths(freq.data(), 510, 16, lengths.data());
    lzhCanonicalCodes(lengths.data(), 510, codes.data());
    EXPECT_EQ(kraft(lengths), 65536u);
    for (std::size_t i = 0; i < freq.size(); ++i) {
        for (std::size_t j = 0; j < freq.size(); ++j) {
            if (i == j || !lengths[i] || !lengths[j] || lengths[i] > lengths[j])
                continue;
            const unsigned prefix = codes[j] >> (lengths[j] - lengths[i]);
            EXPECT_NE(prefix, codes[i]) << i << " is a prefix of " << j;
        }
    }
}

struct EncoderCase {
    const char* name;
    std::string (*make)(LzhMethod);
};

// Data sets aimed at the encoder's edges; each is compressed without the writer's -lh0-
// fallback and read back by two independent decoders.
const EncoderCase kEncoderCases[] = {
    {"OneByte", [](LzhMethod) { return std::string("A"); }},
    {"TwoDistinctBytes", [](LzhMethod) { return std::string("AB"); }},
    // One code value only: decoders differ on the one-symbol tree form.
    {"ThreeEqualBytes", [](LzhMethod) { return std::string("AAA"); }},
    {"LiteralsBlockMinusOne", [](LzhMethod) { return noRepeatedTriples(kBlock - 1); }},
    {"LiteralsExactBlock", [](LzhMethod) { return noRepeatedTriples(kBlock); }},
    {"LiteralsBlockPlusOne", [](LzhMethod) { return noRepeatedTriples(kBlock + 1); }},
    {"LiteralsThreeBlocks", [](LzhMethod) { return noRepeatedTriples(3 * kBlock); }},
    {"Random", [](LzhMethod) { return randomBytes(150000, 11); }},
    {"LongZeroRun", [](LzhMethod) { return std::string(300000, '\0'); }},
    // The last block then holds a single match code.
    {"ZeroRunLeavingOneCodeForTheLastBlock",
     [](LzhMethod) { return std::string(kBlock * LzhBlockCoder::kMaxMatch, '\0'); }},
    {"RunOfExactlyMaxMatchPlusOne", [](LzhMethod) { return std::string(257, 'x'); }},
    {"RepeatAtDictionaryMinusOne",
     [](LzhMethod m) {
         auto r = noRepeatedTriples(dictionaryOf(m) - 1);
         return r + r;
     }},
    {"RepeatAtDictionary",
     [](LzhMethod m) {
         auto r = noRepeatedTriples(dictionaryOf(m));
         return r + r;
     }},
    {"RepeatAtDictionaryPlusOne",
     [](LzhMethod m) {
         auto r = noRepeatedTriples(dictionaryOf(m) + 1);
         return r + r;
     }},
    {"FibonacciSkewed", [](LzhMethod) { return fibonacciSkewed(25, 3); }},
    {"MixedMegabyte", [](LzhMethod) { return mixed(1 << 20, 7); }},
};

class LzhEncoderRoundTrip : public ::testing::TestWithParam<std::tuple<LzhMethod, EncoderCase>> {};

TEST_P(LzhEncoderRoundTrip, DecodesToTheOriginalWithLibarchiveAndLha) {
    const auto [method, dataCase] = GetParam();
    const std::string data = dataCase.make(method);
    const std::string packed = asString(lzhCompress(data, method));
    const std::string archive =
        level0Member("data.bin", lzhMethodId(method), packed,
                     static_cast<std::uint32_t>(data.size()), referenceCrc16(data)) +
        std::string(1, '\0');

    const ReadResult read = readMemoryWithLibarchive(archive);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.entries.size(), 1u);
    EXPECT_EQ(read.entries[0].data.size(), data.size());
    EXPECT_TRUE(read.entries[0].data == data);

    if (!lhaAvailable())
        GTEST_SKIP() << "the lha tool (lhasa) is not installed";
    test::TempFolder folder;
    const std::string path = folder.write("data.lzh", archive);
    std::string output;
    EXPECT_TRUE(lhaTests(path, 1, &output)) << output;
    ASSERT_TRUE(lhaExtracts(path, folder.makeFolder("out")));
    EXPECT_TRUE(folder.read("out/data.bin") == data);
}

std::string methodName(LzhMethod m) {
    return m == LzhMethod::Lh5 ? "Lh5" : m == LzhMethod::Lh6 ? "Lh6" : "Lh7";
}

INSTANTIATE_TEST_SUITE_P(AllMethods, LzhEncoderRoundTrip,
                         ::testing::Combine(::testing::Values(LzhMethod::Lh5, LzhMethod::Lh6,
                                                              LzhMethod::Lh7),
                                            ::testing::ValuesIn(kEncoderCases)),
                         [](const auto& info) {
                             return methodName(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param).name;
                         });

TEST(LzhEncoder, OutputDoesNotDependOnHowTheInputIsCut) {
    const std::string data = mixed(400000, 21);
    for (LzhMethod method : {LzhMethod::Lh5, LzhMethod::Lh7}) {
        const auto whole = lzhCompress(data, method);
        for (std::size_t piece :
             {std::size_t{1}, std::size_t{7}, std::size_t{65536}, std::size_t{100001}}) {
            if (piece == 1 && method == LzhMethod::Lh7)
                continue;  // slow and covered by lh5
            std::vector<std::uint8_t> out;
            LzhEncoder encoder(method, [&](const std::uint8_t* d, std::size_t n) {
                out.insert(out.end(), d, d + n);
                return true;
            });
            for (std::size_t at = 0; at < data.size(); at += piece) {
                ASSERT_TRUE(encoder.write(data.data() + at, std::min(piece, data.size() - at)));
            }
            ASSERT_TRUE(encoder.finish());
            EXPECT_EQ(encoder.compressedSize(), out.size());
            EXPECT_TRUE(out == whole) << "piece size " << piece;
        }
    }
}

TEST(LzhEncoder, CompressesRedundantDataAndStopsWhenTheSinkRefuses) {
    const std::string zeros(1 << 20, '\0');
    EXPECT_LT(lzhCompress(zeros, LzhMethod::Lh5).size(), zeros.size() / 100);
    const std::string text = textLike(1 << 20, 2);
    EXPECT_LT(lzhCompress(text, LzhMethod::Lh7).size(), text.size() / 3);

    // A sink that refuses stops the encoder for good.
    int calls = 0;
    LzhEncoder encoder(LzhMethod::Lh5, [&](const std::uint8_t*, std::size_t) {
        ++calls;
        return false;
    });
    const std::string noise = randomBytes(1 << 20, 4);
    EXPECT_FALSE(encoder.write(noise.data(), noise.size()));
    EXPECT_FALSE(encoder.write(noise.data(), 10));
    EXPECT_FALSE(encoder.finish());
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace romshelf::archive
