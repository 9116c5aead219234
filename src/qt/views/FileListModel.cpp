#include "qt/views/FileListModel.h"

#include <QColor>
#include <QGuiApplication>

#include "qt/QtText.h"
#include "core/app/Application.h"
#include "qt/views/ThemeColours.h"

namespace romshelf {

FileListModel::FileListModel(const Application& app, QObject* parent)
    : QAbstractTableModel(parent), app_(app) {
    titles_ = {QStringLiteral("ゲーム名"),    QStringLiteral("ゲーム名読み方"),
               QStringLiteral("ファイル名"),  QStringLiteral("評価"),
               QStringLiteral("分類 1"),      QStringLiteral("分類 2"),
               QStringLiteral("分類 3"),      QStringLiteral("分類 4"),
               QStringLiteral("分類 5"),      QStringLiteral("機種別分類"),
               QStringLiteral("フォルダNo."), QStringLiteral("ファイル情報No."),
               QStringLiteral("地域"),        QStringLiteral("言語")};
    // A slice a pass: the window paints and takes keys between two.
    slices_.setInterval(0);
    connect(&slices_, &QTimer::timeout, this, &FileListModel::deliverSlice);
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || hidden_) return 0;
    // Never past the list's end, whatever was told before.
    return std::min(shown_, static_cast<int>(app_.fileList().rows().size()));
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kFileListShownColumns;
}

QColor FileListModel::meaningColour(int row) const {
    const FileListRow& r = app_.fileList().rows()[static_cast<std::size_t>(row)];
    const LoadedFolders& f = app_.folders();
    const int folder = r.folderNumber;
    if (folder >= 0 && folder == f.renameOkNumber && app_.settings().option(Option::RenameOkInBlue))
        return QColor(0, 0, 255);
    if (folder >= 0 && folder == f.renameFailedNumber) return QColor(255, 0, 0);
    if (folder >= 0 && folder == f.duplicateNumber) return QColor(0, 144, 0);
    if (folder == kUnownedFolder) return QColor(160, 160, 160);
    return {};
}

bool FileListModel::alternateRow(int row) const {
    return app_.settings().option(Option::AlternateRowBackground) && row % 2 == 1;
}

QColor FileListModel::background(int row) const {
    const QPalette palette = QGuiApplication::palette();
    return palette.color(alternateRow(row) ? QPalette::AlternateBase : QPalette::Base);
}

QColor FileListModel::textColour(int row) const {
    // Plain rows take the theme's text colour; marked rows keep their colour where it reads.
    const QColor meaning = meaningColour(row);
    const QColor bg = background(row);
    if (!meaning.isValid()) return QGuiApplication::palette().color(QPalette::Text);
    return readableOn(meaning, bg);
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const FileListRow& r = app_.fileList().rows()[static_cast<std::size_t>(index.row())];
    const bool typed = index.row() == typedRow_ && index.column() == 0;
    switch (role) {
        case Qt::DisplayRole:
            if (typed) return typedName_;
            return cellText(r, index.column());

        case Qt::DecorationRole:
            if (index.column() == 0) return icons_.icon(r.icon);
            return {};
        case Qt::ForegroundRole:
            return textColour(index.row());
        case Qt::BackgroundRole:
            return background(index.row());
        case Qt::ToolTipRole:
            if (typed) return typedName_;
            return cellText(r, index.column());
        default:
            return {};
    }
}

QString FileListModel::cellText(const FileListRow& row, int column) {
    // The tag columns are read from the name as they are drawn: the rows keep nothing for them.
    if (column >= kFileListColumns) return qs(tagCell(row, column));
    return qs(row.cells[static_cast<std::size_t>(column)]);
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= kFileListShownColumns) return {};
    return titles_[static_cast<std::size_t>(section)];
}

void FileListModel::showTypedName(int row, const QString& name) {
    const int before = typedRow_;
    typedRow_ = row >= 0 && row < rowCount() ? row : -1;
    typedName_ = name;
    for (const int changed : {before, typedRow_})
        if (changed >= 0 && changed < rowCount())
            Q_EMIT dataChanged(index(changed, 0), index(changed, 0));
}

void FileListModel::hideRows() {
    slices_.stop();
    beginResetModel();
    typedRow_ = -1;
    hidden_ = true;
    shown_ = total_ = 0;
    endResetModel();
}

void FileListModel::reload() {
    slices_.stop();
    beginResetModel();
    typedRow_ = -1;  // another row may stand there now
    hidden_ = false;
    total_ = static_cast<int>(app_.fileList().rows().size());
    shown_ = std::min(total_, firstSlice_);
    endResetModel();
    if (delivering())
        slices_.start();
    else
        Q_EMIT allRowsShown();
}

void FileListModel::deliverSlice() { deliverUpTo(shown_ + slice_); }

void FileListModel::showAllRows() { deliverUpTo(total_); }

void FileListModel::deliverUpTo(int rows) {
    rows = std::min(rows, total_);
    if (rows <= shown_) return;
    beginInsertRows({}, shown_, rows - 1);
    shown_ = rows;
    endInsertRows();
    if (delivering()) return;
    slices_.stop();
    Q_EMIT allRowsShown();
}

void FileListModel::rowChanged(int row) {
    if (row < 0 || row >= rowCount()) return;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void FileListModel::setCategoryNames(const std::array<std::string, 6>& names) {
    for (int i = 0; i < 6; ++i)
        titles_[static_cast<std::size_t>(4 + i)] = qs(names[static_cast<std::size_t>(i)]);
    Q_EMIT headerDataChanged(Qt::Horizontal, 4, 9);
}

}  // namespace romshelf
