#include "qt/app/FolderSettingsDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/QtText.h"
#include "qt/app/DialogButtons.h"
#include "core/app/Application.h"
#include "core/settings/FolderDialogModel.h"
#include "qt/app/FolderRowsDialog.h"

namespace romshelf {

FolderSettingsDialog::FolderSettingsDialog(Application& app, std::string code,
                                           FolderDialogModel& model, QWidget* parent)
    : QDialog(parent), app_(app), code_(std::move(code)), model_(model) {
    // The other-software dialog holds programs, not folders, and is titled so.
    setWindowTitle(qs(model_.kind() == FolderDialogKind::OtherSoftware
                          ? model_.displayName + "の設定"
                          : model_.displayName + "のフォルダ設定"));
    auto* layout = new QVBoxLayout(this);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("表示するハード名"), this));
    displayName_ = new QLineEdit(qs(model_.displayName), this);
    nameRow->addWidget(displayName_, 1);
    layout->addLayout(nameRow);

    auto* folders = new QGroupBox(this);
    auto* grid = new QGridLayout(folders);
    pageLabel_ = new QLabel(folders);
    grid->addWidget(pageLabel_, 0, 0, 1, 5);
    for (int row = 0; row < FolderDialogModel::kRowsPerPage; ++row) {
        const auto r = static_cast<std::size_t>(row);
        nameLabels_[r] = new QLabel(folders);
        names_[r] = new QLineEdit(folders);
        pathLabels_[r] = new QLabel(folders);
        paths_[r] = new QLineEdit(folders);
        paths_[r]->setMinimumWidth(320);
        auto* abs = new QPushButton(QStringLiteral("絶対パスに変換"), folders);
        auto* rel = new QPushButton(QStringLiteral("相対パスに変換"), folders);
        auto* browse = new QPushButton(QStringLiteral("参照"), folders);
        const int line = 1 + row * 2;
        grid->addWidget(nameLabels_[r], line, 0);
        grid->addWidget(names_[r], line, 1, 1, 4);
        grid->addWidget(pathLabels_[r], line + 1, 0);
        grid->addWidget(paths_[r], line + 1, 1);
        grid->addWidget(abs, line + 1, 2);
        grid->addWidget(rel, line + 1, 3);
        grid->addWidget(browse, line + 1, 4);
        connect(names_[r], &QLineEdit::textEdited, this,
                [this, row](const QString& t) { model_.name(row) = ss(t); });
        connect(paths_[r], &QLineEdit::textEdited, this,
                [this, row](const QString& t) { model_.path(row) = ss(t); });
        auto setPath = [this, row](const std::string& p) {
            model_.path(row) = p;
            paths_[static_cast<std::size_t>(row)]->setText(qs(p));
        };
        connect(abs, &QPushButton::clicked, this,
                [this, row, setPath] { setPath(model_.makeAbsolute(model_.path(row))); });
        connect(rel, &QPushButton::clicked, this,
                [this, row, setPath] { setPath(model_.makeRelative(model_.path(row))); });
        connect(browse, &QPushButton::clicked, this, [this, row] {
            if (model_.browse(row, app_.prompter())) showPage();
        });
    }
    layout->addWidget(folders);

    auto* pages = new QHBoxLayout;
    previous_ = new QPushButton(QStringLiteral("前の5フォルダ"), this);
    next_ = new QPushButton(QStringLiteral("次の5フォルダ"), this);
    pages->addWidget(previous_);
    pages->addWidget(next_);
    pages->addStretch();
    layout->addLayout(pages);
    connect(previous_, &QPushButton::clicked, this, [this] {
        model_.previousPage();
        showPage();
    });
    connect(next_, &QPushButton::clicked, this, [this] {
        model_.nextPage();
        showPage();
    });
    if (model_.kind() == FolderDialogKind::OtherSoftware)
        addSnapFolderRow(layout);
    else
        addRomFolderSettings(layout, pages);

    addSaveCancelButtons(this, layout);

    showPage();
}

void FolderSettingsDialog::addRomFolderSettings(QVBoxLayout* layout, QHBoxLayout* pages) {
    auto* bulk = new QPushButton(QStringLiteral("ロムフォルダの一括登録"), this);
    pages->addWidget(bulk);
    connect(bulk, &QPushButton::clicked, this, [this] {
        model_.registerSubfolders(app_.prompter());
        showPage();
    });

    auto* subs = new QHBoxLayout;
    auto* snaps = new QPushButton(QStringLiteral("スナップフォルダの設定"), this);
    auto* others = new QPushButton(QStringLiteral("その他フォルダの設定"), this);
    auto* media = new QPushButton(QStringLiteral("メディアフォルダの設定"), this);
    subs->addWidget(snaps);
    subs->addWidget(others);
    subs->addWidget(media);
    layout->addLayout(subs);
    connect(snaps, &QPushButton::clicked, this, &FolderSettingsDialog::openSnapFolders);
    connect(others, &QPushButton::clicked, this, &FolderSettingsDialog::openOtherFolders);
    connect(media, &QPushButton::clicked, this, &FolderSettingsDialog::openMediaFolders);

    layout->addWidget(new QLabel(
        QStringLiteral("ファイルリストに表示するファイルの拡張子を追加指定できます"), this));
    auto* extensions = new QHBoxLayout;
    for (std::size_t i = 0; i < extensions_.size(); ++i) {
        extensions_[i] = new QLineEdit(qs(model_.settings().extraExtensions[i]), this);
        extensions_[i]->setMaximumWidth(64);
        extensions->addWidget(extensions_[i]);
    }
    extensions->addStretch();
    layout->addLayout(extensions);
}

