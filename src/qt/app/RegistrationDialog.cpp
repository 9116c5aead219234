#include "qt/app/RegistrationDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHideEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/Application.h"
#include "qt/QtText.h"
#include "qt/app/MoveDestinationDialog.h"
#include "qt/app/CategoryOrganiserDialog.h"

namespace romshelf {

namespace {

constexpr std::array<int, kCategoryListCount> kCategoryIds = {1113, 1120, 1122, 1124, 1126, 1128};
constexpr std::array<int, kCategoryListCount> kOrganiseIds = {1114, 1121, 1123, 1125, 1127, 1129};

struct FileOperation {
    int id;
    const char* name;
    const char* text;
};
constexpr FileOperation kFileOperations[] = {
    {1136, "compress", "ファイルの圧縮"},
    {1137, "move", "ファイルの移動"},
    {1133, "delete", "ファイルの削除"},
};

void fill(QComboBox* combo, const std::vector<std::string>& items) {
    combo->clear();
    for (const std::string& item : items) combo->addItem(qs(item));
}

}  // namespace

RegistrationDialog::RegistrationDialog(Application& app, QWidget* parent)
    : QDialog(parent), app_(app), model_(app) {
    setObjectName(QStringLiteral("RegistrationDialog"));
    setWindowTitle(QStringLiteral("ファイル情報登録ウィンドウ"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("ファイル名の変更、データベースの入力、ファイルの圧縮等ができます"), this));

    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    int line = 0;
    auto labelled = [&](const QString& label, QWidget* widget, QWidget* extra = nullptr) {
        grid->addWidget(new QLabel(label, this), line, 0);
        grid->addWidget(widget, line, 1, 1, extra ? 1 : 2);
        if (extra) grid->addWidget(extra, line, 2);
        ++line;
    };
    title_ = add(1109, new QLineEdit(this));
    extension_ = add(1112, new QLineEdit(this));
    extension_->setAlignment(Qt::AlignCenter);
    auto* name = new QWidget(this);
    auto* nameRow = new QHBoxLayout(name);
    nameRow->setContentsMargins(0, 0, 0, 0);
    nameRow->addWidget(title_, 1);
    nameRow->addWidget(new QLabel(QStringLiteral("拡張子"), this));
    nameRow->addWidget(extension_);
    extension_->setMaximumWidth(80);
    labelled(QStringLiteral("ファイル名"), name);
    reading_ = add(1110, new QLineEdit(this));
    labelled(QStringLiteral("ゲーム名読み方"), reading_);
    gameName_ = add(1111, new QLineEdit(this));
    labelled(QStringLiteral("ゲーム名"), gameName_);
    // The list draws the name as it is typed, before it is saved.
    connect(gameName_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (model_.isOpen()) Q_EMIT nameTyped(model_.row(), text);
    });
    emulator_ = add(1115, new QComboBox(this));
    labelled(QStringLiteral("優先エミュレータ"), emulator_);
    rating_ = add(1138, new QComboBox(this));
    fill(rating_, RegistrationModel::ratingItems());
    labelled(QStringLiteral("評価"), rating_);
    for (int k = 0; k < kCategoryListCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        categories_[i] = add(kCategoryIds[i], new QComboBox(this));
        categories_[i]->setEditable(true);
        categories_[i]->setInsertPolicy(QComboBox::NoInsert);
        organiseButtons_[i] = add(kOrganiseIds[i], new QPushButton(this));
        connect(organiseButtons_[i], &QPushButton::clicked, this, [this, k] { organise(k); });
        categoryLabels_[i] = new QLabel(this);
        grid->addWidget(categoryLabels_[i], line, 0);
        grid->addWidget(categories_[i], line, 1);
        grid->addWidget(organiseButtons_[i], line, 2);
        ++line;
    }
    comment_ = add(1130, new QPlainTextEdit(this));
    labelled(QStringLiteral("コメント"), comment_);
    favourite_ =
        add(1149, new QCheckBox(QStringLiteral("このファイルをお気に入りに登録する"), this));
    labelled(QStringLiteral("お気に入り"), favourite_);

    auto* bar = new QHBoxLayout;
    layout->addLayout(bar);
    auto* update = add(1, new QPushButton(QStringLiteral("データの更新"), this));
    auto* clear = add(1131, new QPushButton(QStringLiteral("情報の初期化"), this));
    bar->addWidget(update);
    bar->addWidget(clear);
    bar->addStretch();
    connect(update, &QPushButton::clicked, this, &RegistrationDialog::accept);
    connect(clear, &QPushButton::clicked, this, &RegistrationDialog::clearRecord);
    for (const FileOperation& op : kFileOperations) {
        auto* button = add(op.id, new QPushButton(QString::fromUtf8(op.text), this));
        button->setObjectName(QString::fromUtf8(op.name));
        bar->addWidget(button);
        const QString operation = QString::fromUtf8(op.name);
        connect(button, &QPushButton::clicked, this,
                [this, operation] { fileOperation(operation); });
    }
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
    update->setDefault(true);
    applyCategoryNames(app_.categoryNames());
}

