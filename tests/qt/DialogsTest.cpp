// The program's smaller dialogs, each opened as its command opens it.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "QtUi.h"
#include "core/app/Application.h"
#include "core/commands/DatabaseSources.h"
#include "core/text/TextCodec.h"
#include "qt/QtText.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/CategoryOrganiserDialog.h"
#include "qt/app/CommandIds.h"
#include "qt/app/EnvironmentDialog.h"
#include "qt/app/FolderSettingsDialog.h"
#include "qt/app/GameListDialog.h"
#include "qt/app/JapaneseUi.h"
#include "qt/app/MainMenu.h"
#include "qt/app/MoveDestinationDialog.h"
#include "qt/app/ProgressDialog.h"
#include "qt/app/ReportDialog.h"
#include "qt/views/CFileList.h"
#include "qt/views/CFolder.h"
#include "qt/views/WindowsFont.h"

using namespace romshelf;
using namespace Qt::StringLiterals;
using namespace std::string_literals;
using V = std::vector<std::string>;

namespace {

V texts(QWidget* list) {
    V items;
    auto* tree = static_cast<QTreeWidget*>(list);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        items.push_back(tree->topLevelItem(i)->text(0).toStdString());
    return items;
}

using CategoryOrganiserDialogTest = romshelf::test::AppFixture;

TEST_F(CategoryOrganiserDialogTest, ButtonsEditsAndEnterWorkOnTheOrganiser) {
    setUpHardware("MD");
    RomRecord sonic;
    sonic.fileTitle = "Sonic";
    sonic.classes[0] = "ACT";
    writeRecords("MD", {sonic});
    CategoryLists lists;
    lists.items[0] = {"ACT", "RPG"};
    DataStream s;
    lists.save(s, app.programFolder(), "MD");
    start("MD");

    CategoryOrganiserDialog d(app, 0);
    d.show();
    EXPECT_EQ(d.windowTitle().toStdString(), "分類 1の項目を整理");
    auto click = [&](int id) { static_cast<QPushButton*>(d.control(id))->click(); };
    auto* current = static_cast<QTreeWidget*>(d.control(1152));
    auto* rename = static_cast<QLineEdit*>(d.control(1161));
    auto* add = static_cast<QLineEdit*>(d.control(1164));
    current->setCurrentItem(current->topLevelItem(1));
    EXPECT_EQ(rename->text().toStdString(), "RPG");
    click(1167);  // ↑
    click(1155);  // →: RPG goes, ACT is selected
    EXPECT_EQ(texts(d.control(1154)), V{"RPG"});
    EXPECT_EQ(rename->text().toStdString(), "ACT");

    // Enter in the add edit adds, in the rename edit renames (the records too); the dialog stays.
    add->setFocus();
    QTest::keyClicks(add, QStringLiteral("SLG"));
    QTest::keyClick(add, Qt::Key_Return);
    rename->setFocus();
    rename->setText(QStringLiteral("アクション"));
    QTest::keyClick(rename, Qt::Key_Return);
    EXPECT_EQ(texts(current), (V{"アクション", "SLG"}));
    EXPECT_EQ(app.romTable()[0].classes[0], "アクション");
    EXPECT_TRUE(d.isVisible());
    click(1159);  // ソート
    // Enter anywhere else confirms the list.
    current->setFocus();
    QTest::keyClick(current, Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(app.categoryLists().items[0], (V{"SLG", "アクション"}));
}

struct EnvironmentDialogTest : romshelf::test::AppFixture {
    // Ticks grid lines and backup at exit, names MD's class list, picks another list font.
    static void edit(EnvironmentDialog& d) {
        static_cast<QCheckBox*>(d.control(kEnvPageMain, 1))->click();
        static_cast<QCheckBox*>(d.control(kEnvPageOther, 4))->click();
        static_cast<QLineEdit*>(d.control(kEnvPageButtons, 10))->setText(u"メガドラ分類"_s);
        auto* font = static_cast<QComboBox*>(d.control(kEnvPageMain, 9));
        font->setCurrentIndex(3);
        Q_EMIT font->textActivated(font->currentText());
    }
    static void press(EnvironmentDialog& d, const QString& text) {
        for (QPushButton* b : d.findChildren<QPushButton*>())
            if (b->text() == text) return b->click();
        ADD_FAILURE() << "no button " << text.toStdString();
    }
};

TEST_F(EnvironmentDialogTest, CancelDropsTheEditsAndSavingAppliesThem) {
    setUpHardware("MD");
    app.preferHardware("MD");
    CMainFrame frame(app);
    frame.startUp();
    EXPECT_TRUE(frame.mainMenu()->action(cmd::EnvironmentSettings)->isEnabled());
    const MainSettings before = app.settings();
    {
        EnvironmentDialog d(app, &frame);
        // The eight shared pages, then the program's own drive, region, database and pad pages.
        ASSERT_EQ(d.tabs()->count(), kEnvPageCount + 4);
        EXPECT_EQ(d.drivePageIndex(), kEnvPageCount);
        EXPECT_EQ(d.gameDatabasePageIndex(), kEnvPageCount + 2);
        EXPECT_EQ(d.padPageIndex(), kEnvPageCount + 3);
        EXPECT_TRUE(d.thanksButton()->isHidden());
        edit(d);
        press(d, u"キャンセル"_s);
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
    EXPECT_EQ(app.settings(), before);
    EXPECT_FALSE(frame.fileList()->showGrid());

    app.changeSettings([](MainSettings& m) { m.extraOptions[0].flag = true; });  // 50 starts
    EnvironmentDialog d(app, &frame);
    EXPECT_FALSE(d.thanksButton()->isHidden());
    // Every text of every page has the room it asks for.
    d.show();
    for (int page = 0; page < d.tabs()->count(); ++page) {
        d.tabs()->setCurrentIndex(page);
        QApplication::processEvents();
        for (QWidget* w : d.tabs()->widget(page)->findChildren<QWidget*>()) {
            if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w)) continue;
            if (!w->isVisible()) continue;
            EXPECT_GE(w->width(), w->sizeHint().width())
                << "page " << page << ": " << w->property("text").toString().toStdString();
        }
    }
    edit(d);
    // The unpack cache's cap, in MB on the compression page.
    EXPECT_EQ(d.unpackCacheLimit()->value(), 4096);
    d.unpackCacheLimit()->setValue(512);
    press(d, u"設定の保存"_s);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(app.plusSettings().unpackCacheLimit, 512ull << 20);
    EXPECT_TRUE(app.settings().option(Option::GridLines));
    EXPECT_TRUE(app.settings().option(Option::BackupAtExit));
    EXPECT_EQ(app.settings().listFontName, "ＭＳ 明朝");
    EXPECT_EQ(app.categoryNames()[kHardwareClassList], "メガドラ分類");
    EXPECT_TRUE(frame.fileList()->showGrid());
    EXPECT_EQ(frame.fileList()->fontName(), "");  // the new font waits for the next start
    // At the next start the list takes the installed font that stands for the stored name.
    if (QFontDatabase::hasFamily(u"IPAMincho"_s)) {
        EXPECT_EQ(CFileList(app).font().family(), u"IPAMincho"_s);
    }
    // The new class-list name reaches the list's column and the folder window's button.
    EXPECT_EQ(frame.fileList()->model()->headerData(9, Qt::Horizontal).toString(),
              u"メガドラ分類"_s);
    EXPECT_EQ(frame.folderView()->kindButton(FolderWindowKind::HardwareClass)->text(),
              u"メガドラ分類"_s);
}

// The disc-set option is the program's own: its box shows it, saving sets it and lists again.
TEST_F(EnvironmentDialogTest, TheDiscSetBoxSetsTheProgramsOwnOption) {
    dir.write("roms/MD/Sonic CD (Disc 1).bin", "1");
    dir.write("roms/MD/Sonic CD (Disc 2).bin", "2");
    setUpHardware("MD");
    app.preferHardware("MD");
    CMainFrame frame(app);
    frame.startUp();
    EXPECT_EQ(app.fileList().count(), 2);
    EnvironmentDialog d(app, &frame);
    ASSERT_FALSE(d.discSetsBox()->isChecked());
    d.discSetsBox()->click();
    press(d, u"設定の保存"_s);
    EXPECT_TRUE(app.plusSettings().discSets);
    ASSERT_EQ(app.fileList().count(), 1);
    EXPECT_EQ(app.fileList().rows()[0].fileName(), "Sonic CD.bin");
    EXPECT_TRUE(EnvironmentDialog(app, &frame).discSetsBox()->isChecked());
}

// Each hardware's game databases: its own names until the user names others or picks a file.
TEST_F(EnvironmentDialogTest, TheGameDatabasePageShowsAndKeepsEachHardwaresChoice) {
    setUpHardware("MD");
    app.preferHardware("MD");
    CMainFrame frame(app);
    frame.startUp();
    const std::string mine = dir.write("db/mine.dat", "x");
    {
        EnvironmentDialog d(app, &frame);
        QTableWidget* table = d.gameDatabaseTable();
        const int fc = d.gameDatabaseRow("FC"), md = d.gameDatabaseRow("MD");
        ASSERT_GE(fc, 0);
        ASSERT_GE(md, 0);
        EXPECT_TRUE(
            table->item(fc, 1)->text().startsWith(u"Nintendo - Nintendo Entertainment System | "_s))
            << table->item(fc, 1)->text().toStdString();
        EXPECT_EQ(table->item(md, 1)->text(), u"Sega - Mega Drive - Genesis"_s);
        EXPECT_EQ(table->item(d.gameDatabaseRow("USER1"), 1)->text(), u""_s);
        table->item(md, 1)->setText(u"Sega - Saturn |"_s);
        table->setCurrentCell(md, 1);
        prompter.pickFile(mine);
        d.chooseGameDatabaseFile();
        EXPECT_EQ(table->item(md, 1)->text().toStdString(), "Sega - Saturn | " + mine);
        press(d, u"設定の保存"_s);
    }
    EXPECT_EQ(chosenGameDatabases("MD", app.plusSettings()), (V{"Sega - Saturn", mine}));
    // Left as they were, the others keep no choice.
    EXPECT_TRUE(chosenGameDatabases("FC", app.plusSettings()).empty());
    EXPECT_EQ(app.plusSettings().unknown.size(), 1u);
    // Shown again as chosen; put back to its own names, the choice is gone.
    EnvironmentDialog d(app, &frame);
    const int md = d.gameDatabaseRow("MD");
    EXPECT_EQ(d.gameDatabaseTable()->item(md, 1)->text().toStdString(), "Sega - Saturn | " + mine);
    d.gameDatabaseTable()->item(md, 1)->setText(u"Sega - Mega Drive - Genesis"_s);
    press(d, u"設定の保存"_s);
    EXPECT_TRUE(chosenGameDatabases("MD", app.plusSettings()).empty());
}

// The list font's size shows in points and is kept in pixels at the screen's resolution (the
// offscreen screen's 96 dots per inch: a point is 96/72 pixels there). Left as shown, nothing is
// chosen and the list goes on following the desktop's font.
TEST_F(EnvironmentDialogTest, TheListFontSizeShowsInPointsAndIsKeptInPixels) {
    ASSERT_DOUBLE_EQ(screenDotsPerInch(), 96.0);
    QFont desktop = QApplication::font();
    const QFont savedFont = desktop;
    desktop.setPointSizeF(12);
    QApplication::setFont(desktop);
    CMainFrame frame(app);
    frame.startUp();
    {
        EnvironmentDialog d(app, &frame);
        EXPECT_DOUBLE_EQ(d.listFontSize()->value(), 14.0);  // 14/12 of the desktop's 12 points
        press(d, u"設定の保存"_s);
        EXPECT_EQ(app.plusSettings().listFontHeight, 0);
    }
    {
        EnvironmentDialog d(app, &frame);
        d.listFontSize()->setValue(12.0);
        press(d, u"設定の保存"_s);
        EXPECT_EQ(app.plusSettings().listFontHeight, 16);
    }
    {
        EnvironmentDialog d(app, &frame);
        EXPECT_DOUBLE_EQ(d.listFontSize()->value(), 12.0);
        d.listFontSize()->setValue(10.5);
        press(d, u"キャンセル"_s);
        EXPECT_EQ(app.plusSettings().listFontHeight, 16);
    }
    {
        EnvironmentDialog d(app, &frame);
        d.listFontSize()->setValue(10.5);
        press(d, u"設定の保存"_s);
        EXPECT_EQ(app.plusSettings().listFontHeight, 14);
    }
    // At the next start the list is drawn in that size.
    EXPECT_DOUBLE_EQ(CFileList(app).font().pointSizeF(), 10.5);
    EXPECT_EQ(CFileList(app).font().pixelSize(), -1);
    QApplication::setFont(savedFont);
}

// A program folder from Windows: the list's hint names the unmapped drive and a click on it opens
// the drive page, where a folder picked for the drive lists the games at once.
TEST_F(EnvironmentDialogTest, TheHintOpensTheDrivePageWhereAPickedFolderListsTheGames) {
    setenv("WINEPREFIX", dir.file("no-prefix").c_str(), 1);
    dir.write("disk-d/Roms/MD/Sonic.md", "s");
    FolderSettings f;
    f.romFolderPaths[0] = "D:\\ROMS\\MD\\";
    writeFolderSettings("MD", f);
    app.preferHardware("MD");
    CMainFrame frame(app);
    frame.startUp();
    EXPECT_EQ(app.fileList().count(), 0);
    test::withModal<EnvironmentDialog>(
        [&] {
            QWidget* view = frame.fileList()->viewport();
            QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(40, view->height() - 10));
        },
        [&](EnvironmentDialog& d) {
            EXPECT_EQ(d.tabs()->currentIndex(), d.drivePageIndex());
            QTableWidget* table = d.driveTable();
            ASSERT_EQ(table->rowCount(), 1);
            EXPECT_EQ(table->item(0, 0)->text(), u"D:"_s);
            EXPECT_EQ(table->item(0, 1)->text(), u"未設定"_s);
            EXPECT_EQ(table->item(0, 3)->text(), u"使用中"_s);
            prompter.pickFolder(dir.file("disk-d"));
            d.chooseDriveFolder();
            EXPECT_EQ(table->item(0, 1)->text(), qs(dir.file("disk-d/")));
            d.wineEdit()->setText(u"/opt/wine-staging/bin/wine"_s);
            press(d, u"設定の保存"_s);
        });
    unsetenv("WINEPREFIX");
    EXPECT_EQ(app.plusSettings().drives,
              (std::vector<std::pair<std::string, std::string>>{{"D:", dir.file("disk-d/")}}));
    EXPECT_EQ(app.plusSettings().wine, "/opt/wine-staging/bin/wine");
    ASSERT_EQ(app.fileList().count(), 1);
    EXPECT_EQ(app.fileList().rows()[0].fileName(), "Sonic.md");
    // The folder file keeps its Windows path.
    EXPECT_EQ(stored(loadFolderSettingsFile, dir.file("data/Folder_MD.slb")).romFolderPaths[0],
              "D:\\ROMS\\MD\\");
}

