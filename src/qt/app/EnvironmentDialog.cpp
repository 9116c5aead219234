#include "qt/app/EnvironmentDialog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
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
#include <cmath>

#include "qt/QtText.h"
#include "core/app/Application.h"
#include "qt/app/DialogButtons.h"
#include "qt/app/ThanksDialog.h"
#include "qt/platform/GamePad.h"
#include "qt/views/WindowsFont.h"

namespace romshelf {

namespace {

// Label-and-edit pairs per row of a block of edits.
constexpr int kEditPairsPerRow = 3;

}  // namespace

EnvironmentDialog::EnvironmentDialog(Application& app, QWidget* parent, GamePad* pad)
    : QDialog(parent),
      app_(app),
      model_(app.settingsCommands().openEnvironmentSettings()),
      regions_(app.plusSettings().regionOrder),
      pad_(pad) {
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
    addDrivePage();
    addRegionPage();
    addGameDatabasePage();
    addPadPage();
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

// What a page being built is filling: its group box, and the radio groups and block of edits
// the next control may join.
struct EnvironmentDialog::PageBuilder {
    QGroupBox* box = nullptr;
    QVBoxLayout* layout = nullptr;
    QGridLayout* radioGroups = nullptr;  // the page's radio groups, two to a row
    QBoxLayout* radioRow = nullptr;      // the buttons of the group being filled
    std::string_view group;
    QGridLayout* edits = nullptr;  // the block of edits being filled
    int editsInBlock = 0;
    EnvField blockField{};
};

QWidget* EnvironmentDialog::buildPage(int pageIndex) {
    const EnvPage& page = environmentPages()[static_cast<std::size_t>(pageIndex)];
    auto* sheet = new QWidget(this);
    auto* outer = new QVBoxLayout(sheet);
    PageBuilder b;
    b.box = new QGroupBox(qs(page.groupTitle), sheet);
    outer->addWidget(b.box);
    outer->addStretch();
    b.layout = new QVBoxLayout(b.box);
    if (!page.heading.empty()) b.layout->addWidget(new QLabel(qs(page.heading), b.box));

    auto& widgets = controls_[static_cast<std::size_t>(pageIndex)];
    for (const EnvControl& c : page.controls) widgets.push_back(addControl(b, c));
    if (pageIndex == kEnvPageExtra) addThanksButton(b);
    return sheet;
}

QWidget* EnvironmentDialog::addControl(PageBuilder& b, const EnvControl& c) {
    switch (c.kind) {
        case EnvControlKind::CheckBox:
            return addCheckBox(b, c);
        case EnvControlKind::RadioButton:
            return addRadioButton(b, c);
        case EnvControlKind::Edit:
            return addEdit(b, c);
        case EnvControlKind::FontList:
            return addFontList(b, c);
    }
    return nullptr;
}

QWidget* EnvironmentDialog::addCheckBox(PageBuilder& b, const EnvControl& c) {
    auto* check = new QCheckBox(qs(c.text), b.box);
    check->setChecked(model_.checked(c));
    connect(check, &QCheckBox::toggled, this, [this, &c](bool on) { model_.setChecked(c, on); });
    b.layout->addWidget(check);
    return check;
}

QWidget* EnvironmentDialog::addRadioButton(PageBuilder& b, const EnvControl& c) {
    if (!b.radioGroups) {
        b.radioGroups = new QGridLayout;
        b.layout->addLayout(b.radioGroups);
    }
    if (!b.radioRow || c.group != b.group) {
        b.group = c.group;
        auto* frame = new QGroupBox(qs(c.group), b.box);
        b.radioRow = new QHBoxLayout(frame);
        const int n = b.radioGroups->count();
        b.radioGroups->addWidget(frame, n / 2, n % 2);
    }
    auto* radio = new QRadioButton(qs(c.text), b.radioRow->parentWidget());
    radio->setChecked(model_.checked(c));
    connect(radio, &QRadioButton::toggled, this, [this, &c](bool on) { model_.setChecked(c, on); });
    b.radioRow->addWidget(radio);
    return radio;
}

QWidget* EnvironmentDialog::addEdit(PageBuilder& b, const EnvControl& c) {
    if (!b.edits || c.field != b.blockField) {
        b.edits = new QGridLayout;
        b.layout->addLayout(b.edits);
        b.editsInBlock = 0;
        b.blockField = c.field;
    }
    auto* edit = new QLineEdit(qs(model_.text(c)), b.box);
    connect(edit, &QLineEdit::textChanged, this,
            [this, &c](const QString& t) { model_.setText(c, ss(t)); });
    auto* label = new QLabel(qs(c.text), b.box);
    if (c.field == EnvField::ToolPath) {
        addToolPathRow(b, c, label, edit);
    } else {
        const int n = b.editsInBlock++;
        const int row = n / kEditPairsPerRow, column = n % kEditPairsPerRow * 2;
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        b.edits->addWidget(label, row, column);
        b.edits->addWidget(edit, row, column + 1);
    }
    return edit;
}

// label, path, "参照", "相対パス" on one row
void EnvironmentDialog::addToolPathRow(PageBuilder& b, const EnvControl& c, QLabel* label,
                                       QLineEdit* edit) {
    const int row = b.editsInBlock++;
    edit->setMinimumWidth(300);
    auto* browse = new QPushButton(QStringLiteral("参照"), b.box);
    auto* relative = new QPushButton(QStringLiteral("相対パス"), b.box);
    b.edits->addWidget(label, row, 0);
    b.edits->addWidget(edit, row, 1);
    b.edits->addWidget(browse, row, 2);
    b.edits->addWidget(relative, row, 3);
    connect(browse, &QPushButton::clicked, this, [this, &c, edit] {
        if (model_.browse(c, app_.prompter())) edit->setText(qs(model_.text(c)));
    });
    connect(relative, &QPushButton::clicked, this, [this, &c, edit] {
        model_.makeRelative(c);
        edit->setText(qs(model_.text(c)));
    });
}

QWidget* EnvironmentDialog::addFontList(PageBuilder& b, const EnvControl& c) {
    auto* row = new QHBoxLayout;
    auto* list = new QComboBox(b.box);
    for (std::string_view name : kListFontNames) list->addItem(qs(name));
    // A name that is not one of the items shows no selection and is kept as it is.
    list->setCurrentIndex(list->findText(qs(model_.text(c))));
    connect(list, &QComboBox::textActivated, this,
            [this, &c](const QString& t) { model_.setText(c, ss(t)); });
    row->addWidget(new QLabel(qs(c.text), b.box));
    row->addWidget(list);
    // The size in points, the unit a desktop's font settings speak; kept in pixels.
    listFontSize_ = new QDoubleSpinBox(b.box);
    listFontSize_->setObjectName(QStringLiteral("listFontSize"));
    listFontSize_->setDecimals(1);
    listFontSize_->setRange(4.0, 72.0);
    listFontSize_->setSingleStep(0.5);
    listFontSize_->setSuffix(QStringLiteral(" ポイント"));
    listFontSize_->setValue(listFontPointSize(app_.plusSettings().listFontHeight));
    shownListFontSize_ = listFontSize_->value();
    auto* sizeLabel = new QLabel(QStringLiteral("大きさ"), b.box);
    sizeLabel->setBuddy(listFontSize_);
    row->addWidget(sizeLabel);
    row->addWidget(listFontSize_);
    row->addStretch();
    b.layout->addLayout(row);
    return list;
}

void EnvironmentDialog::applyListFontSize() {
    // Untouched, the list keeps following the desktop's font when no size was chosen.
    if (std::lround(listFontSize_->value() * 10) == std::lround(shownListFontSize_ * 10)) return;
    PlusSettings plus = app_.plusSettings();
    plus.listFontHeight = pixelHeightOfPoints(listFontSize_->value(), screenDotsPerInch());
    if (plus != app_.plusSettings()) app_.changePlusSettings(plus);
}

void EnvironmentDialog::addThanksButton(PageBuilder& b) {
    thanks_ = new QPushButton(qs(kThanksButtonText), b.box);
    thanks_->setHidden(!model_.thanksAvailable());
    connect(thanks_, &QPushButton::clicked, this, [this] {
        ThanksDialog dialog(this);
        dialog.exec();
    });
    auto* row = new QHBoxLayout;
    row->addWidget(thanks_);
    row->addStretch();
    b.layout->addLayout(row);
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
    applyPadPage();
    applyUnpackCacheSetting();
    applyListFontSize();
    applyDrivePage();
    app_.settingsCommands().saveEnvironmentSettings(model_);
    app_.setDiscSets(discSets_->isChecked());
    QDialog::accept();
}

}  // namespace romshelf
