#include "qt/app/CMainFrame.h"
#include "qt/app/QtPrompter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <tuple>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QHeaderView>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "QtUi.h"
#include "RomImages.h"
#include "qt/app/CommandIds.h"
#include "qt/app/HardwareBar.h"
#include "qt/app/MainMenu.h"
#include "qt/app/ToolWindowFrame.h"
#include "qt/views/CFileList.h"
#include "qt/views/FileListModel.h"
#include "core/commands/Registration.h"

using namespace romshelf;
using namespace Qt::StringLiterals;

namespace {

struct MainFrameTest : romshelf::test::AppFixture {
    std::unique_ptr<CMainFrame> frame;

    void open(const std::string& code = "") {
        if (!code.empty()) app.preferHardware(code);
        frame = std::make_unique<CMainFrame>(app);
        frame->startUp();
    }
    QAction* action(int id) { return frame->mainMenu()->action(id); }
    // The labels of the menu reached from the menu bar through the '|'-separated `path`, joined
    // by '|' (separators left out).
    std::string menu(const std::string& path) {
        QList<QAction*> items = frame->menuBar()->actions();
        for (const QString& title : QString::fromStdString(path).split(u'|', Qt::SkipEmptyParts)) {
            auto it = std::ranges::find_if(items, [&](QAction* a) { return a->text() == title; });
            if (it == items.end() || !(*it)->menu()) return "no " + title.toStdString();
            items = (*it)->menu()->actions();
        }
        QStringList out;
        for (QAction* a : items)
            if (!a->isSeparator()) out << a->text();
        return out.join(u'|').toStdString();
    }
};

// The file-list window over SFC files in three ROM folders.
struct FileListViewTest : MainFrameTest {
    CFileList* list = nullptr;

    void SetUp() override {
        // Folders 1 and 2 are also where renamed and failed files go.
        FolderSettings f;
        f.romFolderPaths[0] = f.renameOkFolder = "./roms/ok/";
        f.romFolderPaths[1] = f.renameFailedFolder = "./roms/ng/";
        f.romFolderPaths[2] = "./roms/main/";
        writeFolderSettings("SFC", f);
        for (const char* p :
             {"roms/ok/b.sfc", "roms/ng/c.sfc", "roms/main/あいす.sfc", "roms/main/アイス.smc"})
            dir.write(p, "x");
        option(Option::RenameOkInBlue);
        option(Option::CountsInMainTitle);
        open("SFC");
        list = frame->fileList();
    }
    void option(Option o) {
        app.changeSettings([o](MainSettings& m) { m.setOption(o, true); });
    }
    QString cell(int row, int column) {
        return list->model()->index(row, column).data().toString();
    }
    void click(int row, Qt::MouseButton button = Qt::LeftButton) {
        test::clickRow(list, row, button);
    }
    void key(int row, Qt::Key k) {
        list->selectRow(row);
        QTest::keyClick(list, k);
    }
};

// The tool windows as the window-layout commands move them.
struct WindowLayoutViewTest : MainFrameTest {
    void SetUp() override { open(); }
    ToolWindowFrame* snap() { return frame->toolWindow(kSlotSnap); }
    // Drags the window by its title bar: a hover (the frame learns what a press there grabs),
    // the press, a move with the button held, the release.
    void drag(ToolWindowFrame* w, QPoint by) {
        const QPoint grip(w->width() / 2, 8);
        auto send = [w](QEvent::Type type, QPoint at, Qt::MouseButton button,
                        Qt::MouseButtons held) {
            QMouseEvent e(type, at, w->mapToGlobal(at), button, held, {});
            QApplication::sendEvent(w, &e);
        };
        send(QEvent::MouseMove, grip, Qt::NoButton, Qt::NoButton);
        send(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, grip + by, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, grip + by, Qt::LeftButton, Qt::NoButton);
        QApplication::processEvents();
    }
};

// Sorted, as UTF-8 so that a failure reads well.
std::vector<std::string> buttonTexts(const QMessageBox& box) {
    std::vector<std::string> texts;
    for (const QAbstractButton* button : box.buttons())
        texts.push_back(button->text().toStdString());
    std::ranges::sort(texts);
    return texts;
}

}  // namespace

