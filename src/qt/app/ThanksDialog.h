#pragma once

#include <QDialog>

namespace romshelf {

// The thanks list the EXT page of the environment dialog offers once it was unlocked.
class ThanksDialog : public QDialog {
    Q_OBJECT
public:
    explicit ThanksDialog(QWidget* parent = nullptr);
};

}  // namespace romshelf
