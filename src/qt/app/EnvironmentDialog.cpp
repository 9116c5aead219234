#include "qt/app/EnvironmentDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "qt/QtText.h"
#include "core/app/Application.h"
#include "qt/app/DialogButtons.h"
#include "qt/app/ThanksDialog.h"

namespace romshelf {

namespace {

// Label-and-edit pairs per row of a block of edits.
constexpr int kEditPairsPerRow = 3;

}  // namespace

EnvironmentDialog::EnvironmentDialog(Application& app, QWidget* parent)
    : QDialog(parent), app_(app), model_(app.settingsCommands().openEnvironmentSettings()) {
    setWindowTitle(QStringLiteral("環境設定"));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setUsesScrollButtons(false);  // all eight tabs in view: the dialog grows to hold them
    for (int page = 0; page < kEnvPageCount; ++page) {
        QWidget* sheet = buildPage(page);
        if (page == kEnvPageCompression) addUnpackCacheSetting(sheet);
        tabs_->addTab(sheet, qs(environmentPages()[static_cast<std::size_t>(page)].title));
    }
    addDiscSetsOption();
    layout->addWidget(tabs_);
    addSaveCancelButtons(this, layout);
}

void EnvironmentDialog::addDiscSetsOption() {
    auto* box =
        tabs_->widget(kEnvPageMain)->findChild<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly);
    discSets_ = new QCheckBox(
        QStringLiteral("複数枚のディスク・フロッピーをまとめて1行で表示する (M3Uファイルを含む)"),
        box);
    discSets_->setObjectName(QStringLiteral("discSets"));
    discSets_->setChecked(app_.plusSettings().discSets);
    box->layout()->addWidget(discSets_);
}

QWidget* EnvironmentDialog::buildPage(int pageIndex) {
    const EnvPage& page = environmentPages()[static_cast<std::size_t>(pageIndex)];
    auto& widgets = controls_[static_cast<std::size_t>(pageIndex)];
    auto* sheet = new QWidget(this);
    auto* outer = new QVBoxLayout(sheet);
    auto* box = new QGroupBox(qs(page.groupTitle), sheet);
    outer->addWidget(box);
    outer->addStretch();
    auto* layout = new QVBoxLayout(box);
    if (!page.heading.empty()) layout->addWidget(new QLabel(qs(page.heading), box));

    QGridLayout* radioGroups = nullptr;  // the page's radio groups, two to a row
    QBoxLayout* radioRow = nullptr;      // the buttons of the group being filled
    std::string_view group;
    QGridLayout* edits = nullptr;  // the block of edits being filled
    int editsInBlock = 0;
    EnvField blockField{};

    for (const EnvControl& c : page.controls) {
        QWidget* widget = nullptr;
        switch (c.kind) {
            case EnvControlKind::CheckBox: {
                auto* check = new QCheckBox(qs(c.text), box);
                check->setChecked(model_.checked(c));
                connect(check, &QCheckBox::toggled, this,
                        [this, &c](bool on) { model_.setChecked(c, on); });
                layout->addWidget(check);
                widget = check;
                break;
            }
            case EnvControlKind::RadioButton: {
                if (!radioGroups) {
                    radioGroups = new QGridLayout;
                    layout->addLayout(radioGroups);
                }
                if (!radioRow || c.group != group) {
                    group = c.group;
                    auto* frame = new QGroupBox(qs(c.group), box);
                    radioRow = new QHBoxLayout(frame);
                    const int n = radioGroups->count();
                    radioGroups->addWidget(frame, n / 2, n % 2);
                }
                auto* radio = new QRadioButton(qs(c.text), radioRow->parentWidget());
                radio->setChecked(model_.checked(c));
                connect(radio, &QRadioButton::toggled, this,
                        [this, &c](bool on) { model_.setChecked(c, on); });
                radioRow->addWidget(radio);
                widget = radio;
                break;
            }
            case EnvControlKind::Edit: {
                if (!edits || c.field != blockField) {
                    edits = new QGridLayout;
                    layout->addLayout(edits);
                    editsInBlock = 0;
                    blockField = c.field;
                }
                auto* edit = new QLineEdit(qs(model_.text(c)), box);
                connect(edit, &QLineEdit::textChanged, this,
                        [this, &c](const QString& t) { model_.setText(c, ss(t)); });
                auto* label = new QLabel(qs(c.text), box);
                if (c.field == EnvField::ToolPath) {
                    // label, path, "参照", "相対パス" on one row
                    const int row = editsInBlock++;
                    edit->setMinimumWidth(300);
                    auto* browse = new QPushButton(QStringLiteral("参照"), box);
                    auto* relative = new QPushButton(QStringLiteral("相対パス"), box);
                    edits->addWidget(label, row, 0);
                    edits->addWidget(edit, row, 1);
                    edits->addWidget(browse, row, 2);
                    edits->addWidget(relative, row, 3);
                    connect(browse, &QPushButton::clicked, this, [this, &c, edit] {
                        if (model_.browse(c, app_.prompter())) edit->setText(qs(model_.text(c)));
                    });
                    connect(relative, &QPushButton::clicked, this, [this, &c, edit] {
                        model_.makeRelative(c);
                        edit->setText(qs(model_.text(c)));
                    });
                } else {
                    const int n = editsInBlock++;
                    const int row = n / kEditPairsPerRow, column = n % kEditPairsPerRow * 2;
                    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                    edits->addWidget(label, row, column);
                    edits->addWidget(edit, row, column + 1);
                }
                widget = edit;
                break;
            }
            case EnvControlKind::FontList: {
                auto* row = new QHBoxLayout;
                auto* list = new QComboBox(box);
                for (std::string_view name : kListFontNames) list->addItem(qs(name));
                // A name that is not one of the items shows no selection and is kept as it is.
                list->setCurrentIndex(list->findText(qs(model_.text(c))));
                connect(list, &QComboBox::textActivated, this,
                        [this, &c](const QString& t) { model_.setText(c, ss(t)); });
                row->addWidget(new QLabel(qs(c.text), box));
                row->addWidget(list);
                row->addStretch();
                layout->addLayout(row);
                widget = list;
                break;
            }
        }
        widgets.push_back(widget);
    }

    if (pageIndex == kEnvPageExtra) {
        thanks_ = new QPushButton(qs(kThanksButtonText), box);
        thanks_->setHidden(!model_.thanksAvailable());
        connect(thanks_, &QPushButton::clicked, this, [this] {
            ThanksDialog dialog(this);
            dialog.exec();
        });
        auto* row = new QHBoxLayout;
        row->addWidget(thanks_);
        row->addStretch();
        layout->addLayout(row);
    }
    return sheet;
}

