#include "qt/views/CFileList.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "qt/QtText.h"
#include "core/app/Application.h"
#include "core/app/FirstSteps.h"
#include "core/settings/EnvironmentSettingsModel.h"
#include "qt/views/FileListModel.h"
#include "qt/views/WindowsFont.h"

namespace romshelf {

namespace {

constexpr int kDefaultWidths[kFileListShownColumns] = {400, 200, 200, 100, 100, 100, 100,
                                                       100, 100, 100, 0,   0,   90,  70};

// The list font: the configured one when it is installed, else the installed family that stands
// for it, else a Japanese proportional gothic that is installed.
QFont listFont(const std::string& configured, int chosenHeight) {
    QStringList families;
    if (!configured.empty()) families << qs(configured);
    if (auto family = listFontFamily(configured); !family.empty()) families << qs(family);
    families << QStringLiteral("ＭＳ Ｐゴシック") << QStringLiteral("IPAPGothic")
             << QStringLiteral("IPAPゴシック") << QStringLiteral("Noto Sans CJK JP");
    QFont font;
    for (const QString& family : families) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPointSizeF(listFontPointSize(chosenHeight));
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace

CFileList::CFileList(Application& app, QWidget* parent)
    : QTableView(parent),
      app_(app),
      model_(new FileListModel(app, this)),
      fontName_(app.settings().listFontName) {
    setObjectName(QStringLiteral("CFileList"));
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setSortingEnabled(false);  // the application sorts
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setMinimumSectionSize(0);
    setIconSize(QSize(16, 16));

    // The theme's colours throughout; a selection looks the same when the list has no focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);

    const auto& widths = app_.settings().columnWidths;
    // The region and language columns are no part of the shared layout: their own widths.
    for (int c = 0; c < kFileListShownColumns; ++c)
        setColumnWidth(c, c < 10 ? widths[static_cast<std::size_t>(c)] : kDefaultWidths[c]);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CFileList::sortByColumn);
    // Beside the columns' sorts, the play history's: on the column titles' context menu.
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(horizontalHeader(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                QMenu menu(this);
                for (const auto& [label, by] : kPlaySorts)
                    menu.addAction(QString::fromUtf8(label), this, [this, by] { sortByPlays(by); });
                menu.exec(horizontalHeader()->viewport()->mapToGlobal(at));
            });
    // The font is chosen once: a font changed in the settings shows from the next start on.
    setFont(listFont(fontName_, app_.plusSettings().listFontHeight));
    verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
    applyDisplayOptions();
}

void CFileList::applyDisplayOptions() {
    setShowGrid(app_.settings().option(Option::GridLines));
    // The model reads the alternate-row and rename-OK colours as it draws.
    viewport()->update();
}

void CFileList::hideRows() {
    model_->hideRows();
    // A large list takes a moment: the empty list says why it is empty.
    hint_ = QStringLiteral("ファイルリストを作成しています…");
    viewport()->update();
}

void CFileList::reload() {
    model_->reload();
    hint_ = qs(firstStepsHint(app_));
    viewport()->update();
    if (model_->rowCount() > 0) {
        setCurrentIndex(model_->index(0, 0));
        clearSelection();
    }
}

void CFileList::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (hint_.isEmpty()) return;
    // Under the rows: the list's own "no files" row stays.
    const int rows = model_->rowCount();
    const int top = rows > 0 ? rowViewportPosition(rows - 1) + rowHeight(rows - 1) : 0;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const QRect box = viewport()->rect().adjusted(16, top + 16, -16, -16);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, hint_);
}

void CFileList::applyCategoryNames() {
    storeColumnWidths();
    model_->setCategoryNames(app_.categoryNames());
}

void CFileList::storeColumnWidths() {
    auto widths = app_.settings().columnWidths;
    for (int c = 0; c < 10; ++c) widths[static_cast<std::size_t>(c)] = columnWidth(c);
    app_.setColumnWidths(widths);
}

void CFileList::resetColumnWidths() {
    for (int c = 0; c < kFileListShownColumns; ++c) setColumnWidth(c, kDefaultWidths[c]);
}

