// Arcade DATs as MAME and FBNeo write them (Logiqx XML with cloneof, romof and merge; clrmamepro
// text with the same keys), written by hand. The roms' contents are 40 repeats of a short word;
// their CRC-32s are Python's zlib.crc32 of those bytes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/rename/ContentHash.h"
#include "core/rename/DatFile.h"
#include "core/rename/DatVerify.h"

namespace romshelf::test {
namespace {

std::string contents(const std::string& word) {
    std::string s;
    for (int i = 0; i < 40; ++i) s += word;
    return s;
}

// A BIOS, a parent taking two roms from it, a clone of that parent taking one from each, a
// second parent and clone, and a game nobody has. `merging` is the header's forcemerging.
std::string arcadeDat(const std::string& merging) {
    return R"(<?xml version="1.0"?>
<!DOCTYPE datafile PUBLIC "-//Logiqx//DTD ROM Management Datafile//EN" "http://www.logiqx.com/Dats/datafile.dtd">
<datafile>
  <header>
    <name>Arcade</name><description>Arcade</description><version>0.1</version><author>t</author>
    )" + (merging.empty() ? std::string() : "<clrmamepro forcemerging=\"" + merging + "\"/>") +
           R"(
  </header>
  <game name="neogeo" isbios="yes">
    <description>Neo-Geo</description>
    <rom name="sp-s2.sp1" size="360" crc="e61f7900"/>
    <rom name="000-lo.lo" size="320" crc="8d446b1d"/>
  </game>
  <game name="mslug" romof="neogeo">
    <description>Metal Slug</description>
    <rom name="201-p1.p1" size="360" crc="87055e00"/>
    <rom name="201-s1.s1" size="360" crc="483f10b1"/>
    <rom name="sp-s2.sp1" merge="sp-s2.sp1" size="360" crc="e61f7900"/>
    <rom name="000-lo.lo" merge="000-lo.lo" size="320" crc="8d446b1d"/>
  </game>
  <game name="mslugj" cloneof="mslug" romof="mslug">
    <description>Metal Slug (Japan)</description>
    <rom name="201-p1j.p1" size="400" crc="cb320362"/>
    <rom name="201-s1.s1" merge="201-s1.s1" size="360" crc="483f10b1"/>
    <rom name="sp-s2.sp1" merge="sp-s2.sp1" size="360" crc="e61f7900"/>
  </game>
  <game name="pacman">
    <description>Pac-Man</description>
    <rom name="pm1" size="360" crc="c643c304"/>
    <rom name="pm2" size="360" crc="4698eb32"/>
    <rom name="pm-proto" size="1024" status="nodump"/>
  </game>
  <game name="puckman" cloneof="pacman" romof="pacman">
    <description>Puck Man</description>
    <rom name="pm1" merge="pm1" size="360" crc="c643c304"/>
    <rom name="puck2" size="400" crc="d7e94431"/>
  </game>
  <game name="galaga">
    <description>Galaga</description>
    <rom name="g1" size="360" crc="6acfdf34"/>
    <rom name="g2" size="360" crc="ea14f702"/>
  </game>
</datafile>
)";
}

using Zip = std::vector<std::pair<std::string, std::string>>;  // member name, word

// The report of a DAT over set zips (archive name -> members) and loose files.
VerifyReport verified(const DatFile& dat, const std::map<std::string, Zip>& zips,
                      const Zip& loose = {}) {
    DatVerifier verifier(dat);
    auto add = [&](const std::string& file, const std::string& member, const std::string& word) {
        const std::string bytes = contents(word);
        DatHasher hasher(bytes.size(), verifier.sumsNeeded());
        hasher.add(bytes.data(), bytes.size());
        verifier.add(file, member, member.empty() ? file : member, hasher.finish());
    };
    for (const auto& [zip, members] : zips)
        for (const auto& [member, word] : members) add("/roms/" + zip, member, word);
    for (const auto& [name, word] : loose) add(name, "", word);
    return verifier.finish();
}