void FolderSettingsDialog::addSnapFolderRow(QVBoxLayout* layout) {
    const FolderSettings& s = model_.settings();
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    snapName_ = new QLineEdit(qs(s.snapFolderNames[0]), box);
    snapPath_ = new QLineEdit(qs(s.snapFolderPaths[0]), box);
    snapPath_->setMinimumWidth(320);
    auto* abs = new QPushButton(QStringLiteral("絶対パスに変換"), box);
    auto* rel = new QPushButton(QStringLiteral("相対パスに変換"), box);
    auto* browse = new QPushButton(QStringLiteral("参照"), box);
    grid->addWidget(new QLabel(QStringLiteral("スナップフォルダ1の名前"), box), 0, 0);
    grid->addWidget(snapName_, 0, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("スナップフォルダ1の場所"), box), 1, 0);
    grid->addWidget(snapPath_, 1, 1);
    grid->addWidget(abs, 1, 2);
    grid->addWidget(rel, 1, 3);
    grid->addWidget(browse, 1, 4);
    layout->addWidget(box);
    connect(abs, &QPushButton::clicked, this,
            [this] { snapPath_->setText(qs(model_.makeAbsolute(ss(snapPath_->text())))); });
    connect(rel, &QPushButton::clicked, this,
            [this] { snapPath_->setText(qs(model_.makeRelative(ss(snapPath_->text())))); });
    connect(browse, &QPushButton::clicked, this, [this] {
        if (auto chosen = app_.prompter().chooseFolder(std::string(kChooseFolderTitle),
                                                       model_.programFolder()))
            snapPath_->setText(qs(*chosen));
    });
}

void FolderSettingsDialog::showPage() {
    pageLabel_->setText(qs(model_.pageLabel()));
    for (int row = 0; row < FolderDialogModel::kRowsPerPage; ++row) {
        const auto r = static_cast<std::size_t>(row);
        nameLabels_[r]->setText(qs(model_.nameLabel(row)));
        pathLabels_[r]->setText(qs(model_.pathLabel(row)));
        names_[r]->setText(qs(model_.name(row)));
        paths_[r]->setText(qs(model_.path(row)));
    }
    previous_->setEnabled(model_.canGoPrevious());
    next_->setEnabled(model_.canGoNext());
}

void FolderSettingsDialog::openSnapFolders() {
    FolderSettings copy = model_.settings();
    std::vector<FolderRowsDialog::Row> rows;
    for (int i = 0; i < kSnapFolderCount; ++i) {
        const auto n = static_cast<std::size_t>(i);
        rows.push_back({QStringLiteral("スナップフォルダ%1の名前").arg(i + 1),
                        QStringLiteral("スナップフォルダ%1の場所").arg(i + 1),
                        &copy.snapFolderNames[n], &copy.snapFolderPaths[n]});
    }
    FolderRowsDialog dialog(QStringLiteral("スナップフォルダ設定"), rows, model_.programFolder(),
                            app_.prompter(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    model_.settings().snapFolderNames = copy.snapFolderNames;
    model_.settings().snapFolderPaths = copy.snapFolderPaths;
}

void FolderSettingsDialog::openOtherFolders() {
    FolderSettings copy = model_.settings();
    std::vector<FolderRowsDialog::Row> rows = {
        {{}, QStringLiteral("正常にリネームされたファイルの移動先"), nullptr, &copy.renameOkFolder},
        {{},
         QStringLiteral("リネームできなかったファイルの移動先"),
         nullptr,
         &copy.renameFailedFolder},
        {{},
         QStringLiteral("既に同じファイルが存在する場合の移動先"),
         nullptr,
         &copy.duplicateFolder},
        {{}, QStringLiteral("一時的にファイルを解凍しておくフォルダ"), nullptr, &copy.tempFolder},
        {{}, QStringLiteral("セーブファイルが存在するフォルダ"), nullptr, &copy.saveFolder},
    };
    FolderRowsDialog dialog(QStringLiteral("その他のフォルダ設定"), rows, model_.programFolder(),
                            app_.prompter(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    FolderSettings& s = model_.settings();
    s.renameOkFolder = copy.renameOkFolder;
    s.renameFailedFolder = copy.renameFailedFolder;
    s.duplicateFolder = copy.duplicateFolder;
    s.tempFolder = copy.tempFolder;
    s.saveFolder = copy.saveFolder;
}

void FolderSettingsDialog::openMediaFolders() {
    FolderSettings copy = model_.settings();
    std::vector<FolderRowsDialog::Row> rows;
    for (int i = 0; i < kMediaFolderCount; ++i)
        rows.push_back({{},
                        QStringLiteral("メディアフォルダ%1").arg(i + 1),
                        nullptr,
                        &copy.mediaFolderPaths[static_cast<std::size_t>(i)]});
    FolderRowsDialog dialog(QStringLiteral("メディアフォルダの設定"), rows, model_.programFolder(),
                            app_.prompter(), this,
                            {QStringLiteral("絶対パス"), QStringLiteral("相対パス")});
    if (dialog.exec() != QDialog::Accepted) return;
    model_.settings().mediaFolderPaths = copy.mediaFolderPaths;
}

void FolderSettingsDialog::accept() {
    model_.displayName = ss(displayName_->text());
    FolderSettings& s = model_.settings();
    for (std::size_t i = 0; i < extensions_.size(); ++i)
        if (extensions_[i]) s.extraExtensions[i] = ss(extensions_[i]->text());
    if (snapPath_) {
        s.snapFolderNames[0] = ss(snapName_->text());
        s.snapFolderPaths[0] = ss(snapPath_->text());
    }
    if (!app_.settingsCommands().saveFolderSettings(code_, model_))
        return;  // told; the dialog stays open
    QDialog::accept();
}

}  // namespace romshelf
