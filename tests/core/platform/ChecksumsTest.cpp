#include "core/platform/Checksums.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "TempFolder.h"

namespace romshelf::test {
namespace {

// Bytes that vary in value, so that a sum over the wrong range shows.
std::string pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + i / 253) & 0xFF);
    return s;
}

// Computed once with python3: zlib.crc32(d) and hashlib.sha1(d).hexdigest(), d being the text or
// pattern(size) as above. The sizes straddle the vector widths and the 1 MiB reads of a file.
const struct {
    std::string bytes;
    std::uint32_t crc;
    const char* sha1;
} kCases[] = {
    {"", 0x00000000, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {"a", 0xe8b7be43, "86f7e437faa5a7fce15d1ddcb9eaeaea377667b8"},
    {"123456789", 0xcbf43926, "f7c3bc1d808e04732adf679965ccc34ca7ae3441"},
    {"The quick brown fox jumps over the lazy dog", 0x414fa339,
     "2fd4e1c67a2d28fced849ee1bb76e7391b93eb12"},
    {pattern(15), 0x81263d35, "50b497d3d7b676457aa21e12352ee8210992358e"},
    {pattern(16), 0x2c57d2c6, "d6355c20cb5396e72a40331181a07be7582abc92"},
    {pattern(63), 0x4c6cc41c, "dba1c0f21c62eea4b5d19857487ded0db6095343"},
    {pattern(64), 0x9e279317, "4360095a2eea45a13a83190aeb049821aee57f46"},
    {pattern(255), 0x6ff493f0, "088498d0ad281bff2fd9282cb72760a4b89e7f7d"},
    {pattern(4103), 0x41287864, "67b246b6caccf78a71a3c329e27edd903bb58fa4"},
    {pattern((1 << 20) + 3), 0xb6d61ba1, "76c2c873a75d3ca01f8af39b40b26104431df5a5"},
    {pattern((2 << 20) + 777), 0x7391a69b, "625e57c2e073a0b70e0f1a933835400acb9c792b"},
};

TEST(ChecksumsTest, Crc32OfBothBackendsMatchesPythonsZlib) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.bytes.size());
        EXPECT_EQ(crc32Update(0, c.bytes.data(), c.bytes.size()), c.crc);
        EXPECT_EQ(detail::zlibCrc32Update(0, c.bytes.data(), c.bytes.size()), c.crc);
        // Continued from the first part's value, split where a vector loop would not.
        const std::size_t half = c.bytes.size() / 2;
        EXPECT_EQ(crc32Update(crc32Update(0, c.bytes.data(), half), c.bytes.data() + half,
                              c.bytes.size() - half),
                  c.crc);
    }
}

TEST(ChecksumsTest, HasherInPiecesAndFilesGiveTheSameSums) {
    TempFolder dir;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.bytes.size());
        ContentHasher both(SumKinds::Crc32AndSha1);
        // Uneven pieces: 1, 2, 4, ... bytes.
        for (std::size_t at = 0, piece = 1; at < c.bytes.size(); at += piece, piece *= 2)
            both.update(c.bytes.data() + at, std::min(piece, c.bytes.size() - at));
        const ContentSums expected{c.bytes.size(), c.crc, c.sha1};
        EXPECT_EQ(both.finish(), expected);

        const std::string path = dir.write("f", c.bytes);
        EXPECT_EQ(fileSums(path, SumKinds::Crc32AndSha1), expected);
        EXPECT_EQ(fileSums(path), (ContentSums{c.bytes.size(), c.crc, ""}));
        EXPECT_EQ(fileSums(path, SumKinds::Sha1), (ContentSums{c.bytes.size(), 0, c.sha1}));
    }
}

TEST(ChecksumsTest, FinishStartsAgainAndNoFileIsNoSum) {
    ContentHasher hasher(SumKinds::Crc32AndSha1);
    hasher.update("xyz", 3);
    hasher.finish();
    hasher.update("a", 1);
    EXPECT_EQ(hasher.finish(),
              (ContentSums{1, 0xe8b7be43, "86f7e437faa5a7fce15d1ddcb9eaeaea377667b8"}));
    ContentHasher moved(std::move(hasher));
    moved.update("123456789", 9);
    EXPECT_EQ(moved.finish().sha1, "f7c3bc1d808e04732adf679965ccc34ca7ae3441");

    TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_EQ(fileSums(dir.file("fifo")), std::nullopt);  // refused without waiting
    EXPECT_EQ(fileSums(dir.file("none")), std::nullopt);
    EXPECT_EQ(fileSums(dir.path()), std::nullopt);
}

}  // namespace
}  // namespace romshelf::test
