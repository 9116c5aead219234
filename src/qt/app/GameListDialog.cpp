#include "qt/app/GameListDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/Application.h"
#include "qt/QtText.h"
#include "qt/views/ThemeColours.h"

namespace romshelf {

namespace {

// The dialog's notes: a colour on the theme's base, darkened or lightened until it reads there.
QLabel* note(const char* text, const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, readableOnBase(colour, palette));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setMargin(4);
    return label;
}

}  // namespace

GameListDialog::GameListDialog(Application& app, QWidget* parent)
    : QDialog(parent), app_(app), options_(initialGameListOptions(app)) {
    setObjectName(QStringLiteral("GameListDialog"));
    setWindowTitle(QStringLiteral("ゲームリストの作成"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        note("現在ファイルリストに表示されている内容をリスト化できます", QColor(128, 0, 0), this));
    layout->addWidget(
        note("ゲーム名の他にリストに表示する項目を指定してください", QColor(0, 0, 128), this));

    const auto names = app.categoryNames();
    std::array<QString, kItemCount> labels = {
        QStringLiteral("ファイル名"), QStringLiteral("ファイルサイズ"), QStringLiteral("評価")};
    for (std::size_t k = 0; k < names.size(); ++k) labels[3 + k] = qs(names[k]);
    auto* grid = new QGridLayout;
    for (int k = 0; k < kItemCount; ++k) {
        auto* box = new QCheckBox(labels[static_cast<std::size_t>(k)], this);
        items_[static_cast<std::size_t>(k)] = box;
        grid->addWidget(box, k / 3, k % 3);
    }
    layout->addLayout(grid);
    blankLines_ = new QCheckBox(QStringLiteral("1行ごとに空行をはさむ"), this);
    secondLine_ = new QCheckBox(QStringLiteral("ファイル名以下を改行して表示する"), this);
    csv_ = new QCheckBox(QStringLiteral("CSV形式で出力する (全ての項目を強制で表示)"), this);
    layout->addWidget(blankLines_);
    layout->addWidget(secondLine_);
    layout->addWidget(csv_);

    layout->addWidget(note("リストファイルの出力先を指定します", QColor(0, 128, 0), this));
    auto* folderRow = new QHBoxLayout;
    folder_ = new QLineEdit(qs(options_.folder), this);
    folder_->setMinimumWidth(320);
    browse_ = new QPushButton(QStringLiteral("参照"), this);
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse_);
    layout->addLayout(folderRow);
    connect(browse_, &QPushButton::clicked, this, [this] {
        const auto chosen = app_.prompter().chooseFolder(kGameListFolderTitle, app_.browseFolder());
        if (!chosen || chosen->empty()) return;
        folder_->setText(qs(*chosen));
        app_.setBrowseFolder(*chosen);
    });

    auto* bar = new QHBoxLayout;
    bar->addStretch();
    create_ = new QPushButton(QStringLiteral("リストの作成"), this);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    create_->setDefault(true);
    bar->addWidget(create_);
    bar->addWidget(cancel);
    layout->addLayout(bar);
    connect(create_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void GameListDialog::accept() {
    auto on = [this](int k) { return items_[static_cast<std::size_t>(k)]->isChecked(); };
    options_.fileName = on(0);
    options_.fileSize = on(1);
    options_.rating = on(2);
    for (std::size_t k = 0; k < options_.categories.size(); ++k)
        options_.categories[k] = on(3 + static_cast<int>(k));
    options_.hardwareClass = on(8);
    options_.blankLines = blankLines_->isChecked();
    options_.secondLine = secondLine_->isChecked();
    options_.csv = csv_->isChecked();
    options_.folder = ss(folder_->text());
    QDialog::accept();
}

void runGameListCommand(Application& app, QWidget* parent) {
    if (!canCreateGameList(app)) return;
    GameListDialog dialog(app, parent);
    if (dialog.exec() != QDialog::Accepted) return;
    createGameList(app, dialog.options(), [](bool waiting) {
        if (waiting)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

}  // namespace romshelf
