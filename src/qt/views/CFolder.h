#pragma once

#include <QWidget>
#include <array>

#include "core/views/FolderWindowModel.h"

class QPushButton;
class QTableWidget;

namespace romshelf {

class Application;

// The folder window: buttons that choose what it lists (the ROM folders, the ratings, the six
// categories or the favourite states) and the list, whose clicked item narrows the file list.
// Two more buttons show all files and ask for the search dialog. Its title goes to its frame.
class CFolder : public QWidget {
    Q_OBJECT
public:
    explicit CFolder(Application& app, QWidget* parent = nullptr);

    // Lists `kind` and names it in the title.
    void listKind(FolderWindowKind kind);
    // Another hardware: the ROM folders again.
    void reset() { listKind(FolderWindowKind::RomFolder); }
    // The category buttons take the current names, and the list is filled again.
    void applyCategoryNames();

    const FolderWindowModel& model() const { return model_; }
    QTableWidget* list() const { return list_; }
    QPushButton* kindButton(FolderWindowKind kind) const {
        return kindButtons_[static_cast<std::size_t>(kind)];
    }
    QPushButton* showAllButton() const { return showAll_; }
    QPushButton* searchButton() const { return search_; }
    QPushButton* tagFilterButton() const { return tagFilter_; }

    static constexpr int kListWidth = 149;

Q_SIGNALS:
    void titleChanged(const QString& title);
    void searchRequested();
    void tagFilterRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The item in `row`: the file list shows what matches it.
    void applyItem(int row);

    Application& app_;
    FolderWindowModel model_;
    std::array<QPushButton*, kFolderWindowKindCount> kindButtons_{};
    QPushButton* showAll_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* tagFilter_ = nullptr;
    QTableWidget* list_ = nullptr;
};

}  // namespace romshelf
