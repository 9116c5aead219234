#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "AppChecks.h"
#include "core/commands/BatchOperations.h"
#include "core/archive/ArchiveReadBack.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Trash.h"

namespace romshelf {
namespace {

// FC with ROM folders "FC" (roms/FC/) and "B" (roms/B/), a snap, TEMP and save folder, and a trash
// of its own in the test's folder.
class BatchOperationsTest : public test::AppChecks {
protected:
    BatchOperationsTest() {
        FolderSettings f;
        f.romFolderNames = {"FC", "B"}, f.romFolderPaths = {"./roms/FC/", "./roms/B/"};
        f.snapFolderPaths[0] = "./snap/", f.tempFolder = "./temp/", f.saveFolder = "./save/";
        writeFolderSettings("FC", f);
        for (const char* folder : {"roms/FC", "roms/B", "snap", "temp", "save"})
            dir.makeFolder(folder);
        const char* old = std::getenv("XDG_DATA_HOME");
        if (old) oldXdg_ = old;
        ::setenv("XDG_DATA_HOME", dir.file("xdg").c_str(), 1);
    }
    ~BatchOperationsTest() override {
        if (oldXdg_)
            ::setenv("XDG_DATA_HOME", oldXdg_->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }
    std::optional<std::string> oldXdg_;
};

TEST_F(BatchOperationsTest, DecompressAllUnpacksOnlyArchivesAndTheirCompanionsFollowTheMember) {
    dir.write("roms/FC/a.nes", "plain");
    writeZip("roms/FC/b.zip", {{"b.nes", "bee"}});
    // A title with dots is kept whole: the snap of "Game" is another game's.
    writeZip("roms/FC/Game.v1.zip", {{"Other.v2.nes", "other"}});
    writeZip("roms/FC/taken.zip", {{"a.nes", "would replace a.nes"}});
    dir.write("snap/Game.v1.png", "shot");
    dir.write("snap/Game.png", "another game");
    dir.write("temp/Game.v1.sav", "save");
    writeRecords("FC", {record("Game.v1", "ゲーム")});
    // A crash left an unpacking folder an hour ago; another instance is unpacking right now.
    dir.write("roms/FC/.romshelf-unpack-crash1/big.nes", "half");
    dir.write("roms/FC/.romshelf-unpack-other1/big.nes", "growing");
    std::filesystem::last_write_time(
        dir.file("roms/FC/.romshelf-unpack-crash1"),
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    start("FC");
    answers({true, false});

    const auto counts = decompressAll(app);

    ASSERT_TRUE(counts);
    EXPECT_EQ(std::tuple(counts->done, counts->skipped, counts->failed), std::tuple(2, 1, 0));
    EXPECT_EQ(std::tuple(dir.read("roms/FC/b.nes"), dir.read("roms/FC/Other.v2.nes"),
                         dir.read("roms/FC/a.nes"), dir.read("snap/Other.v2.png"),
                         dir.read("temp/Other.v2.sav"), dir.read("snap/Game.png")),
              std::tuple("bee", "other", "plain", "shot", "save", "another game"));
    EXPECT_TRUE(has("roms/FC/b.zip"));  // the source stays when the answer was no
    EXPECT_EQ(app.romTable()[0].fileTitle, "Other.v2");
    EXPECT_EQ(lastBox(),
              "2 個のファイルを解凍しました。\n\n"
              "同じ名前のファイルが既にあるため解凍しなかったファイル数 : 1");
    EXPECT_EQ(ports.progress.calls.front(), "begin 全てのファイルを解凍 4");
    EXPECT_NE(rowOf("Other.v2.nes"), -1);  // the list was rebuilt
    // No unpacking folder is left behind, and the crash's is cleared; the other instance's stays.
    for (const auto& e : std::filesystem::directory_iterator(dir.file("roms/FC")))
        EXPECT_TRUE(!e.path().filename().string().starts_with(".") ||
                    e.path().filename() == ".romshelf-unpack-other1")
            << e.path();
    EXPECT_TRUE(has("roms/FC/.romshelf-unpack-other1/big.nes"));
}

// A packer that writes the archive it is asked for, holding other bytes under the file's name.
bool badPacker(const std::string& path, const archive::Compression& how, Prompter&) {
    test::TempFolder pack;
    pack.write(fs::pathName(path), "not the source");
    const std::string command = "cd '" + pack.path() + "' && zip -q '" +
                                archive::compressedArchivePath(path, how) + "' '" +
                                fs::pathName(path) + "'";
    return std::system(command.c_str()) == 0;
}

TEST_F(BatchOperationsTest, TheSourceIsDeletedOnlyWhenTheArchiveReadsBackWithItsBytes) {
    // What the packer does, the packer, and whether the source stays.
    const std::tuple<const char*, Packer, bool> cases[] = {
        {"another member's bytes", badPacker, true},
        {"says yes, writes nothing", [](auto&&...) { return true; }, true},
        {"fails", [](auto&&...) { return false; }, true},
        {"the real packer", archive::compress, false},
    };
    dir.write("roms/FC/x.nes", std::string(3000, 'x'));
    start("FC");
    for (const auto& [what, pack, sourceStays] : cases) {
        SCOPED_TRACE(what);
        prompter.clear();
        answers({true, true});
        const auto counts = compressAll(app, pack);
        ASSERT_TRUE(counts);
        EXPECT_EQ(has("roms/FC/x.nes"), sourceStays);
        EXPECT_EQ(counts->done, sourceStays ? 0 : 1);
        if (sourceStays) {
            ASSERT_EQ(prompter.boxes().size(), 4u);  // two questions, the failure, the count
            EXPECT_EQ(prompter.boxes()[2].text,
                      "x.nesの圧縮に失敗しました。\n圧縮処理を中断します。");
            EXPECT_FALSE(has("roms/FC/x.zip"));  // a bad archive of our own is not left
        }
    }
    const auto sum = archive::memberSum(dir.file("roms/FC/x.zip"), "x.nes");
    ASSERT_TRUE(sum);
    EXPECT_EQ(sum->size, 3000u);
    EXPECT_EQ(dir.read("xdg/Trash/files/x.nes"), std::string(3000, 'x'));
}

// An archive is flushed to disk before its source is deleted; a run that keeps its sources lets
// each archive go unflushed (its folder is flushed once at the end).
TEST_F(BatchOperationsTest, EachArchiveIsFlushedOnlyWhenItsSourceIsDeleted) {
    std::vector<bool> flushed;
    const Packer recording = [&](const std::string& path, const archive::Compression& how,
                                 Prompter& p) {
        flushed.push_back(how.flushToDisk);
        return archive::compress(path, how, p);
    };
    dir.write("roms/FC/a.nes", "aaaa");
    dir.write("roms/FC/b.nes", "bbbb");
    start("FC");
    EXPECT_EQ(packRows(app, {0, 1}, false, false, recording).done, 2);
    EXPECT_EQ(flushed, (std::vector<bool>{false, false}));
    EXPECT_TRUE(has("roms/FC/a.zip") && has("roms/FC/b.zip") && has("roms/FC/a.nes"));
    flushed.clear();
    EXPECT_EQ(packRows(app, {0, 1, 2, 3}, false, true, recording).done, 2);  // two are archives
    EXPECT_EQ(flushed, (std::vector<bool>{true, true}));
    EXPECT_FALSE(has("roms/FC/a.nes") || has("roms/FC/b.nes"));
}

TEST_F(BatchOperationsTest,
       ADeletedFileLandsInTheTrashUnlessDeletedPermanentlyAndAFailedOneIsCounted) {
    dir.write("roms/FC/ゲーム 1.nes", "one");
    dir.write("roms/B/ゲーム 1.nes", "two");
    dir.write("roms/FC/gone.nes", "soon gone");
    start("FC");
    app.showAll();
    const std::vector<int> rows = {rowOf("ゲーム 1.nes", 0), rowOf("ゲーム 1.nes", 1),
                                   rowOf("gone.nes")};
    std::filesystem::remove(dir.file("roms/FC/gone.nes"));  // behind the list's back
    prompter.answer(true);

    const auto counts = deleteRows(app, rows);

    ASSERT_TRUE(counts);
    EXPECT_EQ(std::tuple(counts->done, counts->failed), std::tuple(2, 1));
    EXPECT_EQ(
        lastBox(),
        "ファイルの削除が完了しました。\n\n削除したファイル数 : 2\n削除できなかったファイル数 : 1");
    EXPECT_EQ(std::tuple(dir.read("xdg/Trash/files/ゲーム 1.nes"),
                         dir.read("xdg/Trash/files/ゲーム 1.2.nes")),
              std::tuple("one", "two"));
    const std::string info = dir.read("xdg/Trash/info/ゲーム 1.nes.trashinfo");
    EXPECT_TRUE(info.starts_with(
        "[Trash Info]\nPath=" + fs::trashInfoPath(dir.file("roms/FC/ゲーム 1.nes")) +
        "\nDeletionDate="))
        << info;
    EXPECT_NE(info.find("%E3%82%B2"), std::string::npos);  // ゲ, encoded
    EXPECT_FALSE(has("roms/FC/ゲーム 1.nes"));

    // Deleting permanently bypasses the trash.
    dir.write("roms/FC/a.nes", "a");
    app.changeSettings([](MainSettings& s) { s.setOption(Option::DeleteWithoutTrash, true); });
    app.showAll();
    prompter.answer(true);
    ASSERT_EQ(deleteRows(app, {rowOf("a.nes")})->done, 1);
    EXPECT_FALSE(has("roms/FC/a.nes"));
    EXPECT_FALSE(has("xdg/Trash/files/a.nes"));
}

// A trash that cannot be made (a file stands where its folder should) is no reason to delete
// silently: one question for the whole run, and "no" keeps every file.
TEST_F(BatchOperationsTest, WhereNoTrashCanTakeTheFilesItAsksOnceBeforeDeletingForGood) {
    dir.write("xdg/Trash", "not a folder");
    dir.write("roms/FC/a.nes", "a");
    dir.write("roms/FC/b.nes", "b");
    start("FC");
    for (const bool forGood : {false, true}) {
        SCOPED_TRACE(forGood);
        app.showAll();
        answers({true, forGood});  // delete the selection; then, for good
        const auto counts = deleteRows(app, {rowOf("a.nes"), rowOf("b.nes")});
        ASSERT_TRUE(counts);
        EXPECT_EQ(std::tuple(counts->done, counts->failed),
                  forGood ? std::tuple(2, 0) : std::tuple(0, 2));
        EXPECT_EQ(std::tuple(has("roms/FC/a.nes"), has("roms/FC/b.nes")),
                  std::tuple(!forGood, !forGood));
        EXPECT_TRUE(prompter.allAnswersUsed());
    }
}

TEST_F(BatchOperationsTest, AMoveSkipsFilesAlreadyInTheDestinationAndReplacesNothing) {
    dir.write("roms/FC/a.nes", "a");
    dir.write("roms/FC/b.nes", "b from FC");
    dir.write("roms/B/b.nes", "b in B");
    dir.write("roms/B/c.nes", "c");
    start("FC");
    app.showAll();

    const BatchCounts counts =
        moveRows(app, {rowOf("a.nes"), rowOf("b.nes", 0), rowOf("b.nes", 1), rowOf("c.nes")}, 1);

    EXPECT_EQ(std::tuple(counts.done, counts.skipped, counts.failed), std::tuple(1, 1, 0));
    EXPECT_EQ((std::vector{dir.read("roms/B/a.nes"), dir.read("roms/B/b.nes"),
                           dir.read("roms/FC/b.nes")}),
              (std::vector<std::string>{"a", "b in B", "b from FC"}));
    EXPECT_EQ(lastBox(),
              "ファイルの移動が完了しました。\n\n移動したファイル数 : 1\n"
              "移動先に同じ名前のファイルがあるため移動しなかったファイル数 : 1");
}

TEST_F(BatchOperationsTest, BulkCompressWithNothingSelectedStillAsksAndReportsNone) {
    start("FC");
    answers({true, false});
    const auto counts = compressRows(app, {});
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->done, 0);
    ASSERT_EQ(boxes().size(), 3u);
    EXPECT_EQ(boxes()[1], "[削除確認] 圧縮前のファイルを削除しますか？");
    EXPECT_EQ(boxes()[2],
              "[圧縮完了確認] ファイルの圧縮が完了しました。\n\n圧縮したファイル数 : 0");
}

TEST_F(BatchOperationsTest, ARowWithoutARomFolderIsNeverTouched) {
    writeRecords("FC", {record("ghost", "幽霊")});
    dir.write("data/NoHave_FC.txt", "ghost\n");
    start("FC");
    app.changeSettings([](MainSettings& s) { s.setOption(Option::ListMissingFiles, true); });
    app.showAll();
    const int ghost = rowOf("ghost", kUnownedFolder);
    ASSERT_NE(ghost, -1);
    // The command, its run, and the questions it asks first.
    const std::tuple<const char*, std::function<std::optional<BatchCounts>()>, int> runs[] = {
        {"delete", [&] { return deleteRows(app, {ghost}); }, 1},
        {"compress", [&] { return compressRows(app, {ghost}); }, 2},
        {"decompress", [&] { return decompressRows(app, {ghost}); }, 2},
        {"move", [&] { return std::optional(moveRows(app, {ghost}, 1)); }, 0},
    };
    for (const auto& [what, run, questions] : runs) {
        SCOPED_TRACE(what);
        for (int k = 0; k < questions; ++k) prompter.answer(true);
        const auto counts = run();
        ASSERT_TRUE(counts);
        EXPECT_EQ(std::tuple(counts->done, counts->failed, counts->skipped), std::tuple(0, 0, 0));
        EXPECT_EQ(app.romTable()[0].fileTitle, "ghost");
    }
    EXPECT_FALSE(has("xdg/Trash/files"));
}

TEST_F(BatchOperationsTest, TheRegistrationDialogsFileTurnsIntoItsArchiveAndBack) {
    dir.write("roms/FC/Hero v1.1.nes", "hero");
    start("FC");
    answers({true, true});  // compress, delete the source
    const auto packed = compressOrDecompressFile(app, {0, "Hero v1.1", "nes"});
    ASSERT_TRUE(packed);
    EXPECT_EQ(std::tie(packed->title, packed->extension), std::tuple("Hero v1.1", "zip"));
    EXPECT_FALSE(has("roms/FC/Hero v1.1.nes"));

    answers({true, false});  // decompress, keep the archive
    const auto unpacked = compressOrDecompressFile(app, *packed);
    ASSERT_TRUE(unpacked);
    EXPECT_EQ(std::tuple(unpacked->title, unpacked->extension), std::tuple("Hero v1.1", "nes"));
    EXPECT_EQ(dir.read("roms/FC/Hero v1.1.nes"), "hero");

    answers({true});  // decompress again: the file is there
    EXPECT_FALSE(compressOrDecompressFile(app, *packed));
    EXPECT_EQ(prompter.boxes().back().title, "警告");

    EXPECT_TRUE(moveDialogFile(app, *unpacked, 1));
    EXPECT_EQ(dir.read("roms/B/Hero v1.1.nes"), "hero");
    prompter.answer(true);
    EXPECT_TRUE(deleteDialogFile(app, {1, "Hero v1.1", "nes"}));
    EXPECT_FALSE(has("roms/B/Hero v1.1.nes"));
    EXPECT_TRUE(prompter.allAnswersUsed());
}

// A file already at the chosen place is replaced only when the user says so; a new one is
// written without a question.
TEST_F(BatchOperationsTest, CopyWritesTheChosenFileWholeAndAsksBeforeReplacing) {
    dir.write("roms/FC/a.nes", "a copy of me");
    dir.write("elsewhere/a.nes", "older");
    start("FC");
    app.showAll();
    prompter.pickFile(dir.file("elsewhere/a.nes"));
    answers({false});
    EXPECT_FALSE(copySelectedFile(app, rowOf("a.nes")));
    EXPECT_EQ(dir.read("elsewhere/a.nes"), "older");
    EXPECT_TRUE(prompter.shownOnce("同名のファイルが既に存在しています。\n上書きしてもいいですか？",
                                   "上書き確認", true));
    prompter.pickFile(dir.file("elsewhere/a.nes"));
    answers({true});
    EXPECT_TRUE(copySelectedFile(app, rowOf("a.nes")));
    EXPECT_EQ(dir.read("elsewhere/a.nes"), "a copy of me");
    EXPECT_EQ(prompter.filePickers.back().title, "a.nesのコピー先を指定してください");
    prompter.clear();
    prompter.pickFile(dir.file("elsewhere/b.nes"));
    EXPECT_TRUE(copySelectedFile(app, rowOf("a.nes")));
    EXPECT_EQ(dir.read("elsewhere/b.nes"), "a copy of me");
    EXPECT_TRUE(prompter.boxes().empty());
    prompter.pickFile(std::nullopt);
    EXPECT_FALSE(copySelectedFile(app, rowOf("a.nes")));
    EXPECT_TRUE(prompter.allAnswersUsed());
}

}  // namespace
}  // namespace romshelf
