#include "qt/app/PadProfileDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/pad/KeyNames.h"
#include "qt/QtText.h"
#include "qt/platform/GamePad.h"

namespace romshelf {

namespace {

// A profile listed but not written yet (made by 新規 and not saved).
constexpr int kUnsavedRole = Qt::UserRole;

// In the order of KeyRepeat.
const char* const kRepeatItems[] = {"押している間", "連射 (turbo)", "リピート (repeat)"};

QSpinBox* msBox(QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(1, 60000);  // as the profile's reader takes them
    box->setSuffix(QStringLiteral(" ミリ秒"));
    return box;
}

}  // namespace

PadProfileDialog::PadProfileDialog(std::string programFolder, GamePad* pad, QWidget* parent)
    : QDialog(parent), programFolder_(std::move(programFolder)), pad_(pad) {
    setWindowTitle(QStringLiteral("ゲームパッドのプロファイル"));
    for (PadControl c = 0; c < kPadControls; ++c)
        if (!controlName(c).empty()) controls_.push_back(c);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* side = new QVBoxLayout;
    profiles_ = new QListWidget(this);
    profiles_->setObjectName(QStringLiteral("padProfiles"));
    side->addWidget(profiles_);
    new_ = new QPushButton(QStringLiteral("新規..."), this);
    delete_ = new QPushButton(QStringLiteral("削除"), this);
    side->addWidget(new_);
    side->addWidget(delete_);
    top->addLayout(side, 1);

    auto* edit = new QVBoxLayout;
    table_ = new QTableWidget(static_cast<int>(controls_.size()), 4, this);
    table_->setObjectName(QStringLiteral("padKeys"));
    table_->setHorizontalHeaderLabels({QString(), QStringLiteral("ボタン"),
                                       QStringLiteral("送るキー"), QStringLiteral("押し方")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(kKeyColumn, QHeaderView::Stretch);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setToolTip(
        QStringLiteral("キーは X のキー名で書きます (z、Return、Left、space、F1 など)。"
                       "空欄のボタンは何も送りません"));
    for (int row = 0; row < static_cast<int>(controls_.size()); ++row) {
        auto* light = new QTableWidgetItem;
        light->setFlags(Qt::ItemIsEnabled);
        light->setTextAlignment(Qt::AlignCenter);
        table_->setItem(row, kLightColumn, light);
        auto* name =
            new QTableWidgetItem(qs(controlName(controls_[static_cast<std::size_t>(row)])));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        table_->setItem(row, kControlColumn, name);
        table_->setItem(row, kKeyColumn, new QTableWidgetItem);
        auto* repeat = new QComboBox(table_);
        for (const char* item : kRepeatItems) repeat->addItem(QString::fromUtf8(item));
        table_->setCellWidget(row, kRepeatColumn, repeat);
    }
    table_->resizeColumnToContents(kLightColumn);
    table_->resizeColumnToContents(kControlColumn);
    table_->resizeColumnToContents(kRepeatColumn);
    edit->addWidget(table_);
    auto* timing = new QFormLayout;
    turbo_ = msBox(this);
    repeatDelay_ = msBox(this);
    repeatInterval_ = msBox(this);
    timing->addRow(QStringLiteral("連射の周期 (押して離すまで):"), turbo_);
    timing->addRow(QStringLiteral("リピートが始まるまで:"), repeatDelay_);
    timing->addRow(QStringLiteral("リピートの間隔:"), repeatInterval_);
    edit->addLayout(timing);
    top->addLayout(edit, 3);
    layout->addLayout(top);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("padProfileStatus"));
    status_->setWordWrap(true);
    layout->addWidget(status_);
    auto* buttons = new QDialogButtonBox(this);
    save_ = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::ApplyRole);
    buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    connect(save_, &QPushButton::clicked, this, [this] { save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(new_, &QPushButton::clicked, this, &PadProfileDialog::addProfile);
    connect(delete_, &QPushButton::clicked, this, &PadProfileDialog::removeProfile);
    connect(profiles_, &QListWidget::currentRowChanged, this, &PadProfileDialog::profileChosen);
    const auto edited = [this] { edited_ = true; };
    connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == kKeyColumn) edited_ = true;
    });
    for (int row = 0; row < table_->rowCount(); ++row)
        connect(qobject_cast<QComboBox*>(table_->cellWidget(row, kRepeatColumn)),
                &QComboBox::currentIndexChanged, this, edited);
    for (QSpinBox* box : {turbo_, repeatDelay_, repeatInterval_})
        connect(box, &QSpinBox::valueChanged, this, edited);
    if (pad_) connect(pad_, &GamePad::stateChanged, this, &PadProfileDialog::showPadState);

