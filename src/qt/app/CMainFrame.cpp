#include "qt/app/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QAction>
#include <QMenuBar>
#include <QTimer>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyleHints>

#include "qt/QtText.h"
#include "qt/app/AboutDialog.h"
#include "qt/app/BulkRegistrationDialog.h"
#include "qt/app/CaptureToolDialog.h"
#include "qt/app/CommandIds.h"
#include "qt/app/DatabaseFacts.h"
#include "qt/app/DatabaseFillDialog.h"
#include "qt/app/EnvironmentDialog.h"
#include <QTabWidget>
#include "qt/app/FolderSettingsDialog.h"
#include "qt/app/GameListDialog.h"
#include "qt/app/HardwareBar.h"
#include "core/settings/HardwareTable.h"
#include "core/views/LetterGroup.h"
#include "qt/app/EventPump.h"
#include "qt/platform/BesideEventLoop.h"
#include "qt/app/MainMenu.h"
#include "qt/app/RegistrationDialog.h"
#include "qt/app/SearchDialog.h"
#include "qt/app/TagFilterDialog.h"
#include "qt/platform/GamePad.h"
#include "qt/platform/X11Keys.h"
#include "qt/platform/ShowStates.h"
#include "qt/app/ToolWindowFrame.h"
#include "core/commands/BatchOperations.h"
#include "core/imports/CsvImport.h"
#include "core/commands/DatVerifyCommand.h"
#include "core/app/FirstSteps.h"
#include "core/imports/MetadataImport.h"
#include "core/commands/Optimisation.h"
#include "core/commands/RenameCommands.h"
#include "core/app/RowDetails.h"
#include "core/commands/ToolCommands.h"
#include "qt/views/CDataBase.h"
#include "qt/views/CFileData.h"
#include "qt/views/CFileList.h"
#include "qt/views/FileListModel.h"
#include "qt/views/CFolder.h"
#include "qt/views/CMedia.h"
#include "qt/views/CSnap.h"
#include "qt/views/CSystem.h"
#include "qt/launch/EmulatorSettingsDialog.h"

namespace romshelf {

namespace {

struct ToolWindowInfo {
    int slot;
    const char* title;
    int viewCommand;
};

// Creation order of the tool windows.
const ToolWindowInfo kToolWindows[] = {
    {kSlotDatabase, "データベースウィンドウ", cmd::ViewDatabase},
    {kSlotSystem, "システムウィンドウ", cmd::ViewSystem},
    {kSlotFileList, "ファイルリスト", cmd::ViewFileList},
    {kSlotSnap, "スナップウィンドウ : ", cmd::ViewSnap},
    {kSlotFolder, "フォルダウィンドウ", cmd::ViewFolder},
    {kSlotFileInfo, "ファイル情報ウィンドウ", cmd::ViewFileInfo},
    {kSlotMedia, "メディアウィンドウ", cmd::ViewMedia},
};

}  // namespace

CMainFrame::CMainFrame(Application& app) : app_(app) {
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QStringLiteral("Romshelf Plus !!"));
    menu_ = new MainMenu(menuBar());
    bar_ = new HardwareBar(this);
    addToolBar(Qt::TopToolBarArea, bar_);
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdi_);
    // After a choice in the bar the keys go back to the file list: arrow keys move the selection
    // there, not the hardware.
    connect(bar_, &HardwareBar::hardwareChosen, this, [this](int i) {
        app_.chooseHardware(i);
        focusFileList();
    });
    connect(bar_, &HardwareBar::emulatorChosen, this, [this](int i) {
        app_.chooseEmulator(i);
        focusFileList();
    });
    // Ctrl+F4 closes (hides) the tool window in front, as the Windows frames did.
    auto* closeTool = new QAction(this);
    closeTool->setObjectName(QStringLiteral("closeToolWindow"));
    closeTool->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));
    closeTool->setShortcutContext(Qt::WindowShortcut);
    addAction(closeTool);
    connect(closeTool, &QAction::triggered, this, [this] {
        if (QMdiSubWindow* active = mdi_->activeSubWindow()) active->close();
    });
    connectCommands();
    pad_ = new GamePad(app_.host().desktop, this);
    connect(pad_, &GamePad::action, this, &CMainFrame::padAction);
    connect(pad_, &GamePad::quitHotkey, this,
            [this] { endedByHotkey_ = app_.launcher().endEmulator(); });
    applyPadSettings();
    facts_ = new DatabaseFacts(app_, this);
    menu_->action(cmd::FillFromDatabase)->setEnabled(false);
    app_.setListener(this);
    app_.setOffersSalvage(true);
}

