// Verification of the listed files against a DAT, over a planted set whose sums were computed
// with Python's zlib and hashlib.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "AppChecks.h"
#include "core/commands/DatVerifyCommand.h"

namespace romshelf {
namespace {

std::string times(const std::string& word, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += word;
    return s;
}

// The bytes after an iNES header, as the Python that summed them made them.
std::string inesBody() {
    std::string b(32768, '\0');
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>((i * 3 + 7) % 251);
    return b;
}

constexpr const char* kDat = R"DAT(<?xml version="1.0"?>
<datafile><header><name>Planted</name><clrmamepro header="No-Intro_NES.xml"/></header>
<game name="Alpha (Japan)"><rom name="Alpha (Japan).nes" size="500" crc="2878cc2c"/></game>
<game name="Beta (Japan)"><rom name="Beta (Japan).nes" sha1="5351ff3a0c736d6556c1b0d01de6d4a0598a284f"/></game>
<game name="Gamma (Japan)"><rom name="Gamma (Japan).nes" size="500" crc="cb86bf3d" md5="4328e08ebf4677c23df0920f276288df"/></game>
<game name="Delta (Japan)"><rom name="Delta (Japan).nes" size="500" crc="5ecc2120"/></game>
<game name="Epsilon (Japan)"><rom name="Epsilon (Japan).nes" size="700" crc="ec666a43" sha1="d04f10dd8d22392b1b0b1827e7bbc1b38bd775b5"/></game>
<game name="Zeta (Japan)"><rom name="Zeta (Japan).nes" size="400" crc="36779a95"/></game>
<game name="Eta"><rom name="Eta.nes" size="32768" crc="1dabe8d6"/></game>
</datafile>)DAT";

struct DatVerifyTest : test::AppChecks {
    DatVerifyTest() {
        setUpHardware("FC");
        dir.write("roms/FC/Alpha (Japan).nes", times("alpha", 100));
        dir.write("roms/FC/Beta (Japan).nes", times("beta", 100));
        dir.write("roms/FC/wrong.nes", times("gamma", 100));
        dir.write("roms/FC/stranger.nes", times("stranger", 10));
        dir.write("roms/FC/Delta (Japan).nes", times("delta!", 100));
        dir.write("roms/FC/Eta.nes",
                  std::string("NES\x1a\x02\x01\x01\0", 8) + std::string(8, '\0') + inesBody());
        writeZip("roms/FC/set.zip", {{"Zeta (Japan).nes", times("zeta", 100)}});
        dir.write("planted.dat", kDat);
    }
};

TEST_F(DatVerifyTest, EachFileIsClassedAndTheReportSaysHow) {
    start("FC");
    app.showAll();
    std::string error;
    const auto dat = readDatFile(dir.file("planted.dat"), error);
    ASSERT_TRUE(dat) << error;
    const std::string roms = dir.file("roms/FC/");
    // Whatever the files show, nothing of them changes.
    const VerifyRun run = verifyListedFiles(app, *dat);
    EXPECT_FALSE(run.aborted);
    EXPECT_EQ(verifySummary(run.report),
              "4 have\t1 rename\t1 unknown\t1 bad\t2 missing\t1 without header");
    // MD5s are summed because an entry carries one, in the same read as the rest.
    const std::string expected =
        "\xEF\xBB\xBFstatus,file,member,game,dat_name,target,size,crc32,md5,sha1,header,reason\r\n"
        "have," +
        roms +
        "Alpha (Japan).nes,,Alpha (Japan),Alpha (Japan).nes,,500,2878cc2c,"
        "d4a70a9bd47566d2395204c645954fae,ff849ce4fdd367ce683f0e675063062c0008e597,,\r\n"
        "have," +
        roms +
        "Beta (Japan).nes,,Beta (Japan),Beta (Japan).nes,,400,b5e5a837,"
        "8c6785b6137b94b45d4203526865c4f0,5351ff3a0c736d6556c1b0d01de6d4a0598a284f,,\r\n"
        "bad," +
        roms +
        "Delta (Japan).nes,,Delta (Japan),Delta (Japan).nes,,600,db4f9974,"
        "f9b4a7f501cd2b3996b78ec8f08772c7,dd021866431dba5fa9e6580829b42e5ed65f0d0e,,"
        "has an entry's name but other contents\r\n"
        "have," +
        roms +
        "Eta.nes,,Eta,Eta.nes,,32768,1dabe8d6,a67da23a7b8d70f24e0e7e04b3e7ca57,"
        "520dd7c8a87ae1a33d0af1399dd694007e84aa89,matched without its iNES header,\r\n"
        "have," +
        roms +
        "set.zip,Zeta (Japan).nes,Zeta (Japan),Zeta (Japan).nes,,400,36779a95,"
        "218450d862c3f16abc378259913ff1ff,367afb09e373c5c311ec894eb43bf78c8442ad3a,,\r\n"
        "unknown," +
        roms +
        "stranger.nes,,,,,80,ba0b140c,87b5f685f48d922253509875cfcb1102,"
        "7c2bf97e401f30e9e80fd7d11db9bdae6dd1b87f,,matches no entry\r\n"
        "rename," +
        roms +
        "wrong.nes,,Gamma (Japan),Gamma (Japan).nes,Gamma (Japan).nes,500,cb86bf3d,"
        "4328e08ebf4677c23df0920f276288df,9f54fae73437f8e65a089f792c3ce1f7e0aa5c38,,"
        "matches an entry of another name\r\n"
        "missing,,,Delta (Japan),Delta (Japan).nes,,500,5ecc2120,,,,no file matches\r\n"
        "missing,,,Epsilon (Japan),Epsilon (Japan).nes,,700,ec666a43,,"
        "d04f10dd8d22392b1b0b1827e7bbc1b38bd775b5,,no file matches\r\n";
    EXPECT_EQ(verifyReportCsv(run.report), expected);
    // What was read is remembered, for records that follow files renamed outside the program.
    const auto cached = app.recordFollowing().cache().find(roms + "Alpha (Japan).nes");
    ASSERT_TRUE(cached);
    EXPECT_EQ(std::tuple(cached->size, cached->crc, cached->sha1),
              std::tuple(500u, 0x2878cc2cu, "ff849ce4fdd367ce683f0e675063062c0008e597"));

    // The fixdat is a DAT of the missing entries that reads back as them.
    const auto fixdat = parseDat(fixdatOf(run.report), "fixdat.dat", error);
    ASSERT_TRUE(fixdat) << error;
    EXPECT_EQ(fixdat->name, "Planted (fixdat)");
    // It keeps the DAT's skipper: its entries are of headerless dumps too.
    EXPECT_EQ(fixdat->skipper, "No-Intro_NES.xml");
    // And other ROM managers read it: it is valid against the Logiqx DTD (xmllint's word).
    const std::string fixdatPath = dir.write("fixdat.dat", fixdatOf(run.report));
    EXPECT_EQ(std::system(("xmllint --noout --nonet --dtdvalid '" ROMSHELF_TEST_DATA_DIR
                           "/datafile.dtd' '" +
                           fixdatPath + "' 2>'" + fixdatPath + ".log'")
                              .c_str()),
              0)
        << dir.read("fixdat.dat.log");
    ASSERT_EQ(fixdat->roms.size(), 2u);
    EXPECT_EQ(std::tuple(fixdat->roms[1].game, fixdat->roms[1].name, *fixdat->roms[1].crc,
                         fixdat->roms[1].sha1),
              std::tuple("Epsilon (Japan)", "Epsilon (Japan).nes", 0xec666a43u,
                         "d04f10dd8d22392b1b0b1827e7bbc1b38bd775b5"));
}

// The window's command: the DAT picked, the counts told, the report and fixdat saved where the
// user picks them.
TEST_F(DatVerifyTest, TheCommandTellsTheCountsAndSavesTheReportAndFixdat) {
    start("FC");
    app.showAll();
    prompter.pickFile(dir.file("planted.dat"));
    prompter.answer(true);
    prompter.pickFile(dir.file("out/report.csv"));
    prompter.answer(true);
    prompter.pickFile(dir.file("out/fix.dat"));
    dir.makeFolder("out");
    ASSERT_TRUE(verifyWithDat(app));
    EXPECT_NE(boxes()[0].find("所持しているファイル数 : 4"), std::string::npos) << boxes()[0];
    EXPECT_NE(boxes()[0].find("不足しているROMの数 : 2"), std::string::npos);
    EXPECT_NE(boxes()[0].find("ヘッダーを除いた内容で一致したファイル数 : 1"), std::string::npos);
    // The report's rows come with the counts, before the offers to save them.
    ASSERT_EQ(prompter.reports.size(), 1u);
    EXPECT_EQ(prompter.reports[0].text, prompter.boxes()[0].text);
    ASSERT_EQ(prompter.reports[0].tables.size(), 1u);  // no DAT of sets: no table of them
    const ReportTable& files = prompter.reports[0].tables[0];
    EXPECT_EQ(files.columns, (std::vector<std::string>{"状態", "ファイル", "ゲーム", "DATでの名前",
                                                       "変更後の名前", "理由"}));
    const std::vector<std::vector<std::string>> rows = {
        {"所持", "Alpha (Japan).nes", "Alpha (Japan)", "Alpha (Japan).nes", "", ""},
        {"所持", "Beta (Japan).nes", "Beta (Japan)", "Beta (Japan).nes", "", ""},
        {"内容違い", "Delta (Japan).nes", "Delta (Japan)", "Delta (Japan).nes", "",
         "エントリの名前ですが内容が違います"},
        {"所持", "Eta.nes", "Eta", "Eta.nes", "", "ヘッダーを除いた内容で一致しました"},
        {"所持", "set.zip : Zeta (Japan).nes", "Zeta (Japan)", "Zeta (Japan).nes", "", ""},
        {"DATにない", "stranger.nes", "", "", "", "どのエントリとも一致しません"},
        {"名前違い", "wrong.nes", "Gamma (Japan)", "Gamma (Japan).nes", "Gamma (Japan).nes",
         "別の名前のエントリと内容が一致しました"},
        {"不足", "", "Delta (Japan)", "Delta (Japan).nes", "", "一致するファイルがありません"},
        {"不足", "", "Epsilon (Japan)", "Epsilon (Japan).nes", "", "一致するファイルがありません"},
    };
    EXPECT_EQ(files.rows, rows);
    EXPECT_TRUE(dir.read("out/report.csv").starts_with("\xEF\xBB\xBFstatus,"));
    EXPECT_NE(dir.read("out/fix.dat").find("<name>Planted (fixdat)</name>"), std::string::npos);
    EXPECT_TRUE(prompter.allAnswersUsed());

    // A file that is no DAT is told, with the two formats it could be.
    dir.write("notes.txt", "just some notes");
    prompter.clear();
    prompter.pickFile(dir.file("notes.txt"));
    EXPECT_FALSE(verifyWithDat(app));
    EXPECT_NE(lastBox().find("Logiqx XML形式とclrmamepro形式"), std::string::npos) << lastBox();
}

// Disc games as the Redump DATs give them (clrmamepro text: a game of a cue sheet and its
// tracks) and arcade sets in zips named as their games. The sums are Python's zlib.crc32.
constexpr const char* kDiscCue =
    "FILE \"Disc Game (Japan) (Track 1).bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 "
    "00:00:00\r\nFILE \"Disc Game (Japan) (Track 2).bin\" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX "
    "00 00:00:00\r\n    INDEX 01 00:02:00\r\n";
constexpr const char* kDreamGdi =
    "3\r\n1 0 4 2352 track01.bin 0\r\n2 600 0 2352 \"track 02.raw\" 0\r\n3 45000 4 2352 "
    "track03.bin 0\r\n";
constexpr const char* kMultiCue =
    "FILE \"Multi (Japan) (Disc 1).bin\" BINARY\n  TRACK 01 MODE2/2352\n    INDEX 01 00:00:00\n";

constexpr const char* kDiscDat = R"DAT(clrmamepro (
	name "Discs"
	description "Discs"
)

