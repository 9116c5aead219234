#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <numeric>
#include <tuple>

#include "AppChecks.h"
#include "PowerCut.h"
#include "WholeDat.h"
#include "core/commands/RenameCommands.h"
#include "core/rename/FileIdentity.h"
#include "core/rename/RenameData.h"
#include "core/storage/MoveJournal.h"

namespace romshelf {
namespace {

const std::string kA = std::string(600, 'a'), kB = std::string(600, 'b');

// FC with its files in roms/FC/, the OK folder (also ROM folder 2), the failed and duplicate
// folders, a snap folder, TEMP and save folders; rename data for the contents kA and kB.
class RenameCommandsTest : public test::AppChecks {
protected:
    RenameCommandsTest() {
        FolderSettings f;
        f.romFolderNames = {"FC", "OK"}, f.romFolderPaths = {"./roms/FC/", "./ok/"};
        f.renameOkFolder = "./ok/", f.renameFailedFolder = "./failed/";
        f.duplicateFolder = "./dup/", f.snapFolderPaths[1] = "./snap/";
        f.tempFolder = "./temp/", f.saveFolder = "./save/";
        writeFolderSettings("FC", f);
        for (const char* folder : {"ok", "failed", "dup", "snap", "temp", "save"})
            dir.makeFolder(folder);
        for (const auto& [name, bytes] : {std::pair{"a.nes", kA},
                                          {"b.nes", kB},
                                          {"b2.nes", kB},
                                          {"x.nes", std::string(10, 'x')},
                                          {"z.zip", kA}})
            dir.write(std::string("roms/FC/") + name, bytes);
        writeRecords("FC", {record("a", "エー"), record("Gamma")});
        writeData("data/Rename_FC.dat", "FC", {{"Alpha", kA}, {"Beta", kB}, {"Gamma", "g"}});
    }
    // Rename data with records (name, contents whose identity it takes).
    void writeData(const std::string& file, const std::string& code,
                   const std::vector<std::pair<std::string, std::string>>& records) {
        RenameData data;
        data.hardware = code;
        for (const auto& [name, bytes] : records)
            data.records.push_back({name, identityOf(bytes), {}});
        // Written as another program writes it, whatever this process read of it before.
        DataStream::forgetSeen(dir.file(file));
        DataStream s;
        ASSERT_TRUE(saveRenameData(s, dir.file(file), data));
    }
    FileIdentity identityOf(const std::string& bytes) {
        return fileIdentity(dir.write("identity.tmp", bytes));
    }
    std::vector<std::string> storedNames(const std::string& file) {
        const auto load = +[](DataStream& s, const std::string& p, Prompter& q, RenameData& d) {
            return loadRenameData(s, p, q, d);
        };
        std::vector<std::string> names;
        for (const RenameRecord& r : stored(load, dir.file(file)).records) names.push_back(r.name);
        return names;
    }
    // Every file under roms/ and the rename folders, for checks that nothing moved.
    std::vector<std::string> files() {
        std::vector<std::string> all;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
            if (e.is_regular_file() && e.path().string().find("/data/") == std::string::npos)
                all.push_back(e.path().string());
        std::ranges::sort(all);
        return all;
    }
};

TEST_F(RenameCommandsTest, ApplySortsFilesAndTheirCompanionsAndWritesTheUnownedList) {
    dir.write("snap/A.JPG", "shot");  // found as the snap lookup finds it
    dir.write("snap/a.png", "mine");
    dir.write("snap/Alpha.png", "taken");  // the companion's new name is taken
    dir.write("temp/a.sav", "save in temp");
    dir.write("save/a.srm", "battery");
    dir.write("snap/ab.jpg", "another game's snap");
    // The last list of unowned files is shown too: its rows are still no files.
    dir.write("data/NoHave_FC.txt", "Gamma\n");
    app.changeSettings([](MainSettings& m) { m.setOption(Option::ListMissingFiles, true); });
    start("FC");
    app.changeSettings([fc = app.currentIndex()](MainSettings& s) {
        s.recentLaunches[static_cast<std::size_t>(fc)][0] = {"エー", "a.nes", 0};
    });
    answers({true, true});  // apply, write the unowned-files list
    prompter.pickFile(dir.file("data/NoHave_FC.txt"));
    // A second passes with each file: the new key is on the disk before the loop's last step.
    std::string keyOnDiskMidway;
    ports.progress.onStep = [&](int) {
        ports.clock.skewMs += 1000;
        keyOnDiskMidway = savedRecords("FC")[0].fileTitle;
    };

    const auto counts = applyRenameData(app);

    ASSERT_TRUE(counts);
    EXPECT_EQ(
        std::tuple(counts->count(RenameReason::Renamed), counts->count(RenameReason::Duplicate),
                   counts->count(RenameReason::Unknown), counts->aborted),
        std::tuple(2, 1, 1, false));
    EXPECT_EQ(dir.read("ok/Alpha.nes"), kA);
    EXPECT_EQ(dir.read("ok/Beta.nes"), kB);
    EXPECT_EQ(dir.read("dup/Beta.nes"), kB);
    EXPECT_EQ(dir.read("failed/x.nes"), "xxxxxxxxxx");
    EXPECT_TRUE(has("roms/FC/z.zip"));
    EXPECT_EQ(dir.read("snap/Alpha.JPG"), "shot");
    EXPECT_EQ(dir.read("snap/a.png"), "mine");
    EXPECT_EQ(dir.read("snap/Alpha.png"), "taken");
    EXPECT_EQ(dir.read("temp/Alpha.sav"), "save in temp");
    EXPECT_EQ(dir.read("save/Alpha.srm"), "battery");
    EXPECT_TRUE(has("snap/ab.jpg"));
    EXPECT_EQ(app.romTable()[0].fileTitle, "Alpha");
    EXPECT_EQ(app.romTable().findRecordByTitle("Alpha"), 0);
    // The OK folder is ROM folder 2.
    EXPECT_EQ(std::tie(app.recentLaunch(0)->fileName, app.recentLaunch(0)->folderNumber),
              std::tuple("Alpha.nes", 1));
    // The records reached the disk with their new key, during the loop already.
    EXPECT_EQ(savedRecords("FC")[0].fileTitle, "Alpha");
    EXPECT_EQ(keyOnDiskMidway, "Alpha");

    ASSERT_EQ(boxes().size(), 4u);
    EXPECT_EQ(
        boxes()[1],
        "[リネーム完了確認] ファイルのリネームが終了しました。\n\n正常にリネームしたファイル数 : 2\n"
        "同名のファイルが存在したファイル数 : 1\nリネームできなかったファイル数 : 1");
    EXPECT_NE(boxes()[2].find(dir.file("snap/a.png")), std::string::npos) << boxes()[2];
    // Alpha and Beta are listed from the OK folder; only Gamma has no file.
    EXPECT_EQ(dir.read("data/NoHave_FC.txt"), "Gamma\n");
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST_F(RenameCommandsTest, RefusedDataTouchesNoFile) {
    const std::string messages[] = {
        "リネームデータの取得に失敗しました。\ndataフォルダにリネームデータ「Rename_FC.dat」がありません。",
        "リネームデータが破損しています。", "リネームデータの機種が違います。"};
    start("FC");
    const auto before = files();
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(messages[c]);
        if (c == 0) std::filesystem::remove(dir.file("data/Rename_FC.dat"));
        if (c == 1) dir.write("data/Rename_FC.dat", std::string("\x05\0\0\0HELLO", 9));
        if (c == 2) writeData("data/Rename_FC.dat", "MD", {{"A", kA}});
        prompter.clear();
        prompter.answer(true);
        EXPECT_FALSE(applyRenameData(app));
        ASSERT_EQ(prompter.boxes().size(), 2u);
        EXPECT_TRUE(prompter.boxes()[1].text.starts_with(messages[c])) << prompter.boxes()[1].text;
        EXPECT_EQ(files(), before);
    }
}

TEST_F(RenameCommandsTest, HardwareWithoutRenameDataIsRefused) {
    setUpHardware("MSX");
    start("MSX");
    EXPECT_FALSE(applyRenameData(app));
    EXPECT_FALSE(createRenameData(app));
    EXPECT_FALSE(createRenameDataFromDat(app));
    ASSERT_EQ(prompter.boxes().size(), 3u);
    EXPECT_EQ(prompter.boxes()[2].text, kNoRenameDataMessage);
}

TEST_F(RenameCommandsTest, CancelAsksAndYesStopsWithTheCounts) {
    start("FC");
    ports.progress.pressAt = {0, 1};  // a.nes and b.nes: No goes on, Yes stops
    answers({true, false, true});
    const auto counts = applyRenameData(app);
    ASSERT_TRUE(counts);
    EXPECT_TRUE(counts->aborted);
    EXPECT_EQ(std::accumulate(counts->byReason.begin(), counts->byReason.end(), 0), 2);
    EXPECT_EQ(
        std::ranges::count_if(
            files(), [](const std::string& f) { return f.find("/roms/FC/") != std::string::npos; }),
        3);                         // two left, and the archive
    ASSERT_EQ(boxes().size(), 4u);  // asked at each press; no unowned-list question after the stop
    EXPECT_EQ(boxes()[1], "[警告] リネーム処理を中止しますか？");
    EXPECT_TRUE(boxes()[3].starts_with("[リネーム中断確認] ファイルのリネームを中断しました。"));
    EXPECT_EQ(ports.progress.clears, 1);
}

TEST_F(RenameCommandsTest, CreateRecordsTheListedFilesButArchives) {
    start("FC");
    prompter.answer(true);
    prompter.pickFile(dir.file("data/Rename_FC.dat"));
    prompter.answer(false);  // do not overwrite
    EXPECT_FALSE(createRenameData(app));
    EXPECT_EQ(storedNames("data/Rename_FC.dat"),
              (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));

    prompter.answer(true);
    prompter.pickFile(dir.file("data/new.dat"));
    EXPECT_EQ(createRenameData(app), 4);
    auto names = storedNames("data/new.dat");
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "b2", "x"}));
    EXPECT_EQ(prompter.boxes().back().text,
              "リネームデータの作成を終了しました。\n\n作成したリネームデータ数 : 4");
    EXPECT_EQ(prompter.filePickers.back().defaultName, "Rename_FC.dat");
}

