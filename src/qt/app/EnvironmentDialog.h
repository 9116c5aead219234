#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <vector>

#include "core/settings/DriveMapPageModel.h"
#include "core/settings/EnvironmentSettingsModel.h"
#include "core/settings/PlusSettings.h"
#include "core/settings/RegionOrderModel.h"

class QCheckBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;

namespace romshelf {

class Application;
class GamePad;

// "環境設定": eight tab pages built from the model's page tables. "設定の保存" writes them into
// the main settings; "キャンセル" drops the copy.
class EnvironmentDialog : public QDialog {
    Q_OBJECT
public:
    // `pad`: the window's pad, whose pads and buttons the pad page shows (none: nothing shown).
    explicit EnvironmentDialog(Application& app, QWidget* parent = nullptr, GamePad* pad = nullptr);

    void accept() override;

    QTabWidget* tabs() const { return tabs_; }
    // The widget of control `index` of page `page`: a check box, radio button, line edit or
    // combo box, as the table says.
    QWidget* control(int page, int index) const {
        return controls_[static_cast<std::size_t>(page)][static_cast<std::size_t>(index)];
    }
    QPushButton* thanksButton() const { return thanks_; }
    // The unpack cache's cap in MB, on the compression page (0: no cache).
    QSpinBox* unpackCacheLimit() const { return cacheLimit_; }

    QCheckBox* discSetsBox() const { return discSets_; }
    // The file list's font size in points, beside the font list; kept in pixels (see
    // PlusSettings::listFontHeight).
    QDoubleSpinBox* listFontSize() const { return listFontSize_; }

    // "ドライブ": where the Windows drive letters and shares of the settings lead, and the Wine
    // that starts Windows programs. The page after the eight shared ones.
    int drivePageIndex() const { return drivePage_; }
    QTableWidget* driveTable() const { return driveTable_; }
    DriveMapPageModel& driveModel() { return *drives_; }
    QLineEdit* wineEdit() const { return wine_; }
    QLineEdit* winePrefixEdit() const { return winePrefix_; }
    // Shows the folder picker for the selected row (the page's "フォルダを選択…").
    void chooseDriveFolder();

    // "地域の優先順": the region order one file per game follows, most wanted first.
    int regionPageIndex() const { return regionPage_; }
    QListWidget* regionList() const { return regionList_; }
    RegionOrderModel& regionModel() { return regions_; }
    // The list shown again from the model, row `select` chosen.
    void showRegions(int select);

    // "ゲームデータベース": each hardware's game databases for filling its records, its names
    // (separated by " | ") or database files; saved as the hardware's choice when they differ
    // from its own names.
    int gameDatabasePageIndex() const { return gameDatabasePage_; }
    QTableWidget* gameDatabaseTable() const { return gameDatabases_; }
    // The table's row of hardware `code`; -1 when not listed.
    int gameDatabaseRow(const std::string& code) const;
    // Picks a database file for the selected row (the page's "ファイルを追加…"), appended.
    void chooseGameDatabaseFile();
    // "ゲームパッド": the pads connected, what they hold now, the pad on or off and the hotkey
    // that ends the running game. The last page.
    int padPageIndex() const { return padPage_; }
    QCheckBox* padEnabledBox() const { return padEnabled_; }
    QListWidget* padList() const { return padList_; }
    QLabel* padTestView() const { return padTest_; }
    QLineEdit* padQuitButtonsEdit() const { return padQuitButtons_; }
    QSpinBox* padQuitHoldMs() const { return padQuitHold_; }
    // "プロファイルの編集...": the built-in profiles' dialog.
    QPushButton* padProfilesButton() const { return padProfiles_; }

private:
    // The program's own option on the main page, beside the shared settings' (it is kept apart).
    void addDiscSetsOption();
    void addUnpackCacheSetting(QWidget* sheet);
    void applyListFontSize();
    void applyUnpackCacheSetting();
    void addDrivePage();
    QGroupBox* makeDriveBox(QWidget* sheet);
    QGroupBox* makeWineBox(QWidget* sheet, const PlusSettings& plus);
    void showDriveRows(int select);
    void applyDrivePage();
    void addRegionPage();
    void addGameDatabasePage();
    void applyGameDatabasePage(PlusSettings& plus) const;
    void addPadPage();
    void showPads();
    void applyPadPage();
    struct PageBuilder;

    // A page: its group box and heading, then each control of its table in turn.
    QWidget* buildPage(int page);
    QWidget* addControl(PageBuilder& b, const EnvControl& c);
    QWidget* addCheckBox(PageBuilder& b, const EnvControl& c);
    QWidget* addRadioButton(PageBuilder& b, const EnvControl& c);
    QWidget* addEdit(PageBuilder& b, const EnvControl& c);
    void addToolPathRow(PageBuilder& b, const EnvControl& c, QLabel* label, QLineEdit* edit);
    QWidget* addFontList(PageBuilder& b, const EnvControl& c);
    void addThanksButton(PageBuilder& b);

    Application& app_;
    EnvironmentSettingsModel model_;
    QTabWidget* tabs_ = nullptr;
    QPushButton* thanks_ = nullptr;
    QCheckBox* discSets_ = nullptr;
    QSpinBox* cacheLimit_ = nullptr;
    QDoubleSpinBox* listFontSize_ = nullptr;
    double shownListFontSize_ = 0;  // as the dialog opened: left so, the setting stays
    std::array<std::vector<QWidget*>, kEnvPageCount> controls_;
    std::unique_ptr<DriveMapPageModel> drives_;
    int drivePage_ = -1;
    QTableWidget* driveTable_ = nullptr;
    QLineEdit* wine_ = nullptr;
    QLineEdit* winePrefix_ = nullptr;
    RegionOrderModel regions_;
    int regionPage_ = -1;
    QListWidget* regionList_ = nullptr;
    int gameDatabasePage_ = -1;
    QTableWidget* gameDatabases_ = nullptr;
    GamePad* pad_ = nullptr;
    int padPage_ = -1;
    QCheckBox* padEnabled_ = nullptr;
    QListWidget* padList_ = nullptr;
    QLabel* padTest_ = nullptr;
    QLineEdit* padQuitButtons_ = nullptr;
    QSpinBox* padQuitHold_ = nullptr;
    QPushButton* padProfiles_ = nullptr;
};

}  // namespace romshelf
