#include "core/rename/DatFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "TempFolder.h"
#include "core/rename/ContentHash.h"
#include "core/rename/DatImport.h"

namespace romshelf::test {
namespace {

// The bytes after a header, made the same way by the Python that gave the sums below.
std::string body(std::size_t n, int seed) {
    std::string b(n, '\0');
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<char>((i * seed + 7) % 251);
    return b;
}

// Each header kind before a body; the CRC-32 of the whole file, and the CRC-32, SHA-1 and MD5 of
// the body alone, from Python's zlib and hashlib.
struct Headered {
    HeaderKind kind;
    std::string header;
    std::size_t size;
    int seed;
    const char *wholeCrc, *crc, *sha1, *md5;
};
const Headered kHeadered[] = {
    {HeaderKind::INes, std::string("NES\x1a\x02\x01\x01\0", 8) + std::string(8, '\0'), 32768, 3,
     "b37059c8", "1dabe8d6", "520dd7c8a87ae1a33d0af1399dd694007e84aa89",
     "a67da23a7b8d70f24e0e7e04b3e7ca57"},
    {HeaderKind::Fds, std::string("FDS\x1a\x01", 5) + std::string(11, '\0'), 65500, 5, "9b9eb1d3",
     "6ca97d8c", "75d0de76eb96a0af1d8c48d357c8134971dff701", "fb6c775707903b8c6a06be18fe59cf84"},
    {HeaderKind::Lynx, "LYNX" + std::string(60, '\0'), 131072, 7, "672d89f9", "da3647ab",
     "3297e0073acc10c120bc418f494a4993935ed98e", "ceaf1d0a87364c853f207eea07cfa063"},
    {HeaderKind::Atari7800,
     "\x01"
     "ATARI7800" +
         std::string(118, '\0'),
     32768, 11, "b9491b40", "15cc3f2a", "c2398b1188b595133b7be4d9fd976f7f1a5433e6",
     "bc7488f6ec900ce0566c8f1aad289f6e"},
    {HeaderKind::SnesCopier, std::string(512, '\0'), 65536, 13, "41d5428f", "50e619d7",
     "3e3186457cea9de50dec39c9de964f0e72420720", "d95b726c115a87f35f7525d90689a326"},
};

std::string hex(std::uint32_t crc) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", crc);
    return text;
}

TEST(ContentHash, EachHeaderKindIsSummedWithAndWithoutItsHeader) {
    TempFolder dir;
    for (const Headered& h : kHeadered) {
        SCOPED_TRACE(std::string(headerKindName(h.kind)));
        const std::string bytes = h.header + body(h.size, h.seed);
        const auto id = fileContentIdentity(dir.write("rom.bin", bytes));
        ASSERT_TRUE(id);
        EXPECT_EQ(std::tuple(id->header, hex(id->whole.crc), id->whole.size),
                  std::tuple(h.kind, std::string(h.wholeCrc), bytes.size()));
        ASSERT_TRUE(id->withoutHeader);
        EXPECT_EQ(std::tuple(hex(id->withoutHeader->crc), id->withoutHeader->sha1,
                             id->withoutHeader->md5, id->withoutHeader->size),
                  std::tuple(std::string(h.crc), std::string(h.sha1), std::string(h.md5), h.size));
        // Fed in small pieces, as an archive member arrives, the sums are the same.
        DatHasher pieces(bytes.size());
        for (std::size_t at = 0; at < bytes.size(); at += 37)
            pieces.add(bytes.data() + at, std::min<std::size_t>(37, bytes.size() - at));
        const ContentIdentity piecewise = pieces.finish();
        EXPECT_EQ(std::tuple(piecewise.whole, piecewise.withoutHeader),
                  std::tuple(id->whole, id->withoutHeader));
        // The body alone has no header (a headerless dump), and its sums are the DAT's.
        const auto bare = fileContentIdentity(dir.write("bare.bin", body(h.size, h.seed)));
        EXPECT_EQ(std::tuple(bare->header, hex(bare->whole.crc), bare->withoutHeader.has_value()),
                  std::tuple(HeaderKind::None, std::string(h.crc), false));
    }
    // Too short for anything after the header: no header.
    EXPECT_EQ(fileContentIdentity(dir.write("short.nes", "NES\x1a"))->header, HeaderKind::None);
    EXPECT_FALSE(fileContentIdentity(dir.file("missing.nes")));
}

TEST(DatFile, TheTextFormatReadsAsItsXmlTwin) {
    TempFolder dir;
    const std::string text = R"DAT(clrmamepro (
	name "Nintendo - Famicom Disk System"
	description "Nintendo - Famicom Disk System"
	version 20261201
	header "No-Intro_FDS.xml"
)

game (
	name "Ai Senshi Nicol (Japan)"
	description "Ai Senshi Nicol (Japan)"
	rom ( name "Ai Senshi Nicol (Japan).fds" size 131000 crc 6CA97D8C md5 FB6C775707903B8C6A06BE18FE59CF84 sha1 75D0DE76EB96A0AF1D8C48D357C8134971DFF701 )
)

machine (
	name "two roms"
	rom ( name "disk\a.bin" size 16 crc 00ff00ff )
	rom ( name "b.bin" sha1 3e3186457cea9de50dec39c9de964f0e72420720 )
	rom ( name "c.bin" size 99999999999999999999 crc 12345 flags nodump )
)

resource (
	name "bios"
	rom ( name bios.rom size 8192 crc deadbeef )
)
)DAT";
    const std::string xml = R"DAT(<?xml version="1.0"?>
