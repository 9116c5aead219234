#include "core/rename/DatImport.h"
#include "core/rename/FileSha1.h"
#include "core/rename/RenameMatcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>

#include <string>
#include <vector>

#include "TempFolder.h"

using namespace romshelf;
using namespace romshelf::test;

namespace {

RenameRecord datRecord(std::string name, std::int32_t size, std::uint32_t crc, std::string sha1) {
    RenameRecord r;
    r.name = std::move(name);
    r.identity.size = size;
    r.identity.crc = static_cast<std::int32_t>(crc);
    r.identity.sum1 = r.identity.sum2 = r.identity.sum3 = kUnknownProbeSum;
    r.sha1 = std::move(sha1);
    return r;
}

std::string fields(const RenameRecord& r) {
    return r.name + '|' + std::to_string(r.identity.size) + '|' + std::to_string(r.identity.crc) +
           '|' + std::to_string(r.identity.sum1) + '|' + r.sha1;
}

constexpr std::string_view kAbcSha1 = "a9993e364706816aba3e25717850c26c9cd0d89d";

}  // namespace

TEST(DatImportTest, ReadsRomEntriesOfARealLayout) {
    TempFolder dir;
    const std::string path = dir.write("nes.dat", R"(<?xml version="1.0"?>
<!DOCTYPE datafile PUBLIC "-//Logiqx//DTD ROM Management Datafile//EN" "http://www.logiqx.com/Dats/datafile.dtd">
<datafile>
  <header><name>Nintendo - Famicom</name></header>
  <game name="Mario &amp; Co"><rom name="Mario &amp; Co (Japan).nes" size="40976" crc="3E2A5B6C" sha1="A9993E364706816ABA3E25717850C26C9CD0D89D"/></game>
  <game name="Disc"><rom name="Disc\Track 01.v1.bin" size="4294967295" crc="00ff00ff"/>
    <rom name="Bad.bin" size="16" crc="12345678" status="nodump"/><rom name="NoCrc.bin" size="16"/>
    <rom name="Short.bin" size="16" crc="1234"/><rom name=".bin" size="1" crc="00000000"/>
    <rom name="dir/..nes" size="2" crc="00000001"/><rom name="tab&#9;name.nes" size="3" crc="2"/>
    <rom name="..nes" size="4" crc="00000003"/><rom name="bell&#7;.nes" size="5" crc="00000004"/></game>
  <game name="ゲーム"><rom name="sub/ゲーム.gb" size="32768" crc="deadbeef" sha1="xyz"/></game>
</datafile>)");
    std::string error;
    const auto dat = readLogiqxDat(path, error);
    ASSERT_TRUE(dat) << error;
    EXPECT_EQ(dat->datName, "Nintendo - Famicom");
    // Each left out for its own reason; the nodump one is counted, not named.
    using S = DatSkip;
    EXPECT_EQ(std::tuple(dat->skipped, dat->skippedNames, dat->skippedReasons),
              std::tuple(7,
                         std::vector<std::string>{"NoCrc.bin", "Short.bin", ".bin", "tab\tname.nes",
                                                  "..nes", "bell\a.nes"},
                         std::vector<DatSkip>{S::NoCrc, S::NoCrc, S::BadCharacter, S::NoCrc,
                                              S::BadCharacter, S::BadCharacter}));
    EXPECT_EQ(dat->skips, (std::array<int, kDatSkipCount>{3, 0, 3, 1}));
    // A separator is no folder: the title keeps what stood before it, with '-' in its place.
    std::vector<std::string> got;
    for (const RenameRecord& r : dat->records) got.push_back(fields(r));
    EXPECT_EQ(got, (std::vector<std::string>{
                       "Mario & Co (Japan)|40976|1042963308|-2|" + std::string(kAbcSha1),
                       "Disc-Track 01.v1|-1|16711935|-2|", "dir-.|2|1|-2|",
                       "sub-ゲーム|32768|-559038737|-2|"}));
    EXPECT_EQ(dat->replacedSeparators,
              (std::vector<std::string>{"Disc\\Track 01.v1.bin", "dir/..nes", "sub/ゲーム.gb"}));
    EXPECT_EQ(datImportNotesText(*dat),
              "\n大きさかCRCがないため除いたROMの数 : 3"
              "\nファイル名に使えない文字があるため除いたROMの数 : 3"
              "\n未ダンプ (nodump) のため除いたROMの数 : 1"
              "\n除いたROM : NoCrc.bin、Short.bin、.bin、tab\\x09name.nes、..nes、bell\\x07.nes"
              "\n名前の「/」と「\\」を「-」に置き換えたROMの数 : 3"
              "\n置き換えたROM : Disc\\Track 01.v1.bin、dir/..nes、sub/ゲーム.gb");
    EXPECT_TRUE(matchesOnSizeAndCrc(dat->records[0].identity));
}