TEST_F(RenameCommandsTest, MergeLetsTheSecondFileWinAndChecksTheHardware) {
    writeData("data/two.dat", "FC", {{"AlphaNew", kA}, {"Delta", "d"}});
    writeData("data/md.dat", "MD", {{"Sonic", "s"}});
    const std::string two = dir.read("data/two.dat");
    start("FC");
    prompter.answer(true);
    prompter.pickFile(dir.file("data/Rename_FC.dat"));
    prompter.pickFile(dir.file("data/two.dat"));
    ASSERT_TRUE(mergeRenameData(app));
    EXPECT_EQ(storedNames("data/Rename_FC.dat"),
              (std::vector<std::string>{"AlphaNew", "Beta", "Gamma", "Delta"}));
    EXPECT_EQ(dir.read("data/two.dat"), two);
    EXPECT_EQ(
        prompter.boxes().back().text,
        "リネームデータ1 (Rename_FC.dat) に\nリネームデータ2 (two.dat) の内容を追加しました。");

    for (const auto& [second, message] :
         {std::pair{"data/md.dat", "結合するリネームデータの機種が違います。"},
          {"data/../data/Rename_FC.dat", "同じリネームデータが指定されています。"}}) {
        const std::string first = dir.read("data/Rename_FC.dat");
        prompter.clear();
        prompter.answer(true);
        prompter.pickFile(dir.file("data/Rename_FC.dat"));
        prompter.pickFile(dir.file(second));
        EXPECT_FALSE(mergeRenameData(app));
        EXPECT_EQ(prompter.boxes().back().text, message);
        EXPECT_EQ(dir.read("data/Rename_FC.dat"), first);
    }
}

