#pragma once

#include <QDialog>

namespace romshelf {

// "コマンドライン追記": what the placeholders of a command line stand for.
class CommandLineHelpDialog : public QDialog {
    Q_OBJECT
public:
    explicit CommandLineHelpDialog(QWidget* parent = nullptr);
};

}  // namespace romshelf
