#include "qt/launch/EmulatorSettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <QGuiApplication>

#include "qt/QtText.h"
#include "qt/views/ThemeColours.h"
#include "qt/app/DialogButtons.h"
#include "core/app/Application.h"
#include "qt/launch/CommandLineHelpDialog.h"
#include "core/launch/EmulatorDialogModel.h"

namespace romshelf {

namespace {

// Digits only, and few enough that the number always fits.
QLineEdit* waitEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), edit));
    edit->setMaximumWidth(96);
    return edit;
}

}  // namespace

EmulatorSettingsDialog::EmulatorSettingsDialog(Application& app, std::string code,
                                               EmulatorDialogModel& model, QWidget* parent)
    : QDialog(parent), app_(app), code_(std::move(code)), model_(model) {
    setWindowTitle(qs(model_.caption()));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("各エミュレータの設定を変更します"), this));

    auto* grid = new QGridLayout;
    selector_ = new QComboBox(this);
    for (const auto& item : model_.selectorItems()) selector_->addItem(qs(item));
    grid->addWidget(new QLabel(QStringLiteral("設定するエミュレータを選択"), this), 0, 0);
    grid->addWidget(selector_, 0, 1, 1, 3);

    defaultName_ = new QLabel(this);
    defaultName_->setAutoFillBackground(true);
    defaultName_->setFrameShape(QFrame::StyledPanel);
    grid->addWidget(new QLabel(QStringLiteral("エミュレータ名"), this), 1, 0);
    grid->addWidget(defaultName_, 1, 1, 1, 3);

    name_ = new QLineEdit(this);
    suggest_ = new QPushButton(QStringLiteral("インストール済みから選択…"), this);
    grid->addWidget(new QLabel(QStringLiteral("表示名"), this), 2, 0);
    grid->addWidget(name_, 2, 1);
    grid->addWidget(suggest_, 2, 2, 1, 2);

    executable_ = new QLineEdit(this);
    executable_->setMinimumWidth(320);
    browse_ = new QPushButton(QStringLiteral("参照"), this);
    relative_ = new QPushButton(QStringLiteral("相対パス"), this);
    grid->addWidget(new QLabel(QStringLiteral("エミュレータの場所"), this), 3, 0);
    grid->addWidget(executable_, 3, 1);
    grid->addWidget(browse_, 3, 2);
    grid->addWidget(relative_, 3, 3);

    commandLine_ = new QLineEdit(this);
    help_ = new QPushButton(QStringLiteral("コマンドライン追記"), this);
    grid->addWidget(new QLabel(QStringLiteral("コマンドライン"), this), 4, 0);
    grid->addWidget(commandLine_, 4, 1, 1, 2);
    grid->addWidget(help_, 4, 3);

    joyToKey_ = new QComboBox(this);
    grid->addWidget(new QLabel(QStringLiteral("JoyToKeyで使用する設定名"), this), 5, 0);
    grid->addWidget(joyToKey_, 5, 1, 1, 3);
    layout->addLayout(grid);

    auto* special = new QGroupBox(QStringLiteral("特殊起動エミュレータ設定"), this);
    auto* specialGrid = new QGridLayout(special);
    waitAfterStart_ = waitEdit(special);
    waitAfterFileDialog_ = waitEdit(special);
    specialGrid->addWidget(new QLabel(QStringLiteral("エミュレータ起動直後のウェイト"), special), 0,
                           0);
    specialGrid->addWidget(waitAfterStart_, 0, 1);
    specialGrid->addWidget(new QLabel(QStringLiteral("(1/1000秒)"), special), 0, 2);
    specialGrid->addWidget(
        new QLabel(QStringLiteral("ファイル参照画面表示直後のウェイト"), special), 1, 0);
    specialGrid->addWidget(waitAfterFileDialog_, 1, 1);
    specialGrid->addWidget(new QLabel(QStringLiteral("(1/1000秒)"), special), 1, 2);
    forceActivate_ = new QCheckBox(
        QStringLiteral("特殊起動したエミュレータのウィンドウを強制的にアクティブにする"), special);
    specialGrid->addWidget(forceActivate_, 2, 0, 1, 3);
    layout->addWidget(special);

    auto* options = new QGroupBox(QStringLiteral("起動オプション"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    passZip_ = new QCheckBox(QStringLiteral("ZIP圧縮されたROMを解凍しないでそのまま渡す"), options);
    quotePath_ =
        new QCheckBox(QStringLiteral("ファイルパスをダブルクォーテーションでくくる"), options);
    shortPath_ = new QCheckBox(
        QStringLiteral("ファイルパスに半角スペースがあればショートパスに変換する"), options);
    optionsLayout->addWidget(passZip_);
    optionsLayout->addWidget(quotePath_);
    optionsLayout->addWidget(shortPath_);
    layout->addWidget(options);

    addSaveCancelButtons(this, layout);

    wireEdits();
    showSlot();
}

void EmulatorSettingsDialog::wireEdits() {
    EmulatorForm& f = model_.form();
    auto text = [this](QLineEdit* edit, std::string& field) {
        connect(edit, &QLineEdit::textChanged, this, [this, &field](const QString& t) {
            if (!filling_) field = ss(t);
        });
    };
    text(name_, f.name);
    text(executable_, f.executable);
    text(commandLine_, f.commandLine);
    text(waitAfterStart_, f.waitAfterStart);
    text(waitAfterFileDialog_, f.waitAfterFileDialog);
    auto check = [this](QCheckBox* box, bool& field) {
        connect(box, &QCheckBox::toggled, this, [this, &field](bool on) {
            if (!filling_) field = on;
        });
    };
    check(passZip_, f.passZipUnpacked);
    check(quotePath_, f.quotePath);
    check(shortPath_, f.shortPathIfSpace);
    check(forceActivate_, f.forceActivate);
    connect(joyToKey_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!filling_) model_.form().joyToKeyItem = i;
    });

    connect(selector_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (filling_) return;
        model_.selectItem(i);
        showSlot();
    });
    connect(browse_, &QPushButton::clicked, this, [this] {
        if (model_.browse(app_.prompter())) showSlot();
    });
    connect(relative_, &QPushButton::clicked, this, [this] {
        model_.makeExecutableRelative();
        showSlot();
    });
    // The installed emulators as a menu on the button: picking one fills the shown slot's form.
    auto* menu = new QMenu(suggest_);
    for (const EmulatorSuggestion& suggestion : model_.suggestions()) {
        QAction* action =
            menu->addAction(qs(suggestion.name + "  (" + suggestion.executable + ")"));
        connect(action, &QAction::triggered, this, [this, suggestion] {
            model_.applySuggestion(suggestion);
            showSlot();
        });
    }
    suggest_->setMenu(menu);
    suggest_->setEnabled(!model_.suggestions().empty());
    suggest_->setToolTip(
        model_.suggestions().empty()
            ? QStringLiteral("このハードのエミュレータはインストールされていません")
            : QStringLiteral("インストール済みのエミュレータで設定を埋めます"));
    connect(help_, &QPushButton::clicked, this, [this] {
        CommandLineHelpDialog help(this);
        help.exec();
    });
}

