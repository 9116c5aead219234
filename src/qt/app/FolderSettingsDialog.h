#pragma once

#include <QDialog>
#include <array>
#include <string>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace romshelf {

class Application;
class FolderDialogModel;

// The folder-settings dialog of one hardware: display name, 50 pages of five ROM folders, the
// snap, other and media sub-dialogs, and nine extra extensions. For other software the rows are
// programs and documents, and snap folder 1 is edited in place of the rest.
class FolderSettingsDialog : public QDialog {
    Q_OBJECT
public:
    FolderSettingsDialog(Application& app, std::string code, FolderDialogModel& model,
                         QWidget* parent = nullptr);

    void accept() override;

    QPushButton* previousButton() const { return previous_; }
    QPushButton* nextButton() const { return next_; }
    QLineEdit* nameEdit(int row) const { return names_[static_cast<std::size_t>(row)]; }
    QLineEdit* pathEdit(int row) const { return paths_[static_cast<std::size_t>(row)]; }
    QLineEdit* displayNameEdit() const { return displayName_; }
    QLabel* nameLabel(int row) const { return nameLabels_[static_cast<std::size_t>(row)]; }
    QLineEdit* snapNameEdit() const { return snapName_; }  // other software only
    QLineEdit* snapPathEdit() const { return snapPath_; }

private:
    void addRomFolderSettings(QVBoxLayout* layout, QHBoxLayout* pages);
    void addSnapFolderRow(QVBoxLayout* layout);
    void showPage();
    void openSnapFolders();
    void openOtherFolders();
    void openMediaFolders();

    Application& app_;
    std::string code_;
    FolderDialogModel& model_;
    QLineEdit* displayName_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    std::array<QLabel*, 5> nameLabels_{};
    std::array<QLabel*, 5> pathLabels_{};
    std::array<QLineEdit*, 5> names_{};
    std::array<QLineEdit*, 5> paths_{};
    std::array<QLineEdit*, 9> extensions_{};
    QLineEdit* snapName_ = nullptr;
    QLineEdit* snapPath_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
};

}  // namespace romshelf