TEST_F(MainFrameTest, FreshStartShowsTheFrameWithNothingSetUp) {
    open();
    EXPECT_EQ(frame->windowTitle().toStdString(), "Romshelf Plus !!");
    for (QComboBox* combo :
         {frame->hardwareBar()->hardwareCombo(), frame->hardwareBar()->emulatorCombo()}) {
        EXPECT_EQ(combo->count(), 1);
        EXPECT_EQ(combo->currentText(), u"未設定"_s);
    }
    EXPECT_EQ(QRect(frame->pos(), frame->size()), QRect(0, 0, 640, 452));
    // Without a ROM folder the list shows the first steps' hint.
    EXPECT_FALSE(frame->fileList()->hint().isEmpty());
    // The labels it names are the menu's, less their keys.
    const std::string settings = menu("設定(&S)");
    EXPECT_NE(settings.find("フォルダ設定(&F)|エミュレータ設定(&E)"), std::string::npos)
        << settings;
}

TEST_F(MainFrameTest, MenusCarryTheirLabelsKeysAndPerHardwareGroups) {
    open();
    EXPECT_EQ(menu(""), "ファイル(&F)|表示(&V)|設定(&S)|ツール(&T)|ヘルプ(&H)");
    // The labels of the View menu say F5 and F6 the other way round; the key table decides.
    EXPECT_EQ(action(cmd::ViewFolder)->text(), u"フォルダウィンドウ(&O)\tShift+F5"_s);
    EXPECT_EQ(action(cmd::ViewFileInfo)->text(), u"ファイル情報ウィンドウ(&F)\tShift+F6"_s);
    QStringList shortcuts;
    for (int id :
         {cmd::ViewSnap, cmd::ViewFolder, cmd::ViewFileInfo, cmd::ViewMedia, cmd::ViewSystem,
          cmd::EmulatorOnly, cmd::EnvironmentSettings, cmd::LockWindowPositions, cmd::JoyToKey,
          cmd::ShowAll, cmd::Search, cmd::OptimiseFileInfo, cmd::DataBackup})
        shortcuts << action(id)->shortcut().toString();
    EXPECT_EQ(shortcuts.join(u' '),
              u"Shift+F4 Shift+F6 Shift+F5  Shift+F3 Ctrl+E Ctrl+O "
              u"Ctrl+Backspace Ctrl+F2 Ctrl+A Ctrl+F Ctrl+I Ctrl+U"_s);
    // Every key of the table is bound exactly once.
    std::map<QString, int> bound;
    for (const auto& [id, a] : frame->mainMenu()->actions())
        if (!a->shortcut().isEmpty()) ++bound[a->shortcut().toString()];
    EXPECT_EQ(bound.size(), 27u);
    for (const auto& [keys, count] : bound) EXPECT_EQ(count, 1) << keys.toStdString();

    // Per-hardware commands are grouped, and only built work is enabled.
    EXPECT_EQ(menu("設定(&S)|フォルダ設定(&F)"),
              "テレビゲーム|携帯ゲーム|アーケード|パソコン|ユーザ設定");
    // Other software has no folder-settings item; its emulator item opens its own dialog.
    EXPECT_EQ(QString::fromStdString(menu("設定(&S)|フォルダ設定(&F)|ユーザ設定")).count(u'|'), 4);
    EXPECT_TRUE(menu("設定(&S)|エミュレータ設定(&E)|ユーザ設定").ends_with("|その他のソフト(&H)"));
    EXPECT_EQ(menu("ファイル(&F)|設定ファイルの削除(&D)|アーケード"), "MAME");

    for (int id : {int(cmd::ViewMedia), int(cmd::Exit), int(cmd::About), int(cmd::Search),
                   int(cmd::GameList), int(cmd::ImportOwnCsv), int(cmd::ImportOldCsv),
                   int(cmd::DataBackup), 32905 /* reset sizes */, 32879 /* delete FC's */})
        EXPECT_TRUE(action(id)->isEnabled()) << id;
    EXPECT_FALSE(action(cmd::Manual)->isEnabled());
    // Filling records needs a hardware's records: none is set up here.
    EXPECT_EQ(action(cmd::FillFromDatabase)->text(), u"データベースから情報を取得(&G)..."_s);
    EXPECT_FALSE(action(cmd::FillFromDatabase)->isEnabled());
}

