#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "core/pad/PadControls.h"
#include "core/pad/PadProfile.h"

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace romshelf {

class GamePad;

// "パッドのプロファイル": the built-in profiles of data/pad, each a table of the pad's controls
// and the keys they send (with turbo or repeat) and its timing. While it is open the controls
// held on the pad light up in the table, so the user finds the row of the button in hand.
class PadProfileDialog : public QDialog {
    Q_OBJECT
public:
    // `pad`: the window's pad (none: nothing lights up).
    PadProfileDialog(std::string programFolder, GamePad* pad, QWidget* parent = nullptr);

    // The table's columns.
    static constexpr int kLightColumn = 0;  // "●" while the control is held
    static constexpr int kControlColumn = 1;
    static constexpr int kKeyColumn = 2;  // the key's X name; empty: nothing sent
    static constexpr int kRepeatColumn = 3;

    QListWidget* profileList() const { return profiles_; }
    QTableWidget* table() const { return table_; }
    int rowOf(PadControl control) const;
    QComboBox* repeatBox(PadControl control) const;
    QSpinBox* turboMs() const { return turbo_; }
    QSpinBox* repeatDelayMs() const { return repeatDelay_; }
    QSpinBox* repeatIntervalMs() const { return repeatInterval_; }
    QLabel* statusLabel() const { return status_; }
    QPushButton* newButton() const { return new_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* saveButton() const { return save_; }

    // Writes the profile shown; false (and the reason shown) when a key is unknown or nothing is
    // mapped, or it cannot be written.
    bool save();
    // Asks for a name and shows a new, empty profile of that name (written by save()).
    void addProfile();
    // Asks, then removes the profile shown.
    void removeProfile();
    // Closing with edits not saved asks whether to save them first.
    void reject() override;

private:
    void listProfiles(const QString& select);
    void showProfile();
    // Another profile picked: the shown one's edits are saved, dropped or kept (the pick undone)
    // as the user answers.
    void profileChosen();
    // True when the shown profile has no unsaved edits or the user let them go (or saved them).
    bool keepEdits();
    void showPadState();
    void setStatus(const QString& text, bool error);

    std::string programFolder_;
    GamePad* pad_ = nullptr;
    std::vector<PadControl> controls_;  // the table's rows
    QListWidgetItem* shown_ = nullptr;  // the profile the table holds
    bool edited_ = false;               // the table differs from what was read or saved
    QListWidget* profiles_ = nullptr;
    QTableWidget* table_ = nullptr;
    QSpinBox* turbo_ = nullptr;
    QSpinBox* repeatDelay_ = nullptr;
    QSpinBox* repeatInterval_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* save_ = nullptr;
};

}  // namespace romshelf
