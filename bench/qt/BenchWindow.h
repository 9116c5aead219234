#pragma once

// The main window started in this process as `romshelf` starts it, offscreen: the benchmarks of
// the window measure it.
#include <QApplication>
#include <functional>
#include <memory>
#include <string>

#include "core/app/Application.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/QtHost.h"

namespace romshelf::bench {

// The application object, made offscreen (and with no sound) on first use.
QApplication& application();
// Runs the event loop for `ms`.
void runFor(int ms);

// The window on a program folder, as main() makes it: the folder locked, its settings read, SFC
// the hardware, the identity pass on its thread, the window started up. `mark` is told each
// moment of the start.
struct StartedWindow {
    StartedWindow(const std::string& program, const std::function<void(const char*)>& mark);
    ~StartedWindow();
    StartedWindow(const StartedWindow&) = delete;
    StartedWindow& operator=(const StartedWindow&) = delete;
    // Runs the event loop until the file list has rows.
    void waitForRows();

    QtHost ports;
    std::unique_ptr<Application> app;
    std::unique_ptr<CMainFrame> frame;

private:
    std::string cwd_;  // the working folder before the start
};

}  // namespace romshelf::bench
