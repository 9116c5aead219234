#pragma once

#include <QDialog>
#include <array>

#include "core/views/SearchDialogModel.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace romshelf {

// "ファイルの検索": the text and the field it is looked for in, the rating, the six categories
// and the favourite state. Made for each search, so it always opens with nothing chosen.
class SearchDialog : public QDialog {
    Q_OBJECT
public:
    SearchDialog(const CategoryLists& lists,
                 const std::array<std::string, kCategoryListCount>& categoryNames,
                 QWidget* parent = nullptr);

    // What the file list is handed once the dialog was accepted.
    SearchCriteria criteria() const { return model_.criteria(); }

    QLineEdit* textEdit() const { return text_; }
    QLabel* textLabel() const { return textLabel_; }
    QRadioButton* fieldButton(int field) const { return fields_[static_cast<std::size_t>(field)]; }
    QComboBox* combo(int combo) const { return combos_[static_cast<std::size_t>(combo)]; }
    QPushButton* startButton() const { return start_; }

    void accept() override;

private:
    SearchDialogModel model_;
    QLabel* textLabel_ = nullptr;
    QLineEdit* text_ = nullptr;
    std::array<QRadioButton*, SearchDialogModel::kFieldCount> fields_{};
    std::array<QComboBox*, SearchDialogModel::kComboCount> combos_{};
    QPushButton* start_ = nullptr;
};

}  // namespace romshelf
