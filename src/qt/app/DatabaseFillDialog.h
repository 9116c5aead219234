#pragma once

#include <QDialog>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/commands/DatabaseFill.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTreeWidget;

namespace romshelf {

class Application;

// "データベースから情報を取得": where the game databases are, which category list takes each of
// their fields and how genres are named; "プレビュー" lists every change with a check box, and
// "書き込む" makes the checked ones in one save, the records before kept under a dated name.
class DatabaseFillDialog : public QDialog {
    Q_OBJECT
public:
    explicit DatabaseFillDialog(Application& app, QWidget* parent = nullptr);

    // The folders and files the databases are read from (RetroArch's folders found at first).
    QListWidget* sourceList() const { return sources_; }
    void addSource(const std::string& path);
    // "追加…": a folder, or with `file` a database file, picked through the prompter.
    void chooseSource(bool file);
    // The list a field goes to: item 0 "(入れない)", then the six lists in order.
    QComboBox* listBox(FillField field) const { return lists_[static_cast<std::size_t>(field)]; }
    QCheckBox* originalGenreBox() const { return originalGenres_; }
    // The genre names: the database's word and ours, a row each, editable.
    QTableWidget* genreTable() const { return genreTable_; }
    QCheckBox* overwriteBox() const { return overwrite_; }

    // "プレビュー": reads the databases beside the event loop, then matches the files with the
    // progress window; the changes are listed, all checked. False when nothing could be planned
    // (told to the user) or the user stopped it.
    bool preview();
    // The planned changes, a row each in plan order: ファイル, 項目, 今の値, 新しい値, 一致.
    QTreeWidget* changeList() const { return changes_; }
    void checkAll(bool checked);
    // "書き込む": makes the checked changes and shows the summary; the dialog closes once they
    // are written.
    void write();
    const std::optional<FillRun>& lastRun() const { return run_; }
    FillOptions options() const;

private:
    QWidget* buildSourcePage();
    QWidget* buildListPage();
    QWidget* buildGenrePage();
    void showGenreNames(const GenreNames& names);
    GenreNames shownGenreNames() const;
    void showPlan();
    std::vector<std::string> shownSources() const;

    Application& app_;
    QListWidget* sources_ = nullptr;
    std::array<QComboBox*, kFillFieldCount> lists_{};
    QCheckBox* originalGenres_ = nullptr;
    QTableWidget* genreTable_ = nullptr;
    QCheckBox* overwrite_ = nullptr;
    QTreeWidget* changes_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* write_ = nullptr;
    std::optional<FillPlan> plan_;
    std::optional<FillRun> run_;
};

}  // namespace romshelf
