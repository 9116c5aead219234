#pragma once

#include <QAbstractTableModel>
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
    // The rows were rebuilt or sorted: everything is shown again in one go.
    void reload();
    // One row was changed in place: it is drawn again.
    void rowChanged(int row);
    // The game name typed for `row` in the registration dialog and not saved yet is drawn in
    // the row's name column until it is saved or dropped; row -1: none.
    void showTypedName(int row, const QString& name);
    int typedNameRow() const { return typedRow_; }

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

    const Application& app_;
    bool hidden_ = false;
    int typedRow_ = -1;
    QString typedName_;
    std::array<QString, kFileListShownColumns> titles_;
    FileIcons icons_;
};

}  // namespace romshelf