// A No-Intro DAT sums the bytes after the iNES header and names its skipper; a headered file
// (sums by Python's zlib and hashlib over the same bytes) is renamed by them, and told so.
TEST_F(RenameCommandsTest, AHeaderlessDatRenamesHeaderedFiles) {
    std::string rom(32768, '\0');
    for (std::size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<char>((i * 3 + 7) % 251);
    dir.write("roms/FC/headered.nes",
              std::string("NES\x1a\x02\x01\x01\0", 8) + std::string(8, '\0') + rom);
    dir.write("data/nes.dat",
              "<?xml version=\"1.0\"?>\n<datafile><header><name>NES</name>"
              "<clrmamepro header=\"No-Intro_NES.xml\"/></header>"
              "<game name=\"Delta (Japan)\"><rom name=\"Delta (Japan).nes\" size=\"32768\" "
              "crc=\"1dabe8d6\" sha1=\"520dd7c8a87ae1a33d0af1399dd694007e84aa89\"/></game>"
              "<game name=\"Wrong sha\"><rom name=\"Wrong.nes\" size=\"32768\" crc=\"1dabe8d6\" "
              "sha1=\"0000000000000000000000000000000000000000\"/></game></datafile>");
    start("FC");
    prompter.pickFile(dir.file("data/nes.dat"));
    prompter.pickFile(dir.file("data/Rename_FC.dat"));
    prompter.answer(true);  // overwrite
    ASSERT_EQ(createRenameDataFromDat(app), 2);
    EXPECT_NE(lastBox().find("iNESヘッダーを除いた内容のものです"), std::string::npos) << lastBox();

    answers({true, false});
    const auto counts = applyRenameData(app);
    ASSERT_TRUE(counts);
    EXPECT_EQ(std::tuple(counts->count(RenameReason::Renamed), counts->withoutHeader),
              std::tuple(1, 1));
    EXPECT_TRUE(has("ok/Delta (Japan).nes"));
    EXPECT_NE(prompter.boxes()[prompter.boxes().size() - 2].text.find(
                  "ヘッダーを除いた内容で一致したファイル数 : 1"),
              std::string::npos);
}

// Rename data are shared between users: a record's name is a file title, never a path.
TEST_F(RenameCommandsTest, NamesThatAreNoFileTitleMoveNothing) {
    const std::vector<std::pair<std::string, std::string>> hostile = {
        {"../../../escaped1", "h1"}, {".", "h2"},      {"..", "h3"}, {"a\\b", "h4"},
        {"tab\tname", "h5"},         {"sub/dir", "h6"}};
    std::vector<std::pair<std::string, std::string>> records = {{"Alpha", kA}};
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        dir.write("roms/FC/h" + std::to_string(i + 1) + ".nes", hostile[i].second);
        records.push_back(hostile[i]);
    }
    writeData("data/Rename_FC.dat", "FC", records);
    start("FC");
    answers({true, false});
    const auto counts = applyRenameData(app);
    ASSERT_TRUE(counts);
    EXPECT_EQ(
        std::tuple(counts->count(RenameReason::Renamed), counts->count(RenameReason::BadCharacter)),
        std::tuple(1, 6));
    for (int i = 1; i <= 6; ++i) EXPECT_TRUE(has("roms/FC/h" + std::to_string(i) + ".nes")) << i;
    EXPECT_FALSE(std::filesystem::exists(dir.file("escaped1.nes")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("../escaped1.nes")));
    for (const char* hidden : {"ok/..nes", "ok/...nes", "failed/h1.nes", "ok/a\\b.nes"})
        EXPECT_FALSE(has(hidden)) << hidden;
    const std::string message = boxes()[1];  // a copy: boxes() is a temporary
    EXPECT_NE(message.find("うち、記録の名前がファイル名に使えないファイル数 : 6"),
              std::string::npos)
        << message;
    for (const char* shown : {"「../../../escaped1」", "「..」", "「tab\\x09name」", "「sub/dir」"})
        EXPECT_NE(message.find(shown), std::string::npos) << shown;

    // Merging takes no such record from the second file, and says which it left out.
    writeData("data/two.dat", "FC", {{"../evil", "e"}, {"Fine", "f"}});
    prompter.clear();
    prompter.answer(true);
    prompter.pickFile(dir.file("data/Rename_FC.dat"));
    prompter.pickFile(dir.file("data/two.dat"));
    ASSERT_TRUE(mergeRenameData(app));
    const auto names = storedNames("data/Rename_FC.dat");
    EXPECT_EQ(std::ranges::count(names, "Fine"), 1);
    EXPECT_EQ(std::ranges::count(names, "../evil"), 0);
    EXPECT_NE(prompter.boxes().back().text.find("「../evil」"), std::string::npos);
}

