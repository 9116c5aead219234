#pragma once

#include <QDialog>
#include <array>
#include <map>
#include <vector>

#include "core/commands/Registration.h"

class QComboBox;
class QPushButton;

namespace romshelf {

class Application;

// "ファイル情報一括登録ダイアログ": the rating, the six categories and the favourite state for
// several selected rows at once; every combo starts on "変更しない".
class BulkRegistrationDialog : public QDialog {
    Q_OBJECT
public:
    // `rows`: the selected rows (display positions).
    BulkRegistrationDialog(Application& app, std::vector<int> rows, QWidget* parent = nullptr);

    // The control with the dialog template's id: 1138 the rating, 1113/1120/1122/1124/1126/1128
    // the categories, 1129 the favourite, 1 "選択した内容を登録", 1131 "ファイルの初期化",
    // 1244/1220/1245/1222 the file operations.
    QWidget* control(int id) const { return controls_.at(id); }
    // The file-operation buttons by name ("compress", "decompress", "move", "delete").
    QPushButton* fileOperationButton(const QString& name) const;
    const std::vector<int>& rows() const { return rows_; }
    // The combos' choices as the core takes them.
    BulkChoices choices() const;

    void accept() override;

private:
    template <class Widget>
    Widget* add(int id, Widget* widget) {
        controls_[id] = widget;
        return widget;
    }
    void clearRecords();
    void fileOperation(const QString& operation);

    Application& app_;
    std::vector<int> rows_;
    std::map<int, QWidget*> controls_;
    QComboBox* rating_ = nullptr;
    std::array<QComboBox*, kCategoryListCount> categories_{};
    std::array<std::vector<std::string>, kCategoryListCount> items_;
    QComboBox* favourite_ = nullptr;
};

}  // namespace romshelf
