#include "qt/app/FolderRowsDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/QtText.h"
#include "qt/app/DialogButtons.h"
#include "core/settings/FolderDialogModel.h"
#include "core/settings/PathRules.h"
#include "core/platform/Prompter.h"

namespace romshelf {

FolderRowsDialog::FolderRowsDialog(const QString& title, std::vector<Row> rows,
                                   const std::string& programFolder, Prompter& prompter,
                                   QWidget* parent, Buttons buttons)
    : QDialog(parent), rows_(std::move(rows)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    int line = 0;
    for (const Row& row : rows_) {
        QLineEdit* name = nullptr;
        if (row.name) {
            grid->addWidget(new QLabel(row.nameLabel, this), line, 0);
            name = new QLineEdit(qs(*row.name), this);
            grid->addWidget(name, line++, 1, 1, 4);
        }
        names_.push_back(name);
        grid->addWidget(new QLabel(row.pathLabel, this), line, 0);
        auto* path = new QLineEdit(qs(*row.path), this);
        path->setMinimumWidth(320);
        paths_.push_back(path);
        grid->addWidget(path, line, 1);
        auto* abs = new QPushButton(buttons.absolute, this);
        auto* rel = new QPushButton(buttons.relative, this);
        auto* browse = new QPushButton(QStringLiteral("参照"), this);
        grid->addWidget(abs, line, 2);
        grid->addWidget(rel, line, 3);
        grid->addWidget(browse, line++, 4);
        const std::string base = programFolder;
        connect(abs, &QPushButton::clicked, this,
                [path, base] { path->setText(qs(paths::makeAbsolute(ss(path->text()), base))); });
        connect(rel, &QPushButton::clicked, this,
                [path, base] { path->setText(qs(paths::makeRelative(ss(path->text()), base))); });
        connect(browse, &QPushButton::clicked, this, [path, base, &prompter] {
            if (auto chosen = prompter.chooseFolder(std::string(kChooseFolderTitle), base))
                path->setText(qs(*chosen));
        });
    }
    addSaveCancelButtons(this, layout);
}

void FolderRowsDialog::accept() {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].name && names_[i]) *rows_[i].name = ss(names_[i]->text());
        *rows_[i].path = ss(paths_[i]->text());
    }
    QDialog::accept();
}

}  // namespace romshelf
