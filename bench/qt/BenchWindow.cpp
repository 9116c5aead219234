#include "BenchWindow.h"

#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <cstdlib>

#include "core/settings/ProgramFolder.h"
#include "qt/views/CFileList.h"

namespace romshelf::bench {

QApplication& application() {
    static int argc = 1;
    static char name[] = "romshelf_bench";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit it would go after statics it needs.
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

StartedWindow::StartedWindow(const std::string& program,
                             const std::function<void(const char*)>& mark) {
    char* here = ::getcwd(nullptr, 0);
    if (here) {
        cwd_ = here;
        std::free(here);
    }
    const ProgramFolder folder(program);
    app = std::make_unique<Application>(folder, ports.host());
    app->createFolders();
    app->hashInBackground();
    if (app->lockProgramFolder("romshelf", 3000, [](const WriterLock::Holder&) {}) !=
        WriterLock::Result::Acquired)
        std::abort();
    if (::chdir(folder.path().c_str()) != 0) std::abort();
    app->loadMainSettings();
    app->preferHardware("SFC");
    mark("settings read");
    frame = std::make_unique<CMainFrame>(*app);
    ports.windows.setMainWindow(frame.get());
    mark("window made");
    frame->startUp();
    mark("started up");
}

StartedWindow::~StartedWindow() {
    frame->close();
    frame.reset();
    app.reset();
    // Out of the program folder again: a share's mount can then go.
    if (!cwd_.empty() && ::chdir(cwd_.c_str()) != 0) std::abort();
}

void StartedWindow::waitForRows() {
    while (frame->fileList()->model()->rowCount() == 0) runFor(1);
}

}  // namespace romshelf::bench