<datafile>
	<header>
		<name>Nintendo - Famicom Disk System</name>
		<description>Nintendo - Famicom Disk System</description>
		<clrmamepro header="No-Intro_FDS.xml"/>
	</header>
	<game name="Ai Senshi Nicol (Japan)">
		<description>Ai Senshi Nicol (Japan)</description>
		<rom name="Ai Senshi Nicol (Japan).fds" size="131000" crc="6ca97d8c" md5="fb6c775707903b8c6a06be18fe59cf84" sha1="75d0de76eb96a0af1d8c48d357c8134971dff701"/>
	</game>
	<machine name="two roms">
		<rom name="disk\a.bin" size="16" crc="00FF00FF"/>
		<rom name="b.bin" sha1="3E3186457CEA9DE50DEC39C9DE964F0E72420720"/>
		<rom name="c.bin" size="99999999999999999999" crc="12345" status="nodump"/>
	</machine>
	<game name="bios"><rom name="bios.rom" size="8192" crc="DEADBEEF"/></game>
</datafile>)DAT";
    std::string error;
    const auto fromText = readDatFile(dir.write("fds.dat", text), error);
    ASSERT_TRUE(fromText) << error;
    const auto fromXml = readDatFile(dir.write("fds.xml", xml), error);
    ASSERT_TRUE(fromXml) << error;
    for (const DatFile* dat : {&*fromText, &*fromXml}) {
        EXPECT_EQ(
            std::tuple(dat->name, dat->skipper, dat->header),
            std::tuple("Nintendo - Famicom Disk System", "No-Intro_FDS.xml", HeaderKind::Fds));
        ASSERT_EQ(dat->roms.size(), 5u);
        EXPECT_EQ(dat->roms[0], (DatRom{"Ai Senshi Nicol (Japan)", "Ai Senshi Nicol (Japan).fds",
                                        131000, 0x6ca97d8c, "fb6c775707903b8c6a06be18fe59cf84",
                                        "75d0de76eb96a0af1d8c48d357c8134971dff701", false}));
        EXPECT_EQ(dat->roms[2], (DatRom{"two roms", "b.bin", std::nullopt, std::nullopt, "",
                                        "3e3186457cea9de50dec39c9de964f0e72420720", false}));
        EXPECT_EQ(dat->roms[3],
                  (DatRom{"two roms", "c.bin", std::nullopt, std::nullopt, "", "", true}));
    }
    EXPECT_EQ(fromText->roms, fromXml->roms);
    // And so do the rename records made of them: only entries with a size and a CRC, carrying
    // the DAT's header; the others are counted, those with a SHA-1 as good for verification.
    const DatImport a = datImportOf(*fromText), b = datImportOf(*fromXml);
    ASSERT_EQ(a.records.size(), 3u);
    for (std::size_t i = 0; i < a.records.size(); ++i)
        EXPECT_EQ(std::tuple(a.records[i].name, a.records[i].identity, a.records[i].sha1,
                             a.records[i].header),
                  std::tuple(b.records[i].name, b.records[i].identity, b.records[i].sha1,
                             b.records[i].header));
    EXPECT_EQ(std::tuple(a.records[1].name, a.records[0].header, a.skipped, a.verifyOnly),
              std::tuple("disk-a", static_cast<std::int32_t>(HeaderKind::Fds), 2, 1));
}

// A NUL inside a word (a fuzzer's find) is part of the word: the reader goes on, and ends.
TEST(DatFile, ANulByteInATextDatIsJustAByte) {
    std::string error;
    const auto dat = parseDat(std::string("clrmamepro ( name \"x\" )\ngame ( name a\0b rom ( "
                                          "name r\0.nes size 1 crc 00000000 ) )\n",
                                          82),
                              "nul.dat", error);
    ASSERT_TRUE(dat) << error;
    ASSERT_EQ(dat->roms.size(), 1u);
    EXPECT_EQ(dat->roms[0].game, std::string("a\0b", 3));
    EXPECT_FALSE(parseDat(std::string("game ( \0", 9), "nul.dat", error));
}