TEST_F(RenameCommandsTest, DatEntriesRenameOnSizeAndCrc) {
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(identityOf(kB).crc));
    dir.write("data/nes.dat",
              "<?xml version=\"1.0\"?>\n<datafile><header><name>NES</name></header>"
              "<game name=\"Beta (Japan)\"><rom name=\"Beta (Japan).nes\" size=\"600\" crc=\"" +
                  std::string(crc) + "\"/></game></datafile>");
    start("FC");
    prompter.pickFile(dir.file("data/nes.dat"));
    prompter.pickFile(dir.file("data/Rename_FC.dat"));
    prompter.answer(true);  // overwrite
    ASSERT_EQ(createRenameDataFromDat(app), 1);

    answers({true, false});  // no unowned list
    const auto counts = applyRenameData(app);
    ASSERT_TRUE(counts);
    EXPECT_EQ(std::tuple(counts->count(RenameReason::Renamed),
                         counts->count(RenameReason::Duplicate), counts->bySizeAndCrc),
              std::tuple(1, 1, 2));
    EXPECT_EQ(dir.read("ok/Beta (Japan).nes"), kB);
    EXPECT_NE(prompter.boxes()[prompter.boxes().size() - 2].text.find(
                  "DATファイルの記録と大きさとCRCだけで一致したファイル数 : 2"),
              std::string::npos);
}