CMainFrame::~CMainFrame() { app_.setListener(nullptr); }

void CMainFrame::startUp() {
    // A close request while the windows are built waits for the end of start-up.
    const BusyGuard::Scope starting = app_.busyScope();
    fitLayoutToScreen();
    const MainSettings& s = app_.settings();
    const WindowSlot& frame = s.windowSlots[kSlotMainFrame];
    // Position and size are stored and restored symmetrically (frame position, client size),
    // so a run that does not move the window writes back what it read.
    move(frame.x, frame.y);
    resize(frame.width, frame.height);
    normalPos_ = QPoint(frame.x, frame.y);
    normalSize_ = QSize(frame.width, frame.height);
    showInState(this, frame.showState);
    pumpEvents(app_);

    createToolWindows();
    // Made hidden once; its command only shows it. A saved snap shows in the snap window.
    capture_ = new CaptureToolDialog(app_, this);
    connect(capture_, &CaptureToolDialog::snapSaved, snap_, &CSnap::refresh);
    // Made once, hidden; the file list opens it for a row.
    registration_ = new RegistrationDialog(app_, this);
    connect(registration_, &RegistrationDialog::nameTyped, fileList_->listModel(),
            &FileListModel::showTypedName);
    connect(fileList_, &CFileList::registrationRequested, this, [this](int row, bool bulk) {
        app_.whenIdle([this, row, bulk] { openRegistration(row, bulk); });
    });

    ToolWindowFrame* list = tools_[kSlotFileList];
    const ShowState listState = s.windowSlots[kSlotFileList].showState;
    if (list->isVisible() && listState != ShowState::Normal) showInState(list, listState);

    app_.startUp();
    showLock();
    watchRecordEdits();
    focusFileList();
}

void CMainFrame::focusFileList() {
    ToolWindowFrame* list = tools_[kSlotFileList];
    if (!list || !list->isVisible()) return;
    mdi_->setActiveSubWindow(list);
    fileList_->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::fitLayoutToScreen() {
    const auto& stored = app_.settings().windowSlots;
    const WindowSlot& frame = stored[kSlotMainFrame];
    QScreen* screen =
        QGuiApplication::screenAt(QPoint(frame.x + frame.width / 2, frame.y + frame.height / 2));
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const auto slots = fitLayout(stored, {area.x(), area.y(), area.width(), area.height()});
    for (int slot = 0; slot < kWindowSlotCount; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        if (!(slots[i] == stored[i])) app_.setWindowSlot(slot, slots[i]);
    }
}

void CMainFrame::watchRecordEdits() {
    // Each record edit is on disk within a second or so: a window killed later (a power cut, a
    // logout) keeps it. Cheap when nothing changed: the records are compared in memory.
    auto* saver = new QTimer(this);
    saver->setInterval(1000);
    connect(saver, &QTimer::timeout, this, [this] {
        if (!app_.busy()) app_.saveRecordEdits();
    });
    saver->start();
    // Another machine on a shared folder may have saved the records while this window was
    // in the background.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive && !app_.busy())
                    app_.takeRecordChangesFromDisk();
            });
}

void CMainFrame::requestUnattendedClose() {
    unattended_ = true;
    requestClose();
}

