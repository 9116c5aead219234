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
    // The main window's modeless dialog of that kind, found by its object name, when it exists.
    void hide(ModelessWindow window) override;

private:
    QPointer<QWidget> main_;
};

}  // namespace romshelf
