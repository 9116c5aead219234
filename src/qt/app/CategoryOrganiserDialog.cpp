#include "qt/app/CategoryOrganiserDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/app/Application.h"
#include "qt/QtText.h"

namespace romshelf {

namespace {

void fill(QTreeWidget* list, const std::vector<std::string>& items, int selected) {
    list->clear();
    for (const std::string& item : items) list->addTopLevelItem(new QTreeWidgetItem({qs(item)}));
    list->setCurrentItem(selected >= 0 ? list->topLevelItem(selected) : nullptr);
    if (selected < 0) list->clearSelection();
}

}  // namespace

CategoryOrganiserDialog::CategoryOrganiserDialog(Application& app, int list, QWidget* parent)
    : QDialog(parent), app_(app), organiser_(app.categoryCommands().open(list)) {
    setWindowTitle(qs(organiser_.title()));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("分類項目を整理します"), this));

    auto* lists = new QGridLayout;
    layout->addLayout(lists);
    lists->addWidget(new QLabel(QStringLiteral("現在の項目"), this), 0, 0);
    lists->addWidget(new QLabel(QStringLiteral("削除する項目"), this), 0, 2);
    current_ = addList(1152);
    toDelete_ = addList(1154);
    lists->addWidget(current_, 1, 0);
    lists->addWidget(toDelete_, 1, 2);
    auto* middle = new QVBoxLayout;
    lists->addLayout(middle, 1, 1);

    addButton(1155, QStringLiteral("→"), [](CategoryOrganiser& o) { o.moveToDelete(); });
    addButton(1156, QStringLiteral("全て →"), [](CategoryOrganiser& o) { o.moveAllToDelete(); });
    addButton(1167, QStringLiteral("↑"), [](CategoryOrganiser& o) { o.moveUp(); });
    addButton(1166, QStringLiteral("↓"), [](CategoryOrganiser& o) { o.moveDown(); });
    addButton(1158, QStringLiteral("← 全て"), [](CategoryOrganiser& o) { o.moveAllBack(); });
    addButton(1157, QStringLiteral("←"), [](CategoryOrganiser& o) { o.moveBack(); });
    addButton(1159, QStringLiteral("ソート"), [](CategoryOrganiser& o) { o.sort(); });
    middle->addStretch();
    for (int id : {1155, 1156, 1167, 1166, 1158, 1157, 1159}) middle->addWidget(control(id));
    middle->addStretch();

    auto* edits = new QGridLayout;
    layout->addLayout(edits);
    renameEdit_ = add(1161, new QLineEdit(this));
    addEdit_ = add(1164, new QLineEdit(this));
    addButton(1162, QStringLiteral("変更"),
              [this](CategoryOrganiser& o) { app_.categoryCommands().rename(o); });
    addButton(1165, QStringLiteral("追加"), [](CategoryOrganiser& o) { o.add(); });
    edits->addWidget(new QLabel(QStringLiteral("項目の変更"), this), 0, 0);
    edits->addWidget(renameEdit_, 0, 1);
    edits->addWidget(control(1162), 0, 2);
    edits->addWidget(new QLabel(QStringLiteral("項目の追加"), this), 1, 0);
    edits->addWidget(addEdit_, 1, 1);
    edits->addWidget(control(1165), 1, 2);
    connect(renameEdit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { organiser_.renameText = ss(text); });
    connect(addEdit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { organiser_.addText = ss(text); });

    addButton(
        1168,
        QStringLiteral("ファイル情報に登録したのに現在の項目に存在しない分類項目を探して追加"),
        [this](CategoryOrganiser& o) { app_.categoryCommands().addMissing(o); });
    layout->addWidget(control(1168));

    auto* bar = new QHBoxLayout;
    layout->addLayout(bar);
    bar->addStretch();
    auto* apply = add(1, new QPushButton(QStringLiteral("項目の確定"), this));
    auto* cancel = add(2, new QPushButton(QStringLiteral("キャンセル"), this));
    bar->addWidget(apply);
    bar->addWidget(cancel);
    connect(apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter is the dialog's (see keyPressEvent): no button takes it for itself.
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
    apply->setDefault(true);

    connect(current_, &QTreeWidget::currentItemChanged, this, [this] {
        if (refreshing_) return;
        organiser_.selectCurrent(current_->indexOfTopLevelItem(current_->currentItem()));
        renameEdit_->setText(qs(organiser_.renameText));
    });
    connect(toDelete_, &QTreeWidget::currentItemChanged, this, [this] {
        if (!refreshing_)
            organiser_.selectToDelete(toDelete_->indexOfTopLevelItem(toDelete_->currentItem()));
    });
    refresh();
}

QTreeWidget* CategoryOrganiserDialog::addList(int id) {
    auto* list = add(id, new QTreeWidget(this));
    list->setHeaderLabels({QStringLiteral("項目")});
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(true);
    return list;
}

template <class Step>
void CategoryOrganiserDialog::addButton(int id, const QString& text, Step step) {
    auto* button = add(id, new QPushButton(text, this));
    connect(button, &QPushButton::clicked, this, [this, step] {
        step(organiser_);
        refresh();
    });
}

void CategoryOrganiserDialog::refresh() {
    refreshing_ = true;
    fill(current_, organiser_.current(), organiser_.currentSelection());
    fill(toDelete_, organiser_.toDelete(), organiser_.deleteSelection());
    refreshing_ = false;
    // Only a changed text is set, so that typing keeps its cursor.
    if (ss(renameEdit_->text()) != organiser_.renameText)
        renameEdit_->setText(qs(organiser_.renameText));
    if (ss(addEdit_->text()) != organiser_.addText) addEdit_->setText(qs(organiser_.addText));
}

void CategoryOrganiserDialog::accept() {
    app_.categoryCommands().apply(organiser_);
    QDialog::accept();
}

void CategoryOrganiserDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return QDialog::keyPressEvent(event);
    QWidget* focus = focusWidget();
    const auto where = focus == renameEdit_ ? CategoryOrganiser::Focus::RenameEdit
                       : focus == addEdit_  ? CategoryOrganiser::Focus::AddEdit
                                            : CategoryOrganiser::Focus::Other;
    switch (CategoryOrganiser::enterAction(where)) {
        case CategoryOrganiser::EnterAction::Rename:
            return static_cast<QPushButton*>(control(1162))->click();
        case CategoryOrganiser::EnterAction::Add:
            return static_cast<QPushButton*>(control(1165))->click();
        case CategoryOrganiser::EnterAction::Apply:
            return static_cast<QPushButton*>(control(1))->click();
    }
}

}  // namespace romshelf