TEST_F(MainFrameTest, TheDatabaseFillIsOfferedOnceAHardwareIsChosen) {
    setUpHardware("MD");
    open("MD");
    ASSERT_EQ(app.currentCode(), "MD");
    EXPECT_TRUE(action(cmd::FillFromDatabase)->isEnabled());
    EXPECT_NE(
        menu("ツール(&T)").find("ファイル情報の最適化\tCtrl+I|データベースから情報を取得(&G)..."),
        std::string::npos);
}

TEST_F(MainFrameTest, EveryKeyTheMenusShowReachesItsCommandFromTheFileList) {
    open();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    frame->fileList()->setFocus();
    // Which command a key reaches, not what the command then does.
    std::vector<int> reached;
    std::map<QKeySequence, int> bound;
    for (const auto& [id, a] : frame->mainMenu()->actions()) {
        QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
        QObject::connect(a, &QAction::triggered, [&reached, id] { reached.push_back(id); });
        if (!a->shortcut().isEmpty()) bound[a->shortcut()] = id;
    }
    int shown = 0;
    for (const auto& [id, a] : frame->mainMenu()->actions()) {
        const qsizetype tab = a->text().indexOf(u'\t');
        if (tab < 0) continue;
        const QKeySequence keys = QKeySequence::fromString(a->text().mid(tab + 1));
        ASSERT_EQ(keys.count(), 1) << a->text().toStdString();
        ++shown;
        reached.clear();
        const QKeyCombination key = keys[0];
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        // The key table's command; Shift+F7 is shown but bound to nothing.
        const auto it = bound.find(keys);
        EXPECT_EQ(reached, it == bound.end() ? std::vector<int>{} : std::vector<int>{it->second})
            << keys.toString().toStdString();
    }
    EXPECT_EQ(shown, 28);
}

TEST_F(MainFrameTest, ToolWindowsHideOnCloseAndComeBackFromTheViewMenu) {
    app.changeSettings([](MainSettings& m) { m.windowSlots[kSlotFolder].visible = 0; });
    open();
    QList<QMdiSubWindow*> windows = frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(windows.size(), 7);
    const int order[] = {kSlotDatabase, kSlotSystem,   kSlotFileList, kSlotSnap,
                         kSlotFolder,   kSlotFileInfo, kSlotMedia};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(static_cast<ToolWindowFrame*>(windows[i])->slotIndex(), order[i]);
    EXPECT_EQ(frame->toolWindow(kSlotSnap)->geometry(), QRect(72, 72, 328, 263));
    EXPECT_EQ(frame->toolWindow(kSlotMedia)->geometry(), QRect(144, 144, 328, 263));
    // The stored sizes leave the pictures their whole client area.
    EXPECT_EQ(frame->toolWindow(kSlotSnap)->widget()->size(), QSize(320, 240));
    EXPECT_EQ(frame->toolWindow(kSlotFileInfo)->widget()->size(), QSize(320, 83));
    EXPECT_FALSE(frame->toolWindow(kSlotFolder)->isVisible());  // hidden by its flag

    ToolWindowFrame* snap = frame->toolWindow(kSlotSnap);
    snap->setGeometry(10, 20, 300, 200);
    snap->showMinimized();
    QApplication::processEvents();
    snap->close();
    EXPECT_FALSE(snap->isVisible());
    EXPECT_EQ(app.settings().windowSlots[kSlotSnap].visible, 0);
    EXPECT_EQ(app.settings().windowSlots[kSlotSnap].showState, ShowState::Minimised);
    EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 7);  // still there, only hidden

    action(cmd::ViewSnap)->trigger();
    EXPECT_TRUE(snap->isVisible());
    EXPECT_TRUE(snap->isMinimized());
    EXPECT_EQ(app.settings().windowSlots[kSlotSnap].visible, 1);
    action(cmd::ViewFolder)->trigger();
    EXPECT_TRUE(frame->toolWindow(kSlotFolder)->isVisible());
    EXPECT_EQ(frame->mdiArea()->activeSubWindow(), frame->toolWindow(kSlotFolder));

    // Shut-down writes the normal rectangles back.
    frame->close();
    EXPECT_EQ(app.settings().windowSlots[kSlotSnap].x, 10);
    EXPECT_EQ(app.settings().windowSlots[kSlotSnap].width, 300);
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/MainData.slb")));
}