CFileList::Selection CFileList::selectedFiles() const {
    const FileListView rows = app_.fileList().rows();
    const auto keyOf = [&rows](int row) -> std::optional<FileKey> {
        if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return std::nullopt;
        const FileListRow& r = rows[static_cast<std::size_t>(row)];
        return FileKey{r.folderNumber, r.fileName()};
    };
    Selection files;
    for (const QModelIndex& i : selectionModel()->selectedRows())
        if (auto key = keyOf(i.row())) files.selected.insert(std::move(*key));
    files.current = keyOf(currentIndex().row());
    return files;
}

bool CFileList::selectFiles(const Selection& files) {
    if (files.selected.empty() && !files.current) return false;
    // The files are looked for in the whole list: every row must be there to be selected.
    model_->showAllRows();
    clearSelection();
    const FileListView rows = app_.fileList().rows();
    QItemSelection selection;
    int first = -1;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const FileKey file{rows[r].folderNumber, rows[r].fileName()};
        const int row = static_cast<int>(r);
        if (files.current && file == *files.current)
            selectionModel()->setCurrentIndex(model_->index(row, 0), QItemSelectionModel::NoUpdate);
        if (!files.selected.count(file)) continue;
        selection.select(model_->index(row, 0), model_->index(row, model_->columnCount() - 1));
        if (first < 0) first = row;
    }
    selectionModel()->select(selection, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (first >= 0) scrollTo(model_->index(first, 0));
    return first >= 0;
}

void CFileList::sortByColumn(int column) {
    // The same files stay selected (and the first of them in view) in their new places.
    const Selection files = selectedFiles();
    app_.sortFileListByColumn(column);  // the rows are shown again, the selection on row 0
    selectFiles(files);
}

void CFileList::sortByPlays(Application::PlaySort by) {
    const Selection files = selectedFiles();
    app_.sortFileListByPlays(by);
    selectFiles(files);
}

int CFileList::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& i : rows)
        if (first < 0 || i.row() < first) first = i.row();
    return first;
}

void CFileList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A held key repeats its press: one press is one start.
        if (event->isAutoRepeat()) return;
        const int row = selectedRow();
        if (row >= 0) Q_EMIT startRequested(row);
        return;
    }
    QTableView::keyPressEvent(event);
}

void CFileList::keyReleaseEvent(QKeyEvent* event) {
    QTableView::keyReleaseEvent(event);
    if (event->isAutoRepeat()) return;
    const int row = selectedRow();
    if (row >= 0) Q_EMIT selectionShown(row);
    if (event->key() == Qt::Key_Space && !app_.settings().option(Option::SpaceKeyDoesNotRegister) &&
        row >= 0 &&
        app_.fileList().rows()[static_cast<std::size_t>(row)].folderNumber != kPlaceholderFolder)
        Q_EMIT registrationRequested(row, false);
}

void CFileList::mousePressEvent(QMouseEvent* event) {
    const int row = indexAt(event->position().toPoint()).row();
    if (event->button() == Qt::RightButton) {
        // A right click on a row that is part of a multiple selection keeps that selection.
        if (row >= 0 && !selectionModel()->isRowSelected(row, {})) selectRow(row);
        if (row >= 0) Q_EMIT selectionShown(row);
        const int selected = static_cast<int>(selectionModel()->selectedRows().size());
        if (selected >= 2)
            Q_EMIT registrationRequested(row, true);
        else if (row >= 0 &&
                 app_.fileList().rows()[static_cast<std::size_t>(row)].folderNumber >= 0)
            Q_EMIT registrationRequested(row, false);
        return;
    }
    QTableView::mousePressEvent(event);
    if (row >= 0) Q_EMIT selectionShown(row);
    if (row < 0 && event->button() == Qt::LeftButton && !hint_.isEmpty() &&
        !unmappedCurrentPaths(app_).empty())
        Q_EMIT drivePageWanted();
}

void CFileList::mouseDoubleClickEvent(QMouseEvent* event) {
    const int row = indexAt(event->position().toPoint()).row();
    if (row >= 0) Q_EMIT startRequested(row);
}

}  // namespace romshelf
