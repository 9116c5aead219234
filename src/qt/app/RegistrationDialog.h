#pragma once

#include <QDialog>
#include <array>
#include <map>
#include <string>

#include "core/commands/Registration.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace romshelf {

class Application;

// "ファイル情報登録ウィンドウ": shows a RegistrationModel for one row of the file list. Made once
// and shown or hidden; closing it hides it without saving.
class RegistrationDialog : public QDialog {
    Q_OBJECT
public:
    explicit RegistrationDialog(Application& app, QWidget* parent = nullptr);

    // Opens for row `row` of the file list and shows the dialog; false (nothing shown) for no
    // file.
    bool openFor(int row);
    // Hidden without saving (before the list is built again).
    void dismiss();
    const RegistrationModel& model() const { return model_; }

    // The control with the dialog template's id: 1109-1112 and 1130 the edits, 1115 the
    // emulator, 1138 the rating, 1113/1120/1122/1124/1126/1128 the categories, 1149 the
    // favourite, 1114/1121/1123/1125/1127/1129 the organise buttons, 1 "データの更新", 1131
    // "情報の初期化", 1136/1137/1133 the file operations.
    QWidget* control(int id) const { return controls_.at(id); }
    // The file-operation buttons by name ("compress", "move", "delete"): enabled for a file in a
    // ROM folder ("move" when there is another ROM folder to go to).
    QPushButton* fileOperationButton(const QString& name) const;

    // The labels and organise buttons follow the category names.
    void applyCategoryNames(const std::array<std::string, kCategoryListCount>& names);
    // The combos take the lists again, keeping what is typed or chosen.
    void refreshLists();

    void accept() override;
    void reject() override;

Q_SIGNALS:
    // The game name as typed, not saved yet, for row `row` of the file list; row -1 when
    // nothing typed is pending any more (saved, dropped, or the dialog hidden).
    void nameTyped(int row, const QString& name);

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    template <class Widget>
    Widget* add(int id, Widget* widget) {
        controls_[id] = widget;
        return widget;
    }
    void showFields();
    void takeFields();
    void organise(int list);
    void clearRecord();
    void fileOperation(const QString& operation);

    Application& app_;
    RegistrationModel model_;
    std::map<int, QWidget*> controls_;
    QLineEdit* title_ = nullptr;
    QLineEdit* extension_ = nullptr;
    QLineEdit* reading_ = nullptr;
    QLineEdit* gameName_ = nullptr;
    QComboBox* emulator_ = nullptr;
    QComboBox* rating_ = nullptr;
    std::array<QComboBox*, kCategoryListCount> categories_{};
    std::array<QLabel*, kCategoryListCount> categoryLabels_{};
    std::array<QPushButton*, kCategoryListCount> organiseButtons_{};
    QPlainTextEdit* comment_ = nullptr;
    QCheckBox* favourite_ = nullptr;
};

}  // namespace romshelf
