#pragma once

#include <QPointer>
#include <QWidget>

#include "core/platform/WindowControl.h"

namespace romshelf {

// The main window steps aside while an emulator runs. The window is given once it exists.
class QtWindowControl : public WindowControl {
public:
    void setMainWindow(QWidget* window) { main_ = window; }
    void minimiseMainWindow() override;
    void restoreMainWindow(ShowState state) override;
    // The registration and capture windows do not exist yet: nothing to hide.
    void hide(ModelessWindow) override {}

private:
    QPointer<QWidget> main_;
};

}  // namespace romshelf
