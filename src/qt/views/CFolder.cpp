#include "qt/views/CFolder.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include "qt/QtText.h"
#include "core/app/Application.h"
#include "qt/views/WindowsFont.h"

namespace romshelf {

namespace {

// The buttons stand in two columns left of the list, in this order (-1 all files, -2 search,
// -3 the filter by the names' tags).
constexpr int kShowAllSlot = -1;
constexpr int kSearchSlot = -2;
constexpr int kTagFilterSlot = -3;
constexpr int kButtonOrder[] = {kShowAllSlot,  0, 1, 2, 3, 4, 5, 6, 7, 8, kSearchSlot,
                                kTagFilterSlot};
constexpr int kButtonWidth = 82;
constexpr int kButtonHeight = 20;
constexpr int kGap = 2;
constexpr int kListLeft = 2 * kButtonWidth + 3 * kGap;

}  // namespace

CFolder::CFolder(Application& app, QWidget* parent) : QWidget(parent), app_(app) {
    setObjectName(QStringLiteral("CFolder"));
    setAutoFillBackground(true);
    const QFont buttonFont = windowsFont("ＭＳ Ｐゴシック", 12);
    const auto labels = FolderWindowModel::kindLabels(app_.categoryNames());
    int at = 0;
    for (const int slot : kButtonOrder) {
        QString text = slot == kShowAllSlot     ? qs(kShowAllFilesButton)
                       : slot == kSearchSlot    ? qs(kSearchFilesButton)
                       : slot == kTagFilterSlot ? qs(kTagFilterButton)
                                                : qs(labels[static_cast<std::size_t>(slot)]);
        auto* button = new QPushButton(text, this);
        button->setFont(buttonFont);
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(kGap + (at % 2) * (kButtonWidth + kGap),
                            kGap + (at / 2) * (kButtonHeight + kGap), kButtonWidth, kButtonHeight);
        ++at;
        if (slot == kShowAllSlot) {
            showAll_ = button;
            connect(button, &QPushButton::clicked, this, [this] {
                app_.whenIdle([this] {
                    app_.clearDetailPanes();
                    app_.showAll();
                });
            });
        } else if (slot == kSearchSlot) {
            search_ = button;
            connect(button, &QPushButton::clicked, this, &CFolder::searchRequested);
        } else if (slot == kTagFilterSlot) {
            tagFilter_ = button;
            connect(button, &QPushButton::clicked, this, &CFolder::tagFilterRequested);
        } else {
            kindButtons_[static_cast<std::size_t>(slot)] = button;
            const auto kind = static_cast<FolderWindowKind>(slot);
            connect(button, &QPushButton::clicked, this, [this, kind] { listKind(kind); });
        }
    }

    list_ = new QTableWidget(0, 2, this);
    list_->setObjectName(QStringLiteral("folderList"));
    list_->setFont(windowsFont("ＭＳ Ｐゴシック", 13));
    list_->setHorizontalHeaderLabels({QStringLiteral("フォルダ名"), QStringLiteral("フォルダNO")});
    list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->setColumnHidden(1, true);  // the number handed to the file list
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(QFontMetrics(list_->font()).height() + 4);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->setWordWrap(false);
    connect(list_, &QTableWidget::cellClicked, this, [this](int row, int) { applyItem(row); });
    list_->setGeometry(kListLeft, 0, kListWidth, height());
}

void CFolder::listKind(FolderWindowKind kind) {
    model_.list(kind, app_.fileListSources());
    list_->clearContents();
    list_->setRowCount(static_cast<int>(model_.items().size()));
    int row = 0;
    for (const FolderItem& item : model_.items()) {
        list_->setItem(row, 0, new QTableWidgetItem(qs(item.text)));
        list_->setItem(row++, 1, new QTableWidgetItem(QString::number(item.number)));
    }
    Q_EMIT titleChanged(qs(model_.title()));
}

void CFolder::applyCategoryNames() {
    const auto labels = FolderWindowModel::kindLabels(app_.categoryNames());
    for (int k = 0; k < kFolderWindowKindCount; ++k)
        kindButtons_[static_cast<std::size_t>(k)]->setText(qs(labels[static_cast<std::size_t>(k)]));
    listKind(model_.kind());
}

void CFolder::applyItem(int row) {
    const QTableWidgetItem* text = list_->item(row, 0);
    const QTableWidgetItem* number = list_->item(row, 1);
    if (!text || !number) return;
    const FolderWindowKind kind = model_.kind();
    app_.whenIdle([this, kind, label = ss(text->text()), item = number->text().toInt()] {
        app_.clearDetailPanes();
        app_.showFiltered(kind, item, label);
    });
}

void CFolder::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    list_->setGeometry(kListLeft, 0, kListWidth, height());
}

}  // namespace romshelf
