#pragma once

#include <QTableView>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "core/app/Application.h"

namespace romshelf {

class FileListModel;

// The play history's orders with their menu texts.
inline constexpr std::pair<const char*, Application::PlaySort> kPlaySorts[] = {
    {"プレイ時間順", Application::PlaySort::PlayTime},
    {"最終プレイ日順", Application::PlaySort::LastPlayed},
    {"プレイ回数順", Application::PlaySort::PlayCount},
};

// The file list: a report of the current hardware's files, drawn with the list's colours,
// sorted by column clicks, and the source of launches and registrations.
class CFileList : public QTableView {
    Q_OBJECT
public:
    explicit CFileList(Application& app, QWidget* parent = nullptr);

    FileListModel* listModel() const { return model_; }

    // The rows are being rebuilt: none is read or shown until reload(), and the list says so.
    void hideRows();
    // The rows changed: show them and keep the selection on the first row.
    void reload();
    // Titles of the category columns, and the widths copied into the settings.
    void applyCategoryNames();
    // Column widths 1-10 into the main settings (at shut-down, and when names are applied).
    void storeColumnWidths();
    // "ファイルリストのセル幅を初期化".
    void resetColumnWidths();
    // Grid lines and the colours from the main settings (the font stays the one of the start).
    void applyDisplayOptions();
    // The list-font name the view was created with.
    const std::string& fontName() const { return fontName_; }

    // The text drawn in the empty list: the first steps while the hardware has no ROM folder,
    // or that the rows are being made.
    const QString& hint() const { return hint_; }

    // The first selected row, or -1.
    int selectedRow() const;

    // A file by ROM folder and name: what a row shows, whatever its place after a rebuild.
    struct FileKey {
        int folder;
        std::string name;
        auto operator<=>(const FileKey&) const = default;
    };
    struct Selection {
        std::set<FileKey> selected;
        std::optional<FileKey> current;
    };
    Selection selectedFiles() const;
    // The files selected again where the rows show them now (the first of them in view); true
    // when any is.
    bool selectFiles(const Selection& files);
    // A column title was clicked: sorts, keeping the selected files selected.
    void sortByColumn(int column);
    // "プレイ時間順" and the like: the same for the play history's orders.
    void sortByPlays(Application::PlaySort by);

Q_SIGNALS:
    // A row became the shown selection (click, key release, right click).
    void selectionShown(int row);
    // Double click or Enter on a row (a held Enter once).
    void startRequested(int row);
    // Space or right click: the registration dialogs (row, several rows selected).
    void registrationRequested(int row, bool bulk);
    // A click on the hint that says a Windows path leads nowhere: the drive map page.
    void drivePageWanted();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Application& app_;
    FileListModel* model_;
    std::string fontName_;
    QString hint_;
};

}  // namespace romshelf