void EmulatorSettingsDialog::showSlot() {
    filling_ = true;
    const EmulatorForm& f = model_.form();
    selector_->setCurrentIndex(model_.selectorIndex());

    defaultName_->setText(qs(model_.defaultRow().defaultName));
    // The yellow marks a special start; otherwise the label looks like a text field.
    QPalette palette = QGuiApplication::palette();
    const QColor background =
        model_.specialStart() ? QColor(Qt::yellow) : palette.color(QPalette::Base);
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, readableOn(palette.color(QPalette::Text), background));
    defaultName_->setPalette(palette);

    name_->setText(qs(f.name));
    executable_->setText(qs(f.executable));
    commandLine_->setText(qs(f.commandLine));
    waitAfterStart_->setText(qs(f.waitAfterStart));
    waitAfterFileDialog_->setText(qs(f.waitAfterFileDialog));

    joyToKey_->clear();
    for (const auto& item : model_.joyToKeyItems()) joyToKey_->addItem(qs(item));
    joyToKey_->setCurrentIndex(f.joyToKeyItem);

    passZip_->setChecked(f.passZipUnpacked);
    quotePath_->setChecked(f.quotePath);
    shortPath_->setChecked(f.shortPathIfSpace);
    forceActivate_->setChecked(f.forceActivate);
    waitAfterStart_->setEnabled(model_.specialStart());
    waitAfterFileDialog_->setEnabled(model_.specialStart());
    forceActivate_->setEnabled(model_.specialStart());
    passZip_->setEnabled(model_.zipPassAllowed());
    quotePath_->setEnabled(model_.quoteAllowed());
    filling_ = false;
}

void EmulatorSettingsDialog::accept() {
    if (!app_.settingsCommands().saveEmulatorSettings(code_, model_)) {
        showSlot();  // told; the dialog stays open with what was stored
        return;
    }
    QDialog::accept();
}

}  // namespace romshelf