void CMainFrame::requestClose() {
    if (app_.busy()) {
        // Close from inside the event loop once the work is over, so that the program then ends.
        app_.whenIdle([this] { QTimer::singleShot(0, this, &CMainFrame::requestClose); });
        return;
    }
    // An open menu is no command under way: it goes, or it would hold the request for ever.
    while (QWidget* popup = QApplication::activePopupWidget())
        if (!popup->close()) break;
    // A message box runs its own event loop in the middle of a command: closing there would save
    // half-loaded data. Close once the box is answered.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        QTimer::singleShot(200, this, &CMainFrame::requestClose);
        return;
    }
    close();
}

void CMainFrame::createToolWindows() {
    const MainSettings& s = app_.settings();
    for (const auto& tool : kToolWindows) {
        auto* frame =
            new ToolWindowFrame(tool.slot, s.windowSlots[tool.slot], QString::fromUtf8(tool.title));
        connect(
            frame, &ToolWindowFrame::placementChanged, this,
            [this](int slot, const WindowSlot& placement) { app_.setWindowSlot(slot, placement); });
        QWidget* view = nullptr;
        if (tool.slot == kSlotFileList) {
            fileList_ = new CFileList(app_, frame);
            view = fileList_;
            connect(fileList_, &CFileList::startRequested, this, [this](int row) {
                app_.whenIdle([this, row] { launching([this, row] { app_.launchRow(row); }); });
            });
        } else if (tool.slot == kSlotSystem) {
            system_ = new CSystem(app_.systemLog(), frame);
            view = system_;
        } else if (tool.slot == kSlotDatabase) {
            view = database_ = new CDataBase(frame);
        } else if (tool.slot == kSlotFileInfo) {
            view = fileData_ = new CFileData(app_, frame);
        } else if (tool.slot == kSlotSnap) {
            view = snap_ = new CSnap(app_, frame);
        } else if (tool.slot == kSlotMedia) {
            view = media_ = new CMedia(app_, frame);
        } else if (tool.slot == kSlotFolder) {
            view = folder_ = new CFolder(app_, frame);
        } else {
            view = new QWidget(frame);
            view->setAutoFillBackground(true);
        }
        frame->setWidget(view);
        mdi_->addSubWindow(frame);
        frame->applySlotGeometry();
        frame->setLockFlag(app_.settings().lockWindowPositions);
        tools_[tool.slot] = frame;
        if (s.windowSlots[tool.slot].visible != 0) frame->show();
        pumpEvents(app_);
    }
    connectDetailWindows();
    connectFolderWindow();
}

void CMainFrame::connectFolderWindow() {
    connect(folder_, &CFolder::titleChanged, tools_[kSlotFolder], &QWidget::setWindowTitle);
    connect(folder_, &CFolder::searchRequested, this,
            [this] { app_.whenIdle([this] { searchFiles(); }); });
    connect(folder_, &CFolder::tagFilterRequested, this,
            [this] { app_.whenIdle([this] { filterByTags(); }); });
    folder_->reset();
}

void CMainFrame::filterByTags() {
    TagFilterDialog dialog(app_.tagFilter(), app_.plusSettings().onePerGame, this);
    if (dialog.exec() != QDialog::Accepted) return;
    app_.clearDetailPanes();
    // Both at once: the list is built again once.
    app_.setOnePerGame(dialog.onePerGame(), false);
    app_.setTagFilter(dialog.filter());
    showOnePerGame();
}

void CMainFrame::showOnePerGame() {
    menu_->action(cmd::OnePerGame)->setChecked(app_.plusSettings().onePerGame);
}