// A DAT of 14,000 entries: the rename data made of it hold the first 5,000 records, as the other
// program reads them, and the settings keep the DAT's path beside them; renaming then matches
// against the whole DAT, so files answering to entries far past the 5,000th are renamed too.
TEST_F(RenameCommandsTest, AWholeDatRenamesFilesFromAcrossIt) {
    for (int k = 0; k < test::kWholeDatFiles; ++k)
        dir.write("roms/FC/file" + std::to_string(k) + ".nes", test::wholeDatFileBytes(k));
    const std::string dat = dir.write("dats/nes.dat", test::wholeDatText());
    start("FC");
    prompter.pickFile(dat);
    prompter.pickFile(dir.file("data/Rename_FC.dat"));
    prompter.answer(true);  // overwrite
    ASSERT_EQ(createRenameDataFromDat(app), 5000);
    EXPECT_NE(lastBox().find("残りの 9000 件はDATファイルにだけあります。"), std::string::npos)
        << lastBox();
    RenameData written;
    DataStream stream;
    ASSERT_EQ(loadRenameData(stream, dir.file("data/Rename_FC.dat"), prompter, written, SIZE_MAX),
              LoadResult::Loaded);
    ASSERT_EQ(written.records.size(), 5000u);
    EXPECT_EQ(written.records.back().name, "Title 04999 (Japan)");
    ASSERT_TRUE(app.saveMainSettings());
    EXPECT_NE(dir.read("data/romshelf-plus.ini").find("renameDat.FC=" + dat + "\n"),
              std::string::npos)
        << dir.read("data/romshelf-plus.ini");

    answers({true, false});  // apply; no unowned list
    const auto counts = applyRenameData(app);
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->datPath, dat);
    EXPECT_EQ(
        std::tuple(counts->count(RenameReason::Renamed), counts->count(RenameReason::Unknown)),
        std::tuple(test::kWholeDatFiles, 4));  // a, b, b2 and x are no entry of it
    for (int k = 0; k < test::kWholeDatFiles; ++k)
        EXPECT_EQ(dir.read("ok/" + test::wholeDatTitle(test::wholeDatEntryOf(k)) + ".nes"),
                  test::wholeDatFileBytes(k))
            << k;
    EXPECT_NE(boxes()[3].find("「nes.dat」の記録 14000 件すべてで照合しました。"),
              std::string::npos)
        << boxes()[3];

    // Rename data put in their place by another program are used as they are, and that is said.
    writeData("data/Rename_FC.dat", "FC", {{"Renamed Title", test::wholeDatFileBytes(0)}});
    answers({true, false});
    const auto again = applyRenameData(app);
    ASSERT_TRUE(again);
    EXPECT_EQ(std::tuple(again->datPath, again->count(RenameReason::Renamed)), std::tuple("", 1));
    EXPECT_EQ(dir.read("ok/Renamed Title.nes"), test::wholeDatFileBytes(0));
    const std::string told = boxes()[boxes().size() - 2];
    EXPECT_NE(told.find("から作ったものではなくなっているため"), std::string::npos) << told;

    // Rename data made again from the files are the hardware's own: the DAT is let go.
    prompter.answer(true);
    prompter.pickFile(dir.file("data/Rename_FC.dat"));
    prompter.answer(true);  // overwrite
    ASSERT_TRUE(createRenameData(app));
    ASSERT_TRUE(app.saveMainSettings());
    EXPECT_EQ(dir.read("data/romshelf-plus.ini").find("renameDat."), std::string::npos);
}

