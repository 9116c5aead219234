// A header counts only with something after it: a file exactly one header long is no headered
// ROM, whichever kind of header it starts like.
#include "core/roms/HeaderSkip.h"

#include <gtest/gtest.h>

#include <string>

#include "RomImages.h"
#include "TempFolder.h"
#include "core/rename/ContentHash.h"
#include "core/roms/RomHeader.h"

namespace romshelf::test {
namespace {

// The start of each kind of header (its magic number where it has one), padded to the header's
// length as the formats set it: iNES and FDS 16 bytes, Lynx 64, Atari 7800 128, SNES copier 512.
struct Kind {
    HeaderKind kind;
    std::string header;
};
const Kind kKinds[] = {
    {HeaderKind::INes, std::string("NES\x1a\x02\x01", 6) + std::string(10, '\0')},
    {HeaderKind::Fds, std::string("FDS\x1a\x01", 5) + std::string(11, '\0')},
    {HeaderKind::Lynx, "LYNX" + std::string(60, '\0')},
    {HeaderKind::Atari7800, "\x01" + std::string("ATARI7800") + std::string(118, '\0')},
    {HeaderKind::SnesCopier, std::string(512, '\0')},
};

TEST(HeaderSkip, AFileOneHeaderLongHasNoHeaderAndOneByteMoreHasOne) {
    const std::size_t lengths[] = {16, 16, 64, 128, 512};
    for (std::size_t k = 0; k < std::size(kKinds); ++k) {
        const Kind& c = kKinds[k];
        SCOPED_TRACE(std::string(headerKindName(c.kind)));
        ASSERT_EQ(c.header.size(), lengths[k]);
        ASSERT_EQ(headerLength(c.kind), lengths[k]);
        // Exactly the header: nothing after it, no header, whether looked for or not.
        EXPECT_EQ(detectHeader(c.header, c.header.size()), HeaderKind::None);
        EXPECT_EQ(detectHeader(c.header, c.header.size(), c.kind), HeaderKind::None);
        // One byte more. A SNES copier header needs whole kilobytes after it, which 513 is not
        // and 512 + 32768 is.
        const std::string oneMore = c.header + "A";
        const HeaderKind expected = c.kind == HeaderKind::SnesCopier ? HeaderKind::None : c.kind;
        EXPECT_EQ(detectHeader(oneMore, oneMore.size()), expected);
        EXPECT_EQ(detectHeader(oneMore, oneMore.size(), c.kind), expected);
    }
    const std::string snes(512 + 32768, '\0');
    EXPECT_EQ(detectHeader(snes.substr(0, 128), snes.size()), HeaderKind::SnesCopier);
    EXPECT_EQ(detectHeader(snes.substr(0, 128), 512 + 32768 - 1), HeaderKind::None);
}

// What verification sums: a file one header long is summed whole only; one byte more is summed
// after its header too, that byte alone (CRC-32 and SHA-1 of "A" from Python's zlib and hashlib).
TEST(HeaderSkip, AFileOneHeaderLongIsSummedWholeOnly) {
    TempFolder dir;
    for (const Kind& c : kKinds) {
        if (c.kind == HeaderKind::SnesCopier) continue;  // needs whole kilobytes: see above
        SCOPED_TRACE(std::string(headerKindName(c.kind)));
        const auto bare = fileContentIdentity(dir.write("bare.bin", c.header));
        ASSERT_TRUE(bare);
        EXPECT_EQ(bare->header, HeaderKind::None);
        EXPECT_FALSE(bare->withoutHeader);
        EXPECT_EQ(bare->whole.size, c.header.size());

        const auto headered = fileContentIdentity(dir.write("one.bin", c.header + "A"));
        ASSERT_TRUE(headered);
        EXPECT_EQ(headered->header, c.kind);
        ASSERT_TRUE(headered->withoutHeader);
        EXPECT_EQ(headered->withoutHeader->size, 1u);
        EXPECT_EQ(headered->withoutHeader->crc, 0xd3d99e8bu);
        EXPECT_EQ(headered->withoutHeader->sha1, "6dcd4ce23d88e2ee9568ba546c007c63d9131c1b");
    }
    // A 512-byte file is no SNES copier header with nothing after it.
    const auto snes = fileContentIdentity(dir.write("snes.smc", std::string(512, '\0')));
    ASSERT_TRUE(snes);
    EXPECT_EQ(snes->header, HeaderKind::None);
    EXPECT_FALSE(snes->withoutHeader);
}

// The SNES copier header, one rule for the DAT match and the ROM's own header. Its marks at 0x16
// are those of the DAT groups' SNES header file; the images are 1 Mbit (131,072 bytes) and 48
// KiB, sizes a 32 KiB rule and a 1 KiB rule disagree on.
TEST(HeaderSkip, SnesCopierHeaderIsToldByItsMarkAndWholeKilobytesAfterIt) {
    const std::string mbit = test::rom::snes(false, 128, true, "ONE MBIT");
    ASSERT_EQ(mbit.size(), 131072u + 512u);
    EXPECT_EQ(detectHeader(mbit.substr(0, 128), mbit.size()), HeaderKind::SnesCopier);
    EXPECT_TRUE(hasSnesCopierHeader(mbit, mbit.size()));
    const HeaderReport mbitReport = readRomHeader(RomHeaderKind::Snes, mbit);
    ASSERT_TRUE(mbitReport.valid);
    EXPECT_EQ(mbitReport.lines.at(1), "コピアヘッダ: あり (512バイト)");

    // 48 KiB of game after a header: not 32 KiB blocks, yet a header.
    const std::string odd = rom::snes(false, 48, true, "ODD");
    EXPECT_EQ(detectHeader(odd.substr(0, 128), odd.size()), HeaderKind::SnesCopier);
    EXPECT_EQ(detectHeader(odd.substr(0, 128), odd.size(), HeaderKind::SnesCopier),
              HeaderKind::SnesCopier);

    // The other two marks, at 0x16 of the header.
    for (const std::string_view mark :
         {std::string_view("\xAA\xBB\x04\0\0\0\0\0", 8), std::string_view("SUPERUFO")}) {
        std::string marked = mbit;
        marked.replace(0x16, 8, mark);
        marked[0] = 0x10;  // the copier's own size field, not looked at
        EXPECT_EQ(detectHeader(marked.substr(0, 128), marked.size()), HeaderKind::SnesCopier);
    }

    // An unheadered image of 1 KiB + 512 bytes whose bytes at 0x16 are game code: no header,
    // for the DAT match and for the ROM header reader alike.
    std::string bare = rom::snes(false, 64, false, "BARE") + std::string(512, '\x5A');
    ASSERT_EQ(bare.size() % 1024, 512u);
    ASSERT_NE(bare.substr(0x16, 8), std::string(8, '\0'));
    EXPECT_FALSE(hasSnesCopierHeader(bare, bare.size()));
    EXPECT_EQ(detectHeader(bare.substr(0, 128), bare.size()), HeaderKind::None);
    EXPECT_EQ(detectHeader(bare.substr(0, 128), bare.size(), HeaderKind::SnesCopier),
              HeaderKind::None);
    const HeaderReport bareReport = readRomHeader(RomHeaderKind::Snes, bare);
    ASSERT_TRUE(bareReport.valid);
    EXPECT_EQ(bareReport.lines.at(1), "コピアヘッダ: なし");

    // A header's mark on a file whose size leaves no whole kilobytes after it.
    std::string cut = mbit.substr(0, mbit.size() - 100);
    EXPECT_FALSE(hasSnesCopierHeader(cut, cut.size()));
    // Too short a start to show the mark.
    EXPECT_FALSE(hasSnesCopierHeader(mbit.substr(0, 0x1D), mbit.size()));
}

}  // namespace
}  // namespace romshelf::test