void CMainFrame::searchFiles() {
    SearchDialog dialog(app_.categoryLists(), app_.categoryNames(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    app_.clearDetailPanes();
    app_.showSearchResult(dialog.criteria());
}

void CMainFrame::openRegistration(int row, bool bulk) {
    if (!bulk) {
        registration_->openFor(row);
        return;
    }
    if (!bulkRegistrationAvailable(app_)) return;
    std::vector<int> rows;
    for (const QModelIndex& i : fileList_->selectionModel()->selectedRows())
        rows.push_back(i.row());
    registration_->dismiss();
    const CFileList::Selection files = fileList_->selectedFiles();
    BulkRegistrationDialog dialog(app_, std::move(rows), this);
    dialog.exec();
    // The list is built again: the same files stay selected, shown with their new records.
    showSelectionAgain(files);
}

void CMainFrame::showSelectionAgain(const CFileList::Selection& files) {
    if (fileList_->selectFiles(files)) Q_EMIT fileList_->selectionShown(fileList_->selectedRow());
}

void CMainFrame::folderWindowReset() {
    if (folder_) folder_->reset();
}

void CMainFrame::connectSnapWindow() {
    connect(snap_, &CSnap::titleChanged, tools_[kSlotSnap], &QWidget::setWindowTitle);
    connect(fileList_, &CFileList::selectionShown, snap_, &CSnap::showRow);
    connect(fileList_, &CFileList::drivePageWanted, this, [this] { openEnvironmentDialog(true); });
}

void CMainFrame::connectDetailWindows() {
    const auto rowAt = [this](int row) -> const FileListRow& {
        return app_.fileList().rows()[static_cast<std::size_t>(row)];
    };
    // The file list tells them in this order: file information, snap, database, media.
    connect(fileList_, &CFileList::selectionShown, this, [this, rowAt](int row) {
        fileData_->showTexts(fileInfoTexts(rowAt(row), detailSources(app_)));
    });
    connectSnapWindow();
    connect(fileList_, &CFileList::selectionShown, this, [this, rowAt](int row) {
        showDatabaseText(row);
        media_->selectFile(rowAt(row).fileName(), rowAt(row).folderNumber);
    });
    // The databases read meanwhile: the selected file's facts show now.
    connect(facts_, &DatabaseFacts::loaded, this, [this] {
        const int row = fileList_->selectedRow();
        if (row >= 0 && row < static_cast<int>(app_.fileList().rows().size()))
            showDatabaseText(row);
    });
}

void CMainFrame::showDatabaseText(int row) {
    const FileListRow& shown = app_.fileList().rows()[static_cast<std::size_t>(row)];
    // A record without a comment: what the game databases say of the file, below it.
    database_->setText(playedText(app_.playStats(shown)) + databaseText(shown, app_.romTable()) +
                       facts_->textFor(shown));
}

void CMainFrame::detailPanesCleared() {
    if (fileData_) fileData_->clear();
    if (database_) database_->setText({});
    if (media_) media_->clearSelection();
    if (snap_) snap_->clearSelection();
}

ToolWindowFrame* CMainFrame::toolWindow(int slot) const {
    if (slot < 1 || slot >= kWindowSlotCount) return nullptr;
    return tools_[static_cast<std::size_t>(slot)];
}

void CMainFrame::connectCommands() {
    for (const auto& tool : kToolWindows) {
        const int slot = tool.slot;
        command(tool.viewCommand, [this, slot] {
            if (ToolWindowFrame* w = toolWindow(slot)) w->showFromView();
        });
    }
    command(cmd::Exit, [this] { close(); });
    command(cmd::ShowAll, [this] { app_.showAll(); });
    command(cmd::EmulatorOnly, [this] { launching([this] { app_.startEmulatorOnly(); }); });
    for (int k = 0; k < cmd::kRecentFileCount; ++k)
        command(cmd::RecentFile1 + k,
                [this, k] { launching([this, k] { app_.launchRecent(k); }); });
    command(cmd::ShowUnregistered, [this] { app_.showUnregistered(); });
    command(cmd::ShowNoSnap, [this] { app_.showWithoutSnap(); });
    command(cmd::ShowFavourites, [this] { app_.showFavourites(); });
    command(cmd::Search, [this] { searchFiles(); });
    command(cmd::GameList, [this] { runGameListCommand(app_, this); });
    command(cmd::ImportOwnCsv, [this] { importCsv(app_, CsvFormat::Own); });
    command(cmd::ImportOldCsv, [this] { importCsv(app_, CsvFormat::Old); });
    command(cmd::ImportFrontendMetadata, [this] { importFrontendMetadataCommand(app_); });
    command(cmd::ResetColumnWidths, [this] {
        if (fileList_) fileList_->resetColumnWidths();
    });
    command(cmd::EnvironmentSettings, [this] { openEnvironmentDialog(false); });
    command(cmd::About, [this] { showAbout(); });
    command(cmd::ClearTemp, [this] { app_.tempFolders().clearCommand(); });
    command(cmd::InternalInfo, [this] {
        if (!fileList_) return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // The checker's report goes to the system log: the window comes forward for it.
        if (app_.internalInfo().show(fileList_->selectedRow()))
            if (ToolWindowFrame* w = toolWindow(kSlotSystem)) w->showFromView();
        // The sequence holds the busy guard until its report is in the log.
        app_.whenIdle([] { QApplication::restoreOverrideCursor(); });
    });
    command(cmd::JoyToKey, [this] { startJoyToKey(app_); });
    command(cmd::Explorer, [this] { openProgramFolder(app_); });
    command(cmd::DataBackup, [this] { app_.backUpData(); });
    command(cmd::OptimiseFileInfo, [this] { optimiseFileInfo(app_); });
    command(cmd::DecompressAll, [this] { decompressAll(app_); });
    command(cmd::CompressAll, [this] { compressAll(app_); });
    command(cmd::CopyFile, [this] {
        if (fileList_) copySelectedFile(app_, fileList_->selectedRow());
    });
    command(cmd::CreateRenameData, [this] { createRenameData(app_); });
    command(cmd::StartRename, [this] { applyRenameData(app_); });
    command(cmd::MergeRenameData, [this] { mergeRenameData(app_); });
    command(cmd::RenameDataFromDat, [this] { createRenameDataFromDat(app_); });
    command(cmd::VerifyWithDat, [this] { verifyWithDat(app_); });
    command(cmd::FillFromDatabase, [this] { fillFromDatabase(); });
    command(cmd::CaptureTool, [this] {
        if (capture_) capture_->showTool();
    });
    connectLayoutCommands();
    connectTagCommands();
    for (const auto& hw : hardwareTable()) {
        const std::string code(hw.code);
        if (hw.deleteCommand != 0)
            command(hw.deleteCommand,
                    [this, code] { app_.settingsCommands().deleteSettingsFile(code); });
        if (hw.folderCommand != 0)
            command(hw.folderCommand, [this, code] { openFolderSettings(code); });
        // Other software has no emulators: its command edits its list of programs.
        if (hw.emulatorCommand != 0 && hw.traits.otherSoftware)
            command(hw.emulatorCommand, [this, code] { openFolderSettings(code); });
        else if (hw.emulatorCommand != 0)
            command(hw.emulatorCommand, [this, code] { openEmulatorSettings(code); });
    }
}

void CMainFrame::connectLayoutCommands() {
    WindowLayoutCommands& layout = app_.windowLayout();
    // Each starts from where the windows are now.
    command(cmd::LockWindowPositions, [this, &layout] {
        storePlacement();
        layout.toggleLock();
        showLock();
    });
    command(cmd::StoreWindowPositions, [this, &layout] {
        storePlacement();
        layout.store();
    });
    command(cmd::RestoreWindowPositions, [&layout] { layout.restore(); });
    command(cmd::ResetWindowSizes, [this, &layout] {
        storePlacement();
        layout.resetSizes();
    });
    for (int k = 0; k < 3; ++k)
        command(cmd::SortByPlayTime + k,
                [this, k] { fileList_->sortByPlays(kPlaySorts[k].second); });
    command(cmd::ResetWindowPositions, [this, &layout] {
        storePlacement();
        layout.resetPositions();
    });
}

void CMainFrame::connectTagCommands() {
    command(cmd::OnePerGame, [this] {
        app_.setOnePerGame(!app_.plusSettings().onePerGame);
        showOnePerGame();
    });
    command(cmd::TagFilter, [this] { filterByTags(); });
    showOnePerGame();
}

void CMainFrame::showLock() {
    menu_->action(cmd::LockWindowPositions)->setChecked(app_.settings().lockWindowPositions);
}

void CMainFrame::toolWindowPlaced(int slot) {
    if (ToolWindowFrame* w = toolWindow(slot))
        w->place(app_.settings().windowSlots[static_cast<std::size_t>(slot)]);
}

void CMainFrame::command(int id, std::function<void()> run) {
    menu_->setHandler(id, [this, run = std::move(run)] { app_.whenIdle(run); });
}

void CMainFrame::openFolderSettings(const std::string& code) {
    SettingsCommands& commands = app_.settingsCommands();
    FolderDialogModel model = commands.openFolderSettings(code);
    FolderSettingsDialog dialog(app_, code, model, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const CFileList::Selection files = fileList_->selectedFiles();
    commands.folderSettingsConfirmed(code, model.displayName);
    // The hardware's data are read again: the files still listed stay selected.
    showSelectionAgain(files);
}

void CMainFrame::openEmulatorSettings(const std::string& code) {
    SettingsCommands& commands = app_.settingsCommands();
    EmulatorDialogModel model = commands.openEmulatorSettings(code);
    EmulatorSettingsDialog dialog(app_, code, model, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const CFileList::Selection files = fileList_->selectedFiles();
    commands.emulatorSettingsConfirmed(code);
    // The records are read again and the rows built anew: the same files stay selected and the
    // panes show them as before.
    showSelectionAgain(files);
}

void CMainFrame::openEnvironmentDialog(bool drives) {
    const CFileList::Selection files = fileList_->selectedFiles();
    EnvironmentDialog dialog(app_, this, pad_);
    if (drives) dialog.tabs()->setCurrentIndex(dialog.drivePageIndex());
    // Saving clears the panes (their texts follow the settings) and may build the rows again:
    // they show the same files, in the new settings.
    if (dialog.exec() != QDialog::Accepted) return;
    applyPadSettings();
    facts_->forget();  // the hardware's databases may be others now
    showSelectionAgain(files);
}

void CMainFrame::fillFromDatabase() {
    if (app_.currentCode().empty()) return;
    const CFileList::Selection files =
        fileList_ ? fileList_->selectedFiles() : CFileList::Selection{};
    DatabaseFillDialog dialog(app_, this);
    // The records were read again: the panes show the same files with what was filled.
    if (dialog.exec() == QDialog::Accepted && fileList_) showSelectionAgain(files);
}

void CMainFrame::showAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::hardwareComboChanged() {
    HardwareBar::fill(bar_->hardwareCombo(), app_.hardwareCombo());
}

void CMainFrame::emulatorComboChanged() {
    HardwareBar::fill(bar_->emulatorCombo(), app_.emulatorCombo());
}

void CMainFrame::recentFilesChanged() { menu_->setRecentFiles(app_.recentFileLabels()); }

void CMainFrame::fileListRebuilding(const std::function<void()>& rebuild) {
    if (!fileList_) {
        rebuild();
        return;
    }
    // A million files take a second or more: the window goes on painting meanwhile, and what
    // arrives waits for the rows as it waits for any work.
    const BusyGuard::Scope building = app_.busyScope();
    fileList_->hideRows();
    runBesideEventLoop(rebuild);
}

void CMainFrame::fileListChanged() {
    if (!fileList_) return;
    // Its row is gone with the rows.
    if (registration_) registration_->dismiss();
    fileList_->reload();
    const FileList& list = app_.fileList();
    tools_[kSlotFileList]->setWindowTitle(qs(list.frameTitle()));
    setWindowTitle(qs(list.mainTitle(app_.settings().option(Option::CountsInMainTitle))));
}

void CMainFrame::fileListRowChanged(int row) {
    if (!fileList_) return;
    fileList_->listModel()->rowChanged(row);
    // The detail windows and the snap follow the edit of the row they show.
    if (fileList_->selectedRow() == row) Q_EMIT fileList_->selectionShown(row);
}

void CMainFrame::launching(const std::function<void()>& launch) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    launch();
    QApplication::restoreOverrideCursor();
    followGame();
}

void CMainFrame::applyPadSettings() {
    const PlusSettings& plus = app_.plusSettings();
    pad_->setEnabled(plus.pad);
    pad_->setQuitHotkey(readCombination(plus.padQuitButtons).value_or(std::vector<PadControl>{}),
                        plus.padQuitHoldMs);
    // Held on the pad, a direction repeats as a held key does: with the X server's delay and
    // interval, else Qt's rate after the usual half second (Qt tells no delay).
    if (const std::optional<x11::KeyboardRepeat> x = x11::keyboardRepeat()) {
        pad_->setRepeat(x->delayMs, x->intervalMs);
    } else {
        const int rate = QGuiApplication::styleHints()->keyboardAutoRepeatRate();
        pad_->setRepeat(500, rate > 0 ? 1000 / rate : 33);
    }
}

void CMainFrame::followGame() { pad_->setGameRunning(app_.launcher().emulatorRunning()); }

void CMainFrame::emulatorEnded(const EmulatorSession& run) {
    if (pad_->mappedProcess() == run.pid) pad_->stopMapping();
    followGame();
    if (!endedByHotkey_ || app_.launcher().emulatorRunning()) return;
    // Left with the pad alone, the user needs the launcher in front again.
    endedByHotkey_ = false;
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    focusFileList();
}

void CMainFrame::padMappingWanted(int pid, const PadProfile& profile) {
    pad_->startMapping(pid, profile);
}

void CMainFrame::padAction(PadAction action) {
    QWidget* popup = QApplication::activePopupWidget();
    QWidget* modal = QApplication::activeModalWidget();
    const bool inWindow = !popup && !modal;
    if (inWindow && action != PadAction::Menu) focusFileList();
    QWidget* target = popup ? popup : QApplication::focusWidget();
    if (!target) target = modal ? modal : this;
    const auto key = [target](int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    };
    switch (action) {
        case PadAction::Up:
            key(Qt::Key_Up);
            break;
        case PadAction::Down:
            key(Qt::Key_Down);
            break;
        case PadAction::PageUp:
            key(Qt::Key_PageUp);
            break;
        case PadAction::PageDown:
            key(Qt::Key_PageDown);
            break;
        case PadAction::Launch:
            if (!inWindow) {
                key(Qt::Key_Return);  // the dialog's default button, the menu's item
            } else if (fileList_) {
                // The row the pad's focus is on, when nothing is selected yet (a fresh start).
                const int selected = fileList_->selectedRow();
                const int row = selected >= 0 ? selected : fileList_->currentIndex().row();
                if (row >= 0) Q_EMIT fileList_->startRequested(row);
            }
            break;
        case PadAction::Back:
            if (popup) {
                popup->close();
            } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            } else if (modal) {
                modal->close();
            }
            break;
        case PadAction::PreviousHardware:
        case PadAction::NextHardware: {
            if (!inWindow) break;
            QComboBox* combo = bar_->hardwareCombo();
            const int next = combo->currentIndex() + (action == PadAction::NextHardware ? 1 : -1);
            if (next < 0 || next >= combo->count()) break;
            combo->setCurrentIndex(next);
            Q_EMIT bar_->hardwareChosen(next);
            break;
        }
        case PadAction::PreviousGroup:
            if (inWindow) jumpToGroup(-1);
            break;
        case PadAction::NextGroup:
            if (inWindow) jumpToGroup(1);
            break;
        case PadAction::Menu:
            if (inWindow && !menuBar()->actions().isEmpty()) {
                activateWindow();
                menuBar()->setFocus(Qt::OtherFocusReason);
                menuBar()->setActiveAction(menuBar()->actions().first());
            }
            break;
    }
}

void CMainFrame::jumpToGroup(int direction) {
    if (!fileList_ || !fileList_->model()) return;
    QAbstractItemModel* model = fileList_->model();
    const int rows = model->rowCount();
    const int current = fileList_->currentIndex().isValid() ? fileList_->currentIndex().row() : 0;
    if (rows == 0) return;
    int column = fileList_->horizontalHeader()->sortIndicatorSection();
    if (column < 0 || column >= model->columnCount()) column = 0;
    // A group is the rows whose text opens with one letter as the sort sees it (kana folded
    // unless the sort tells them apart); digits and signs make one group of their own.
    const bool kanaSensitive = app_.settings().option(Option::SortDistinguishesKana);
    const auto group = [&](int row) {
        return letterGroup(ss(model->index(row, column).data().toString()), kanaSensitive);
    };
    const std::string here = group(current);
    int row = current;
    if (direction > 0) {
        while (row < rows - 1 && group(row) == here) ++row;
        if (group(row) == here) return;  // the last group already
    } else {
        // To the start of this group, then to the start of the one before.
        while (row > 0 && group(row - 1) == here) --row;
        if (row == 0) return;
        const std::string before = group(row - 1);
        --row;
        while (row > 0 && group(row - 1) == before) --row;
    }
    fileList_->selectRow(row);
    fileList_->setCurrentIndex(model->index(row, 0));
    fileList_->scrollTo(model->index(row, 0));
}

void CMainFrame::systemLogChanged() {
    if (!system_) return;
    system_->refresh();
    // Show the line now, in the middle of a launch.
    pumpEvents(app_);
}

void CMainFrame::currentHardwareChanged() {
    // The fill works on the current hardware's records: without one there is nothing to fill.
    menu_->action(cmd::FillFromDatabase)->setEnabled(!app_.currentCode().empty());
    if (snap_) snap_->hardwareChanged();
    if (media_) media_->loadFrame();
}

void CMainFrame::captureToolReset() {
    if (capture_) capture_->reset(std::string(kCaptureClear));
}

void CMainFrame::lastLaunchedFileChanged() {
    if (capture_) capture_->reset(app_.lastLaunchedFile());
}

void CMainFrame::categoryNamesChanged() {
    if (fileList_) fileList_->applyCategoryNames();
    if (registration_) registration_->applyCategoryNames(app_.categoryNames());
    if (folder_) folder_->applyCategoryNames();
}

void CMainFrame::categoryListsChanged() {
    if (registration_ && registration_->isVisible()) registration_->refreshLists();
    // The window's numbers point into the lists: items listed before would hand over others.
    if (folder_) folder_->listKind(folder_->model().kind());
}

void CMainFrame::displayOptionsChanged() {
    if (fileList_) fileList_->applyDisplayOptions();
}

void CMainFrame::storePlacement() {
    WindowSlot slot = app_.settings().windowSlots[kSlotMainFrame];
    rememberNormalPlacement();
    slot.x = normalPos_.x();
    slot.y = normalPos_.y();
    slot.width = normalSize_.width();
    slot.height = normalSize_.height();
    slot.showState = showStateOf(this);
    app_.setWindowSlot(kSlotMainFrame, slot);
    if (fileList_) fileList_->storeColumnWidths();
    for (int i = 1; i < kWindowSlotCount; ++i)
        if (tools_[static_cast<std::size_t>(i)])
            tools_[static_cast<std::size_t>(i)]->storePlacement();
}

void CMainFrame::rememberNormalPlacement() {
    if (isVisible() && !isMaximized() && !isMinimized() && !isFullScreen()) {
        normalPos_ = pos();
        normalSize_ = size();
    }
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    rememberNormalPlacement();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    rememberNormalPlacement();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    if (app_.busy()) {
        // Saving now would write data the work in progress is still changing.
        event->ignore();
        requestClose();
        return;
    }
    closing_ = true;
    storePlacement();
    app_.shutDown(!unattended_);
    event->accept();
}

}  // namespace romshelf