game (
	name "Disc Game (Japan)"
	rom ( name "Disc Game (Japan).cue" size 204 crc 250368d2 )
	rom ( name "Disc Game (Japan) (Track 1).bin" size 400 crc 560034e8 )
	rom ( name "Disc Game (Japan) (Track 2).bin" size 400 crc 794f637e )
)

game (
	name "Dream Game (Japan)"
	rom ( name "Dream Game (Japan).gdi" size 90 crc edd52f90 )
	rom ( name track01.bin size 400 crc e62f4956 )
	rom ( name "track 02.raw" size 400 crc c9601ec0 )
	rom ( name track03.bin size 480 crc f4e99938 )
)

game (
	name "Multi (Japan) (Disc 1)"
	rom ( name "Multi (Japan) (Disc 1).cue" size 85 crc 201fb9f6 )
	rom ( name "Multi (Japan) (Disc 1).bin" size 400 crc 4a40d022 )
)

game (
	name "Multi (Japan) (Disc 2)"
	rom ( name "Multi (Japan) (Disc 2).cue" size 85 crc 00000001 )
	rom ( name "Multi (Japan) (Disc 2).bin" size 400 crc 00000002 )
)

game (
	name pacman
	rom ( name pm1 size 360 crc c643c304 )
	rom ( name pm2 size 360 crc 4698eb32 )
)