TEST_F(MainFrameTest, RecentFilesAndTheSnapTitleFollowTheCurrentHardware) {
    FolderSettings folders;
    folders.snapFolderNames[0] = "タイトル画面";
    writeFolderSettings("FC", folders);
    app.changeSettings([](MainSettings& m) {
        m.recentLaunches[0][0] = {"Mario", "mario.nes", 0};
        m.recentLaunches[0][2] = {"Zelda", "zelda.nes", 0};
    });
    open("FC");
    EXPECT_EQ(frame->toolWindow(kSlotSnap)->windowTitle(), u"スナップウィンドウ : タイトル画面"_s);
    EXPECT_TRUE(action(cmd::RecentFile1)->isVisible());
    EXPECT_EQ(action(cmd::RecentFile1)->text(), u"&1 Mario"_s);
    EXPECT_FALSE(action(cmd::RecentFile1 + 1)->isVisible());
    EXPECT_EQ(action(cmd::RecentFile1 + 2)->text(), u"&3 Zelda"_s);

    frame.reset();
    std::filesystem::remove(dir.file("data/Folder_FC.slb"));
    open();
    for (int k = 0; k < 5; ++k) EXPECT_FALSE(action(cmd::RecentFile1 + k)->isVisible());
}

TEST_F(MainFrameTest, ATerminationRequestWaitsForAnOpenMessageBox) {
    open();
    QMessageBox* box = new QMessageBox(QMessageBox::Information, u"警告"_s, u"…"_s);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QTimer::singleShot(0, [this, box] {
        frame->requestClose();  // arrives while the box is open
        QApplication::processEvents();
        EXPECT_TRUE(frame->isVisible());
        box->accept();
    });
    box->exec();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->isVisible(); }, 3000));
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/MainData.slb")));
}

// An open menu is no command under way: the request closes it, else nothing ever would.
TEST_F(MainFrameTest, ATerminationRequestClosesAnOpenMenu) {
    open();
    frame->mainMenu()->fileMenu()->popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
    frame->requestClose();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->isVisible(); }, 3000));
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/MainData.slb")));
}

TEST_F(FileListViewTest, ShowsTheRowsWithTitlesAndColours) {
    EXPECT_TRUE(list->hint().isEmpty());  // a ROM folder is set up
    ASSERT_EQ(list->model()->rowCount(), 4);
    EXPECT_EQ(frame->toolWindow(kSlotFileList)->windowTitle(),
              u"ファイルリスト - スーパーファミコン : 全ファイル (ファイル数 : 4)"_s);
    EXPECT_EQ(frame->windowTitle(),
              u"Romshelf Plus !! - スーパーファミコン : 全ファイル (ファイル数 : 4)"_s);
    std::map<QString, QColor> colours;
    for (int r = 0; r < 4; ++r) colours[cell(r, 2)] = list->listModel()->textColour(r);
    EXPECT_EQ(colours[u"b.sfc"_s], QColor(0, 0, 255));
    // Pure red reads at 4.0:1 on white only: a darker red.
    const QColor failed = colours[u"c.sfc"_s];
    EXPECT_EQ(failed, QColor(failed.red(), 0, 0));
    EXPECT_GT(failed.red(), 180);
    EXPECT_LT(failed.red(), 255);
    EXPECT_EQ(colours[u"あいす.sfc"_s], QColor(0, 0, 0));
    EXPECT_EQ(list->model()->headerData(9, Qt::Horizontal).toString(), u"機種別分類"_s);
    EXPECT_EQ(list->columnWidth(0), 400);
    EXPECT_EQ(list->columnWidth(10), 0);
}

