// Verification against DATs written by hand in their two formats: an entry matches a file only at
// its size, and an entry the DAT marks as never dumped is never missing.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/rename/ContentHash.h"
#include "core/rename/DatFile.h"
#include "core/rename/DatVerify.h"

namespace romshelf::test {
namespace {

// 120 bytes; their sums from Python's zlib and hashlib.
const std::string kBytes = [] {
    std::string s;
    for (int i = 0; i < 10; ++i) s += "size matters";
    return s;
}();
constexpr const char* kCrc = "f91cd5f5";
constexpr const char* kSha1 = "654a726c4a46d8b0992d60c4fd8a64e4e28b8909";
constexpr const char* kMd5 = "78489ba44e0c2459be7d5cca66ee9e0f";

ContentIdentity identityOf(const std::string& bytes) {
    DatHasher hasher(bytes.size());
    hasher.add(bytes.data(), bytes.size());
    return hasher.finish();
}

DatFile parsed(const std::string& text, const std::string& name) {
    std::string error;
    std::optional<DatFile> dat = parseDat(text, name, error);
    EXPECT_TRUE(dat) << error;
    return dat ? *dat : DatFile{};
}

std::vector<std::string> missingNames(const VerifyReport& report) {
    std::vector<std::string> names;
    for (const DatRom& rom : report.missing) names.push_back(rom.name);
    return names;
}

TEST(DatVerifier, AnEntryMatchesNoFileOfAnotherSize) {
    // The file's own CRC-32, SHA-1 and MD5 each under a size it does not have, and its CRC-32
    // under its size.
    const std::string xml = std::string(R"(<?xml version="1.0"?>
<!DOCTYPE datafile PUBLIC "-//Logiqx//DTD ROM Management Datafile//EN" "http://www.logiqx.com/Dats/datafile.dtd">
<datafile>
	<header>
		<name>Sizes</name>
		<description>Sizes</description>
	</header>
	<game name="Longer by CRC">
		<description>Longer by CRC</description>
		<rom name="Longer.bin" size="121" crc=")") +
                            kCrc + R"("/>
	</game>
	<game name="Shorter by SHA-1">
		<description>Shorter by SHA-1</description>
		<rom name="Shorter.bin" size="119" sha1=")" +
                            kSha1 + R"("/>
	</game>
	<game name="Longer by MD5">
		<description>Longer by MD5</description>
		<rom name="Wider.bin" size="122" md5=")" +
                            kMd5 + R"("/>
	</game>
	<game name="Right">
		<description>Right</description>
		<rom name="Right.bin" size="120" crc=")" +
                            kCrc + R"("/>
	</game>
</datafile>
)";
    const DatFile dat = parsed(xml, "sizes.dat");
    ASSERT_EQ(dat.roms.size(), 4u);
    DatVerifier verifier(dat);
    verifier.add("/r/Right.bin", "", "Right.bin", identityOf(kBytes));
    // Under the name of an entry of another size: Right's contents under another name.
    verifier.add("/r/Longer.bin", "", "Longer.bin", identityOf(kBytes));
    const VerifyReport report = verifier.finish();
    EXPECT_EQ(verifySummary(report), "1 have\t1 rename\t0 unknown\t0 bad\t3 missing");
    ASSERT_GE(report.rows.size(), 2u);
    EXPECT_EQ(std::tie(report.rows[0].status, report.rows[0].datName),
              std::tuple(VerifyStatus::Have, "Right.bin"));
    EXPECT_EQ(std::tie(report.rows[1].status, report.rows[1].datName),
              std::tuple(VerifyStatus::Rename, "Right.bin"));
    EXPECT_EQ(missingNames(report),
              (std::vector<std::string>{"Longer.bin", "Shorter.bin", "Wider.bin"}));
}

TEST(DatVerifier, AnEntryOfAnotherSizeLeavesTheFileUnknownOrBad) {
    const std::string text = std::string(R"(clrmamepro (
	name "Sizes"
	description "Sizes"
)

game (
	name "Longer"
	description "Longer"
	rom ( name Longer.bin size 121 crc )") +
                             kCrc + R"( )
)

game (
	name "Shorter"
	description "Shorter"
	rom ( name Shorter.bin size 119 sha1 )" +
                             kSha1 + R"( )
)
)";
    const DatFile dat = parsed(text, "sizes.dat");
    ASSERT_EQ(dat.roms.size(), 2u);
    DatVerifier verifier(dat);
    verifier.add("/r/stray.bin", "", "stray.bin", identityOf(kBytes));
    verifier.add("/r/Shorter.bin", "", "Shorter.bin", identityOf(kBytes));
    const VerifyReport report = verifier.finish();
    EXPECT_EQ(verifySummary(report), "0 have\t0 rename\t1 unknown\t1 bad\t2 missing");
    EXPECT_EQ(missingNames(report), (std::vector<std::string>{"Longer.bin", "Shorter.bin"}));
}