DatFile parsed(const std::string& text) {
    std::string error;
    const std::optional<DatFile> dat = parseDat(text, "arcade.dat", error);
    EXPECT_TRUE(dat) << error;
    return dat.value_or(DatFile{});
}

std::map<std::string, std::string> statuses(const SetReport& sets) {
    std::map<std::string, std::string> byGame;
    for (const SetRow& row : sets.rows)
        byGame[row.game] = std::string(setStatusWord(row.status)) + " " + std::to_string(row.have) +
                           "/" + std::to_string(row.needed);
    return byGame;
}

// Split sets, as MAME's own romsets come: each zip holds its own roms only.
const std::map<std::string, Zip> kSplitSets = {
    {"neogeo.zip", {{"sp-s2.sp1", "bios-sp1;"}, {"000-lo.lo", "bios-lo;"}}},
    {"mslug.zip", {{"201-p1.p1", "mslug-p1;"}, {"201-s1.s1", "mslug-s1;"}}},
    {"mslugj.zip", {{"201-p1j.p1", "mslugj-p1;"}}},
    // pm2 is lacking; galaga's first rom sits in pacman's zip, where it counts for no set.
    {"pacman.zip", {{"pm1", "pacman-1;"}, {"g1", "galaga-1;"}}},
    {"puckman.zip", {{"puck2", "puckman-2;"}}},
};

TEST(SetTally, SplitSetsFindSharedRomsInTheParentAndTheBios) {
    const DatFile dat = parsed(arcadeDat(""));
    EXPECT_EQ(dat.merging, DatMerging::Split);
    ASSERT_EQ(dat.games.size(), 6u);
    EXPECT_EQ(dat.games[2], (DatGame{"mslugj", "Metal Slug (Japan)", "mslug", "mslug"}));
    EXPECT_EQ(dat.roms[4].merge, "sp-s2.sp1");
    const VerifyReport report = verified(dat, kSplitSets);
    ASSERT_TRUE(report.sets.counted);
    // mslugj's sp-s2.sp1 is in neither its zip nor its parent's, but in the BIOS its parent
    // takes roms from; the never-dumped pm-proto is needed by nobody.
    const std::map<std::string, std::string> expected = {
        {"neogeo", "complete 2/2"},   {"mslug", "complete 4/4"},   {"mslugj", "complete 3/3"},
        {"pacman", "incomplete 1/2"}, {"puckman", "complete 2/2"}, {"galaga", "missing 0/2"},
    };
    EXPECT_EQ(statuses(report.sets), expected);
    EXPECT_EQ(report.sets.rows[3].missingRoms, std::vector<std::string>{"pm2"});
    EXPECT_EQ(setSummary(report.sets), "4 complete sets\t1 incomplete set\t1 missing set");
    EXPECT_NE(verifySummary(report).find("\t4 complete sets\t1 incomplete set\t1 missing set"),
              std::string::npos);
    // The sets' CSV names what each lacks.
    const std::string csv = setReportCsv(report.sets);
    EXPECT_NE(csv.find("\r\nincomplete,pacman,,1,2,pm2\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\nmissing,galaga,,0,2,g1 | g2\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\ncomplete,mslugj,mslug,3,3,\r\n"), std::string::npos) << csv;
}

TEST(SetTally, NonMergedSetsMustHoldEveryRomThemselves) {
    const DatFile dat = parsed(arcadeDat("none"));
    EXPECT_EQ(dat.merging, DatMerging::None);
    const VerifyReport report = verified(dat, kSplitSets);
    const std::map<std::string, std::string> expected = {
        {"neogeo", "complete 2/2"},   {"mslug", "incomplete 2/4"},   {"mslugj", "incomplete 1/3"},
        {"pacman", "incomplete 1/2"}, {"puckman", "incomplete 1/2"}, {"galaga", "missing 0/2"},
    };
    EXPECT_EQ(statuses(report.sets), expected);
    // A whole non-merged set counts whatever its parent holds.
    const VerifyReport whole =
        verified(dat, {{"puckman.zip", {{"pm1", "pacman-1;"}, {"puck2", "puckman-2;"}}}});
    EXPECT_EQ(statuses(whole.sets)["puckman"], "complete 2/2");
}

