#include "qt/app/BulkRegistrationDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/Application.h"
#include "core/commands/BatchOperations.h"
#include "qt/QtText.h"
#include "qt/app/MoveDestinationDialog.h"

namespace romshelf {

namespace {

constexpr std::array<int, kCategoryListCount> kCategoryIds = {1113, 1120, 1122, 1124, 1126, 1128};

struct FileOperation {
    int id;
    const char* name;
    const char* text;
};
constexpr FileOperation kFileOperations[] = {
    {1244, "compress", "ファイルの圧縮"},
    {1220, "decompress", "ファイルの解凍"},
    {1245, "move", "ファイルの移動"},
    {1222, "delete", "ファイルの削除"},
};

QComboBox* combo(QWidget* parent, const std::vector<std::string>& items) {
    auto* box = new QComboBox(parent);
    box->addItem(qs(kKeepUnchanged));
    for (const std::string& item : items) box->addItem(qs(item));
    box->setCurrentIndex(0);
    return box;
}

}  // namespace

BulkRegistrationDialog::BulkRegistrationDialog(Application& app, std::vector<int> rows,
                                               QWidget* parent)
    : QDialog(parent), app_(app), rows_(std::move(rows)) {
    setObjectName(QStringLiteral("BulkRegistrationDialog"));
    setWindowTitle(QStringLiteral("ファイル情報一括登録ダイアログ"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("選択中の複数ファイルを一括して処理できます"), this));
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    int line = 0;
    auto labelled = [&](const QString& label, QWidget* widget) {
        grid->addWidget(new QLabel(label, this), line, 0);
        grid->addWidget(widget, line, 1);
        ++line;
    };
    rating_ = add(1138, combo(this, RegistrationModel::ratingItems()));
    labelled(QStringLiteral("評価"), rating_);
    const auto names = app_.categoryNames();
    for (std::size_t i = 0; i < categories_.size(); ++i) {
        items_[i] = app_.categoryLists().items[i];
        std::vector<std::string> shown{std::string(kNotSpecified)};
        shown.insert(shown.end(), items_[i].begin(), items_[i].end());
        categories_[i] = add(kCategoryIds[i], combo(this, shown));
        labelled(qs(names[i]), categories_[i]);
    }
    favourite_ = add(1129, combo(this, {"お気に入りから削除", "お気に入りに追加"}));
    labelled(QStringLiteral("お気に入り"), favourite_);

    auto* apply = add(1, new QPushButton(QStringLiteral("選択した内容を登録"), this));
    layout->addWidget(apply);
    connect(apply, &QPushButton::clicked, this, &BulkRegistrationDialog::accept);
    auto* bar = new QHBoxLayout;
    layout->addLayout(bar);
    for (const FileOperation& op : kFileOperations) {
        auto* button = add(op.id, new QPushButton(QString::fromUtf8(op.text), this));
        button->setObjectName(QString::fromUtf8(op.name));
        bar->addWidget(button);
        const QString operation = QString::fromUtf8(op.name);
        connect(button, &QPushButton::clicked, this,
                [this, operation] { fileOperation(operation); });
    }
    auto* clear = add(1131, new QPushButton(QStringLiteral("ファイルの初期化"), this));
    bar->addWidget(clear);
    connect(clear, &QPushButton::clicked, this, &BulkRegistrationDialog::clearRecords);
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
    apply->setDefault(true);
}

void BulkRegistrationDialog::fileOperation(const QString& operation) {
    bool done = false;
    if (operation == QLatin1String("compress")) {
        done = compressRows(app_, rows_).has_value();
    } else if (operation == QLatin1String("decompress")) {
        done = decompressRows(app_, rows_).has_value();
    } else if (operation == QLatin1String("delete")) {
        done = deleteRows(app_, rows_).has_value();
    } else if (const auto to = MoveDestinationDialog::choose(app_, this, kSelectedFilesName, -1)) {
        moveRows(app_, rows_, *to);
        done = true;
    }
    // The rows are gone from the rebuilt list: the dialog has nothing left to work on.
    if (done) QDialog::accept();
}

QPushButton* BulkRegistrationDialog::fileOperationButton(const QString& name) const {
    return findChild<QPushButton*>(name);
}

BulkChoices BulkRegistrationDialog::choices() const {
    BulkChoices c;
    if (const int i = rating_->currentIndex(); i >= 1) c.rating = i - 1;
    for (std::size_t k = 0; k < categories_.size(); ++k) {
        const int i = categories_[k]->currentIndex();
        if (i == 1) c.categories[k] = std::string();
        // The lists as they were when the dialog opened: the items' own texts.
        if (i >= 2 && static_cast<std::size_t>(i - 2) < items_[k].size())
            c.categories[k] = items_[k][static_cast<std::size_t>(i - 2)];
    }
    if (const int i = favourite_->currentIndex(); i >= 1) c.favourite = i == 2;
    return c;
}

void BulkRegistrationDialog::accept() {
    applyBulkRegistration(app_, rows_, choices());
    QDialog::accept();
}

void BulkRegistrationDialog::clearRecords() {
    clearBulkRegistration(app_, rows_, [this] { QDialog::accept(); });
}

}  // namespace romshelf
