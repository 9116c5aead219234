#include "core/platform/Checksums.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
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

// Computed once with python3 as kCases: sizes around the 1 MiB reads of hashFile.
const struct {
    std::size_t size;
    std::uint32_t crc;
    const char* sha1;
} kFileCases[] = {
    {0, 0x00000000, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {1, 0xd202ef8d, "5ba93c9db0cff93f52b521d7420e43f6eda2784f"},
    {(1 << 20) - 1, 0xc75bb9ab, "ae15397caba4a56c58ed29b972808c7baf0898fc"},
    {1 << 20, 0x3ba61101, "a07ff64e7e8d9407b25741f1c2b0bcc557676e31"},
    {(1 << 20) + 1, 0x83e749a6, "ebb8a274b06c920ff0c0042c0b00f911beed1219"},
    {(3 << 20) + 5, 0x519c4175, "8f934c3374d5e1acb3d4b20c10940f1b12b6f89f"},
};

// Every case both ways: mapped (the way chosen for a local file of some size) and read.
constexpr FileReading kWays[] = {FileReading::Chosen, FileReading::Reads};

TEST(HashFileTest, ReadsEveryByteOfFilesAroundTheReadSize) {
    TempFolder dir;
    for (const FileReading way : kWays)
        for (const auto& c : kFileCases) {
            SCOPED_TRACE(testing::Message()
                         << c.size << (way == FileReading::Reads ? " read" : ""));
            const std::string bytes = pattern(c.size);
            const std::string path = dir.write("f", bytes);
            struct stat st {};
            ASSERT_EQ(::stat(path.c_str(), &st), 0);
            ContentHasher hasher(SumKinds::Crc32AndSha1);
            fs::OpenedFile file;
            unsigned char head[600] = {};
            ASSERT_EQ(hashFile(path, hasher, &file, head, sizeof head, {}, way), FileRead::Whole);
            EXPECT_EQ(hasher.finish(), (ContentSums{c.size, c.crc, c.sha1}));
            EXPECT_EQ(file.size, c.size);
            EXPECT_EQ(file.mtimeNs, st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec);
            const std::size_t headHave = std::min(c.size, sizeof head);
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(head), headHave),
                      bytes.substr(0, headHave));
        }
}

TEST(HashFileTest, WhatIsNoRegularFileIsNeverOpened) {
    TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ContentHasher hasher;
    fs::OpenedFile file{7, 7};
    // A FIFO opened the blocking way would wait here for a writer.
    EXPECT_EQ(hashFile(dir.file("fifo"), hasher, &file), FileRead::NotRegular);
    EXPECT_EQ(hashFile(dir.file("none"), hasher, &file), FileRead::NotRegular);
    EXPECT_EQ(hashFile(dir.path(), hasher, &file), FileRead::NotRegular);
    EXPECT_EQ(hashFile("", hasher, &file), FileRead::NotRegular);
    EXPECT_EQ(hasher.size(), 0u);
    EXPECT_EQ(file.size, 7u);  // left alone
}

TEST(HashFileTest, AFileThatCannotBeOpenedKeepsItsSize) {
    if (::geteuid() == 0) GTEST_SKIP() << "root opens a file without read permission";
    TempFolder dir;
    const std::string path = dir.write("locked", std::string(1000, 'x'));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    ContentHasher hasher;
    fs::OpenedFile file;
    EXPECT_EQ(hashFile(path, hasher, &file), FileRead::Unopened);
    EXPECT_EQ(file.size, 1000u);
}

// Asked before every read: a stop between two reads leaves the rest unread.
TEST(HashFileTest, AStopBetweenReadsEndsTheFile) {
    TempFolder dir;
    const std::string path = dir.write("f", pattern((3 << 20) + 5));
    for (const FileReading way : kWays) {
        ContentHasher hasher;
        int asked = 0;
        EXPECT_EQ(hashFile(
                      path, hasher, nullptr, nullptr, 0, [&] { return ++asked == 2; }, way),
                  FileRead::Stopped);
        EXPECT_EQ(asked, 2);
        EXPECT_GT(hasher.size(), 0u);
        EXPECT_LT(hasher.size(), (3u << 20) + 5);
        // Without a question, every byte.
        ContentHasher whole;
        EXPECT_EQ(hashFile(path, whole, nullptr, nullptr, 0, {}, way), FileRead::Whole);
        EXPECT_EQ(whole.finish().crc32, 0x519c4175u);
    }
}

// Cut short while it is read: the bytes read are what is left, and the size it had when it was
// opened tells the caller that it changed.
// Mapped, the part past the cut faults: the file is read again from its start, with the outcome
// of reads.
TEST(HashFileTest, AFileCutShortWhileReadShowsInItsSizes) {
    TempFolder dir;
    for (const FileReading way : kWays) {
        const std::string path = dir.write("f", pattern((3 << 20) + 5));
        unsigned char head[600] = {};
        ContentHasher hasher(SumKinds::Crc32AndSha1);
        fs::OpenedFile file;
        int asked = 0;
        const auto cut = [&] {
            if (++asked == 2) {
                EXPECT_EQ(::truncate(path.c_str(), 3 << 19), 0);
            }
            return false;
        };
        EXPECT_EQ(hashFile(path, hasher, &file, head, sizeof head, cut, way), FileRead::Whole);
        EXPECT_EQ(file.size, (3u << 20) + 5);
        // python3: zlib.crc32 and hashlib.sha1 of the first 1.5 MiB of pattern().
        EXPECT_EQ(hasher.finish(),
                  (ContentSums{3u << 19, 0xd1bcce47, "7a3868b8f7a5673e725d56142eae67ebe6754421"}));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(head), sizeof head),
                  pattern(sizeof head));
    }
}

