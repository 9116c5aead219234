#include "qt/app/CMainFrame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "qt/QtText.h"
#include "AppFixture.h"
#include "qt/app/CommandIds.h"
#include "qt/app/HardwareBar.h"
#include "qt/app/MainMenu.h"
#include "qt/app/ToolWindowFrame.h"

using namespace romshelf;

namespace {

struct MainFrameTest : romshelf::test::AppFixture {
    std::unique_ptr<CMainFrame> frame;

    void open(const std::string& code = "") {
        if (!code.empty()) app.preferHardware(code);
        frame = std::make_unique<CMainFrame>(app);
        frame->startUp();
    }
    QAction* action(int id) { return frame->mainMenu()->action(id); }
    QMenu* topMenu(const QString& title) {
        for (QAction* a : frame->menuBar()->actions())
            if (a->text() == title) return a->menu();
        return nullptr;
    }
    static QMenu* subMenu(QMenu* menu, const QString& title) {
        for (QAction* a : menu->actions())
            if (a->text() == title) return a->menu();
        return nullptr;
    }
    static QStringList texts(QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) out << a->text();
        return out;
    }
};

}  // namespace

TEST_F(MainFrameTest, FreshStartShowsTheFrameWithNothingSetUp) {
    open();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Romshelf Plus !!"));
    QComboBox* hw = frame->hardwareBar()->hardwareCombo();
    QComboBox* emu = frame->hardwareBar()->emulatorCombo();
    ASSERT_EQ(hw->count(), 1);
    EXPECT_EQ(hw->currentText(), QStringLiteral("未設定"));
    ASSERT_EQ(emu->count(), 1);
    EXPECT_EQ(emu->currentText(), QStringLiteral("未設定"));
    EXPECT_EQ(frame->pos(), QPoint(0, 0));
    EXPECT_EQ(frame->size(), QSize(640, 452));
}