void EnvironmentDialog::addUnpackCacheSetting(QWidget* sheet) {
    auto* box = new QGroupBox(QStringLiteral("解凍キャッシュ"), sheet);
    auto* row = new QHBoxLayout(box);
    row->addWidget(new QLabel(QStringLiteral("解凍したファイルを残しておく上限"), box));
    cacheLimit_ = new QSpinBox(box);
    cacheLimit_->setRange(0, 1024 * 1024);  // MB: up to a terabyte
    cacheLimit_->setSuffix(QStringLiteral(" MB"));
    cacheLimit_->setSpecialValueText(QStringLiteral("使用しない"));
    cacheLimit_->setValue(static_cast<int>(
        std::min<std::uint64_t>(app_.plusSettings().unpackCacheLimit >> 20, 1024 * 1024)));
    row->addWidget(cacheLimit_);
    row->addStretch();
    // Above the stretch that ends the page.
    auto* layout = static_cast<QVBoxLayout*>(sheet->layout());
    layout->insertWidget(layout->count() - 1, box);
}

void EnvironmentDialog::applyUnpackCacheSetting() {
    const std::uint64_t limit = static_cast<std::uint64_t>(cacheLimit_->value()) << 20;
    // A cap not changed here keeps its bytes (one set in bytes from romshelf-cli stays).
    if ((app_.plusSettings().unpackCacheLimit >> 20) == (limit >> 20)) return;
    PlusSettings plus = app_.plusSettings();
    plus.unpackCacheLimit = limit;
    app_.changePlusSettings(plus);
    app_.unpackCache().evictTo(limit);
}

void EnvironmentDialog::accept() {
    applyUnpackCacheSetting();
    app_.settingsCommands().saveEnvironmentSettings(model_);
    app_.setDiscSets(discSets_->isChecked());
    QDialog::accept();
}

}  // namespace romshelf