// Sizes are held in 32 bits: an entry of 4 GiB or more (disc images), or a size or CRC that is
// not wholly a number, is left out and named, never stored wrapped.
TEST(DatImportTest, NumbersThatDoNotFitAreSkippedAndNamed) {
    TempFolder dir;
    // The size and crc attributes, and whether the entry is kept.
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"4294967295", "00000001", true},  {"4294967296", "00000002", false},
        {"8589934593", "00000003", false}, {"99999999999999999999999", "00000004", false},
        {"-1", "00000005", false},         {"12abc", "00000006", false},
        {" 16", "00000007", false},        {"+16", "00000008", false},
        {"0x10", "00000009", false},       {"16", "0000000g", false},
        {"16", "-0000001", false},         {"16", "0x000001", false},
        {"16", "ffffffff", true},
    };
    std::string xml =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management "
        "Datafile//EN\" \"http://www.logiqx.com/Dats/datafile.dtd\">\n<datafile>\n"
        "\t<header>\n\t\t<name>Discs</name>\n\t</header>\n\t<game name=\"Big\">\n"
        "\t\t<description>Big</description>\n";
    std::vector<std::string> skipped;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [size, crc, keep] = cases[i];
        const std::string name = "Track " + std::to_string(i);
        xml += "\t\t<rom name=\"" + name + ".bin\" size=\"" + size + "\" crc=\"" + crc + "\"/>\n";
        if (!keep) skipped.push_back(name + ".bin");
    }
    xml += "\t\t<rom name=\"Lost.bin\" size=\"16\" status=\"nodump\"/>\n\t</game>\n</datafile>\n";
    std::string error;
    const auto dat = readLogiqxDat(dir.write("discs.dat", xml), error);
    ASSERT_TRUE(dat) << error;
    std::vector<std::string> got;
    for (const RenameRecord& r : dat->records) got.push_back(fields(r));
    EXPECT_EQ(got, (std::vector<std::string>{"Track 0|-1|1|-2|", "Track 12|16|-1|-2|"}));
    EXPECT_EQ(std::tuple(dat->skipped, dat->skippedNames), std::tuple(12, skipped));
    // Two are 4 GiB or more; nine have a size or CRC that does not read; one is nodump.
    EXPECT_EQ(dat->skips, (std::array<int, kDatSkipCount>{9, 2, 0, 1}));
    // The message names ten and counts the others.
    EXPECT_EQ(skippedRomNamesText(*dat),
              "\n除いたROM : Track 1.bin、Track 2.bin、Track 3.bin、Track 4.bin、Track 5.bin、"
              "Track 6.bin、Track 7.bin、Track 8.bin、Track 9.bin、Track 10.bin ほか 1 件");
    EXPECT_EQ(skippedRomNamesText(*dat, 20).find("ほか"), std::string::npos);
    EXPECT_EQ(skippedRomNamesText(DatImport{}), "");
}