// What a verification writes for the missing entries reads back as the same entries; one
// without a size (which the DTD requires) is left out.
TEST(DatFile, AWrittenLogiqxDatReadsBack) {
    const std::vector<DatRom> roms = {
        {"Game <1> & \"2\"", "Game.nes", 40976, 0x3e2a5b6c, "",
         "a9993e364706816aba3e25717850c26c9cd0d89d", false},
        {"Game <1> & \"2\"", "Game.sav", 8192, 0x00000001, "d41d8cd98f00b204e9800998ecf8427e", "",
         false},
        {"ゲーム", "ゲーム.gb", std::nullopt, std::nullopt, "", "", true},
    };
    std::string error;
    const auto back = parseDat(writeLogiqxDat({"Nintendo (fixdat)", "", "1", "me", "", ""}, roms),
                               "fix.dat", error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(std::tuple(back->name, back->version), std::tuple("Nintendo (fixdat)", "1"));
    EXPECT_EQ(back->roms, std::vector<DatRom>(roms.begin(), roms.begin() + 2));
    EXPECT_EQ(romsWithoutSize(roms), 1u);
}

// xmllint's verdict on the DAT at `path` against the Logiqx DTD, written into tests/data by hand
// from its public text: 0 when it is valid. What it says goes to `path`.log.
int dtdCheck(const std::string& path) {
    const std::string command = "xmllint --noout --nonet --dtdvalid '" ROMSHELF_TEST_DATA_DIR
                                "/datafile.dtd' '" +
                                path + "' 2>'" + path + ".log'";
    return std::system(command.c_str());
}

// A fixdat of a DAT that lists a game twice: valid against the DTD, one game per name and one
// rom per name and CRC, the header's skipper kept.
TEST(DatFile, AFixdatIsValidAgainstTheDtdAndKeepsTheSkipper) {
    const std::string sha1 = "a9993e364706816aba3e25717850c26c9cd0d89d";
    const std::vector<DatRom> roms = {
        {"Alpha (Japan)", "Alpha (Japan).nes", 40976, 0x3e2a5b6c, "", sha1, false},
        {"Beta (Japan)", "Beta (Japan).nes", 24592, 0x11111111, "", "", false},
        {"Alpha (Japan)", "Alpha (Japan).nes", 40976, 0x3e2a5b6c, "", sha1, false},  // again
        {"Alpha (Japan)", "Alpha (Japan).sav", 8192, 0x00000001, "", "", false},
        {"Beta (Japan)", "Beta (Japan).nes", 24592, 0x22222222, "", "", false},  // another CRC
        {"Lost (Japan)", "Lost (Japan).nes", std::nullopt, 0x33333333, "", "", false},
    };
    const LogiqxHeader header{"NES (fixdat)",  "NES (fixdat)", "20261201-000000",
                              "Romshelf Plus", "2026-12-08",   "No-Intro_NES.xml"};
    const std::string text = writeLogiqxDat(header, roms);
    TempFolder dir;
    EXPECT_EQ(dtdCheck(dir.write("fix.dat", text)), 0) << dir.read("fix.dat.log") << text;
    EXPECT_NE(text.find("<clrmamepro header=\"No-Intro_NES.xml\" />"), std::string::npos) << text;
    std::string error;
    const auto back = parseDat(text, "fix.dat", error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(std::tuple(back->skipper, back->header),
              std::tuple("No-Intro_NES.xml", HeaderKind::INes));
    std::vector<std::string> got;
    for (const DatRom& r : back->roms)
        got.push_back(r.game + "/" + r.name + "/" + std::to_string(*r.crc));
    EXPECT_EQ(got, (std::vector<std::string>{"Alpha (Japan)/Alpha (Japan).nes/1042963308",
                                             "Alpha (Japan)/Alpha (Japan).sav/1",
                                             "Beta (Japan)/Beta (Japan).nes/286331153",
                                             "Beta (Japan)/Beta (Japan).nes/572662306"}));
    std::size_t games = 0;
    for (std::size_t at = text.find("<game "); at != std::string::npos;
         at = text.find("<game ", at + 1))
        ++games;
    EXPECT_EQ(games, 2u);

    // The check itself tells an invalid DAT: a header without version or author.
    const std::string bare =
        "<?xml version=\"1.0\"?>\n<datafile><header><name>x</name><description>x</description>"
        "</header><game name=\"g\"><description>g</description><rom name=\"g.nes\" size=\"1\"/>"
        "</game></datafile>\n";
    EXPECT_NE(dtdCheck(dir.write("bare.dat", bare)), 0);
}

}  // namespace
}  // namespace romshelf::test
