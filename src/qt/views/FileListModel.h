#pragma once

#include <QAbstractTableModel>
#include <QTimer>
#include <algorithm>
#include <array>
#include <string>

#include "core/views/NameTagRows.h"
#include "qt/views/FileIcons.h"

namespace romshelf {

class Application;

// The file list's rows as Qt sees them. It holds nothing of its own: every answer is read from
// the application's file list at the moment it is asked.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FileListModel(const Application& app, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows are being rebuilt, maybe on another thread: the model has none until reload().
    void hideRows();
    // The rows were rebuilt or sorted: they are shown again. A long list comes in slices, the
    // first at once and the others over the next passes of the event loop: telling the view of a
    // million rows at once holds the window longer than a frame.
    void reload();
    // Every row shown now: what waits of a delivery in slices comes in one go (before rows are
    // picked by their place in the whole list).
    void showAllRows();
    // Rows of the list still to come in slices.
    bool delivering() const { return shown_ < total_; }
    // Rows in the first slice and in each of the others (from the next reload on).
    void setSlices(int first, int each) {
        firstSlice_ = std::max(1, first);
        slice_ = std::max(1, each);
    }
    // One row was changed in place: it is drawn again.
    void rowChanged(int row);
    // The game name typed for `row` in the registration dialog and not saved yet is drawn in
    // the row's name column until it is saved or dropped; row -1: none.
    void showTypedName(int row, const QString& name);
    int typedNameRow() const { return typedRow_; }

Q_SIGNALS:
    // The last slice of a delivery is in the view: every row of the list is shown.
    void allRowsShown();

public:
    // Titles of the category columns follow the category names.
    void setCategoryNames(const std::array<std::string, 6>& names);

    // Text colour of a row: the palette's text, or the row's meaning colour (rename folders,
    // unowned files) made readable on the row's background.
    QColor textColour(int row) const;
    // The row's background: the palette's base, or its alternate base on every second row when
    // that option is on.
    QColor background(int row) const;
    // The colour a row is marked with, as chosen for a white list; invalid for a plain row.
    QColor meaningColour(int row) const;

private:
    static QString cellText(const FileListRow& row, int column);
    bool alternateRow(int row) const;
    // The next slice of the rows into the view.
    void deliverSlice();
    void deliverUpTo(int rows);

    const Application& app_;
    bool hidden_ = false;
    // Rows the view has been told of, and rows of the list being shown.
    int shown_ = 0;
    int total_ = 0;
    int firstSlice_ = 2048;
    int slice_ = 32768;
    QTimer slices_;
    int typedRow_ = -1;
    QString typedName_;
    std::array<QString, kFileListShownColumns> titles_;
    FileIcons icons_;
};

}  // namespace romshelf
