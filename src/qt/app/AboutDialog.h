#pragma once

#include <QDialog>

namespace romshelf {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace romshelf