game (
	name puckman
	cloneof pacman
	romof pacman
	rom ( name pm1 merge pm1 size 360 crc c643c304 )
	rom ( name puck2 size 400 crc d7e94431 )
)
)DAT";

struct DiscVerifyTest : test::AppChecks {
    DiscVerifyTest() {
        FolderSettings f;
        f.romFolderNames[0] = "CD";
        f.romFolderPaths[0] = "./roms/CD/";
        f.extraExtensions = {"cue", "gdi", "m3u", "zip"};
        writeFolderSettings("PCE", f);
        dir.write("roms/CD/Disc Game (Japan).cue", kDiscCue);
        dir.write("roms/CD/Disc Game (Japan) (Track 1).bin", times("track-one;", 40));
        dir.write("roms/CD/Disc Game (Japan) (Track 2).bin", times("track-two;", 40));
        dir.write("roms/CD/Dream Game (Japan).gdi", kDreamGdi);
        dir.write("roms/CD/track01.bin", times("dream-one;", 40));
        dir.write("roms/CD/track03.bin", times("dream-three;", 40));
        dir.write("roms/CD/Multi (Japan).m3u", "Multi (Japan) (Disc 1).cue\n");
        dir.write("roms/CD/Multi (Japan) (Disc 1).cue", kMultiCue);
        dir.write("roms/CD/Multi (Japan) (Disc 1).bin", times("multi-one;", 40));
        writeZip("roms/CD/pacman.zip", {{"pm1", times("pacman-1;", 40)}});
        writeZip("roms/CD/puckman.zip", {{"puck2", times("puckman-2;", 40)}});
        dir.write("discs.dat", kDiscDat);
    }
};

