// What a run killed in the middle of moving files leaves is finished at the next start: the
// records, snaps and recent launches follow the files that moved, and nothing else changes.
#include <gtest/gtest.h>

#include <filesystem>

#include "AppChecks.h"
#include "core/app/UnsavedNotes.h"
#include "core/storage/MoveJournal.h"

namespace romshelf {
namespace {

using Kind = MoveJournal::Kind;

class InterruptedChangeTest : public test::AppChecks {
protected:
    InterruptedChangeTest() {
        FolderSettings f;
        f.romFolderNames = {"FC", "OK"}, f.romFolderPaths = {"./roms/", "./ok/"};
        f.snapFolderPaths[0] = "./snap/", f.tempFolder = "./temp/";
        writeFolderSettings("FC", f);
        for (const char* folder : {"ok", "snap", "temp"}) dir.makeFolder(folder);
        writeRecords("FC", {record("old", "旧名"), record("d", "ディー"), record("e", "イー"),
                            record("f", "エフ")});
        MainSettings m;
        m.currentHardware = "FC";
        m.recentLaunches[hardwareIndexOf("FC")][0] = {"旧名", "old.nes", 0};
        DataStream s;
        saveMainSettings(s, app.mainDataPath(), m);
    }
    std::string rom(const std::string& name) { return dir.file("roms/" + name); }
    std::string journalPath() { return dir.file("data/" + MoveJournal::fileName()); }
};

TEST_F(InterruptedChangeTest, TheNextStartLetsRecordsAndCompanionsFollowTheFilesThatMoved) {
    // The state a kill left: old.nes is in the OK folder as New.nes already, its snap and record
    // not yet; d.nes was about to move; e.nes was copied to another file system and not yet
    // removed; f.nes met another file at its new name.
    dir.write("ok/New.nes", "old bytes");
    dir.write("snap/old.png", "snap");
    dir.write("temp/old.sav", "save");
    dir.write("roms/d.nes", "d");
    dir.write("roms/e.nes", "e bytes");
    dir.write("roms/Echo.nes", "e bytes");
    dir.write("roms/f.nes", "f bytes");
    dir.write("roms/Foxtrot.nes", "another file");
    {
        MoveJournal journal(journalPath());
        ASSERT_TRUE(journal.begin("FC"));
        journal.intend(Kind::Move, rom("old.nes"), dir.file("ok/New.nes"), 1);
        journal.intend(Kind::Move, rom("e.nes"), rom("Echo.nes"), 0);
        journal.intend(Kind::Move, rom("f.nes"), rom("Foxtrot.nes"), 0);
        journal.intend(Kind::Move, rom("d.nes"), rom("Delta.nes"), 0);
    }
    app.loadMainSettings();
    start("FC");

    EXPECT_FALSE(std::filesystem::exists(journalPath()));
    const RomTable saved = savedRecords("FC");
    for (const auto& [title, name] :
         {std::pair{"New", "旧名"}, {"d", "ディー"}, {"Echo", "イー"}, {"f", "エフ"}}) {
        const int i = saved.findRecordByTitle(title);
        ASSERT_GE(i, 0) << title;
        EXPECT_EQ(saved[i].gameName, name);
        EXPECT_EQ(app.romTable().findRecordByTitle(title), i) << "loaded after the replay";
    }
    EXPECT_EQ(dir.read("snap/New.png"), "snap");
    EXPECT_EQ(dir.read("temp/New.sav"), "save");
    EXPECT_FALSE(has("roms/e.nes"));
    EXPECT_EQ(dir.read("roms/f.nes"), "f bytes");
    EXPECT_EQ(dir.read("roms/Foxtrot.nes"), "another file");
    EXPECT_TRUE(has("roms/d.nes"));
    EXPECT_FALSE(has("roms/Delta.nes"));
    const RecentLaunch recent = savedSettings().recentLaunches[hardwareIndexOf("FC")][0];
    EXPECT_EQ(std::tie(recent.fileName, recent.folderNumber), std::tuple("New.nes", 1));
    EXPECT_TRUE(logged(
        "前回中断した処理で名前が変わった 2 個のファイルに、情報・スナップなどを移しました。"));

    // Started again, nothing moves twice.
    const std::string records = dir.read("data/RomData_FC.slb");
    start("FC");
    EXPECT_EQ(dir.read("data/RomData_FC.slb"), records);
}

// Moves already saved (before the journal's last save mark) are not looked at again; moves the
// journal says failed change nothing.
TEST_F(InterruptedChangeTest, WhatWasSavedOrFailedIsLeftAlone) {
    dir.write("roms/old.nes", "a file that took the old name afterwards");
    dir.write("ok/New.nes", "old bytes");
    dir.write("roms/d.nes", "d");
    {
        MoveJournal journal(journalPath());
        ASSERT_TRUE(journal.begin("FC"));
        const int moved = journal.intend(Kind::Move, rom("x.nes"), dir.file("ok/New.nes"), 1);
        journal.moved(moved, true);
        journal.followed(moved);
        ASSERT_TRUE(journal.saved());
        journal.moved(journal.intend(Kind::Move, rom("d.nes"), rom("Delta.nes"), 0), false);
    }
    const std::string records = dir.read("data/RomData_FC.slb");
    start("FC");
    EXPECT_EQ(dir.read("data/RomData_FC.slb"), records);
    EXPECT_FALSE(std::filesystem::exists(journalPath()));
}

// A kill between a copy across file systems and the removal of its source leaves both names;
// the old file goes only when the new one holds its very bytes. Another file of the same size
// at the new name (put there by someone else) is no copy: the old ROM stays, and its record.
TEST_F(InterruptedChangeTest, AnOldFileGoesOnlyWhenTheNewOneHoldsItsBytes) {
    dir.write("roms/d.nes", "dump one");
    dir.write("roms/Delta.nes", "dump two");  // the same 8 bytes, but others
    dir.write("roms/e.nes", "the same");
    dir.write("roms/Echo.nes", "the same");
    {
        MoveJournal journal(journalPath());
        ASSERT_TRUE(journal.begin("FC"));
        journal.intend(Kind::Move, rom("d.nes"), rom("Delta.nes"), 0);
        journal.intend(Kind::Move, rom("e.nes"), rom("Echo.nes"), 0);
    }
    app.loadMainSettings();
    start("FC");

    EXPECT_EQ(dir.read("roms/d.nes"), "dump one");
    EXPECT_EQ(dir.read("roms/Delta.nes"), "dump two");
    EXPECT_FALSE(has("roms/e.nes"));
    EXPECT_EQ(dir.read("roms/Echo.nes"), "the same");
    const RomTable saved = savedRecords("FC");
    EXPECT_EQ(saved.findRecordByTitle("Delta"), -1);
    ASSERT_GE(saved.findRecordByTitle("d"), 0);
    EXPECT_EQ(saved[saved.findRecordByTitle("d")].gameName, "ディー");
    ASSERT_GE(saved.findRecordByTitle("Echo"), 0);
    EXPECT_EQ(saved[saved.findRecordByTitle("Echo")].gameName, "イー");
    EXPECT_FALSE(std::filesystem::exists(journalPath()));
}

// A window ended by a signal could not save and nobody saw a box: the next start says so.
TEST_F(InterruptedChangeTest, WhatAnUnattendedExitCouldNotSaveIsShownAtTheNextStart) {
    test::TempFolder state;
    ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    ProgramFolder other(dir.file("other"));
    leaveUnsavedNote(app.programFolder(),
                     "次のファイルを保存できませんでした。\n/a/RomData_FC.slb");
    leaveUnsavedNote(other, "not this folder's");  // no data folder there: the user's state folder
    start("FC");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_TRUE(
        logged("前回の終了時に保存できなかったファイルがあります。"
               "次のファイルを保存できませんでした。\n/a/RomData_FC.slb"));
    EXPECT_FALSE(has("data/romshelf-unsaved.txt"));
    EXPECT_TRUE(state.read("romshelf-plus/romshelf-unsaved.txt").starts_with(other.path() + "\t"));
}

}  // namespace
}  // namespace romshelf
