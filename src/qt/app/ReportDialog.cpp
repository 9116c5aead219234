#include "qt/app/ReportDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "qt/QtText.h"

namespace romshelf {

namespace {

QTableView* tableView(const ReportTable& table, QWidget* parent) {
    auto* model = new QStandardItemModel(static_cast<int>(table.rows.size()),
                                         static_cast<int>(table.columns.size()), parent);
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        model->setHorizontalHeaderItem(static_cast<int>(c),
                                       new QStandardItem(qs(table.columns[c])));
    for (std::size_t r = 0; r < table.rows.size(); ++r)
        for (std::size_t c = 0; c < table.rows[r].size() && c < table.columns.size(); ++c) {
            auto* item = new QStandardItem(qs(table.rows[r][c]));
            item->setEditable(false);
            model->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    // Sorted through a proxy, so that the report's own order comes back with the row numbers.
    auto* sorted = new QSortFilterProxyModel(parent);
    sorted->setSourceModel(model);
    auto* view = new QTableView(parent);
    view->setModel(sorted);
    view->setSortingEnabled(true);
    view->sortByColumn(-1, Qt::AscendingOrder);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setAlternatingRowColors(true);
    view->setWordWrap(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setStretchLastSection(true);
    view->resizeColumnsToContents();
    return view;
}

}  // namespace

ReportDialog::ReportDialog(const std::string& title, const std::string& text,
                           const std::vector<ReportTable>& tables, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(qs(title));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(qs(text), this);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    if (tables.size() == 1) {
        views_.push_back(tableView(tables[0], this));
        layout->addWidget(views_.back(), 1);
    } else if (!tables.empty()) {
        auto* tabs = new QTabWidget(this);
        for (const ReportTable& table : tables) {
            views_.push_back(tableView(table, tabs));
            tabs->addTab(views_.back(), qs(table.caption) + QStringLiteral(" (") +
                                            QString::number(table.rows.size()) +
                                            QStringLiteral(")"));
        }
        layout->addWidget(tabs, 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    // Room for the rows, within what the screen gives (the window fits itself on showing).
    resize(fontMetrics().averageCharWidth() * 110, fontMetrics().height() * 30);
}

}  // namespace romshelf