TEST(SetTally, MergedSetsKeepTheClonesInTheParentsZip) {
    // One zip for the family, as a merged romset has it.
    const std::map<std::string, Zip> merged = {
        {"pacman.zip", {{"pm1", "pacman-1;"}, {"pm2", "pacman-2;"}, {"puck2", "puckman-2;"}}}};
    const VerifyReport full = verified(parsed(arcadeDat("full")), merged);
    EXPECT_EQ(statuses(full.sets)["pacman"], "complete 2/2");
    EXPECT_EQ(statuses(full.sets)["puckman"], "complete 2/2");
    // Split, the clone's own rom must be in its own zip.
    const VerifyReport split = verified(parsed(arcadeDat("split")), merged);
    EXPECT_EQ(statuses(split.sets)["puckman"], "incomplete 1/2");
    EXPECT_EQ(split.sets.rows[4].missingRoms, std::vector<std::string>{"puck2"});
}

TEST(SetTally, LooseFilesCountWhereverTheyLie) {
    // Roms unpacked into the folder, and a zip named as no set, count for any set.
    const VerifyReport report =
        verified(parsed(arcadeDat("none")), {{"misc.zip", {{"g1", "galaga-1;"}}}},
                 {{"/roms/g2", "galaga-2;"}});
    EXPECT_EQ(statuses(report.sets)["galaga"], "complete 2/2");
}

TEST(SetTally, ClrmameproTextGivesTheSameFamily) {
    const DatFile dat = parsed(R"(clrmamepro (
	name "Arcade"
	forcemerging full
)

game (
	name pacman
	description "Pac-Man"
	rom ( name pm1 size 360 crc c643c304 )
	rom ( name pm2 size 360 crc 4698eb32 )
)

game (
	name puckman
	description "Puck Man"
	cloneof pacman
	romof pacman
	rom ( name pm1 merge pm1 size 360 crc c643c304 )
	rom ( name puck2 size 400 crc d7e94431 )
)
)");
    EXPECT_EQ(dat.merging, DatMerging::Full);
    ASSERT_EQ(dat.games.size(), 2u);
    EXPECT_EQ(dat.games[1], (DatGame{"puckman", "Puck Man", "pacman", "pacman"}));
    EXPECT_EQ(dat.roms[2].merge, "pm1");
    const VerifyReport report =
        verified(dat, {{"pacman.zip", {{"pm1", "pacman-1;"}, {"puck2", "puckman-2;"}}}});
    EXPECT_EQ(statuses(report.sets)["pacman"], "incomplete 1/2");
    EXPECT_EQ(statuses(report.sets)["puckman"], "complete 2/2");
}

TEST(SetTally, ParentsInARingEndAndOneRomGamesAreNoSets) {
    // Two sets naming each other as parent: the search for a shared rom ends.
    const VerifyReport ring = verified(parsed(R"(<datafile><header><name>R</name></header>
<game name="a" cloneof="b" romof="b"><rom name="x" merge="x" size="360" crc="6acfdf34"/></game>
<game name="b" cloneof="a" romof="a"><rom name="y" merge="y" size="360" crc="ea14f702"/></game>
</datafile>)"),
                                       {});
    EXPECT_EQ(statuses(ring.sets)["a"], "missing 0/1");
    // A No-Intro DAT (one rom a game, no parents) has no sets to speak of.
    const VerifyReport single = verified(parsed(R"DAT(<datafile><header><name>N</name></header>
<game name="G (Japan)"><rom name="G (Japan).nes" size="360" crc="6acfdf34"/></game>
</datafile>)DAT"),
                                         {}, {{"G (Japan).nes", "galaga-1;"}});
    EXPECT_FALSE(single.sets.counted);
    EXPECT_EQ(verifySummary(single), "1 have\t0 rename\t0 unknown\t0 bad\t0 missing");
}

}  // namespace
}  // namespace romshelf::test