using FolderSettingsDialogTest = romshelf::test::AppFixture;

TEST_F(FolderSettingsDialogTest, EditsPagesAndSavesTheFile) {
    FolderDialogModel model = app.settingsCommands().openFolderSettings("MD");
    FolderSettingsDialog dialog(app, "MD", model);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("メガドライブのフォルダ設定"));
    EXPECT_FALSE(dialog.previousButton()->isEnabled());
    EXPECT_TRUE(dialog.nextButton()->isEnabled());

    dialog.pathEdit(0)->setText(QStringLiteral("./roms/md"));
    Q_EMIT dialog.pathEdit(0)->textEdited(dialog.pathEdit(0)->text());
    dialog.nextButton()->click();
    EXPECT_TRUE(dialog.previousButton()->isEnabled());
    EXPECT_EQ(dialog.pathEdit(0)->text(), QString());  // folder 6
    dialog.previousButton()->click();
    EXPECT_EQ(dialog.nameEdit(0)->text(), QStringLiteral("md"));

    dialog.displayNameEdit()->setText(QStringLiteral("ジェネシス"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(model.displayName, "ジェネシス");
    const FolderSettings saved = stored(loadFolderSettingsFile, dir.file("data/Folder_MD.slb"));
    EXPECT_EQ(saved.romFolderPaths[0], "./roms/md");
    EXPECT_EQ(saved.romFolderNames[0], "md");
}

TEST_F(FolderSettingsDialogTest, AFileThatCannotBeWrittenKeepsTheDialogOpen) {
    dir.makeFolder("data/Folder_FC.slb");  // a folder where the file should go
    FolderDialogModel model = app.settingsCommands().openFolderSettings("FC");
    FolderSettingsDialog dialog(app, "FC", model);
    dialog.setResult(QDialog::Rejected);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].title, "警告");
}