TEST_F(FileListViewTest, ColumnClicksSortCommandsRebuildAndWidthsAreKept) {
    list->horizontalHeader()->sectionClicked(2);  // file names, descending first
    EXPECT_EQ(cell(0, 2), u"アイス.smc"_s);
    EXPECT_EQ(cell(3, 2), u"b.sfc"_s);
    // The selected file stays selected, and Enter still starts it.
    list->selectRow(0);
    list->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(cell(0, 2), u"b.sfc"_s);
    EXPECT_EQ(list->selectedRow(), 3);
    EXPECT_EQ(cell(list->selectedRow(), 2), u"アイス.smc"_s);
    QSignalSpy starts(list, &CFileList::startRequested);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(starts.count(), 1);
    EXPECT_EQ(starts.takeFirst().at(0).toInt(), 3);

    action(cmd::ShowUnregistered)->trigger();
    EXPECT_EQ(list->model()->rowCount(), 4);
    action(cmd::ShowFavourites)->trigger();
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), u"ファイルがありません"_s);

    list->setColumnWidth(10, 80);
    list->setColumnWidth(1, 55);
    action(cmd::ResetColumnWidths)->trigger();
    EXPECT_EQ(list->columnWidth(10), 0);
    EXPECT_EQ(list->columnWidth(1), 200);
    list->setColumnWidth(3, 77);
    frame->close();  // the widths go back into the settings
    EXPECT_EQ(app.settings().columnWidths[3], 77);
}

// A rebuild runs beside the event loop: meanwhile the list has no rows to read (they are being
// replaced) and a close request waits for its end; the new rows show after it.
TEST_F(FileListViewTest, ARebuildLetsTheLoopTurnAndHoldsACloseRequestUntilItEnds) {
    std::atomic<bool> looked = false;
    int rowsMeanwhile = -1;
    QString hintMeanwhile;
    QTimer::singleShot(0, [&] {
        rowsMeanwhile = list->model()->rowCount();
        hintMeanwhile = list->hint();
        frame->requestClose();
        looked = true;
    });
    bool loopTurned = false;
    frame->fileListRebuilding([&] {
        for (int i = 0; i < 500 && !looked; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        loopTurned = looked;
    });
    EXPECT_TRUE(loopTurned);
    EXPECT_EQ(rowsMeanwhile, 0);
    EXPECT_EQ(hintMeanwhile, u"ファイルリストを作成しています…"_s);
    EXPECT_TRUE(frame->isVisible());
    frame->fileListChanged();
    EXPECT_EQ(list->model()->rowCount(), 4);
    EXPECT_TRUE(list->hint().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->isVisible(); }, 3000));
}

