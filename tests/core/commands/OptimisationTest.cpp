#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "AppChecks.h"
#include "core/commands/Optimisation.h"

using namespace romshelf;

namespace {

using V = std::vector<std::string>;

struct OptimisationTest : romshelf::test::AppChecks {
    // The titles of the records still alive, in slot order.
    V alive() const {
        V titles;
        for (int i = 0; i < app.romTable().count(); ++i)
            if (!app.romTable()[i].fileTitle.empty()) titles.push_back(app.romTable()[i].fileTitle);
        return titles;
    }
    static RomRecord rated(const std::string& title, int rating) {
        RomRecord r = record(title, "x");
        r.rating = rating;
        return r;
    }
    static RomRecord bare(const std::string& title, const std::string& hardwareClass = "") {
        RomRecord r;
        r.fileTitle = r.gameName = r.reading = title;
        r.hardwareClass = hardwareClass;
        return r;
    }
    std::optional<int> optimise(bool yes) {
        prompter.answer(yes);
        return optimiseFileInfo(app);
    }
    // roms/ holds Plain.nes and ROM folder 2 is `second`, which cannot be listed: the
    // optimisation stops before anything is judged, naming folder 2, and both records stay.
    void expectStoppedBy(const std::string& second) {
        dir.write("roms/Plain.nes", "c");
        writeRecords("FC", {rated("Game", 3), bare("Plain")});
        FolderSettings f;
        f.romFolderPaths[0] = "./roms/";
        f.romFolderPaths[1] = "./" + second + "/";
        writeFolderSettings("FC", f);
        start("FC");
        prompter.clear();
        ports.progress.calls.clear();
        EXPECT_EQ(optimise(true), std::nullopt);
        EXPECT_EQ(boxes().back(), "[警告] " + missingRomFolderMessage(1, dir.file(second + "/")));
        EXPECT_TRUE(ports.progress.calls.empty());
        EXPECT_EQ(alive(), (V{"Game", "Plain"}));
    }
};

}  // namespace

TEST_F(OptimisationTest, RecordsOfGoneFilesAndBareRecordsGoUnownedOnesStayWhileListed) {
    dir.write("roms/Lost2.nes", "a");
    dir.write("roms/game.nes", "b");
    dir.write("roms/ｍａｒｉｏ.nes", "e");  // full-width letters fold too
    dir.write("roms/Plain.nes", "c");
    dir.write("roms/Classed.nes", "d");
    dir.write("roms/Super Mario Bros. 3.nes", "f");     // the title ends at the last dot
    dir.write("data/NoHave_FC.txt", "Unowned. 3\r\n");  // a bare title: the dot is no extension
    setUpHardware("FC", "./roms/");
    for (const bool unowned : {true, false}) {
        SCOPED_TRACE(unowned);
        writeRecords("FC", {rated("Lost", 3), rated("GAME", 1), rated("ＭＡＲＩＯ", 4),
                            bare("Plain"), bare("Classed", "RPG"), rated("Unowned. 3", 2),
                            rated("Super Mario Bros. 3", 5)});
        app.changeSettings(
            [&](MainSettings& m) { m.setOption(Option::ListMissingFiles, unowned); });
        start("FC");
        prompter.clear();
        ports.progress.calls.clear();
        ports.progress.pressAt = {1, 2};  // the button is noticed, and the optimisation goes on

        const int deleted = unowned ? 2 : 3;
        EXPECT_EQ(optimise(true), deleted);
        EXPECT_EQ(boxes(), (V{"[最適化開始確認] " + std::string(kOptimiseQuestion),
                              "[整理完了] " + std::to_string(deleted) +
                                  " 個の不要と思われるファイル情報を削除しました。"}));
        V expected{"GAME", "ＭＡＲＩＯ", "Classed"};
        if (unowned) expected.push_back("Unowned. 3");
        expected.push_back("Super Mario Bros. 3");
        EXPECT_EQ(alive(), expected);
        const auto& calls = ports.progress.calls;
        ASSERT_EQ(calls.size(), 10u);
        EXPECT_EQ((V{calls[0], calls[1], calls[8], calls[9]}),
                  (V{"begin ファイ情報の整理 7", "step 0 Lost の情報を検索中…", "step 7 ", "end"}));
        EXPECT_EQ(ports.progress.clears, 0);
        // A second run finds nothing more, and passes the dead slots by.
        prompter.clear();
        EXPECT_EQ(optimise(true), 0);
        EXPECT_EQ(app.romTable()[0].fileTitle, "");
    }
}