TEST_F(FolderSettingsDialogTest, TheOtherSoftwareCommandOpensItsFormAndOkSavesIt) {
    const std::string tool = test::installRecorder(dir.file("apps/tool"));
    CMainFrame frame(app);
    frame.startUp();
    ASSERT_TRUE(frame.mainMenu()->action(32841)->isEnabled());
    test::withModal<FolderSettingsDialog>(
        [&] { frame.mainMenu()->action(32841)->trigger(); },
        [&](FolderSettingsDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("その他のソフトの設定"));
            EXPECT_EQ(dialog.nameLabel(0)->text(), QStringLiteral("ソフト 1の名前"));
            dialog.pathEdit(0)->setText(qs(tool));
            Q_EMIT dialog.pathEdit(0)->textEdited(dialog.pathEdit(0)->text());
            dialog.snapNameEdit()->setText(QStringLiteral("画面"));
            dialog.accept();
        });
    const FolderSettings saved = stored(loadFolderSettingsFile, dir.file("data/Folder_HARD.slb"));
    EXPECT_EQ(saved.romFolderNames[0], "tool");
    EXPECT_EQ(saved.snapFolderNames[0], "画面");
    EXPECT_EQ(app.currentCode(), "HARD");  // the first hardware set up becomes current
    // The program is listed at once and starts from the list.
    ASSERT_EQ(frame.fileList()->model()->rowCount(), 1);
    EXPECT_EQ(frame.fileList()->model()->index(0, 0).data().toString(), u"tool"_s);
    ASSERT_TRUE(app.launchRow(0));
    EXPECT_TRUE(test::readRecord(tool).ran);
}

