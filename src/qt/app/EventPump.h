#pragma once

#include <QApplication>

#include "core/app/Application.h"

namespace romshelf {

// The one place where work in progress lets the window repaint: only while the application is
// busy, so a close request or a command that arrives meanwhile waits for the work to end.
// The user's input waits as well.
inline void pumpEvents(const Application& app) {
    if (app.busy()) QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace romshelf
