// The window's commands: the menu's entries connected to what they do, and the dialogs they open.
#include "qt/app/CMainFrame.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QAction>
#include <QMenuBar>
#include <QComboBox>

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
#include "core/settings/HardwareTable.h"
#include "qt/app/MainMenu.h"
#include "qt/app/RegistrationDialog.h"
#include "qt/app/SearchDialog.h"
#include "qt/app/TagFilterDialog.h"
#include "qt/app/ToolWindowFrame.h"
#include "qt/app/ToolWindowList.h"
#include "core/commands/BatchOperations.h"
#include "core/imports/CsvImport.h"
#include "core/commands/DatVerifyCommand.h"
#include "core/imports/MetadataImport.h"
#include "core/commands/Optimisation.h"
#include "core/commands/RenameCommands.h"
#include "core/app/RowDetails.h"
#include "core/commands/ToolCommands.h"
#include "qt/views/CFileList.h"
#include "qt/views/FileListModel.h"
#include "qt/launch/EmulatorSettingsDialog.h"

namespace romshelf {

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

}  // namespace romshelf