// Each file left as it was is counted by its reason and named: a taken name without a duplicate
// folder leaves the file in place (同名); a new name over 255 bytes and a record's name that is a
// path are refused; a file of 4 GiB or more, and one gone before it is read, are not matched.
TEST_F(RenameCommandsTest, EachReasonIsCountedApartAndNamed) {
    FolderSettings f;
    f.romFolderNames = {"FC"}, f.romFolderPaths = {"./roms/FC/"};
    writeFolderSettings("FC", f);
    const std::string kLong = std::string(600, 'L'), kSlash = std::string(600, 's');
    std::filesystem::rename(dir.file("roms/FC/b.nes"), dir.file("roms/FC/Beta.nes"));
    dir.write("roms/FC/long.nes", kLong);
    dir.write("roms/FC/slash.nes", kSlash);
    dir.write("roms/FC/gone.nes", "soon gone");
    dir.write("roms/FC/tab\tname.nes", "t");
    // 4 GiB and a byte, sparse: nothing is written.
    ASSERT_EQ(::truncate(dir.write("roms/FC/huge.nes", "").c_str(), (4ll << 30) + 1), 0);
    const std::string longName = std::string(252, 'N');  // 256 bytes with ".nes"
    writeData("data/Rename_FC.dat", "FC",
              {{"Alpha", kA}, {"Beta", kB}, {longName, kLong}, {"Folder/Title", kSlash}});
    start("FC");
    std::filesystem::remove(dir.file("roms/FC/gone.nes"));
    answers({true, false});
    const auto counts = applyRenameData(app);
    ASSERT_TRUE(counts);
    using R = RenameReason;
    const std::vector<std::pair<R, int>> expected = {
        {R::Renamed, 1},      {R::AlreadyNamed, 1}, {R::Duplicate, 0},  {R::SameName, 1},
        {R::Unknown, 2},      {R::TooLarge, 1},     {R::Unreadable, 1}, {R::NameTooLong, 1},
        {R::BadCharacter, 1}, {R::Failed, 0}};
    for (const auto& [reason, n] : expected)
        EXPECT_EQ(counts->count(reason), n) << renameReasonWord(reason);
    const std::string roms = dir.file("roms/FC/");
    EXPECT_EQ(dir.read("roms/FC/Alpha.nes"), kA);
    // The taken name's file, the refused names' files, all where they were.
    EXPECT_EQ(dir.read("roms/FC/b2.nes"), kB);
    EXPECT_EQ(dir.read("roms/FC/Beta.nes"), kB);
    EXPECT_EQ(dir.read("roms/FC/long.nes"), kLong);
    EXPECT_EQ(dir.read("roms/FC/slash.nes"), kSlash);
    EXPECT_TRUE(has("roms/FC/huge.nes"));
    EXPECT_FALSE(has("roms/FC/Folder"));

    const std::string message = boxes()[1];
    for (const std::string& said :
         {std::string("正常にリネームしたファイル数 : 1"),
          std::string("既に正しい名前だったファイル数 : 1"),
          std::string("同名のファイルが存在したファイル数 : 1"),
          std::string("うち、そのままにしたファイル数 (同名) : 1"),
          std::string("リネームできなかったファイル数 : 6"),
          std::string("うち、記録にないファイル数 : 2"),
          std::string("うち、4GiB以上のファイル数 : 1"),
          std::string("うち、読み取れなかったファイル数 : 1"),
          std::string("うち、新しい名前が255バイトを超えるファイル数 : 1"),
          std::string("うち、記録の名前がファイル名に使えないファイル数 : 1"),
          std::string("「b2.nes」→「Beta.nes」"),
          std::string("「long.nes」→「" + longName + ".nes」"), std::string("「Folder/Title」")})
        EXPECT_NE(message.find(said), std::string::npos) << said << "\n" << message;

    // The CSV report: one line a file, its target name and reason; a field with a tab is quoted.
    const std::string csv = renameReportCsv(*counts);
    EXPECT_TRUE(
        csv.starts_with("\xEF\xBB\xBF"
                        "file,target,reason\r\n"));
    for (const std::string& line :
         {roms + "b2.nes,Beta.nes,same name", roms + "Beta.nes,Beta.nes,already named",
          roms + "a.nes,Alpha.nes,renamed", roms + "huge.nes,,too large",
          roms + "gone.nes,,unreadable", roms + "long.nes," + longName + ".nes,name too long",
          roms + "slash.nes,Folder/Title,bad character", "\"" + roms + "tab\tname.nes\",,unknown"})
        EXPECT_NE(csv.find("\r\n" + line + "\r\n"), std::string::npos) << line << "\n" << csv;
}