TEST_F(OptimisationTest, NoAnswerAnEmptyFolderOrAMissingFolderDeletesNothing) {
    dir.makeFolder("roms");
    setUpHardware("FC", "./roms/");
    writeRecords("FC", {rated("Game", 3), bare("Plain")});
    start("FC");
    EXPECT_EQ(optimise(false), std::nullopt);
    EXPECT_EQ(prompter.boxes().size(), 1u);

    // Only the placeholder row: the folder is there, but no file is.
    prompter.clear();
    EXPECT_EQ(optimise(true), std::nullopt);
    EXPECT_EQ(lastBox(), "ファイルが存在しません。");

    // Folder 2 is an unmounted drive, or a file stands where it was: folder 1's files must not
    // decide about its records.
    expectStoppedBy("gone");
    dir.write("plain-file", "no folder");
    expectStoppedBy("plain-file");
    EXPECT_TRUE(prompter.allAnswersUsed());
}

// A record whose file was renamed outside is never deleted: the move is offered instead; a "no"
// keeps the record as it is for the rest of the run.
TEST_F(OptimisationTest, TheRecordOfAFileRenamedOutsideStaysAndItsMoveIsOffered) {
    for (const bool move : {true, false}) {
        SCOPED_TRACE(move);
        dir.write("roms/a.nes", std::string(700, 'q'));
        dir.write("snap/a.png", "snap");
        FolderSettings f;
        f.romFolderPaths[0] = "./roms/", f.snapFolderPaths[0] = "./snap/";
        writeFolderSettings("FC", f);
        writeRecords("FC", {rated("a", 3), rated("Gone", 2)});
        start("FC");
        app.hashPending();  // what the window does while it is idle
        std::filesystem::rename(dir.file("roms/a.nes"), dir.file("roms/b.nes"));
        prompter.clear();
        answers({true, move});
        EXPECT_EQ(optimiseFileInfo(app), 1);
        EXPECT_EQ(boxes(),
                  (V{"[最適化開始確認] " + std::string(kOptimiseQuestion),
                     "[情報の移動確認] 「a.nes」は見つかりませんが、同じ内容のファイル「b.nes」"
                     "があります。\n名前が変えられたものと思われます。\n\n「a.nes」の情報を"
                     "「b.nes」へ移しますか？\n\n移さない場合も、この情報は削除しません。",
                     "[整理完了] 1 個の不要と思われるファイル情報を削除しました。"}));
        EXPECT_EQ(alive(), (V{move ? "b" : "a"}));
        EXPECT_EQ(has("snap/b.png"), move);
        if (move) {
            EXPECT_EQ(savedRecords("FC")[0].fileTitle, "b");
            std::filesystem::rename(dir.file("roms/b.nes"), dir.file("roms/a.nes"));
            std::filesystem::rename(dir.file("snap/b.png"), dir.file("snap/a.png"));
        } else {
            prompter.clear();
            answers({true});
            EXPECT_EQ(optimiseFileInfo(app), 0);
            EXPECT_EQ(boxes().size(), 2u);
            EXPECT_EQ(alive(), (V{"a"}));
        }
        EXPECT_TRUE(prompter.allAnswersUsed());
    }
}

// A folder that is there but cannot be read lists no file, as if its games were gone.
TEST_F(OptimisationTest, AFolderWithoutReadPermissionDeletesNothing) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads folders without read permission";
    dir.write("locked/Game.nes", "g");
    ASSERT_EQ(::chmod(dir.file("locked").c_str(), 0300), 0);
    expectStoppedBy("locked");
    ::chmod(dir.file("locked").c_str(), 0755);
}

TEST(CancelQuestion, NoClearsTheRequestAndGoesOnYesStops) {
    romshelf::test::ScriptedPrompter prompter;
    romshelf::test::ScriptedProgress progress;
    progress.pressAt = {1, 3};
    prompter.answer(false);
    prompter.answer(true);
    int done = 0;
    progress.begin("t", 10, kDoneOfTotal);
    for (int i = 0; i < 10; ++i) {
        progress.step(i, "");
        ++done;
        if (stopRequested(progress, prompter, "データ作成処理を中止しますか？")) break;
    }
    EXPECT_EQ(done, 4);
    EXPECT_EQ(progress.clears, 1);
    ASSERT_EQ(prompter.boxes().size(), 2u);
    EXPECT_TRUE(prompter.boxes()[1].question && prompter.boxes()[1].title == "警告");
}
