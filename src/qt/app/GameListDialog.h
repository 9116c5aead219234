#pragma once

#include <QDialog>
#include <array>

#include "core/commands/GameListExport.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace romshelf {

class Application;

// "ゲームリストの作成": the items to add after each game name, the layout, CSV instead of text,
// and the output folder. Made for each list, so every box opens off.
class GameListDialog : public QDialog {
    Q_OBJECT
public:
    explicit GameListDialog(Application& app, QWidget* parent = nullptr);

    // The choices once the dialog was accepted.
    const GameListOptions& options() const { return options_; }

    // Items 0-2: file name, size, rating; 3-7: categories 1-5; 8: the hardware class.
    static constexpr int kItemCount = 9;
    QCheckBox* item(int k) const { return items_[static_cast<std::size_t>(k)]; }
    QCheckBox* blankLinesBox() const { return blankLines_; }
    QCheckBox* secondLineBox() const { return secondLine_; }
    QCheckBox* csvBox() const { return csv_; }
    QLineEdit* folderEdit() const { return folder_; }
    QPushButton* browseButton() const { return browse_; }
    QPushButton* createButton() const { return create_; }

    void accept() override;

private:
    Application& app_;
    GameListOptions options_;
    std::array<QCheckBox*, kItemCount> items_{};
    QCheckBox* blankLines_ = nullptr;
    QCheckBox* secondLine_ = nullptr;
    QCheckBox* csv_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* create_ = nullptr;
};

// "ゲームリストを作成": the dialog, then the list written under a wait cursor. Nothing happens
// without a current hardware or rows.
void runGameListCommand(Application& app, QWidget* parent);

}  // namespace romshelf