// Each file moved by the rename is named in the journal on the disk before it moves: a power cut
// at any move leaves the next start a journal that says it.
TEST_F(RenameCommandsTest, EachMoveIsInTheJournalOnTheDiskBeforeItHappens) {
    start("FC");
    answers({true, false});  // apply; no unowned list
    std::vector<test::PowerCutWatch::Rename> renames;
    {
        test::PowerCutWatch watch(dir.file("data/" + MoveJournal::fileName()));
        ASSERT_TRUE(applyRenameData(app));
        renames = watch.renames();
    }
    std::vector<std::pair<std::string, std::string>> moved;
    for (const test::PowerCutWatch::Rename& cut : renames) {
        if (!cut.from.starts_with(dir.file("roms/"))) continue;  // snaps and saves follow them
        moved.emplace_back(cut.from, cut.to);
        SCOPED_TRACE(cut.from);
        ASSERT_TRUE(cut.fileOnDisk) << "no journal on the disk";
        dir.write("after-the-cut.txt", *cut.fileOnDisk);
        const auto left = MoveJournal::read(dir.file("after-the-cut.txt"));
        ASSERT_TRUE(left);
        EXPECT_EQ(left->hardware, "FC");
        EXPECT_EQ(std::ranges::count_if(left->entries,
                                        [&](const MoveJournal::Entry& e) {
                                            return e.from == cut.from && e.to == cut.to;
                                        }),
                  1);
    }
    const std::string roms = dir.file("roms/FC/");
    std::ranges::sort(moved);  // in the list's order
    EXPECT_EQ(moved, (std::vector<std::pair<std::string, std::string>>{
                         {roms + "a.nes", dir.file("ok/Alpha.nes")},
                         {roms + "b.nes", dir.file("ok/Beta.nes")},
                         {roms + "b2.nes", dir.file("dup/Beta.nes")},
                         {roms + "x.nes", dir.file("failed/x.nes")}}));
}

