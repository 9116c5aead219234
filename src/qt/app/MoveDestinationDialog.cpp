#include "qt/app/MoveDestinationDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/Application.h"
#include "qt/QtText.h"

namespace romshelf {

MoveDestinationDialog::MoveDestinationDialog(Application& app, const std::string& name,
                                             int sourceFolder, QWidget* parent)
    : QDialog(parent), app_(app), source_(sourceFolder) {
    setObjectName(QStringLiteral("MoveDestinationDialog"));
    setWindowTitle(QStringLiteral("ファイルの移動"));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(qs(moveDestinationPrompt(name)), this);
    prompt->setObjectName(QStringLiteral("prompt"));
    layout->addWidget(prompt);
    auto* grid = new QGridLayout;
    for (int k = 0; k < kMoveFoldersPerPage; ++k) {
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("folder%1").arg(k));
        button->setMinimumWidth(160);
        auto* path = new QLabel(this);
        path->setMinimumWidth(320);
        grid->addWidget(button, k, 0);
        grid->addWidget(path, k, 1);
        buttons_[static_cast<std::size_t>(k)] = button;
        paths_[static_cast<std::size_t>(k)] = path;
        connect(button, &QPushButton::clicked, this, [this, k] { folderClicked(k); });
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    auto* bar = new QHBoxLayout;
    previous_ = new QPushButton(QStringLiteral("前の10フォルダ"), this);
    previous_->setObjectName(QStringLiteral("previous"));
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("page"));
    next_ = new QPushButton(QStringLiteral("次の10フォルダ"), this);
    next_->setObjectName(QStringLiteral("next"));
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    bar->addWidget(previous_);
    bar->addWidget(pageLabel_);
    bar->addWidget(next_);
    bar->addStretch();
    bar->addWidget(cancel);
    layout->addLayout(bar);
    connect(previous_, &QPushButton::clicked, this, [this] { showPage(page_ - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { showPage(page_ + 1); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    showPage(0);
}

void MoveDestinationDialog::showPage(int page) {
    if (page < 0 || page >= kMovePageCount) return;
    page_ = page;
    const FolderSettings& folders = app_.folders().folders;
    for (int k = 0; k < kMoveFoldersPerPage; ++k) {
        const auto folder = static_cast<std::size_t>(page * kMoveFoldersPerPage + k);
        buttons_[static_cast<std::size_t>(k)]->setText(qs(folders.romFolderNames[folder]));
        buttons_[static_cast<std::size_t>(k)]->setEnabled(
            canMoveTo(app_, static_cast<int>(folder), source_));
        paths_[static_cast<std::size_t>(k)]->setText(qs(folders.romFolderPaths[folder]));
    }
    pageLabel_->setText(QStringLiteral("ページ %1").arg(page + 1));
    previous_->setEnabled(page >= 1);
    next_->setEnabled(page < kMovePageCount - 1);
}

void MoveDestinationDialog::folderClicked(int k) {
    const int folder = page_ * kMoveFoldersPerPage + k;
    if (!confirmMoveTo(app_, folder)) return;
    destination_ = folder;
    accept();
}

std::optional<int> MoveDestinationDialog::choose(Application& app, QWidget* parent,
                                                 const std::string& name, int sourceFolder) {
    MoveDestinationDialog dialog(app, name, sourceFolder, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.destination();
}

}  // namespace romshelf