    listProfiles(QString());
    showPadState();
    resize(640, 560);
}

int PadProfileDialog::rowOf(PadControl control) const {
    for (std::size_t row = 0; row < controls_.size(); ++row)
        if (controls_[row] == control) return static_cast<int>(row);
    return -1;
}

QComboBox* PadProfileDialog::repeatBox(PadControl control) const {
    const int row = rowOf(control);
    return row < 0 ? nullptr : qobject_cast<QComboBox*>(table_->cellWidget(row, kRepeatColumn));
}

void PadProfileDialog::listProfiles(const QString& select) {
    const QSignalBlocker quiet(profiles_);
    profiles_->clear();
    for (const std::string& name : padProfileNames(programFolder_)) profiles_->addItem(qs(name));
    const QList<QListWidgetItem*> found = profiles_->findItems(select, Qt::MatchExactly);
    profiles_->setCurrentRow(found.isEmpty() ? 0 : profiles_->row(found.first()));
    showProfile();
}

void PadProfileDialog::profileChosen() {
    if (shown_ && profiles_->currentItem() != shown_ && !keepEdits()) {
        const QSignalBlocker quiet(profiles_);
        profiles_->setCurrentItem(shown_);
        return;
    }
    showProfile();
}

bool PadProfileDialog::keepEdits() {
    if (!edited_ || !shown_) return true;
    const auto answer = QMessageBox::question(
        this, windowTitle(),
        QStringLiteral("プロファイル「%1」の変更を保存しますか？").arg(shown_->text()),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::Save) return save();
    edited_ = false;
    return true;
}

void PadProfileDialog::reject() {
    if (keepEdits()) QDialog::reject();
}

void PadProfileDialog::showProfile() {
    QListWidgetItem* item = profiles_->currentItem();
    shown_ = item;
    const bool any = item != nullptr;
    table_->setEnabled(any);
    save_->setEnabled(any);
    delete_->setEnabled(any);
    PadProfile profile;  // the defaults, for a new profile
    setStatus(QString(), false);
    if (any && !item->data(kUnsavedRole).toBool()) {
        const PadProfileReading reading = loadPadProfile(programFolder_, ss(item->text()));
        if (reading.profile) {
            profile = *reading.profile;
        } else {
            // Shown empty: saving writes what the table holds over the broken file.
            setStatus(qs(reading.error->text()), true);
        }
    }
    for (int row = 0; row < table_->rowCount(); ++row) {
        table_->item(row, kKeyColumn)->setText(QString());
        qobject_cast<QComboBox*>(table_->cellWidget(row, kRepeatColumn))->setCurrentIndex(0);
    }
    for (const PadKeyMapping& m : profile.mappings) {
        const int row = rowOf(m.control);
        if (row < 0) continue;
        table_->item(row, kKeyColumn)->setText(qs(keysymName(m.keysym)));
        repeatBox(m.control)->setCurrentIndex(static_cast<int>(m.repeat));
    }
    turbo_->setValue(profile.turboMs);
    repeatDelay_->setValue(profile.repeatDelayMs);
    repeatInterval_->setValue(profile.repeatIntervalMs);
    edited_ = false;
}

