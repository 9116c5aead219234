#pragma once

#include <QMainWindow>
#include <array>
#include <functional>

#include "core/app/Application.h"
#include "core/pad/PadNavigator.h"
#include "qt/views/CFileList.h"

class QMdiArea;

namespace romshelf {

class CaptureToolDialog;
class DatabaseFacts;
class CDataBase;
class CFileData;
class CFolder;
class CMedia;
class CSnap;
class CSystem;
class GamePad;
class HardwareBar;
class MainMenu;
class RegistrationDialog;
class ToolWindowFrame;

// The main frame "Romshelf Plus !!": menu bar, hardware bar and the seven tool windows.
// It only wires the widgets to the application object.
class CMainFrame : public QMainWindow, public ApplicationListener {
    Q_OBJECT
public:
    explicit CMainFrame(Application& app);
    ~CMainFrame() override;

    // The start-up order: frame, tool windows, then the current hardware's data.
    void startUp();
    // Closes the frame the normal way; a request during start-up, a launch or any other work is
    // carried out after it.
    void requestClose();
    // Closes for a signal (SIGTERM, SIGHUP): nobody is there to answer a box, and what could not
    // be saved is kept for the next start.
    void requestUnattendedClose();

    MainMenu* mainMenu() const { return menu_; }
    HardwareBar* hardwareBar() const { return bar_; }
    QMdiArea* mdiArea() const { return mdi_; }
    // The tool window of a window slot (1..7).
    ToolWindowFrame* toolWindow(int slot) const;

    // ApplicationListener
    void hardwareComboChanged() override;
    void emulatorComboChanged() override;
    void recentFilesChanged() override;
    void fileListRebuilding(const std::function<void()>& rebuild) override;
    void fileListChanged() override;
    void besideEventLoop(const std::function<void()>& work) override;
    void fileListRowChanged(int row) override;
    void systemLogChanged() override;
    void categoryNamesChanged() override;
    void categoryListsChanged() override;
    void displayOptionsChanged() override;
    void currentHardwareChanged() override;
    void detailPanesCleared() override;
    void folderWindowReset() override;
    void captureToolReset() override;
    void lastLaunchedFileChanged() override;
    void toolWindowPlaced(int slot) override;
    void emulatorEnded(const EmulatorSession& run) override;
    void padMappingWanted(int pid, const PadProfile& profile) override;

    GamePad* gamePad() const { return pad_; }
    // The pad's settings as the program folder keeps them (on, hotkey).
    void applyPadSettings();

    CFileList* fileList() const { return fileList_; }
    CSystem* systemView() const { return system_; }
    CDataBase* databaseView() const { return database_; }
    DatabaseFacts* databaseFacts() const { return facts_; }
    CFileData* fileDataView() const { return fileData_; }
    CMedia* mediaView() const { return media_; }
    CSnap* snapView() const { return snap_; }
    CFolder* folderView() const { return folder_; }
    CaptureToolDialog* captureTool() const { return capture_; }
    RegistrationDialog* registrationDialog() const { return registration_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void watchRecordEdits();
    // The stored layout fitted into the screen it opens on, before the windows are placed.
    void fitLayoutToScreen();
    // The file list's window in front and the keys in the list (when it is shown).
    void focusFileList();
    void createToolWindows();
    // The file-information, snap, database and media windows follow the file list's selection.
    void connectDetailWindows();
    // The database window's text for `row`: plays, the comment, else the databases' facts.
    void showDatabaseText(int row);
    void connectCommands();
    void showAbout();
    // "データベースから情報を取得": the dialog over the current hardware's records.
    void fillFromDatabase();
    // "環境設定", on its drive map page when `drives`.
    void openEnvironmentDialog(bool drives);
    void openFolderSettings(const std::string& code);
    // The snap window follows the file list's selection and names its folder in its title.
    void connectSnapWindow();
    // The folder window names its list in its title and asks for the search dialog.
    void connectFolderWindow();
    // "ファイルの検索": the dialog, then its result in the file list.
    void searchFiles();
    // The filter by the names' tags and one file per game (the folder window's button, the
    // view menu).
    void filterByTags();
    void showOnePerGame();
    void connectTagCommands();
    // Space or right click in the file list: the registration dialog for `row`, or the bulk
    // dialog for the selected rows.
    void openRegistration(int row, bool bulk);
    // After a rebuild of the list: `files` selected again where listed, and the detail windows
    // showing the first of them.
    void showSelectionAgain(const CFileList::Selection& files);
    void connectLayoutCommands();
    // The lock item's check mark follows the setting.
    void showLock();
    // Runs a launch with the wait cursor shown.
    void launching(const std::function<void()>& launch);
    // Runs a menu command now, or after the work in progress.
    void command(int id, std::function<void()> run);
    void openEmulatorSettings(const std::string& code);
    void storePlacement();
    // What a press on the pad does: in a dialog or a menu what the keys do there, in the window
    // the file list's and the bar's commands.
    void padAction(PadAction action);
    // The selection to the first row of the letter group before or after the selected row's, in
    // the list's order.
    void jumpToGroup(int direction);
    // Whether a game runs, for the pad.
    void followGame();

    Application& app_;
    GamePad* pad_ = nullptr;
    bool endedByHotkey_ = false;
    MainMenu* menu_ = nullptr;
    HardwareBar* bar_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    std::array<ToolWindowFrame*, kWindowSlotCount> tools_{};
    CFileList* fileList_ = nullptr;
    CSystem* system_ = nullptr;
    CDataBase* database_ = nullptr;
    // The game databases the database window shows facts from.
    DatabaseFacts* facts_ = nullptr;
    CFileData* fileData_ = nullptr;
    CMedia* media_ = nullptr;
    CSnap* snap_ = nullptr;
    CFolder* folder_ = nullptr;
    CaptureToolDialog* capture_ = nullptr;
    RegistrationDialog* registration_ = nullptr;
    void rememberNormalPlacement();

    // Position of the frame and size of its client area while neither minimised nor maximised.
    QPoint normalPos_;
    QSize normalSize_;
    bool closing_ = false;
    bool unattended_ = false;  // closing for a signal
};

}  // namespace romshelf
