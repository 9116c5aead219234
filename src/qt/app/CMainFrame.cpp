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
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>

#include "qt/QtText.h"
#include "qt/app/CaptureToolDialog.h"
#include "qt/app/CommandIds.h"
#include "qt/app/DatabaseFacts.h"
#include "qt/app/HardwareBar.h"
#include "core/settings/HardwareTable.h"
#include "qt/app/EventPump.h"
#include "qt/platform/BesideEventLoop.h"
#include "qt/app/MainMenu.h"
#include "qt/app/RegistrationDialog.h"
#include "qt/platform/GamePad.h"
#include "qt/platform/ShowStates.h"
#include "qt/app/ToolWindowFrame.h"
#include "qt/app/ToolWindowList.h"
#include "core/app/FirstSteps.h"
#include "core/app/RowDetails.h"
#include "qt/views/CDataBase.h"
#include "qt/views/CFileData.h"
#include "qt/views/CFileList.h"
#include "qt/views/FileListModel.h"
#include "qt/views/CFolder.h"
#include "qt/views/CMedia.h"
#include "qt/views/CSnap.h"
#include "qt/views/CSystem.h"

namespace romshelf {

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

void CMainFrame::besideEventLoop(const std::function<void()>& work) {
    if (!fileList_) {
        work();
        return;
    }
    // Nothing that changes the rows may run meanwhile.
    const BusyGuard::Scope working = app_.busyScope();
    runBesideEventLoop(work);
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
    if (media_) media_->launching();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    launch();
    QApplication::restoreOverrideCursor();
    followGame();
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
