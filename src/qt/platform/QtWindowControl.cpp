#include "qt/platform/QtWindowControl.h"

#include "qt/platform/ShowStates.h"

namespace romshelf {

void QtWindowControl::minimiseMainWindow() {
    if (main_) main_->showMinimized();
}

void QtWindowControl::restoreMainWindow(ShowState state) {
    // Any other stored number leaves the window as it is.
    if (main_ && (state == ShowState::Normal || state == ShowState::Maximised))
        showInState(main_, state);
}

void QtWindowControl::hide(ModelessWindow window) {
    const QString name = window == ModelessWindow::CaptureTool
                             ? QStringLiteral("CaptureToolDialog")
                             : QStringLiteral("RegistrationDialog");
    if (QWidget* w = main_ ? main_->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly) : nullptr)
        w->hide();
}

}  // namespace romshelf
