// The dialog of filling records from game databases, driven as the user drives it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <filesystem>

#include "AppFixture.h"
#include "RdbWriter.h"
#include "QtUi.h"
#include "core/app/Application.h"
#include "core/commands/DatabaseSources.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/DatabaseFacts.h"
#include "qt/app/DatabaseFillDialog.h"
#include "qt/views/CDataBase.h"
#include "qt/views/CFileList.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// One game the database knows by its CRC-32 (made by Python's zlib from the file's bytes), one
// by its name only.
const char* const kGames =
    "[{'name': 'Tetris (Japan)', 'crc': zlib.crc32(b'tetris cartridge bytes').to_bytes(4, 'big'),"
    "  'size': 22, 'genre': 'Puzzle', 'developer': 'Bullet-Proof Software', 'releaseyear': 1988},"
    " {'name': 'Zelda (Japan)', 'crc': bytes(4), 'size': 1, 'genre': 'Action',"
    "  'developer': 'Nintendo', 'releaseyear': 1986, 'users': 1, 'description': 'A quest.'},"
    " {'name': 'Metroid (Japan)', 'crc': bytes([0, 0, 0, 1]), 'size': 1, 'releaseyear': 1986}]";

struct DatabaseFillDialogTest : test::AppFixture {
    DatabaseFillDialogTest() {
        setUpHardware("FC");
        dir.write("roms/FC/Tetris.nes", "tetris cartridge bytes");
        dir.write("roms/FC/Zelda (Japan).nes", "not the database's bytes");
        RomRecord zelda = record("Zelda (Japan)", "ゼルダの伝説");
        zelda.classes[1] = "任天堂";  // the user's: no change
        writeRecords("FC", {zelda});
        rdb = test::writeRdb(dir, "db/Nintendo - Nintendo Entertainment System.rdb", kGames);
    }
    // The dialog over the databases of "db": genre to list 1, developer to 2, year to 3.
    void choose(DatabaseFillDialog& d) {
        d.sourceList()->clear();
        d.addSource(dir.file("db"));
        d.listBox(FillField::Genre)->setCurrentIndex(1);
        d.listBox(FillField::Developer)->setCurrentIndex(2);
        d.listBox(FillField::Year)->setCurrentIndex(3);
    }
    static V rows(const QTreeWidget* list) {
        V out;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c) cells << item->text(c);
            out.push_back(cells.join(u'|').toStdString() +
                          (item->checkState(0) == Qt::Checked ? " [x]" : " [ ]"));
        }
        return out;
    }
    static void press(QDialog& d, const char* name) {
        auto* button = d.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(button) << name;
        button->click();
    }
    std::string rdb;
};

TEST_F(DatabaseFillDialogTest, ThePreviewListsEveryChangeAndAnUncheckedOneIsNotWritten) {
    ASSERT_FALSE(rdb.empty()) << "/usr/bin/python3 with python3-msgpack is needed";
    start("FC");
    DatabaseFillDialog d(app);
    choose(d);
    // The user's own name for a genre, typed into the table.
    QTableWidget* genres = d.genreTable();
    int puzzle = -1;
    for (int r = 0; r < genres->rowCount(); ++r)
        if (genres->item(r, 0)->text() == QStringLiteral("Puzzle")) puzzle = r;
    ASSERT_GE(puzzle, 0);
    genres->item(puzzle, 1)->setText(QStringLiteral("落ち物"));

    press(d, "preview");
    EXPECT_EQ(rows(d.changeList()), (V{"Tetris.nes|ジャンル||落ち物|CRC [x]",
                                       "Tetris.nes|開発元||Bullet-Proof Software|CRC [x]",
                                       "Tetris.nes|発売年||1988|CRC [x]",
                                       "Zelda (Japan).nes|ジャンル||アクション|名前 [x]",
                                       "Zelda (Japan).nes|発売年||1986|名前 [x]"}));
    // Nothing is written by the preview.
    EXPECT_EQ(savedRecords("FC").count(), 1);

    d.changeList()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);  // Tetris's developer
    press(d, "write");
    EXPECT_EQ(d.result(), QDialog::Accepted);
    const RomTable saved = savedRecords("FC");
    ASSERT_EQ(saved.count(), 2);
    const RomRecord& tetris = saved[saved.findRecordByTitle("Tetris")];
    EXPECT_EQ(tetris.classes, (std::array<std::string, 5>{"落ち物", "", "1988", "", ""}));
    const RomRecord& zelda = saved[saved.findRecordByTitle("Zelda (Japan)")];
    EXPECT_EQ(zelda.classes, (std::array<std::string, 5>{"アクション", "任天堂", "1986", "", ""}));
    // The summary: two records, four fields, one file by CRC, one by name.
    ASSERT_EQ(prompter.reports.size(), 1u);
    const std::string& text = prompter.reports[0].text;
    EXPECT_NE(text.find("情報を入れたファイル情報: 2件 (新規 1件)"), std::string::npos) << text;
    EXPECT_NE(text.find("入れた項目: 4"), std::string::npos) << text;
    EXPECT_NE(text.find("CRCで一致したファイル: 1\n名前で一致したファイル: 1"), std::string::npos)
        << text;
    // The edited genre name is kept for the next time.
    const GenreNames kept = genreNames(app.plusSettings());
    EXPECT_NE(std::find(kept.begin(), kept.end(),
                        std::pair<std::string, std::string>("Puzzle", "落ち物")),
              kept.end());
}