// A set known to lack a chip (status="nodump" in Logiqx XML, "flags nodump" in clrmamepro text)
// is complete without it: that entry is never missing, and never in the fixdat.
TEST(DatVerifier, NodumpEntriesAreNeverMissing) {
    const std::string xml = std::string(R"(<?xml version="1.0"?>
<!DOCTYPE datafile PUBLIC "-//Logiqx//DTD ROM Management Datafile//EN" "http://www.logiqx.com/Dats/datafile.dtd">
<datafile>
	<header>
		<name>Boards</name>
		<description>Boards</description>
	</header>
	<machine name="board">
		<description>A board with an undumped chip</description>
		<rom name="main.6e" size="120" crc=")") +
                            kCrc + R"(" sha1=")" + kSha1 + R"("/>
		<rom name="prot.pal" size="260" status="nodump"/>
	</machine>
</datafile>
)";
    const std::string text = std::string(R"(clrmamepro (
	name "Boards"
	description "Boards"
)

game (
	name "board"
	description "A board with an undumped chip"
	rom ( name main.6e size 120 crc )") +
                             kCrc + " sha1 " + kSha1 + R"( )
	rom ( name prot.pal size 260 flags nodump )
)
)";
    for (const auto& [source, name] : {std::pair{xml, "arcade.xml"}, {text, "arcade.dat"}}) {
        SCOPED_TRACE(name);
        const DatFile dat = parsed(source, name);
        ASSERT_EQ(dat.roms.size(), 2u);
        const VerifyReport none = DatVerifier(dat).finish();
        EXPECT_EQ(verifySummary(none), "0 have\t0 rename\t0 unknown\t0 bad\t1 missing");
        EXPECT_EQ(missingNames(none), std::vector<std::string>{"main.6e"});
        // With the dumped chip there, the set is complete.
        DatVerifier verifier(dat);
        verifier.add("/r/main.6e", "", "main.6e", identityOf(kBytes));
        const VerifyReport whole = verifier.finish();
        EXPECT_EQ(verifySummary(whole), "1 have\t0 rename\t0 unknown\t0 bad\t0 missing");
        EXPECT_TRUE(whole.missing.empty());
    }
}

// A file that cannot be read is counted apart, never as unknown; a field holding a tab, a comma
// or a quote is quoted in the report; a rename's row says the name the file would take.
TEST(DatVerifier, UnreadableFilesAndOddFieldsAreToldApart) {
    const DatFile dat = parsed(std::string(R"(clrmamepro ( name "Odd" version 1 )
game ( name "A, B" rom ( name "dir\A, B.bin" size 120 crc )") +
                                   kCrc + R"( md5 )" + kMd5 + R"( ) )
)",
                               "odd.dat");
    DatVerifier verifier(dat);
    verifier.add("/r/tab\there.bin", "", "tab\there.bin", identityOf(kBytes));
    verifier.addUnreadable("/r/locked.bin", "");
    const VerifyReport report = verifier.finish();
    EXPECT_EQ(verifySummary(report), "0 have\t1 rename\t0 unknown\t0 bad\t0 missing\t1 unreadable");
    EXPECT_EQ(report.datVersion, "1");
    EXPECT_EQ(
        verifyReportCsv(report),
        std::string("\xEF\xBB\xBFstatus,file,member,game,dat_name,target,size,crc32,md5,sha1,"
                    "header,reason\r\n"
                    "rename,\"/r/tab\there.bin\",,\"A, B\",\"dir\\A, B.bin\",\"A, B.bin\",120,") +
            kCrc + "," + kMd5 + "," + kSha1 +
            ",,matches an entry of another name\r\n"
            "unreadable,/r/locked.bin,,,,,,,,,,could not be read\r\n");
}

}  // namespace
}  // namespace romshelf::test