// While it lives, no file may grow by a byte, as on a full disk (a write fails with EFBIG
// rather than the process being stopped by SIGXFSZ).
class FullDisk {
public:
    FullDisk() {
        old_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &limit_);
        rlimit none = limit_;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &none);
    }
    ~FullDisk() {
        ::setrlimit(RLIMIT_FSIZE, &limit_);
        std::signal(SIGXFSZ, old_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    rlimit limit_{};
    void (*old_)(int) = SIG_DFL;
};

// A journal that cannot be written moves nothing, and the log says why.
TEST_F(RenameCommandsTest, NothingMovesWhenTheJournalCannotBeWritten) {
    start("FC");
    const std::vector<std::string> before = files();
    answers({true, false});
    std::optional<RenameCounts> counts;
    {
        FullDisk full;
        counts = applyRenameData(app);
    }
    ASSERT_TRUE(counts);
    // Nothing moved: the three that matched failed to move, the fourth matched nothing.
    EXPECT_EQ(
        std::tuple(counts->count(RenameReason::Renamed), counts->count(RenameReason::Duplicate),
                   counts->count(RenameReason::Failed), counts->count(RenameReason::Unknown)),
        std::tuple(0, 0, 3, 1));
    EXPECT_EQ(files(), before);
    EXPECT_FALSE(has("data/" + MoveJournal::fileName()));
    EXPECT_EQ(savedRecords("FC")[0].fileTitle, "a");
    const std::vector<std::string> lines = log();
    const auto said = std::ranges::find_if(lines, [](const std::string& line) {
        return line.starts_with("移動の記録を書き込めないため、ファイルを移動しませんでした");
    });
    ASSERT_NE(said, lines.end());
    ASSERT_NE(said + 1, lines.end());
    EXPECT_EQ(*(said + 1), "> " + dir.file("data/" + MoveJournal::fileName()));
    EXPECT_EQ(std::ranges::count(lines, *said), 1);  // once, not once a file
}

// The moves done and the records not saved (their file cannot be replaced): the journal stays,
// and the next start lets the records follow the files.
TEST_F(RenameCommandsTest, AJournalStaysWhenTheRecordsCannotBeSaved) {
    start("FC");
    const std::string records = dir.read("data/RomData_FC.slb");
    std::filesystem::remove(dir.file("data/RomData_FC.slb"));
    dir.makeFolder("data/RomData_FC.slb");
    answers({true, false});
    const auto counts = applyRenameData(app);
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->count(RenameReason::Renamed), 2);
    EXPECT_EQ(dir.read("ok/Alpha.nes"), kA);
    const auto journal = MoveJournal::read(dir.file("data/" + MoveJournal::fileName()));
    ASSERT_TRUE(journal) << "the journal went with the moves it holds";
    EXPECT_EQ(journal->hardware, "FC");
    EXPECT_EQ(std::ranges::count_if(journal->entries,
                                    [&](const MoveJournal::Entry& e) {
                                        return e.from == dir.file("roms/FC/a.nes") &&
                                               e.to == dir.file("ok/Alpha.nes");
                                    }),
              1);

    // The next start, with the records file writable again.
    std::filesystem::remove(dir.file("data/RomData_FC.slb"));
    dir.write("data/RomData_FC.slb", records);
    test::FakePorts nextPorts;
    Application next{ProgramFolder(dir.path()), nextPorts.host()};
    next.loadMainSettings();
    next.preferHardware("FC");
    next.startUp();
    EXPECT_FALSE(has("data/" + MoveJournal::fileName()));
    const RomTable saved = savedRecords("FC");
    EXPECT_EQ(saved.findRecordByTitle("a"), -1);
    ASSERT_GE(saved.findRecordByTitle("Alpha"), 0);
    EXPECT_EQ(saved[saved.findRecordByTitle("Alpha")].gameName, "エー");
}

}  // namespace
}  // namespace romshelf