TEST_F(DatabaseFillDialogTest, ClosingAfterThePreviewWritesNothing) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    const std::string before = dir.read("data/RomData_FC.slb");
    const PlusSettings plus = app.plusSettings();
    DatabaseFillDialog d(app);
    choose(d);
    // The database file picked through "追加…" instead of its folder: the same changes.
    d.sourceList()->clear();
    prompter.pickFile(rdb);
    d.chooseSource(true);
    ASSERT_EQ(d.sourceList()->count(), 1);
    EXPECT_EQ(d.sourceList()->item(0)->text().toStdString(), rdb);
    d.genreTable()->item(0, 1)->setText(QStringLiteral("何か"));
    ASSERT_TRUE(d.preview());
    EXPECT_EQ(d.changeList()->topLevelItemCount(), 5);
    press(d, "close");
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(dir.read("data/RomData_FC.slb"), before);
    EXPECT_EQ(app.plusSettings(), plus);
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("data")))
        EXPECT_EQ(entry.path().filename().string().find("before-fill"), std::string::npos);
}

TEST_F(DatabaseFillDialogTest, SelectNoneThenAllAndStoppingThePreviewListsNothing) {
    ASSERT_FALSE(rdb.empty());
    start("FC");
    DatabaseFillDialog d(app);
    choose(d);
    ASSERT_TRUE(d.preview());
    press(d, "checkNone");
    for (const std::string& row : rows(d.changeList())) EXPECT_TRUE(row.ends_with("[ ]")) << row;
    press(d, "checkAll");
    for (const std::string& row : rows(d.changeList())) EXPECT_TRUE(row.ends_with("[x]")) << row;
    // The user stops the matching after its first file and confirms.
    ports.progress.pressAt = {1};
    prompter.answer(true);
    EXPECT_FALSE(d.preview());
    EXPECT_EQ(d.changeList()->topLevelItemCount(), 0);
    EXPECT_FALSE(d.findChild<QPushButton*>(QStringLiteral("write"))->isEnabled());
}

// The database window: a file whose record has no comment shows what the databases say of it,
// once they have been read beside the event loop; a comment of the user's is left alone.
TEST_F(DatabaseFillDialogTest, TheDatabaseWindowShowsTheFactsOfAFileWithoutAComment) {
    ASSERT_FALSE(rdb.empty());
    // The database knows Metroid too, but the user wrote its comment.
    dir.write("roms/FC/Metroid (Japan).nes", "samus");
    RomRecord metroid = record("Metroid (Japan)");
    metroid.comment = "mine";
    writeRecords("FC", {record("Zelda (Japan)"), metroid});
    PlusSettings plus = app.plusSettings();
    chooseGameDatabases("FC", {rdb}, plus);
    app.changePlusSettings(plus);
    app.preferHardware("FC");
    CMainFrame frame(app);
    frame.startUp();
    ASSERT_EQ(chosenGameDatabases("FC", app.plusSettings()), V{rdb});
    int zeldaRow = -1, metroidRow = -1;
    const FileListView rows = app.fileList().rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].fileName() == "Zelda (Japan).nes") zeldaRow = static_cast<int>(i);
        if (rows[i].fileName() == "Metroid (Japan).nes") metroidRow = static_cast<int>(i);
    }
    ASSERT_GE(zeldaRow, 0);
    ASSERT_GE(metroidRow, 0);
    test::clickRow(frame.fileList(), zeldaRow);
    frame.databaseFacts()->finishLoading();
    EXPECT_EQ(frame.databaseView()->text().toStdString(),
              "ゲームデータベース : Zelda (Japan)\n発売年 : 1986\n人数 : 1人\n\nA quest.");
    test::clickRow(frame.fileList(), metroidRow);
    EXPECT_EQ(frame.databaseView()->text().toStdString(), "mine");
}

}  // namespace