struct GameListDialogTest : test::AppFixture {
    GameListDialogTest() {
        setUpHardware("FC", "./roms/");
        dir.write("roms/Alpha.nes", "a");
        RomRecord alpha = record("Alpha", "Alpha");
        alpha.rating = 1;
        alpha.classes[0] = "ACT";
        writeRecords("FC", {alpha});
        start("FC");
    }
};

TEST_F(GameListDialogTest, OpensWithNothingOnAndHandsOverTheChoices) {
    GameListDialog dialog(app);
    EXPECT_EQ(dialog.windowTitle(), u"ゲームリストの作成"_s);
    const auto names = app.categoryNames();
    EXPECT_EQ(dialog.item(0)->text(), u"ファイル名"_s);
    EXPECT_EQ(dialog.item(2)->text(), u"評価"_s);
    EXPECT_EQ(dialog.item(3)->text(), QString::fromStdString(names[0]));
    EXPECT_EQ(dialog.item(8)->text(), QString::fromStdString(names[5]));
    for (int k = 0; k < GameListDialog::kItemCount; ++k) EXPECT_FALSE(dialog.item(k)->isChecked());
    EXPECT_FALSE(dialog.csvBox()->isChecked());
    EXPECT_EQ(dialog.folderEdit()->text() + u'/', QString::fromStdString(dir.path()));

    // The folder picker starts at the last folder chosen and fills the field.
    const std::string out = dir.makeFolder("out");
    prompter.pickFolder(out);
    QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.pickers.back().first, kGameListFolderTitle);
    EXPECT_EQ(prompter.pickers.back().second + "/", dir.path());
    EXPECT_EQ(dialog.folderEdit()->text(), QString::fromStdString(out));
    EXPECT_EQ(app.browseFolder(), out);

    dialog.item(2)->setChecked(true);
    dialog.item(3)->setChecked(true);
    dialog.secondLineBox()->setChecked(true);
    QTest::mouseClick(dialog.createButton(), Qt::LeftButton);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    const GameListOptions& o = dialog.options();
    EXPECT_TRUE(o.rating && o.categories[0] && o.secondLine);
    EXPECT_FALSE(o.fileName || o.categories[1] || o.hardwareClass || o.csv || o.blankLines);
    ASSERT_TRUE(createGameList(app, o));
    EXPECT_TRUE(
        text::decodeTextFile(dir.read("out/gamelist_fc.txt")).ends_with("・Alpha\n\t (★ : ACT)\n"));
}

