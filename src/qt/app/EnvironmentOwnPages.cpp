// The environment dialog's pages of this program's own: drives, region order, game databases and
// the gamepad.
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

#include "qt/QtText.h"
#include "core/app/Application.h"
#include "core/commands/DatabaseSources.h"
#include "core/settings/HardwareTable.h"
#include "core/pad/PadNavigator.h"
#include "core/text/NameTags.h"
#include "qt/app/PadProfileDialog.h"
#include "qt/platform/GamePad.h"

namespace romshelf {

namespace {

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

void EnvironmentDialog::addDrivePage() {
    PlusSettings plus = app_.plusSettings();
    drives_ = std::make_unique<DriveMapPageModel>(
        windowsRootsUsed(app_.storedPaths()),
        findDrives(DriveSearchPlaces::fromEnvironment(plus.winePrefix)), plus.drives);

    auto* sheet = new QWidget(tabs_);
    auto* layout = new QVBoxLayout(sheet);
    layout->addWidget(makeDriveBox(sheet));
    layout->addWidget(makeWineBox(sheet, plus));
    layout->addStretch();
    drivePage_ = tabs_->addTab(sheet, QStringLiteral("ドライブ"));
    showDriveRows(0);
}

QGroupBox* EnvironmentDialog::makeDriveBox(QWidget* sheet) {
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
    return box;
}

QGroupBox* EnvironmentDialog::makeWineBox(QWidget* sheet, const PlusSettings& plus) {
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
    return wineBox;
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

}  // namespace romshelf