TEST(DatImportTest, RefusesHostileAndForeignFilesWithAMessage) {
    TempFolder dir;
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile [<!ENTITY l0 \"ha\">";
    for (int i = 1; i < 10; ++i) {
        const std::string p = "&l" + std::to_string(i - 1) + ";";
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + p + p + p + p + p + p + p + p + "\">";
    }
    laughs +=
        "]><datafile><game name=\"&l9;\"><rom name=\"a\" size=\"1\" crc=\"00000000\"/>"
        "</game></datafile>";
    // The file, its bytes, and what the error names.
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"laughs.dat", laughs, "エンティティ"},
        {"external.dat",
         "<!DOCTYPE datafile [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
         "<datafile><game name=\"&x;\"/></datafile>",
         "エンティティ"},
        {"cut.dat", "clrmamepro (\n\tname \"x\"\n", "Logiqx XML形式とclrmamepro形式"},
        {"empty.dat", "", "Logiqx XML形式とclrmamepro形式"},
        {"words.dat", "hello world", "Logiqx XML形式とclrmamepro形式"},
        {"deep.txt", "game ( rom ( a ( b ( c d ) ) ) )", "clrmamepro形式"},
        {"broken.xml", "<datafile><game>", "XML"},
        {"other.xml", "<softwarelist><software name=\"a\"/></softwarelist>", "Logiqx"},
    };
    for (const auto& [name, bytes, saying] : cases) {
        std::string error;
        EXPECT_FALSE(readLogiqxDat(dir.write(name, bytes), error)) << name;
        EXPECT_NE(error.find(saying), std::string::npos) << name << ": " << error;
    }
    // Deep nesting is read without a recursion that could overflow the stack.
    std::string deep = "<datafile>";
    for (int i = 0; i < 100000; ++i) deep += "<game>";
    for (int i = 0; i < 100000; ++i) deep += "</game>";
    std::string error;
    const auto read = readLogiqxDat(dir.write("deep.dat", deep + "</datafile>"), error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->records.size(), 0u);
    // Too large (sparse, so nothing is written) and a FIFO: refused before reading.
    ASSERT_EQ(::truncate(dir.write("huge.dat", "<datafile>").c_str(), kDatSizeLimit + 1), 0);
    EXPECT_FALSE(readLogiqxDat(dir.file("huge.dat"), error));
    EXPECT_NE(error.find("512MB"), std::string::npos) << error;
    ASSERT_EQ(::mkfifo(dir.file("fifo.dat").c_str(), 0600), 0);
    EXPECT_FALSE(readLogiqxDat(dir.file("fifo.dat"), error));
    EXPECT_FALSE(readLogiqxDat(dir.file("missing.dat"), error));
}

TEST(FileSha1Test, KnownVectorAcrossLargeReadsAndUnreadable) {
    TempFolder dir;
    EXPECT_EQ(fileSha1(dir.write("abc", "abc")), kAbcSha1);
    // Over several 1 MiB reads, against Python's hashlib.
    std::string bytes(3 * 1024 * 1024 + 1, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 4099);
    const std::string big = dir.write("big", bytes);
    const std::string python =
        "python3 -c \"import hashlib,sys;print(hashlib.sha1(open(sys.argv[1],"
        "'rb').read()).hexdigest(),end='')\" " +
        big;
    char expected[64] = {};
    if (FILE* pipe = ::popen(python.c_str(), "r")) {
        std::fgets(expected, sizeof expected, pipe);
        ::pclose(pipe);
    }
    EXPECT_EQ(fileSha1(big), std::string(expected));
    EXPECT_EQ(fileSha1(dir.write("e", "")), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(fileSha1(dir.file("none")), std::nullopt);
}

TEST(RenameMatcherTest, FirstRecordInTableOrderWinsAndSha1Decides) {
    TempFolder dir;
    const std::string abc = dir.write("abc.bin", "abc");
    const FileIdentity id = fileIdentity(abc);  // size 3, fixed sums 0, 1, 2
    const auto crc = static_cast<std::uint32_t>(id.crc);
    RenameRecord full;
    full.name = "Full";
    full.identity = id;
    const std::vector<RenameRecord> table = {datRecord("WrongSize", 4, crc, ""),
                                             datRecord("WrongSha1", 3, crc, std::string(40, '0')),
                                             full, datRecord("Dat", 3, crc, std::string(kAbcSha1))};
    // The table's records in this order, the one found among them (-1: none), and whether by
    // size and CRC.
    const std::tuple<std::vector<int>, int, bool> cases[] = {{{0, 1, 2, 3}, 2, false},
                                                             {{0, 1, 3, 2}, 2, true},
                                                             {{1, 3}, 1, true},
                                                             {{0, 1}, -1, false},
                                                             {{2}, 0, false}};
    for (const auto& [order, want, bySizeAndCrc] : cases) {
        std::vector<RenameRecord> records;
        for (const int i : order) records.push_back(table[static_cast<std::size_t>(i)]);
        const RenameMatch m = RenameMatcher(records).find(id, abc);
        EXPECT_EQ(m.index, want) << testing::PrintToString(order);
        EXPECT_EQ(m.bySizeAndCrc, bySizeAndCrc) << testing::PrintToString(order);
    }
    // A DAT record without SHA-1 matches on size and CRC even when the file cannot be read.
    const std::vector<RenameRecord> plain = {datRecord("Plain", 3, crc, "")};
    EXPECT_EQ(RenameMatcher(plain).find(id, dir.file("gone")).index, 0);
}