struct MoveDestinationDialogTest : test::AppFixture {
    MoveDestinationDialogTest() {
        FolderSettings f;
        f.romFolderNames[0] = "FC";
        f.romFolderPaths[0] = "./roms/FC/";
        f.romFolderNames[1] = "未設定";  // a name without a path cannot be chosen
        f.romFolderNames[12] = "RPG";
        f.romFolderPaths[12] = "./roms/RPG/";
        f.romFolderNames[249] = "最後";
        f.romFolderPaths[249] = "./roms/last/";
        writeFolderSettings("FC", f);
        start("FC");
    }
    static QString text(QWidget* dialog, const char* name) {
        return dialog->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    static void click(QWidget* dialog, const char* name) {
        QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(name)),
                          Qt::LeftButton);
    }
};

TEST_F(MoveDestinationDialogTest, PagesOfTenFoldersAndAConfirmedChoice) {
    MoveDestinationDialog dialog(app, kSelectedFilesName, 0);
    EXPECT_EQ(text(&dialog, "prompt"), u"選択しているファイル の移動先を指定してください"_s);
    EXPECT_EQ(text(&dialog, "page"), u"ページ 1"_s);
    EXPECT_FALSE(dialog.folderButton(0)->isEnabled());  // the source
    EXPECT_FALSE(dialog.folderButton(1)->isEnabled());  // no path
    EXPECT_FALSE(dialog.findChild<QPushButton*>(u"previous"_s)->isEnabled());
    for (int k = 0; k < 24; ++k) click(&dialog, "next");
    EXPECT_EQ(text(&dialog, "page"), u"ページ 25"_s);
    EXPECT_FALSE(dialog.findChild<QPushButton*>(u"next"_s)->isEnabled());
    EXPECT_EQ(dialog.folderButton(9)->text(), u"最後"_s);
    for (int k = 0; k < 23; ++k) click(&dialog, "previous");
    ASSERT_EQ(dialog.page(), 1);
    ASSERT_TRUE(dialog.folderButton(2)->isEnabled());

    prompter.answer(false);
    QTest::mouseClick(dialog.folderButton(2), Qt::LeftButton);
    EXPECT_FALSE(dialog.destination());
    prompter.answer(true);
    QTest::mouseClick(dialog.folderButton(2), Qt::LeftButton);
    EXPECT_EQ(dialog.destination(), 12);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(prompter.boxes().back().text, "フォルダ 「RPG」 に移動させますか？");
    EXPECT_EQ(prompter.boxes().back().title, "移動確認");
}