// Cut by a few bytes, within its last page: a mapping faults nowhere (that page reads as zeros past
// the new end), yet the outcome is the shorter bytes, as reads give them. A file of several parts
// cut while it is hashed, and one of a single part cut once it is mapped.
TEST(HashFileTest, AFileCutWithinItsLastPageGivesTheBytesLeft) {
    TempFolder dir;
    // python3: zlib.crc32 and hashlib.sha1 of pattern(size - 3).
    const struct {
        std::size_t size;
        int cutAt;  // the question of `stop` that cuts it
        ContentSums left;
    } cases[] = {
        {(3 << 20) + 5,
         2,
         {(3u << 20) + 2, 0x3260a2fb, "37e130df4335362ecd5249955af99b88ccb3a53b"}},
        {100001, 1, {99998, 0x9cfe4100, "77550d3d61ee52fb6ab4a776e697caac588c1d66"}},
    };
    for (const FileReading way : kWays)
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << c.size << (way == FileReading::Reads ? " read" : ""));
            const std::string path = dir.write("f", pattern(c.size));
            ContentHasher hasher(SumKinds::Crc32AndSha1);
            fs::OpenedFile file;
            int asked = 0;
            const auto cut = [&] {
                if (++asked == c.cutAt) {
                    EXPECT_EQ(::truncate(path.c_str(), static_cast<off_t>(c.size - 3)), 0);
                }
                return false;
            };
            EXPECT_EQ(hashFile(path, hasher, &file, nullptr, 0, cut, way), FileRead::Whole);
            EXPECT_EQ(file.size, c.size);
            EXPECT_EQ(hasher.finish(), c.left);
        }
}

// A file past the size up to which its hashed parts stay mapped: each part is given back as the
// hashing goes on, and every byte is still summed.
TEST(HashFileTest, AFileOfManyMegabytesIsHashedWhole) {
    TempFolder dir;
    const std::string path = dir.write("image.iso", pattern((64 << 20) + 5));
    for (const FileReading way : kWays) {
        ContentHasher hasher(SumKinds::Crc32AndSha1);
        EXPECT_EQ(hashFile(path, hasher, nullptr, nullptr, 0, {}, way), FileRead::Whole);
        // python3: zlib.crc32 and hashlib.sha1 of pattern((64 << 20) + 5).
        EXPECT_EQ(hasher.finish(), (ContentSums{(64u << 20) + 5, 0x80f138e8,
                                                "16db3729537654556b1ac51cbc0a3911d5b70a60"}));
    }
}

// Cut to nothing before its first part is hashed: no byte is left, and nothing faults.
TEST(HashFileTest, AFileEmptiedBeforeItIsHashedHashesAsEmpty) {
    TempFolder dir;
    for (const FileReading way : kWays) {
        const std::string path = dir.write("f", pattern(1 << 20));
        ContentHasher hasher(SumKinds::Crc32AndSha1);
        fs::OpenedFile file;
        const auto empty = [&] {
            EXPECT_EQ(::truncate(path.c_str(), 0), 0);
            return false;
        };
        EXPECT_EQ(hashFile(path, hasher, &file, nullptr, 0, empty, way), FileRead::Whole);
        EXPECT_EQ(file.size, 1u << 20);
        EXPECT_EQ(hasher.finish(), (ContentSums{0, 0, "da39a3ee5e6b4b0d3255bfef95601890afd80709"}));
    }
}

// Growing while it is read (a copy still being written): hashed as far as the size it had when
// opened, so that the size recorded with the sums is the size they are of.
TEST(HashFileTest, AFileGrowingWhileReadIsHashedToItsOpenedSize) {
    TempFolder dir;
    for (const FileReading way : kWays) {
        const std::string path = dir.write("f", pattern((1 << 20) + 5));
        ContentHasher hasher(SumKinds::Crc32AndSha1);
        fs::OpenedFile file;
        int asked = 0;
        const auto grow = [&] {
            if (++asked == 2) {
                std::FILE* f = std::fopen(path.c_str(), "ab");
                EXPECT_NE(f, nullptr);
                if (f != nullptr) {
                    std::fputs("appended meanwhile", f);
                    std::fclose(f);
                }
            }
            return false;
        };
        EXPECT_EQ(hashFile(path, hasher, &file, nullptr, 0, grow, way), FileRead::Whole);
        EXPECT_EQ(file.size, (1u << 20) + 5);
        // python3: zlib.crc32 and hashlib.sha1 of the first (1 << 20) + 5 bytes of pattern().
        EXPECT_EQ(hasher.finish(), (ContentSums{(1u << 20) + 5, 0x66c8891b,
                                                "6eb960b3b4d6d83a82862610434cd52f77b15ecc"}));
        // The file is longer now, and read again it is hashed whole.
        ContentHasher again;
        EXPECT_EQ(hashFile(path, again, nullptr, nullptr, 0, {}, way), FileRead::Whole);
        EXPECT_EQ(again.size(), (1u << 20) + 5 + 18);
    }
}

}  // namespace
}  // namespace romshelf::test