void RegistrationDialog::fileOperation(const QString& operation) {
    // The operation commits the dialog's values for the file under its new name: what is typed.
    takeFields();
    bool done = false;
    if (operation == QLatin1String("compress")) {
        done = model_.compressOrDecompress();
    } else if (operation == QLatin1String("delete")) {
        done = model_.deleteFile();
    } else if (const auto to = MoveDestinationDialog::choose(app_, this, model_.oldTitle(),
                                                             model_.folderNumber())) {
        done = model_.moveTo(*to);
    }
    if (done) hide();
}

QPushButton* RegistrationDialog::fileOperationButton(const QString& name) const {
    return findChild<QPushButton*>(name);
}

void RegistrationDialog::applyCategoryNames(
    const std::array<std::string, kCategoryListCount>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        categoryLabels_[i]->setText(qs(names[i]));
        organiseButtons_[i]->setText(qs(names[i] + "の整理"));
    }
}

void RegistrationDialog::refreshLists() {
    const QString emulator = emulator_->currentText();
    fill(emulator_, model_.emulatorItems());
    emulator_->setCurrentIndex(std::max(0, emulator_->findText(emulator)));
    for (int k = 0; k < kCategoryListCount; ++k) {
        QComboBox* combo = categories_[static_cast<std::size_t>(k)];
        const QString text = combo->currentText();
        fill(combo, model_.categoryItems(k));
        combo->setEditText(text);
    }
}

bool RegistrationDialog::openFor(int row) {
    Q_EMIT nameTyped(-1, {});  // what was typed for another row is dropped with it
    if (!model_.open(row)) return false;
    fill(emulator_, model_.emulatorItems());
    for (int k = 0; k < kCategoryListCount; ++k)
        fill(categories_[static_cast<std::size_t>(k)], model_.categoryItems(k));
    showFields();
    const bool renames = model_.canRename();
    title_->setReadOnly(!renames);
    extension_->setReadOnly(!renames);
    fileOperationButton(QStringLiteral("compress"))->setEnabled(renames);
    fileOperationButton(QStringLiteral("delete"))->setEnabled(renames);
    fileOperationButton(QStringLiteral("move"))->setEnabled(model_.canMove());
    show();
    raise();
    activateWindow();
    return true;
}

void RegistrationDialog::showFields() {
    const RegistrationFields& f = model_.fields;
    title_->setText(qs(f.title));
    extension_->setText(qs(f.extension));
    reading_->setText(qs(f.reading));
    gameName_->setText(qs(f.gameName));
    emulator_->setCurrentIndex(f.emulator);
    rating_->setCurrentIndex(f.rating);
    for (std::size_t i = 0; i < categories_.size(); ++i) {
        const int item = categories_[i]->findText(qs(f.categories[i]), Qt::MatchExactly);
        if (item >= 0) categories_[i]->setCurrentIndex(item);
        categories_[i]->setEditText(qs(f.categories[i]));
    }
    comment_->setPlainText(qs(f.comment));
    favourite_->setChecked(f.favourite);
}

void RegistrationDialog::takeFields() {
    RegistrationFields& f = model_.fields;
    f.title = ss(title_->text());
    f.extension = ss(extension_->text());
    f.reading = ss(reading_->text());
    f.gameName = ss(gameName_->text());
    f.emulator = std::max(0, emulator_->currentIndex());
    f.rating = std::max(0, rating_->currentIndex());
    for (std::size_t i = 0; i < categories_.size(); ++i)
        f.categories[i] = ss(categories_[i]->currentText());
    f.comment = ss(comment_->toPlainText());
    f.favourite = favourite_->isChecked();
}

void RegistrationDialog::accept() {
    if (!model_.isOpen()) {
        hide();
        return;
    }
    takeFields();
    const bool done = model_.accept();
    // A "no" to the rename question put the old name back.
    title_->setText(qs(model_.fields.title));
    extension_->setText(qs(model_.fields.extension));
    if (done) hide();
}

void RegistrationDialog::clearRecord() {
    if (model_.clear()) hide();
}

void RegistrationDialog::dismiss() {
    model_.close();
    hide();
}

void RegistrationDialog::reject() { dismiss(); }

void RegistrationDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    dismiss();
}

void RegistrationDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    Q_EMIT nameTyped(-1, {});
}

void RegistrationDialog::organise(int list) {
    QComboBox* combo = categories_[static_cast<std::size_t>(list)];
    const QString kept = combo->currentText();
    const std::string before = model_.recordCategory(list);
    CategoryOrganiserDialog organiser(app_, list, this);
    organiser.exec();
    // The lists may have changed; the field keeps what it had, unless that was the record's value
    // and it was renamed there: saving the old text would undo the rename.
    refreshLists();
    const std::string after = model_.recordCategory(list);
    combo->setEditText(after != before && kept == qs(before) ? qs(after) : kept);
}

}  // namespace romshelf