void PadProfileDialog::showPadState() {
    const PadState state = pad_ ? pad_->state() : PadState{};
    for (int row = 0; row < table_->rowCount(); ++row) {
        const bool held = state.held(controls_[static_cast<std::size_t>(row)]);
        table_->item(row, kLightColumn)->setText(held ? QStringLiteral("●") : QString());
        QTableWidgetItem* name = table_->item(row, kControlColumn);
        name->setBackground(held ? palette().highlight() : QBrush());
        name->setForeground(held ? palette().highlightedText() : QBrush());
    }
    // The first control held is brought into view: the user looks for the button in hand.
    for (int row = 0; row < table_->rowCount(); ++row)
        if (state.held(controls_[static_cast<std::size_t>(row)])) {
            table_->scrollToItem(table_->item(row, kControlColumn));
            break;
        }
}

void PadProfileDialog::setStatus(const QString& text, bool error) {
    status_->setText(text);
    status_->setStyleSheet(error ? QStringLiteral("color: red;") : QString());
}

bool PadProfileDialog::save() {
    QListWidgetItem* item = shown_;
    if (!item) return false;
    PadProfile profile;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const PadControl control = controls_[static_cast<std::size_t>(row)];
        const QString text = table_->item(row, kKeyColumn)->text().trimmed();
        if (text.isEmpty()) continue;
        const std::optional<std::uint32_t> keysym = keysymNamed(ss(text));
        if (!keysym) {
            table_->setCurrentCell(row, kKeyColumn);
            setStatus(QStringLiteral("「%1」のキー「%2」は知りません")
                          .arg(qs(controlName(control)), text),
                      true);
            return false;
        }
        const auto repeat = static_cast<KeyRepeat>(repeatBox(control)->currentIndex());
        profile.mappings.push_back({control, *keysym, repeat, 0});
    }
    if (profile.mappings.empty()) {
        setStatus(QStringLiteral("キーを送るボタンがひとつもありません"), true);
        return false;
    }
    profile.turboMs = turbo_->value();
    profile.repeatDelayMs = repeatDelay_->value();
    profile.repeatIntervalMs = repeatInterval_->value();
    const std::string name = ss(item->text());
    if (!savePadProfile(programFolder_, name, profile)) {
        setStatus(QStringLiteral("プロファイルを書き込めません: %1")
                      .arg(qs(padProfileFolder(programFolder_) + name + ".ini")),
                  true);
        return false;
    }
    item->setData(kUnsavedRole, false);
    // The keys as the file names them ("return" is written "Return").
    for (const PadKeyMapping& m : profile.mappings)
        table_->item(rowOf(m.control), kKeyColumn)->setText(qs(keysymName(m.keysym)));
    edited_ = false;
    setStatus(QStringLiteral("保存しました。"), false);
    return true;
}

void PadProfileDialog::addProfile() {
    bool ok = false;
    const QString text = QInputDialog::getText(this, QStringLiteral("新しいプロファイル"),
                                               QStringLiteral("プロファイルの名前:"),
                                               QLineEdit::Normal, QString(), &ok);
    if (!ok) return;
    const std::string name = ss(text);
    if (!isPadProfileName(name)) {
        setStatus(QStringLiteral("「%1」はプロファイルの名前にできません").arg(text), true);
        return;
    }
    if (!profiles_->findItems(text, Qt::MatchExactly).isEmpty()) {
        setStatus(QStringLiteral("プロファイル「%1」はもうあります").arg(text), true);
        return;
    }
    auto* item = new QListWidgetItem(text);
    item->setData(kUnsavedRole, true);
    profiles_->addItem(item);
    profiles_->setCurrentItem(item);
}

void PadProfileDialog::removeProfile() {
    QListWidgetItem* item = shown_;
    if (!item) return;
    const QString name = item->text();
    if (QMessageBox::question(this, windowTitle(),
                              QStringLiteral("プロファイル「%1」を削除しますか？").arg(name)) !=
        QMessageBox::Yes)
        return;
    if (!item->data(kUnsavedRole).toBool() && !removePadProfile(programFolder_, ss(name))) {
        setStatus(QStringLiteral("プロファイル「%1」を削除できません").arg(name), true);
        return;
    }
    // Its edits go with it.
    shown_ = nullptr;
    edited_ = false;
    delete item;
    showProfile();
}

}  // namespace romshelf