TEST_F(DiscVerifyTest, EveryTrackOfADiscAndEveryRomOfASetIsVerified) {
    start("PCE");
    app.showAll();
    std::string error;
    const auto dat = readDatFile(dir.file("discs.dat"), error);
    ASSERT_TRUE(dat) << error;
    const VerifyRun run = verifyListedFiles(app, *dat);
    // Three rows on the list (a sheet, a .gdi, a playlist) and two zips: every track read once.
    EXPECT_EQ(verifySummary(run.report),
              "10 have\t0 rename\t0 unknown\t0 bad\t4 missing"
              "\t3 complete sets\t2 incomplete sets\t1 missing set");
    std::map<std::string, std::string> sets;
    for (const SetRow& row : run.report.sets.rows) {
        std::string missing;
        for (const std::string& name : row.missingRoms) missing += name + ";";
        sets[row.game] = std::string(setStatusWord(row.status)) + " " + missing;
    }
    const std::map<std::string, std::string> expected = {
        {"Disc Game (Japan)", "complete "},
        {"Dream Game (Japan)", "incomplete track 02.raw;"},
        {"Multi (Japan) (Disc 1)", "complete "},
        {"Multi (Japan) (Disc 2)",
         "missing Multi (Japan) (Disc 2).cue;Multi (Japan) (Disc 2).bin;"},
        {"pacman", "incomplete pm2;"},
        {"puckman", "complete "},
    };
    EXPECT_EQ(sets, expected);
}

TEST_F(DiscVerifyTest, TheWindowTellsTheSetsAndSavesThemApart) {
    start("PCE");
    app.showAll();
    dir.makeFolder("out");
    prompter.pickFile(dir.file("discs.dat"));
    prompter.answer(false);  // no file report
    prompter.answer(true);
    prompter.pickFile(dir.file("out/sets.csv"));
    prompter.answer(false);  // no fixdat
    ASSERT_TRUE(verifyWithDat(app));
    EXPECT_NE(boxes()[0].find(
                  "そろっているセット数 : 3\n一部が不足しているセット数 : 2\nないセット数 : 1"),
              std::string::npos)
        << boxes()[0];
    // The sets' table follows the files', in the DAT's game order.
    ASSERT_EQ(prompter.reports.size(), 1u);
    ASSERT_EQ(prompter.reports[0].tables.size(), 2u);
    const ReportTable& sets = prompter.reports[0].tables[1];
    EXPECT_EQ(sets.columns,
              (std::vector<std::string>{"状態", "ゲーム", "親", "ROM", "不足しているROM"}));
    std::map<std::string, std::vector<std::string>> byGame;
    for (const auto& row : sets.rows) byGame[row.at(1)] = row;
    EXPECT_EQ(byGame["Dream Game (Japan)"],
              (std::vector<std::string>{"一部が不足", "Dream Game (Japan)", "", "3 / 4",
                                        "track 02.raw"}));
    EXPECT_EQ(
        byGame["Multi (Japan) (Disc 2)"],
        (std::vector<std::string>{"ない", "Multi (Japan) (Disc 2)", "", "0 / 2",
                                  "Multi (Japan) (Disc 2).cue | Multi (Japan) (Disc 2).bin"}));
    EXPECT_EQ(byGame["puckman"],
              (std::vector<std::string>{"そろっている", "puckman", "pacman", "2 / 2", ""}));
    EXPECT_EQ(sets.rows.size(), 6u);
    EXPECT_NE(
        dir.read("out/sets.csv").find("\r\nincomplete,Dream Game (Japan),,3,4,track 02.raw\r\n"),
        std::string::npos)
        << dir.read("out/sets.csv");
    EXPECT_TRUE(prompter.allAnswersUsed());
}

}  // namespace
}  // namespace romshelf
