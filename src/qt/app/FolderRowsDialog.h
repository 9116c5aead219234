#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QLineEdit;

namespace romshelf {

class Prompter;

// Texts of the conversion buttons of each row.
struct FolderRowButtons {
    QString absolute = QStringLiteral("絶対パスに変換");
    QString relative = QStringLiteral("相対パスに変換");
};

// The snap, other and media folder dialogs: rows of a path (some with a name), each with its
// absolute, relative and browse buttons. Works on copies; OK writes them back.
class FolderRowsDialog : public QDialog {
    Q_OBJECT
public:
    struct Row {
        QString nameLabel;  // empty: the row has no name
        QString pathLabel;
        std::string* name = nullptr;
        std::string* path = nullptr;
    };
    using Buttons = FolderRowButtons;

    FolderRowsDialog(const QString& title, std::vector<Row> rows, const std::string& programFolder,
                     Prompter& prompter, QWidget* parent = nullptr, Buttons buttons = {});

    void accept() override;

private:
    std::vector<Row> rows_;
    std::vector<QLineEdit*> names_;
    std::vector<QLineEdit*> paths_;
};

}  // namespace romshelf