TEST_F(MainFrameTest, MenusCarryTheirLabelsAndTheKeyTable) {
    open();
    QStringList tops;
    for (QAction* a : frame->menuBar()->actions()) tops << a->text();
    EXPECT_EQ(tops, (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("表示(&V)"),
                                 QStringLiteral("設定(&S)"), QStringLiteral("ツール(&T)"),
                                 QStringLiteral("ヘルプ(&H)")}));

    struct Item {
        int id;
        const char* label;
        QKeySequence keys;
    };
    const Item items[] = {
        {cmd::ViewSnap, "スナップウィンドウ(&S)\tShift+F4", QKeySequence(Qt::SHIFT | Qt::Key_F4)},
        // The labels say F5 and F6 the other way round; the key table decides.
        {cmd::ViewFolder, "フォルダウィンドウ(&O)\tShift+F5", QKeySequence(Qt::SHIFT | Qt::Key_F6)},
        {cmd::ViewFileInfo, "ファイル情報ウィンドウ(&F)\tShift+F6", QKeySequence(Qt::SHIFT | Qt::Key_F5)},
        {cmd::ViewMedia, "メディアウィンドウ(M)\tShift+F7", QKeySequence()},
        {cmd::ViewSystem, "システムウィンドウ(Y)\tShift+F3", QKeySequence(Qt::SHIFT | Qt::Key_F3)},
        {cmd::StoreWindowPositions, "各ウィンドウの位置を記憶する(&A)", QKeySequence()},
        {cmd::EmulatorOnly, "エミュレータ本体のみ起動(&E)\tCtrl+E", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {cmd::CaptureTool, "キャプチャツールの表示(&W)\tCtrl+W", QKeySequence(Qt::CTRL | Qt::Key_W)},
        {cmd::StartRename, "リネームの開始(&R)\tCtrl+R", QKeySequence(Qt::CTRL | Qt::Key_R)},
        {cmd::GameList, "ゲームリストを作成(&L)\tCtrl+L", QKeySequence(Qt::CTRL | Qt::Key_L)},
        {cmd::ImportOwnCsv, "RomshelfPlus!!のCSVを読み込む(&B)", QKeySequence()},
        {cmd::EnvironmentSettings, "環境設定(&O)\tCtrl+O", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {cmd::LockWindowPositions, nullptr, QKeySequence(Qt::CTRL | Qt::Key_Backspace)},
        {cmd::Explorer, "エクスプローラ(&E)\tCtrl+F1", QKeySequence(Qt::CTRL | Qt::Key_F1)},
        {cmd::JoyToKey, "JoyToKey(&J)\tCtrl+F2", QKeySequence(Qt::CTRL | Qt::Key_F2)},
        {cmd::ShowAll, nullptr, QKeySequence(Qt::CTRL | Qt::Key_A)},
        {cmd::Search, nullptr, QKeySequence(Qt::CTRL | Qt::Key_F)},
        {cmd::OptimiseFileInfo, nullptr, QKeySequence(Qt::CTRL | Qt::Key_I)},
        {cmd::DataBackup, nullptr, QKeySequence(Qt::CTRL | Qt::Key_U)},
    };
    for (const auto& item : items) {
        QAction* a = action(item.id);
        ASSERT_NE(a, nullptr) << item.id;
        if (item.label) {
            EXPECT_EQ(a->text(), QString::fromUtf8(item.label)) << item.id;
        }
        EXPECT_EQ(a->shortcut(), item.keys) << item.id;
    }
    // Every key of the table is bound exactly once.
    std::map<QString, int> bound;
    for (const auto& [id, a] : frame->mainMenu()->actions())
        if (!a->shortcut().isEmpty()) ++bound[a->shortcut().toString()];
    EXPECT_EQ(bound.size(), 27u);
    for (const auto& [keys, count] : bound) EXPECT_EQ(count, 1) << keys.toStdString();
}

TEST_F(MainFrameTest, PerHardwareCommandsAreGroupedAndOnlyBuiltWorkIsEnabled) {
    open();
    QMenu* settings = topMenu(QStringLiteral("設定(&S)"));
    ASSERT_NE(settings, nullptr);
    QMenu* folders = subMenu(settings, QStringLiteral("フォルダ設定(&F)"));
    ASSERT_NE(folders, nullptr);
    EXPECT_EQ(texts(folders), (QStringList{QStringLiteral("テレビゲーム"), QStringLiteral("携帯ゲーム"),
                                           QStringLiteral("アーケード"), QStringLiteral("パソコン"),
                                           QStringLiteral("ユーザ設定")}));
    EXPECT_EQ(texts(subMenu(folders, QStringLiteral("テレビゲーム"))),
              (QStringList{QStringLiteral("ファミリーコンピュータ"), QStringLiteral("スーパーファミコン"),
                           QStringLiteral("NINTENDO64"), QStringLiteral("PC-エンジン"),
                           QStringLiteral("マスターシステム"), QStringLiteral("メガドライブ")}));
    // Other software has no folder-settings item; its emulator item opens its own dialog.
    EXPECT_EQ(texts(subMenu(folders, QStringLiteral("ユーザ設定"))).size(), 5);
    QMenu* emulators = subMenu(settings, QStringLiteral("エミュレータ設定(&E)"));
    EXPECT_EQ(texts(subMenu(emulators, QStringLiteral("ユーザ設定"))).last(), QStringLiteral("その他のソフト(&H)"));
    EXPECT_EQ(action(32841)->text(), QStringLiteral("その他のソフト(&H)"));
    QMenu* deletes = subMenu(topMenu(QStringLiteral("ファイル(&F)")), QStringLiteral("設定ファイルの削除(&D)"));
    EXPECT_EQ(texts(subMenu(deletes, QStringLiteral("アーケード"))), QStringList{QStringLiteral("MAME")});

    EXPECT_TRUE(action(cmd::ViewMedia)->isEnabled());
    EXPECT_TRUE(action(cmd::Exit)->isEnabled());
    EXPECT_TRUE(action(cmd::About)->isEnabled());
    EXPECT_TRUE(action(32879)->isEnabled());  // delete FC's settings
    EXPECT_FALSE(action(cmd::Manual)->isEnabled());
    EXPECT_FALSE(action(cmd::Search)->isEnabled());
}

TEST_F(MainFrameTest, ToolWindowsHideOnCloseAndComeBackFromTheViewMenu) {
    app.changeSettings([](MainSettings& m) { m.windowSlots[kSlotFolder].visible = 0; });
    open();
    QList<QMdiSubWindow*> windows = frame->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(windows.size(), 7);
    const int order[] = {kSlotDatabase, kSlotSystem, kSlotFileList, kSlotSnap,
                         kSlotFolder,   kSlotFileInfo, kSlotMedia};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(static_cast<ToolWindowFrame*>(windows[i])->slotIndex(), order[i]);
    EXPECT_EQ(frame->toolWindow(kSlotSnap)->geometry(), QRect(72, 72, 328, 263));
    EXPECT_EQ(frame->toolWindow(kSlotMedia)->geometry(), QRect(144, 144, 328, 263));
    EXPECT_FALSE(frame->toolWindow(kSlotFolder)->isVisible());  // hidden by its flag

    ToolWindowFrame* snap = frame->toolWindow(kSlotSnap);
    snap->setGeometry(10, 20, 300, 200);
    snap->showMinimized();
    QApplication::processEvents();
    EXPECT_TRUE(snap->close() == false || !snap->isVisible());
    EXPECT_FALSE(snap->isVisible());
    EXPECT_EQ(app.settings().windowSlots[kSlotSnap].visible, 0);
    EXPECT_EQ(app.settings().windowSlots[kSlotSnap].showState, ShowState::Minimised);
    // Still there, only hidden.
    EXPECT_EQ(frame->mdiArea()->subWindowList().size(), 7);

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

TEST_F(MainFrameTest, RecentFilesShowOnlyForTheCurrentHardware) {
    setUpHardware("FC");
    app.changeSettings([](MainSettings& m) {
        m.recentLaunches[0][0] = {"Mario", "mario.nes", 0};
        m.recentLaunches[0][2] = {"Zelda", "zelda.nes", 0};
    });
    open("FC");
    EXPECT_TRUE(action(cmd::RecentFile1)->isVisible());
    EXPECT_EQ(action(cmd::RecentFile1)->text(), QStringLiteral("&1 Mario"));
    EXPECT_FALSE(action(cmd::RecentFile1 + 1)->isVisible());
    EXPECT_EQ(action(cmd::RecentFile1 + 2)->text(), QStringLiteral("&3 Zelda"));

    frame.reset();
    std::filesystem::remove(dir.file("data/Folder_FC.slb"));
    open();
    for (int k = 0; k < 5; ++k) EXPECT_FALSE(action(cmd::RecentFile1 + k)->isVisible());
}

TEST_F(MainFrameTest, ATerminationRequestWaitsForAnOpenMessageBox) {
    open();
    QMessageBox* box = new QMessageBox(QMessageBox::Information, QStringLiteral("警告"), QStringLiteral("…"));
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

TEST_F(MainFrameTest, TheSnapWindowIsTitledAfterTheFirstSnapFolder) {
    FolderSettings folders;
    folders.snapFolderNames[0] = "タイトル画面";
    writeFolderSettings("FC", folders);
    open("FC");
    EXPECT_EQ(frame->toolWindow(kSlotSnap)->windowTitle(), QStringLiteral("スナップウィンドウ : タイトル画面"));
}
