#include "qt/app/MainMenu.h"

#include "qt/views/CFileList.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "qt/QtText.h"
#include "qt/app/CommandIds.h"
#include "core/settings/HardwareTable.h"

namespace romshelf {

namespace {

struct KeyBinding {
    int command;
    QKeyCombination keys;
};

// What the keys do, whatever the menu labels show: Shift+F5 opens the file information window
// and Shift+F6 the folder window, and nothing is bound to Shift+F7.
const KeyBinding kKeyTable[] = {
    {cmd::ShowAll, Qt::CTRL | Qt::Key_A},
    {cmd::ShowFavourites, Qt::CTRL | Qt::Key_B},
    {cmd::CopyFile, Qt::CTRL | Qt::Key_C},
    {cmd::DecompressAll, Qt::CTRL | Qt::Key_D},
    {cmd::EmulatorOnly, Qt::CTRL | Qt::Key_E},
    {cmd::Search, Qt::CTRL | Qt::Key_F},
    {cmd::ShowUnregistered, Qt::CTRL | Qt::Key_H},
    {cmd::OptimiseFileInfo, Qt::CTRL | Qt::Key_I},
    {cmd::GameList, Qt::CTRL | Qt::Key_L},
    {cmd::CreateRenameData, Qt::CTRL | Qt::Key_M},
    {cmd::EnvironmentSettings, Qt::CTRL | Qt::Key_O},
    {cmd::CompressAll, Qt::CTRL | Qt::Key_P},
    {cmd::StartRename, Qt::CTRL | Qt::Key_R},
    {cmd::InternalInfo, Qt::CTRL | Qt::Key_S},
    {cmd::ClearTemp, Qt::CTRL | Qt::Key_T},
    {cmd::DataBackup, Qt::CTRL | Qt::Key_U},
    {cmd::CaptureTool, Qt::CTRL | Qt::Key_W},
    {cmd::ShowNoSnap, Qt::CTRL | Qt::Key_Y},
    {cmd::LockWindowPositions, Qt::CTRL | Qt::Key_Backspace},
    {cmd::Explorer, Qt::CTRL | Qt::Key_F1},
    {cmd::JoyToKey, Qt::CTRL | Qt::Key_F2},
    {cmd::ViewFileList, Qt::SHIFT | Qt::Key_F1},
    {cmd::ViewDatabase, Qt::SHIFT | Qt::Key_F2},
    {cmd::ViewSystem, Qt::SHIFT | Qt::Key_F3},
    {cmd::ViewSnap, Qt::SHIFT | Qt::Key_F4},
    {cmd::ViewFileInfo, Qt::SHIFT | Qt::Key_F5},
    {cmd::ViewFolder, Qt::SHIFT | Qt::Key_F6},
};

constexpr MenuGroup kGroups[] = {MenuGroup::TvGame, MenuGroup::Handheld, MenuGroup::Arcade,
                                 MenuGroup::Computer, MenuGroup::User};

}  // namespace

MainMenu::MainMenu(QMenuBar* bar) : QObject(bar) {
    addFileMenu(bar);
    addViewMenu(bar);
    addSettingsMenu(bar);
    addToolsMenu(bar);
    QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    add(help, cmd::Manual, "マニュアル(&M)");
    add(help, cmd::About, "バージョン情報(&A)...");
    applyKeyTable();
    setRecentFiles({});
}

void MainMenu::addFileMenu(QMenuBar* bar) {
    fileMenu_ = bar->addMenu(QStringLiteral("ファイル(&F)"));
    QMenu* csv = fileMenu_->addMenu(QStringLiteral("CSVファイルの読み込み(&C)"));
    add(csv, cmd::ImportOwnCsv, "RomshelfPlus!!のCSVを読み込む(&B)");
    add(csv, cmd::ImportOldCsv, "旧RomshelfのCSVを読み込む(&S)");
    add(fileMenu_, cmd::ImportFrontendMetadata, "他のフロントエンドの情報を読み込む(&E)...");
    addHardwareMenu(
        fileMenu_, "設定ファイルの削除(&D)",
        [](int row) { return hardwareTable()[row].deleteCommand; }, true);
    fileMenu_->addSeparator();
    add(fileMenu_, cmd::Exit, "終了(&X)");
    recentSeparator_ = fileMenu_->addSeparator();
    for (int k = 0; k < cmd::kRecentFileCount; ++k)
        add(fileMenu_, cmd::RecentFile1 + k, "最近使ったファイル");
}

void MainMenu::addViewMenu(QMenuBar* bar) {
    QMenu* view = bar->addMenu(QStringLiteral("表示(&V)"));
    add(view, cmd::ViewFileList, "ファイルリスト(&L)\tShift+F1");
    add(view, cmd::ViewDatabase, "データベースウィンドウ(&D)\tShift+F2");
    add(view, cmd::ViewSystem, "システムウィンドウ(Y)\tShift+F3");
    add(view, cmd::ViewSnap, "スナップウィンドウ(&S)\tShift+F4");
    add(view, cmd::ViewFolder, "フォルダウィンドウ(&O)\tShift+F5");
    add(view, cmd::ViewFileInfo, "ファイル情報ウィンドウ(&F)\tShift+F6");
    add(view, cmd::ViewMedia, "メディアウィンドウ(M)\tShift+F7");
    view->addSeparator();
    add(view, cmd::LockWindowPositions, "ウィンドウ位置の固定(&K)\tCtrl+BackSpace")
        ->setCheckable(true);
    add(view, cmd::StoreWindowPositions, "各ウィンドウの位置を記憶する(&A)");
    add(view, cmd::RestoreWindowPositions, "各ウィンドウの位置を復元する(&R)");
    view->addSeparator();
    add(view, cmd::ResetColumnWidths, "ファイルリストのセル幅を初期化");
    add(view, cmd::ResetWindowSizes, "各ウィンドウの大きさを初期化");
    add(view, cmd::ResetWindowPositions, "各ウィンドウの位置を初期化");
    view->addSeparator();
    // The play history's orders, beside the columns' (also on the column titles' context menu).
    for (int k = 0; k < 3; ++k) add(view, cmd::SortByPlayTime + k, kPlaySorts[k].first);
    view->addSeparator();
    add(view, cmd::OnePerGame, "1ゲーム1ROM表示(&G)")->setCheckable(true);
    add(view, cmd::TagFilter, "タグで絞り込み(&T)...");
}

void MainMenu::addSettingsMenu(QMenuBar* bar) {
    QMenu* settings = bar->addMenu(QStringLiteral("設定(&S)"));
    addHardwareMenu(
        settings, "フォルダ設定(&F)", [](int row) { return hardwareTable()[row].folderCommand; },
        false);
    addHardwareMenu(
        settings, "エミュレータ設定(&E)",
        [](int row) { return hardwareTable()[row].emulatorCommand; }, true);
    settings->addSeparator();
    add(settings, cmd::EnvironmentSettings, "環境設定(&O)\tCtrl+O");
}

void MainMenu::addToolsMenu(QMenuBar* bar) {
    QMenu* tools = bar->addMenu(QStringLiteral("ツール(&T)"));
    add(tools, cmd::EmulatorOnly, "エミュレータ本体のみ起動(&E)\tCtrl+E");
    add(tools, cmd::Search, "ファイルの検索\tCtrl+F");
    tools->addSeparator();
    add(tools, cmd::ShowAll, "全てのファイルを表示(&A)\tCtrl+A");
    add(tools, cmd::ShowFavourites, "お気に入りのファイルを表示(&B)\tCtrl+B");
    add(tools, cmd::ShowUnregistered, "未登録のファイルを表示(&H)\tCtrl+H");
    add(tools, cmd::ShowNoSnap, "スナップの無いファイルを表示(&Y)\tCtrl+Y");
    tools->addSeparator();
    add(tools, cmd::CopyFile, "ファイルをコピー(&C)\tCtrl+C");
    add(tools, cmd::CompressAll, "ファイルを圧縮(&P)\tCtrl+P");
    add(tools, cmd::DecompressAll, "ファイルを解凍(&D)\tCtrl+D");
    tools->addSeparator();
    QMenu* rename = tools->addMenu(QStringLiteral("ファイルのリネーム(&R)"));
    add(rename, cmd::StartRename, "リネームの開始(&R)\tCtrl+R");
    add(rename, cmd::CreateRenameData, "リネームデータの作成(&M)\tCtrl+M");
    add(rename, cmd::MergeRenameData, "リネームデータの結合(&D)");
    add(rename, cmd::RenameDataFromDat, "DATファイルからリネームデータを作成");
    add(rename, cmd::VerifyWithDat, "DATファイルで照合");
    add(tools, cmd::GameList, "ゲームリストを作成(&L)\tCtrl+L");
    add(tools, cmd::OptimiseFileInfo, "ファイル情報の最適化\tCtrl+I");
    add(tools, cmd::FillFromDatabase, "データベースから情報を取得(&G)...");
    add(tools, cmd::InternalInfo, "ファイルの内部情報を表示(&S)\tCtrl+S");
    tools->addSeparator();
    add(tools, cmd::ClearTemp, "テンポラリフォルダのクリア(&T)\tCtrl+T");
    add(tools, cmd::DataBackup, "データのバックアップ(&U)\tCtrl+U");
    add(tools, cmd::CaptureTool, "キャプチャツールの表示(&W)\tCtrl+W");
    tools->addSeparator();
    add(tools, cmd::Explorer, "エクスプローラ(&X)\tCtrl+F1");
    add(tools, cmd::JoyToKey, "JoyToKey(&J)\tCtrl+F2");
}

QAction* MainMenu::add(QMenu* menu, int command, const char* label) {
    QAction* a = menu->addAction(QString::fromUtf8(label));
    a->setData(command);
    a->setEnabled(false);
    // The label's tab part shows the documented key; the binding comes from the key table.
    a->setShortcutVisibleInContextMenu(true);
    actions_[command] = a;
    return a;
}

void MainMenu::addHardwareMenu(QMenu* parent, const char* label, int (*commandOf)(int row),
                               bool withOtherSoftware) {
    QMenu* menu = parent->addMenu(QString::fromUtf8(label));
    const auto& table = hardwareTable();
    for (MenuGroup group : kGroups) {
        QMenu* sub = menu->addMenu(qs(menuGroupName(group)));
        for (int row = 0; row < kHardwareCount; ++row) {
            const HardwareInfo& hw = table[row];
            if (hw.group != group || commandOf(row) == 0) continue;
            const bool other = hw.traits.otherSoftware;
            if (other && !withOtherSoftware) continue;
            const std::string name = std::string(hw.defaultName) + (other ? "(&H)" : "");
            add(sub, commandOf(row), name.c_str());
        }
    }
}

void MainMenu::applyKeyTable() {
    for (const auto& binding : kKeyTable) {
        if (QAction* a = action(binding.command)) {
            a->setShortcut(QKeySequence(binding.keys));
        }
    }
}

QAction* MainMenu::action(int command) const {
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void MainMenu::setHandler(int command, std::function<void()> handler) {
    QAction* a = action(command);
    if (!a) return;
    a->setEnabled(true);
    connect(a, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
}

void MainMenu::setRecentFiles(const std::array<std::optional<std::string>, 5>& labels) {
    recentSeparator_->setVisible(labels[0].has_value());
    for (int k = 0; k < cmd::kRecentFileCount; ++k) {
        QAction* a = action(cmd::RecentFile1 + k);
        a->setVisible(labels[static_cast<std::size_t>(k)].has_value());
        if (labels[static_cast<std::size_t>(k)])
            a->setText(qs(*labels[static_cast<std::size_t>(k)]));
    }
}

}  // namespace romshelf
