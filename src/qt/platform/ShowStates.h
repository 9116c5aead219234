#pragma once

#include <QWidget>

#include "core/settings/MainSettings.h"

namespace romshelf {

inline ShowState showStateOf(const QWidget* w) {
    if (w->isMaximized()) return ShowState::Maximised;
    if (w->isMinimized()) return ShowState::Minimised;
    return ShowState::Normal;
}

// Shows a window in a stored state; a number no state has shows it normally.
inline void showInState(QWidget* w, ShowState state) {
    if (state == ShowState::Minimised)
        w->showMinimized();
    else if (state == ShowState::Maximised)
        w->showMaximized();
    else
        w->showNormal();
}

}  // namespace romshelf
