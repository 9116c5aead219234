#pragma once

#include <QDialog>
#include <array>
#include <optional>
#include <string>

#include "core/commands/BatchOperations.h"

class QLabel;
class QPushButton;

namespace romshelf {

class Application;

// "ファイルの移動": the hardware's ROM folders, ten a page over 25 pages; a click on a folder asks
// and, on yes, closes with that folder as the destination.
class MoveDestinationDialog : public QDialog {
    Q_OBJECT
public:
    // `name` is shown in the prompt ("選択しているファイル" for a selection); `sourceFolder` cannot
    // be chosen (-1: the files come from several folders).
    MoveDestinationDialog(Application& app, const std::string& name, int sourceFolder,
                          QWidget* parent = nullptr);

    // The dialog run modally; the chosen ROM folder number, or nullopt when cancelled.
    static std::optional<int> choose(Application& app, QWidget* parent, const std::string& name,
                                     int sourceFolder);

    std::optional<int> destination() const { return destination_; }
    int page() const { return page_; }
    // The folder buttons of the page shown (objects "folder0".."folder9"), and the paging buttons
    // ("previous", "next").
    QPushButton* folderButton(int k) const { return buttons_[static_cast<std::size_t>(k)]; }

private:
    void showPage(int page);
    void folderClicked(int k);

    Application& app_;
    int source_;
    int page_ = 0;
    std::optional<int> destination_;
    std::array<QPushButton*, kMoveFoldersPerPage> buttons_{};
    std::array<QLabel*, kMoveFoldersPerPage> paths_{};
    QLabel* pageLabel_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
};

}  // namespace romshelf