// One loop as the user sees it: the lines and the bar follow the steps, "キャンセル" and the
// close button only raise the request, and the other windows take no input meanwhile.
TEST(ProgressDialogTest, ShowsTheLoopAndRaisesTheCancelRequest) {
    QLineEdit other;
    other.show();
    ProgressDialog progress;
    progress.begin("リネームの進行状況", 4, kDoneOfTotal);
    QDialog* window = progress.window();
    ASSERT_NE(window, nullptr);
    auto part = [&](const char* name) { return window->findChild<QWidget*>(QLatin1String(name)); };
    auto text = [&](const char* name) { return static_cast<QLabel*>(part(name))->text(); };
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(text("title"), QStringLiteral("リネームの進行状況"));

    progress.step(2, "a.nes の情報を取得中…");
    EXPECT_EQ(static_cast<QProgressBar*>(part("bar"))->value(), 2);
    EXPECT_EQ(text("counts"), QStringLiteral("処理済みのファイル数 2 / 処理するファイル総数 4"));
    EXPECT_EQ(text("item"), QStringLiteral("a.nes の情報を取得中…"));

    QTest::keyClicks(&other, QStringLiteral("typed during the loop"));
    EXPECT_TRUE(other.text().isEmpty());

    EXPECT_FALSE(progress.cancelRequested());
    QTest::mouseClick(part("cancel"), Qt::LeftButton);
    EXPECT_TRUE(progress.cancelRequested());
    progress.clearCancelRequest();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(progress.cancelRequested());
    progress.clearCancelRequest();

    progress.end();
    EXPECT_EQ(progress.window(), nullptr);
    QTest::keyClicks(&other, QStringLiteral("after"));
    EXPECT_EQ(other.text(), QStringLiteral("after"));
}

