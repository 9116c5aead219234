#include "qt/app/SearchDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "qt/QtText.h"

namespace romshelf {

SearchDialog::SearchDialog(const CategoryLists& lists,
                           const std::array<std::string, kCategoryListCount>& categoryNames,
                           QWidget* parent)
    : QDialog(parent), model_(lists, categoryNames) {
    setObjectName(QStringLiteral("SearchDialog"));
    setWindowTitle(QStringLiteral("ファイルの検索"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("指定した全ての条件に合致するファイルを検索します"), this));

    auto* textRow = new QHBoxLayout;
    textLabel_ = new QLabel(qs(SearchDialogModel::fieldLabel(0)), this);
    text_ = new QLineEdit(this);
    text_->setMinimumWidth(300);
    textRow->addWidget(textLabel_);
    textRow->addWidget(text_, 1);
    layout->addLayout(textRow);

    auto* fieldGrid = new QGridLayout;
    for (int f = 0; f < SearchDialogModel::kFieldCount; ++f) {
        auto* radio = new QRadioButton(qs(SearchDialogModel::fieldChoice(f)), this);
        fields_[static_cast<std::size_t>(f)] = radio;
        fieldGrid->addWidget(radio, f / 2, f % 2);
        connect(radio, &QRadioButton::toggled, this, [this, f](bool on) {
            if (on) textLabel_->setText(qs(SearchDialogModel::fieldLabel(f)));
        });
    }
    fields_[0]->setChecked(true);
    layout->addLayout(fieldGrid);

    auto* comboGrid = new QGridLayout;
    for (int c = 0; c < SearchDialogModel::kComboCount; ++c) {
        auto* combo = new QComboBox(this);
        for (const std::string& item : model_.comboItems(c)) combo->addItem(qs(item));
        combo->setCurrentIndex(0);
        combos_[static_cast<std::size_t>(c)] = combo;
        const int row = c / 2, column = (c % 2) * 2;
        comboGrid->addWidget(new QLabel(qs(model_.comboLabel(c)), this), row, column);
        comboGrid->addWidget(combo, row, column + 1);
    }
    comboGrid->setColumnStretch(1, 1);
    comboGrid->setColumnStretch(3, 1);
    layout->addLayout(comboGrid);

    auto* bar = new QHBoxLayout;
    bar->addStretch();
    start_ = new QPushButton(QStringLiteral("検索の開始"), this);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    start_->setDefault(true);
    bar->addWidget(start_);
    bar->addWidget(cancel);
    layout->addLayout(bar);
    connect(start_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    text_->setFocus();
}

void SearchDialog::accept() {
    model_.text = ss(text_->text());
    for (int f = 0; f < SearchDialogModel::kFieldCount; ++f)
        if (fields_[static_cast<std::size_t>(f)]->isChecked()) model_.field = f;
    for (int c = 0; c < SearchDialogModel::kComboCount; ++c)
        model_.chosen[static_cast<std::size_t>(c)] =
            combos_[static_cast<std::size_t>(c)]->currentIndex();
    QDialog::accept();
}

}  // namespace romshelf
