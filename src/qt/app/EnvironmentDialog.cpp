#include "qt/app/EnvironmentDialog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "qt/QtText.h"
#include "core/app/Application.h"
#include "core/commands/DatabaseSources.h"
#include "core/settings/HardwareTable.h"
#include "core/pad/PadNavigator.h"
#include "core/text/NameTags.h"
#include "qt/app/DialogButtons.h"
#include "qt/app/ThanksDialog.h"
#include "qt/app/PadProfileDialog.h"
#include "qt/platform/GamePad.h"
#include "qt/views/WindowsFont.h"

namespace romshelf {

namespace {

// Label-and-edit pairs per row of a block of edits.
constexpr int kEditPairsPerRow = 3;

std::string joinedDatabases(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : " | ") + part;
    return text;
}

std::vector<std::string> splitDatabases(const QString& text) {
    std::vector<std::string> parts;
    for (const QString& part : text.split(u'|', Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty()) parts.push_back(ss(part.trimmed()));
    return parts;
}

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

void EnvironmentDialog::addDrivePage() {
    PlusSettings plus = app_.plusSettings();
    drives_ = std::make_unique<DriveMapPageModel>(
        windowsRootsUsed(app_.storedPaths()),
        findDrives(DriveSearchPlaces::fromEnvironment(plus.winePrefix)), plus.drives);

    auto* sheet = new QWidget(tabs_);
    auto* layout = new QVBoxLayout(sheet);
    auto* box = new QGroupBox(QStringLiteral("Windows のドライブと共有フォルダ"), sheet);
    auto* boxLayout = new QVBoxLayout(box);
    auto* intro = new QLabel(
        QStringLiteral(
            "Windows で使っていた設定の D:\\ や \\\\NAS\\共有 が、このコンピュータの"
            "どのフォルダに当たるかを設定します。設定はWindowsのパスのまま保存されます。"),
        box);
    intro->setWordWrap(true);
    boxLayout->addWidget(intro);
    driveTable_ = new QTableWidget(0, 4, box);
    driveTable_->setObjectName(QStringLiteral("driveTable"));
    driveTable_->setHorizontalHeaderLabels({QStringLiteral("ドライブ・共有"),
                                            QStringLiteral("このコンピュータのフォルダ"),
                                            QStringLiteral("設定元"), QStringLiteral("使用")});
    driveTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    driveTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    driveTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    driveTable_->verticalHeader()->hide();
    driveTable_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    boxLayout->addWidget(driveTable_);
    auto* buttons = new QHBoxLayout;
    auto* choose = new QPushButton(QStringLiteral("フォルダを選択…"), box);
    auto* unset = new QPushButton(QStringLiteral("設定を解除"), box);
    auto* add = new QPushButton(QStringLiteral("ドライブ・共有を追加…"), box);
    buttons->addWidget(choose);
    buttons->addWidget(unset);
    buttons->addWidget(add);
    buttons->addStretch();
    boxLayout->addLayout(buttons);
    connect(driveTable_, &QTableWidget::cellDoubleClicked, this, [this] { chooseDriveFolder(); });
    connect(choose, &QPushButton::clicked, this, [this] { chooseDriveFolder(); });
    connect(unset, &QPushButton::clicked, this, [this] {
        const int row = driveTable_->currentRow();
        drives_->unset(row);
        showDriveRows(row);
    });
    connect(add, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QString text = QInputDialog::getText(
            this, QStringLiteral("ドライブ・共有を追加"),
            QStringLiteral("ドライブ (D:) または共有フォルダ (\\\\NAS\\games):"), QLineEdit::Normal,
            QString(), &ok);
        if (!ok) return;
        const int row = drives_->addRoot(text.toStdString());
        if (row >= 0) showDriveRows(row);
    });
    layout->addWidget(box);

    auto* wineBox =
        new QGroupBox(QStringLiteral("Wine (Windows のエミュレータ・ツールの起動)"), sheet);
    auto* grid = new QGridLayout(wineBox);
    wine_ = new QLineEdit(qs(plus.wine), wineBox);
    wine_->setObjectName(QStringLiteral("wine"));
    wine_->setPlaceholderText(QStringLiteral("wine (PATH から探します)"));
    winePrefix_ = new QLineEdit(qs(plus.winePrefix), wineBox);
    winePrefix_->setObjectName(QStringLiteral("winePrefix"));
    winePrefix_->setPlaceholderText(QStringLiteral("$WINEPREFIX または ~/.wine"));
    grid->addWidget(new QLabel(QStringLiteral("Wine の実行ファイル"), wineBox), 0, 0);
    grid->addWidget(wine_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Wine プレフィックス"), wineBox), 1, 0);
    grid->addWidget(winePrefix_, 1, 1);
    auto* browseWine = new QPushButton(QStringLiteral("参照"), wineBox);
    auto* browsePrefix = new QPushButton(QStringLiteral("参照"), wineBox);
    grid->addWidget(browseWine, 0, 2);
    grid->addWidget(browsePrefix, 1, 2);
    connect(browseWine, &QPushButton::clicked, this, [this] {
        auto chosen = app_.prompter().chooseOpenFile("Wine の実行ファイルを指定してください",
                                                     "Wine", "*", "/usr/bin");
        if (chosen && !chosen->empty()) wine_->setText(qs(*chosen));
    });
    connect(browsePrefix, &QPushButton::clicked, this, [this] {
        auto chosen = app_.prompter().chooseFolder("Wine プレフィックスを指定してください",
                                                   winePrefix_->text().toStdString());
        if (chosen && !chosen->empty()) winePrefix_->setText(qs(*chosen));
    });
    layout->addWidget(wineBox);
    layout->addStretch();
    drivePage_ = tabs_->addTab(sheet, QStringLiteral("ドライブ"));
    showDriveRows(0);
}

void EnvironmentDialog::showDriveRows(int select) {
    const auto& rows = drives_->rows();
    driveTable_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const DriveRow& row = rows[static_cast<std::size_t>(r)];
        const QString cells[] = {qs(row.root),
                                 row.folder.empty() ? QStringLiteral("未設定") : qs(row.folder),
                                 qs(row.source), row.used ? QStringLiteral("使用中") : QString()};
        for (int c = 0; c < 4; ++c) driveTable_->setItem(r, c, new QTableWidgetItem(cells[c]));
        if (row.folder.empty() && row.used)
            driveTable_->item(r, 1)->setForeground(palette().color(QPalette::Link));
    }
    driveTable_->resizeColumnToContents(0);
    if (!rows.empty())
        driveTable_->selectRow(std::clamp(select, 0, static_cast<int>(rows.size()) - 1));
}

void EnvironmentDialog::chooseDriveFolder() {
    const int row = driveTable_->currentRow();
    if (row < 0) return;
    const DriveRow& shown = drives_->rows()[static_cast<std::size_t>(row)];
    const std::string start = shown.folder.empty() ? std::string() : shown.folder;
    auto chosen =
        app_.prompter().chooseFolder(shown.root + " に当たるフォルダを選んでください", start);
    if (!chosen || chosen->empty()) return;
    drives_->setFolder(row, *chosen);
    showDriveRows(row);
}

void EnvironmentDialog::addRegionPage() {
    auto* sheet = new QWidget(this);
    auto* outer = new QVBoxLayout(sheet);
    outer->addWidget(new QLabel(
        QStringLiteral("1ゲーム1ROM表示で優先する地域 (上ほど優先。続いて言語、新しいリビジョン)"),
        sheet));
    auto* row = new QHBoxLayout;
    regionList_ = new QListWidget(sheet);
    regionList_->setObjectName(QStringLiteral("regionOrder"));
    row->addWidget(regionList_);
    auto* buttons = new QVBoxLayout;
    const auto button = [&](const QString& text, auto&& action) {
        auto* b = new QPushButton(text, sheet);
        connect(b, &QPushButton::clicked, this, action);
        buttons->addWidget(b);
    };
    button(QStringLiteral("上へ"), [this] {
        const int r = regionList_->currentRow();
        if (regions_.moveUp(r)) showRegions(r - 1);
    });
    button(QStringLiteral("下へ"), [this] {
        const int r = regionList_->currentRow();
        if (regions_.moveDown(r)) showRegions(r + 1);
    });
    button(QStringLiteral("追加…"), [this] {
        QStringList names;
        for (const std::string_view name : text::regionNames())
            if (std::find(regions_.order().begin(), regions_.order().end(), name) ==
                regions_.order().end())
                names << qs(std::string(name));
        bool ok = false;
        const QString name = QInputDialog::getItem(this, QStringLiteral("地域の追加"),
                                                   QStringLiteral("地域:"), names, 0, true, &ok);
        if (ok && regions_.add(name.trimmed().toStdString()))
            showRegions(static_cast<int>(regions_.order().size()) - 1);
    });
    button(QStringLiteral("削除"), [this] {
        const int r = regionList_->currentRow();
        if (regions_.remove(r))
            showRegions(std::min(r, static_cast<int>(regions_.order().size()) - 1));
    });
    button(QStringLiteral("初期値に戻す"), [this] {
        regions_.reset();
        showRegions(0);
    });
    buttons->addStretch();
    row->addLayout(buttons);
    outer->addLayout(row);
    regionPage_ = tabs_->addTab(sheet, QStringLiteral("地域"));
    showRegions(0);
}

void EnvironmentDialog::showRegions(int select) {
    regionList_->clear();
    for (const std::string& name : regions_.order()) regionList_->addItem(qs(name));
    if (select >= 0 && select < regionList_->count()) regionList_->setCurrentRow(select);
}

void EnvironmentDialog::addGameDatabasePage() {
    auto* sheet = new QWidget(tabs_);
    auto* layout = new QVBoxLayout(sheet);
    auto* intro = new QLabel(
        QStringLiteral("データベースから情報を取得するときに読む、機種ごとのデータベースの名前 "
                       "(RetroArchの.rdbと項目別のDATの名前) またはファイル。「|」で区切ります。"),
        sheet);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    gameDatabases_ = new QTableWidget(0, 2, sheet);
    gameDatabases_->setObjectName(QStringLiteral("gameDatabases"));
    gameDatabases_->setHorizontalHeaderLabels(
        {QStringLiteral("機種"), QStringLiteral("データベース")});
    gameDatabases_->setSelectionBehavior(QAbstractItemView::SelectRows);
    gameDatabases_->setSelectionMode(QAbstractItemView::SingleSelection);
    gameDatabases_->verticalHeader()->hide();
    gameDatabases_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (const HardwareInfo& hw : hardwareTable()) {
        const std::string code(hw.code);
        std::vector<std::string> parts = chosenGameDatabases(code, app_.plusSettings());
        if (parts.empty()) parts = gameDatabaseNames(code);
        const int row = gameDatabases_->rowCount();
        gameDatabases_->insertRow(row);
        // Shown without storing a name: the dialog may be cancelled.
        auto* name = new QTableWidgetItem(qs(displayNameOf(code, app_.settings().customNames)));
        name->setData(Qt::UserRole, qs(code));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        gameDatabases_->setItem(row, 0, name);
        gameDatabases_->setItem(row, 1, new QTableWidgetItem(qs(joinedDatabases(parts))));
    }
    gameDatabases_->resizeColumnToContents(0);
    layout->addWidget(gameDatabases_);
    auto* buttons = new QHBoxLayout;
    auto* file = new QPushButton(QStringLiteral("ファイルを追加…"), sheet);
    auto* reset = new QPushButton(QStringLiteral("初期値に戻す"), sheet);
    buttons->addWidget(file);
    buttons->addWidget(reset);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(file, &QPushButton::clicked, this, [this] { chooseGameDatabaseFile(); });
    connect(reset, &QPushButton::clicked, this, [this] {
        const int row = gameDatabases_->currentRow();
        if (row < 0) return;
        const std::string code = ss(gameDatabases_->item(row, 0)->data(Qt::UserRole).toString());
        gameDatabases_->item(row, 1)->setText(qs(joinedDatabases(gameDatabaseNames(code))));
    });
    gameDatabasePage_ = tabs_->addTab(sheet, QStringLiteral("ゲームデータベース"));
}

int EnvironmentDialog::gameDatabaseRow(const std::string& code) const {
    for (int row = 0; row < gameDatabases_->rowCount(); ++row)
        if (gameDatabases_->item(row, 0)->data(Qt::UserRole).toString() == qs(code)) return row;
    return -1;
}

void EnvironmentDialog::chooseGameDatabaseFile() {
    const int row = gameDatabases_->currentRow();
    if (row < 0) return;
    const auto chosen =
        app_.prompter().chooseOpenFile("ゲームデータベースのファイルを指定してください",
                                       "ゲームデータベース", "*.rdb;*.dat", app_.browseFolder());
    if (!chosen || chosen->empty()) return;
    std::vector<std::string> parts = splitDatabases(gameDatabases_->item(row, 1)->text());
    parts.push_back(*chosen);
    gameDatabases_->item(row, 1)->setText(qs(joinedDatabases(parts)));
}

void EnvironmentDialog::applyGameDatabasePage(PlusSettings& plus) const {
    for (int row = 0; row < gameDatabases_->rowCount(); ++row) {
        const std::string code = ss(gameDatabases_->item(row, 0)->data(Qt::UserRole).toString());
        const std::vector<std::string> parts = splitDatabases(gameDatabases_->item(row, 1)->text());
        // The hardware's own names are no choice: a later version's names reach it.
        chooseGameDatabases(
            code, parts == gameDatabaseNames(code) ? std::vector<std::string>{} : parts, plus);
    }
}

void EnvironmentDialog::applyDrivePage() {
    PlusSettings plus = app_.plusSettings();
    plus.drives = drives_->userMappings();
    plus.wine = wine_->text().trimmed().toStdString();
    plus.winePrefix = winePrefix_->text().trimmed().toStdString();
    plus.regionOrder = regions_.order();
    applyGameDatabasePage(plus);
    if (plus != app_.plusSettings()) app_.changePlusSettings(plus);
}

void EnvironmentDialog::addPadPage() {
    const PlusSettings& plus = app_.plusSettings();
    auto* sheet = new QWidget(this);
    auto* outer = new QVBoxLayout(sheet);
    padEnabled_ = new QCheckBox(QStringLiteral("ゲームパッドで操作する"), sheet);
    padEnabled_->setChecked(plus.pad);
    outer->addWidget(padEnabled_);
    outer->addWidget(new QLabel(QStringLiteral("接続されているゲームパッド:"), sheet));
    padList_ = new QListWidget(sheet);
    padList_->setObjectName(QStringLiteral("padList"));
    outer->addWidget(padList_);
    outer->addWidget(new QLabel(QStringLiteral("押されているボタン (テスト):"), sheet));
    padTest_ = new QLabel(QStringLiteral("-"), sheet);
    padTest_->setObjectName(QStringLiteral("padTest"));
    padTest_->setFrameShape(QFrame::Panel);
    padTest_->setFrameShadow(QFrame::Sunken);
    outer->addWidget(padTest_);
    auto* hotkey = new QHBoxLayout;
    hotkey->addWidget(new QLabel(QStringLiteral("ゲーム終了のホットキー:"), sheet));
    padQuitButtons_ = new QLineEdit(qs(plus.padQuitButtons), sheet);
    padQuitButtons_->setToolTip(
        QStringLiteral("同時に押すボタンを + でつなぎます (例: back+start)。空欄で使用しません"));
    hotkey->addWidget(padQuitButtons_);
    padQuitHold_ = new QSpinBox(sheet);
    padQuitHold_->setRange(0, 60000);
    padQuitHold_->setSingleStep(100);
    padQuitHold_->setSuffix(QStringLiteral(" ミリ秒押し続ける (0: 使用しない)"));
    padQuitHold_->setValue(plus.padQuitHoldMs);
    hotkey->addWidget(padQuitHold_);
    outer->addLayout(hotkey);
    padProfiles_ = new QPushButton(QStringLiteral("プロファイルの編集..."), sheet);
    padProfiles_->setToolTip(QStringLiteral(
        "キーボードでしか操作できないエミュレータに、パッドのボタンをキーとして送る設定です"));
    connect(padProfiles_, &QPushButton::clicked, this, [this] {
        PadProfileDialog dialog(app_.programFolder().path(), pad_, this);
        dialog.exec();
    });
    auto* profiles = new QHBoxLayout;
    profiles->addWidget(
        new QLabel(QStringLiteral("内蔵のキー割り当て (エミュレータ設定の JoyToKey 欄):"), sheet));
    profiles->addWidget(padProfiles_);
    profiles->addStretch();
    outer->addLayout(profiles);
    outer->addStretch();
    if (pad_) {
        connect(pad_, &GamePad::padsChanged, this, &EnvironmentDialog::showPads);
        connect(pad_, &GamePad::stateChanged, this,
                [this] { padTest_->setText(qs(describe(pad_->state()))); });
    }
    showPads();
    padPage_ = tabs_->addTab(sheet, QStringLiteral("ゲームパッド"));
}

void EnvironmentDialog::showPads() {
    padList_->clear();
    if (!pad_) return;
    for (const PadInfo& p : pad_->joysticks())
        padList_->addItem(qs(p.name) + QStringLiteral("  ") + qs(p.guid) +
                          (p.mapped ? QStringLiteral("  (マッピングあり)")
                                    : QStringLiteral("  (マッピングなし)")));
    padTest_->setText(qs(describe(pad_->state())));
}

void EnvironmentDialog::applyPadPage() {
    PlusSettings plus = app_.plusSettings();
    plus.pad = padEnabled_->isChecked();
    const std::string buttons = padQuitButtons_->text().trimmed().toStdString();
    // Names that do not read leave the hotkey as it was.
    if (readCombination(buttons)) plus.padQuitButtons = buttons;
    plus.padQuitHoldMs = padQuitHold_->value();
    if (plus != app_.plusSettings()) app_.changePlusSettings(plus);
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
