#include "qt/app/TagFilterDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/QtText.h"

namespace romshelf {

TagFilterDialog::TagFilterDialog(const TagFilter& filter, bool onePerGame, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(qs(kTagFilterButton));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const TagFilterChoices chosen = TagFilterChoices::of(filter);
    region_ = new QComboBox(this);
    region_->setObjectName(QStringLiteral("region"));
    for (const std::string& item : TagFilterChoices::regionItems()) region_->addItem(qs(item));
    region_->setCurrentIndex(chosen.region);
    form->addRow(QStringLiteral("地域:"), region_);
    language_ = new QComboBox(this);
    language_->setObjectName(QStringLiteral("language"));
    for (const std::string& item : TagFilterChoices::languageItems()) language_->addItem(qs(item));
    language_->setCurrentIndex(chosen.language);
    form->addRow(QStringLiteral("言語:"), language_);
    layout->addLayout(form);
    noStatus_ = new QCheckBox(
        QStringLiteral("ベータ・プロト・デモ・サンプル・非ライセンス・海賊版・不良ダンプを除く"),
        this);
    noStatus_->setObjectName(QStringLiteral("noStatus"));
    noStatus_->setChecked(chosen.noStatus);
    layout->addWidget(noStatus_);
    onePerGame_ =
        new QCheckBox(QStringLiteral("1ゲーム1ROM (地域の優先順で1ファイルを選ぶ)"), this);
    onePerGame_->setObjectName(QStringLiteral("onePerGame"));
    onePerGame_->setChecked(onePerGame);
    layout->addWidget(onePerGame_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TagFilter TagFilterDialog::filter() const {
    TagFilterChoices c;
    c.region = region_->currentIndex();
    c.language = language_->currentIndex();
    c.noStatus = noStatus_->isChecked();
    return c.filter();
}

bool TagFilterDialog::onePerGame() const { return onePerGame_->isChecked(); }

}  // namespace romshelf