// A report's text above its tables, a tab each; the cells as given, read only, in the given order
// until a column is clicked.
TEST(ReportDialogTest, ShowsTheTextAndEachTableOnATab) {
    const std::vector<ReportTable> tables = {
        {"ファイル",
         {"状態", "ファイル"},
         {{"所持", "b.nes"}, {"不足", ""}, {"名前違い", "a.nes"}}},
        {"セット", {"状態", "ゲーム", "ROM"}, {{"ない", "pacman", "0 / 2"}}},
    };
    ReportDialog dialog("照合結果", "照合が終了しました。", tables);
    EXPECT_EQ(dialog.windowTitle(), u"照合結果"_s);
    ASSERT_NE(dialog.findChild<QLabel*>(), nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>()->text(), u"照合が終了しました。"_s);
    auto* tabs = dialog.findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), u"ファイル (3)"_s);
    EXPECT_EQ(tabs->tabText(1), u"セット (1)"_s);
    ASSERT_EQ(dialog.views().size(), 2u);
    const auto cells = [&](std::size_t table) {
        const QAbstractItemModel* model = dialog.views()[table]->model();
        std::vector<V> rows;
        V header;
        for (int c = 0; c < model->columnCount(); ++c)
            header.push_back(model->headerData(c, Qt::Horizontal).toString().toStdString());
        rows.push_back(header);
        for (int r = 0; r < model->rowCount(); ++r) {
            V row;
            for (int c = 0; c < model->columnCount(); ++c)
                row.push_back(model->index(r, c).data().toString().toStdString());
            rows.push_back(row);
        }
        return rows;
    };
    EXPECT_EQ(cells(0),
              (std::vector<V>{
                  {"状態", "ファイル"}, {"所持", "b.nes"}, {"不足", ""}, {"名前違い", "a.nes"}}));
    EXPECT_EQ(cells(1), (std::vector<V>{{"状態", "ゲーム", "ROM"}, {"ない", "pacman", "0 / 2"}}));
    QTableView* files = dialog.views()[0];
    EXPECT_EQ(files->editTriggers(), QAbstractItemView::NoEditTriggers);
    files->sortByColumn(1, Qt::AscendingOrder);
    EXPECT_EQ(cells(0)[1], (V{"不足", ""}));
    EXPECT_EQ(cells(0)[2], (V{"名前違い", "a.nes"}));

    // One table: no tabs.
    ReportDialog single("照合結果", "", {tables[1]});
    EXPECT_EQ(single.findChild<QTabWidget*>(), nullptr);
    ASSERT_EQ(single.views().size(), 1u);
    EXPECT_EQ(single.views()[0]->model()->rowCount(), 1);
}

}  // namespace

namespace {

// Qt's own file dialog as the program shows it under the C locale: its labels, the type of a
// folder and the dates in Japanese; all as before once the program is done with them.
TEST(JapaneseUiTest, QtsOwnFileDialogSpeaksJapaneseUnderTheCLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale::c());
    // Kept to the end of the run: Qt's file dialogs remember the folder they showed, and a later
    // test's dialog sometimes never came up once this one was removed.
    static test::TempFolder dir;
    dir.makeFolder("sub");
    const std::string touch = "touch -m -d '2024-03-05 06:07' '" + dir.file("sub") + "'";
    ASSERT_EQ(std::system(touch.c_str()), 0);
    // The folder's text in `column` and the file name's label.
    const auto shown = [&](int column) {
        QFileDialog dialog(nullptr, u"開く"_s, QString::fromStdString(dir.path()));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setViewMode(QFileDialog::Detail);
        dialog.show();
        auto* model = dialog.findChild<QFileSystemModel*>();
        auto* view = dialog.findChild<QTreeView*>(u"treeView"_s);
        const QModelIndex at =
            model->index(QString::fromStdString(dir.file("sub"))).siblingAtColumn(column);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !model->data(at).toString().isEmpty(); }));
        // The text as the view draws it: the model's, or the dates' delegate's where it is set.
        QStyleOptionViewItem option;
        option.text = model->data(at).toString();
        if (auto* dates = qobject_cast<FileDialogDates*>(view->itemDelegateForIndex(at)))
            dates->initStyleOption(&option, at);
        const std::string label =
            dialog.findChild<QLabel*>(u"fileNameLabel"_s)->text().toStdString();
        dialog.hide();
        return std::pair(option.text.toStdString(), label);
    };
    {
        const JapaneseUi japanese;
        EXPECT_EQ(QLocale().language(), QLocale::Japanese);
        EXPECT_EQ(shown(2), std::pair("フォルダ"s, "ファイル名(&N):"s));
        EXPECT_EQ(shown(3).first, "2024/03/05 6:07");
    }
    EXPECT_EQ(QLocale(), QLocale::c());
    EXPECT_EQ(shown(2), std::pair("Folder"s, "File &name:"s));
    QLocale::setDefault(before);
}

}  // namespace