// The play history's orders, from the view menu and the column titles' menu: the most first, the
// files never played after them in their present order, the selected file still selected.
// A record edit is on disk within a second or so, without a hardware switch or the end of the
// program: a window killed afterwards (a power cut, a logout) keeps it.
TEST_F(FileListViewTest, ARecordEditIsSavedAMomentAfterItIsMade) {
    auto savedName = [&]() -> std::string {
        RomTable table;
        DataStream s;
        table.load(s, dir.file("data/RomData_SFC.slb"), prompter);
        const int i = table.findRecordByTitle("b");
        return i < 0 ? "" : table[i].gameName;
    };
    int row = -1;
    for (std::size_t r = 0; r < app.fileList().rows().size(); ++r)
        if (app.fileList().rows()[r].fileName() == "b.sfc") row = static_cast<int>(r);
    RegistrationModel model(app);
    ASSERT_TRUE(model.open(row));
    model.fields.gameName = "Edited in the window";
    ASSERT_TRUE(model.accept());
    EXPECT_EQ(savedName(), "");  // not saved by the edit itself
    const auto start = std::chrono::steady_clock::now();
    while (savedName() != "Edited in the window" &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
        QTest::qWait(50);
    EXPECT_EQ(savedName(), "Edited in the window");
    // Saved once: later ticks write nothing while nothing changes.
    const auto written = std::filesystem::last_write_time(dir.file("data/RomData_SFC.slb"));
    QTest::qWait(1500);
    EXPECT_EQ(std::filesystem::last_write_time(dir.file("data/RomData_SFC.slb")), written);
}

TEST_F(FileListViewTest, ThePlayHistorySortsTheList) {
    // b: two short runs, the latest; c: one long run; the others never played.
    app.playHistory().record({{"SFC", "b", std::nullopt, std::nullopt}, 1700000000, 60, 0, false});
    app.playHistory().record({{"SFC", "b", std::nullopt, std::nullopt}, 1700000900, 60, 0, false});
    app.playHistory().record(
        {{"SFC", "c", std::nullopt, std::nullopt}, 1600000000, 7200, 0, false});
    list->horizontalHeader()->sectionClicked(2);
    list->horizontalHeader()->sectionClicked(2);  // file names, ascending
    EXPECT_TRUE(
        menu("表示(&V)")
            .ends_with(
                "|プレイ時間順|最終プレイ日順|プレイ回数順|1ゲーム1ROM表示(&G)|タグで絞り込み(&T)..."))
        << menu("表示(&V)");
    list->selectRow(2);  // あいす.sfc
    const std::tuple<int, std::vector<QString>> cases[] = {
        {0, {u"c.sfc"_s, u"b.sfc"_s, u"あいす.sfc"_s, u"アイス.smc"_s}},
        {1, {u"b.sfc"_s, u"c.sfc"_s, u"あいす.sfc"_s, u"アイス.smc"_s}},
        {2, {u"b.sfc"_s, u"c.sfc"_s, u"あいす.sfc"_s, u"アイス.smc"_s}},
    };
    for (const auto& [k, files] : cases) {
        SCOPED_TRACE(k);
        action(cmd::SortByPlayTime + k)->trigger();
        for (int row = 0; row < 4; ++row)
            EXPECT_EQ(cell(row, 2), files[static_cast<std::size_t>(row)]);
        EXPECT_EQ(cell(list->selectedRow(), 2), u"あいす.sfc"_s);
    }
}

TEST_F(FileListViewTest, ClicksAndKeysAskToStartOrToRegisterOnlyFiles) {
    QSignalSpy shown(list, &CFileList::selectionShown),
        asked(list, &CFileList::registrationRequested);
    click(1);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.takeFirst().at(0).toInt(), 1);

    key(0, Qt::Key_Space);
    ASSERT_EQ(asked.count(), 1);
    EXPECT_FALSE(asked.takeFirst().at(1).toBool());
    // Two rows selected: the bulk dialog, closed again as soon as it shows.
    list->selectionModel()->select(list->model()->index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTimer::singleShot(0, [] {
        if (QWidget* bulk = QApplication::activeModalWidget()) bulk->close();
    });
    click(1, Qt::RightButton);
    ASSERT_EQ(asked.count(), 1);
    EXPECT_TRUE(asked.takeFirst().at(1).toBool());

    // Unowned rows: Space opens the registration, a right click does not.
    dir.write("data/NoHave_SFC.txt", "Gone Game\n");
    option(Option::ListMissingFiles);
    option(Option::NeverSort);
    app.showAll();
    const int unowned = list->model()->rowCount() - 1;
    ASSERT_EQ(cell(unowned, 10), u"-2"_s);
    // Their grey is darkened to the lightest grey that reads on white (#767676, 4.54:1).
    EXPECT_EQ(list->listModel()->textColour(unowned), QColor(0x76, 0x76, 0x76));
    list->clearSelection();
    click(unowned, Qt::RightButton);
    EXPECT_EQ(asked.count(), 0);
    key(unowned, Qt::Key_Space);
    EXPECT_EQ(asked.count(), 1);
    asked.clear();

    // The placeholder row opens nothing; and the option switches Space off altogether.
    app.showFavourites();
    key(0, Qt::Key_Space);
    EXPECT_EQ(asked.count(), 0);
    app.showAll();
    option(Option::SpaceKeyDoesNotRegister);
    key(0, Qt::Key_Space);
    EXPECT_EQ(asked.count(), 0);
}

// The program's boxes are Japanese whatever translation Qt has: "OK", "はい", "いいえ".
TEST(QtPrompter, BoxesSpeakJapanese) {
    // What is asked, whether it is a question, the buttons (sorted), the one pressed (nullptr:
    // Escape) and the answer.
    const std::tuple<const char*, bool, std::vector<std::string>, const char*, bool> cases[] = {
        {"a message, OK", false, {"OK"}, "OK", true},
        {"a question, yes", true, {"いいえ", "はい"}, "はい", true},
        {"a question, no", true, {"いいえ", "はい"}, "いいえ", false},
        {"a question, Escape", true, {"いいえ", "はい"}, nullptr, false},
    };
    QtPrompter prompter;
    for (const auto& [what, question, buttons, press, answer] : cases) {
        SCOPED_TRACE(what);
        bool answered = !answer;
        test::withModal<QMessageBox>(
            [&] {
                answered = prompter.messageBox("消しますか?\n元に戻せません。", "警告", question);
            },
            [&](QMessageBox& box) {
                EXPECT_EQ(box.windowTitle().toStdString(), "警告");
                EXPECT_EQ(box.text().toStdString(), "消しますか?\n元に戻せません。");
                EXPECT_EQ(buttonTexts(box), buttons);
                if (question) {
                    EXPECT_EQ(box.defaultButton() ? box.defaultButton()->text() : QString(),
                              u"はい"_s);
                }
                if (!press) return QTest::keyClick(&box, Qt::Key_Escape);
                for (QAbstractButton* button : box.buttons())
                    if (button->text().toStdString() == press) return button->click();
                ADD_FAILURE() << "no button " << press;
                box.done(QMessageBox::No);
            });
        EXPECT_EQ(answered, answer);
    }
}

// Programs have no extension here: the emulator picker lists executable files, all on request.
TEST(QtPrompter, TheExecutablePickerFiltersByPermission) {
    test::TempFolder dir;
    const std::string program = dir.write("emu/fceux", "");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    QtPrompter prompter;
    std::optional<std::string> chosen;
    test::withModal<QFileDialog>(
        [&] {
            chosen = prompter.chooseOpenFile("FCEUXの場所を指定してください", "FCEUX実行ファイル",
                                             std::string(kExecutableFilesPattern), dir.file("emu"));
        },
        [&](QFileDialog& d) {
            QFileDialog* dialog = &d;
            EXPECT_EQ(dialog->windowTitle(), u"FCEUXの場所を指定してください"_s);
            EXPECT_EQ(dialog->nameFilters(),
                      QStringList({u"FCEUX実行ファイル (*)"_s, u"すべてのファイル (*)"_s}));
            EXPECT_TRUE(dialog->filter().testFlag(QDir::Executable));
            Q_EMIT dialog->filterSelected(u"すべてのファイル (*)"_s);
            EXPECT_FALSE(dialog->filter().testFlag(QDir::Executable));
            Q_EMIT dialog->filterSelected(u"FCEUX実行ファイル (*)"_s);
            EXPECT_TRUE(dialog->filter().testFlag(QDir::Executable));
            // Typed into the name field, as a user may: a selection in the list depends on the
            // folder listing the dialog reads in the background.
            auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
            ASSERT_NE(name, nullptr);
            name->setText(u"fceux"_s);
            static_cast<QDialog*>(dialog)->accept();  // as the 開く button
        });
    EXPECT_EQ(chosen, program);
}

TEST_F(MainFrameTest, InternalInformationOfTheSelectedRowComesForwardInTheSystemWindow) {
    setUpHardware("GBA", "./roms/");
    dir.write("roms/game.gba", test::rom::gameBoyAdvance("ADVANCE", "AAAJ"));
    app.changeSettings([](MainSettings& m) { m.windowSlots[kSlotSystem].visible = 0; });
    open("GBA");
    ASSERT_FALSE(frame->toolWindow(kSlotSystem)->isVisible());
    action(cmd::InternalInfo)->trigger();  // no row selected: nothing
    EXPECT_FALSE(frame->toolWindow(kSlotSystem)->isVisible());
    test::clickRow(frame->fileList(), 0);
    action(cmd::InternalInfo)->trigger();
    EXPECT_TRUE(logged("タイトル: ADVANCE"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the wait cursor lasts as long as it
    EXPECT_TRUE(frame->toolWindow(kSlotSystem)->isVisible());
    action(cmd::Explorer)->trigger();
    EXPECT_EQ(ports.desktop.opened, std::vector<std::string>{dir.path()});
}

TEST_F(WindowLayoutViewTest, LockedWindowsStayWhereTheyAreWhateverMovesThem) {
    snap()->move(100, 90);
    QAction* lock = action(cmd::LockWindowPositions);
    action(cmd::LockWindowPositions)->trigger();
    EXPECT_TRUE(lock->isChecked());
    drag(snap(), {40, 30});
    snap()->move(5, 5);
    snap()->resize(500, 400);
    EXPECT_EQ(snap()->geometry(), QRect(100, 90, 328, 263));

    // Resetting moves them all the same, and they stay locked at their new places.
    prompter.answer(true);
    action(cmd::ResetWindowPositions)->trigger();
    EXPECT_EQ(snap()->pos(), QPoint(72, 72));
    snap()->move(200, 200);
    EXPECT_EQ(snap()->pos(), QPoint(72, 72));

    action(cmd::LockWindowPositions)->trigger();
    EXPECT_FALSE(lock->isChecked());
    drag(snap(), {40, 30});
    EXPECT_EQ(snap()->pos(), QPoint(112, 102));
}

TEST_F(WindowLayoutViewTest, RestoreMovesTheToolWindowsAndLeavesTheFrame) {
    snap()->setGeometry(30, 40, 300, 200);
    prompter.answer(true);
    action(cmd::StoreWindowPositions)->trigger();
    snap()->setGeometry(0, 0, 200, 100);
    const QRect main = frame->geometry();
    prompter.answer(true);
    action(cmd::RestoreWindowPositions)->trigger();
    EXPECT_EQ(snap()->geometry(), QRect(30, 40, 300, 200));
    EXPECT_EQ(frame->geometry(), main);
    EXPECT_TRUE(prompter.allAnswersUsed());
}

// Names as the No-Intro DATs write them: the region and language columns read their tags, and
// the view menu's one game, one ROM keeps the preferred release of each title and is saved.
TEST_F(MainFrameTest, TagColumnsAndOneGameOneRomInTheWindow) {
    setUpHardware("SFC");
    for (const char* name :
         {"Mega Man X (USA).sfc", "Rockman X (Japan).sfc", "Rockman X (Japan) [b].sfc",
          "Tetris (World) (Beta).sfc", "Tetris (World).sfc"})
        dir.write(std::string("roms/SFC/") + name, "x");
    open("SFC");
    CFileList* list = frame->fileList();
    QAbstractItemModel* model = list->model();
    ASSERT_EQ(model->columnCount(), 14);
    EXPECT_EQ(model->headerData(12, Qt::Horizontal).toString(), u"地域"_s);
    EXPECT_EQ(model->headerData(13, Qt::Horizontal).toString(), u"言語"_s);
    auto rows = [&] {
        std::vector<std::string> shown;
        for (int r = 0; r < model->rowCount(); ++r)
            shown.push_back(model->index(r, 2).data().toString().toStdString() + "=" +
                            model->index(r, 12).data().toString().toStdString() + "/" +
                            model->index(r, 13).data().toString().toStdString());
        std::sort(shown.begin(), shown.end());
        return shown;
    };
    EXPECT_EQ(rows().size(), 5u);
    EXPECT_NE(std::ranges::count(rows(), "Rockman X (Japan).sfc=Japan/Ja"), 0)
        << testing::PrintToString(rows());

    QAction* onePerGame = action(cmd::OnePerGame);
    ASSERT_TRUE(onePerGame->isCheckable());
    onePerGame->trigger();
    EXPECT_TRUE(onePerGame->isChecked());
    // Rockman X and Mega Man X are titles of their own without a DAT; the bad dump and the beta
    // give way to the good releases.
    EXPECT_EQ(rows(), (std::vector<std::string>{"Mega Man X (USA).sfc=USA/En",
                                                "Rockman X (Japan).sfc=Japan/Ja",
                                                "Tetris (World).sfc=World/En"}));
    // Kept with the other settings when they are saved.
    ASSERT_TRUE(app.saveMainSettings());
    EXPECT_NE(dir.read("data/romshelf-plus.ini").find("onePerGame"), std::string::npos);
    onePerGame->trigger();
    EXPECT_EQ(rows().size(), 5u);
}
