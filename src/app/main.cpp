#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/commands/CommandOpening.h"
#include "core/app/Application.h"
#include "demo/DemoCatalogue.h"
#include "core/app/FirstSteps.h"
#include "core/platform/FileSystem.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/JapaneseUi.h"
#include "core/settings/ProgramFolder.h"
#include "qt/app/QtHost.h"
#include "qt/app/UnixSignalWatcher.h"
#include "qt/platform/EventLoopWatch.h"

namespace {

void printUsage() {
    std::fputs(
        "Usage: romshelf [--demo [DIR]] [Qt's options]\n"
        "   or: romshelf --help | --version\n"
        "Romshelf Plus, the launcher and catalogue for emulators, in a window (its user\n"
        "interface is Japanese): it lists the ROM and disk-image files kept in folders per\n"
        "hardware with the user's records of them, shows their snaps, pictures and sounds,\n"
        "and starts the right emulator with the right command line.\n"
        "\n"
        "Options:\n"
        "  --demo [DIR] make a demo program folder in DIR (home-made ROMs for FC, GB and MD,\n"
        "               their records, snaps and the emulators installed), or fill in what\n"
        "               is missing from one, and start on it; without DIR in\n"
        "               $XDG_DATA_HOME/romshelf-plus-demo/ (~/.local/share/romshelf-plus-demo/)\n"
        "  --help       print this help and exit\n"
        "  --version    print the version and exit\n"
        "\n"
        "The program folder (data, temp, ...) is the folder of the executable when it\n"
        "can be written; for an installed copy, or a folder that cannot be written, it is\n"
        "$XDG_DATA_HOME/romshelf-plus/ (by default ~/.local/share/romshelf-plus/). One\n"
        "program at a time writes to a program folder: a second window is refused with\n"
        "exit status 75. romshelf-cli does the same work from a terminal.\n"
        "\n"
        "Exit status:\n"
        "  0           done: the window was closed, or the program was ended by SIGTERM,\n"
        "              SIGINT or SIGHUP, its data saved\n"
        "  2           the demo folder or the program folder could not be made or entered\n"
        "  64          usage error: one line on stderr names the option or argument\n"
        "  75          another program holds the program folder; nothing was changed\n",
        stdout);
}

void printVersion() {
    std::printf("romshelf (Romshelf Plus) %s\n", ROMSHELF_VERSION);
    std::fputs(
        "Copyright (C) 2026 The Romshelf Plus project\n"
        "License GPL-3.0-or-later: GNU GPL version 3 or later "
        "<https://gnu.org/licenses/gpl.html>.\n"
        "This is free software: you are free to change and redistribute it.\n"
        "There is NO WARRANTY, to the extent permitted by law.\n",
        stdout);
}

// Qt's own options (taken with one dash or two); those that take a value take the next argument.
bool isQtOption(std::string_view name, bool& takesValue) {
    static constexpr std::string_view kWithValue[] = {"platform",
                                                      "platformpluginpath",
                                                      "platformtheme",
                                                      "plugin",
                                                      "qwindowgeometry",
                                                      "geometry",
                                                      "qwindowicon",
                                                      "icon",
                                                      "qwindowtitle",
                                                      "title",
                                                      "session",
                                                      "display",
                                                      "name",
                                                      "dialogs",
                                                      "style",
                                                      "stylesheet"};
    static constexpr std::string_view kAlone[] = {"reverse", "widgetcount", "nograb", "dograb",
                                                  "sync"};
    if (name.starts_with("--")) name.remove_prefix(1);
    if (!name.starts_with("-")) return false;
    name.remove_prefix(1);
    takesValue = name.find('=') == name.npos;
    name = name.substr(0, name.find('='));
    for (std::string_view o : kWithValue)
        if (name == o) return true;
    takesValue = false;
    for (std::string_view o : kAlone)
        if (name == o) return true;
    return name.starts_with("qmljsdebugger");
}

// The arguments, read before anything is made or opened: --help and --version answered on
// stdout, an unknown option told in one line (status 64), the folder of --demo.
struct WindowArguments {
    std::optional<int> exitStatus;
    bool demo = false;
    std::string demoFolder;  // empty: the default one
};

WindowArguments readArguments(int argc, char* argv[]) {
    WindowArguments a;
    auto usageError = [&](const std::string& what, const char* problem) {
        std::fprintf(stderr, "romshelf: %s: %s (romshelf --help lists the options)\n", what.c_str(),
                     problem);
        a.exitStatus = 64;
        return a;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool takesValue = false;
        if (arg == "--demo" || arg.starts_with("--demo=")) {
            a.demo = true;
            if (arg != "--demo")
                a.demoFolder = arg.substr(7);
            else if (i + 1 < argc && argv[i + 1][0] != '-')
                a.demoFolder = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            printUsage();
            a.exitStatus = std::fflush(stdout) == 0 ? 0 : 1;
            return a;
        } else if (arg == "--version") {
            printVersion();
            a.exitStatus = std::fflush(stdout) == 0 ? 0 : 1;
            return a;
        } else if (isQtOption(arg, takesValue)) {
            if (takesValue && i + 1 >= argc) return usageError(arg, "needs a value");
            if (takesValue) ++i;
        } else {
            return usageError(arg, arg.starts_with("-") ? "unknown option" : "unexpected argument");
        }
    }
    if (a.demo && a.demoFolder.empty()) {
        std::string folder = romshelf::ProgramFolder::userDataFolder();
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        a.demoFolder = folder + "-demo";
        std::fprintf(stderr, "romshelf: --demo: no folder given, the demo is in %s\n",
                     a.demoFolder.c_str());
    }
    return a;
}

// The first start gets the tool windows side by side over the screen it opens on.
void placeForFirstStart(romshelf::Application& app) {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const auto slots =
        romshelf::firstStartLayout({area.x(), area.y(), area.width(), area.height()});
    for (int s = 0; s < romshelf::kWindowSlotCount; ++s)
        app.setWindowSlot(s, slots[static_cast<std::size_t>(s)]);
}

// Another program writes to the program folder: said in a box (closed by a signal too), and the
// program ends without opening anything that writes.
int refuseSecondWriter(const romshelf::ProgramFolder& folder,
                       const romshelf::WriterLock::Holder& holder,
                       romshelf::UnixSignalWatcher& signals) {
    std::fprintf(stderr, "romshelf: the program folder %s is in use by %s\n",
                 folder.pathWithoutSlash().c_str(), romshelf::describeHolder(holder).c_str());
    const std::string who = romshelf::describeHolderInJapanese(holder);
    QMessageBox box(
        QMessageBox::Warning, QStringLiteral("警告"),
        QString::fromStdString("このプログラムフォルダは、ほかのプログラムが使用中です。\n\n" +
                               folder.pathWithoutSlash() + "\n使用中 : " + who +
                               "\n\n終わってから起動し直してください。"),
        QMessageBox::Ok);
    QObject::connect(&signals, &romshelf::UnixSignalWatcher::terminationRequested, &box,
                     &QMessageBox::reject);
    box.exec();
    return 75;
}

// One writer per program folder, taken as a command takes it: a command running now gets a few
// seconds to finish. The exit status when another program keeps it.
std::optional<int> takeProgramFolder(romshelf::Application& app,
                                     romshelf::UnixSignalWatcher& signals) {
    const romshelf::ProgramFolder& folder = app.programFolder();
    romshelf::CommandOpening opening;
    opening.writerRole = "romshelf";
    opening.waitMs = 3000;
    opening.waiting = [&](const romshelf::WriterLock::Holder& h) {
        std::fprintf(stderr, "romshelf: the program folder %s is in use by %s; waiting...\n",
                     folder.pathWithoutSlash().c_str(), romshelf::describeHolder(h).c_str());
    };
    switch (romshelf::lockForCommand(app, opening).outcome) {
        case romshelf::CommandEntry::Outcome::Locked:
            return refuseSecondWriter(folder, app.writerLock().holder(), signals);
        case romshelf::CommandEntry::Outcome::Unlockable:
            // A read-only share: the program still shows it; its saves say what fails.
            std::fprintf(stderr, "romshelf: cannot lock %s: %s\n", app.writerLock().path().c_str(),
                         std::strerror(app.writerLock().error()));
            break;
        default:
            break;
    }
    return std::nullopt;
}

// `--demo DIR`: the demo catalogue made or completed in the program folder before its settings
// are read.
romshelf::DemoReport makeDemoWhenAsked(const QString& demo, romshelf::Application& app) {
    if (demo.isEmpty()) return {};
    const romshelf::ProgramFolder& folder = app.programFolder();
    romshelf::DemoReport report = romshelf::makeDemoCatalogue(
        folder, app.prompter(), romshelf::EmulatorSearchPlaces::fromEnvironment());
    for (const std::string& file : report.failed)
        std::fprintf(stderr, "not written: %s%s\n", folder.path().c_str(), file.c_str());
    return report;
}

}  // namespace

int main(int argc, char* argv[]) {
    const WindowArguments arguments = readArguments(argc, argv);
    if (arguments.exitStatus) return *arguments.exitStatus;
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Romshelf Plus"));
    // Docks and task bars find the desktop entry (its name and icon) by this id: on Wayland it is
    // the window's app id; on X the entry's StartupWMClass names the window's class.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.romshelf.RomshelfPlus"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/romshelf.png")));
    // Watch for termination first: from here on a signal closes the program the normal way.
    romshelf::UnixSignalWatcher signals;
    bool signalled = false;
    QObject::connect(&signals, &romshelf::UnixSignalWatcher::terminationRequested,
                     [&signalled](int) { signalled = true; });
    const romshelf::JapaneseUi japanese;

    // `--demo DIR`: the demo catalogue, made or completed in DIR, is the program folder.
    const QString demo = arguments.demo
                             ? QDir(QString::fromStdString(arguments.demoFolder)).absolutePath()
                             : QString();
    if (!demo.isEmpty() && !QDir().mkpath(demo)) {
        std::fprintf(stderr, "romshelf: cannot make %s\n", qPrintable(demo));
        return 2;
    }
    romshelf::ProgramFolder folder = demo.isEmpty() ? romshelf::ProgramFolder::locate()
                                                    : romshelf::ProgramFolder(demo.toStdString());
    romshelf::QtHost ports;
    romshelf::Application app(folder, ports.host());
    app.createFolders();
    // The window has an event loop: the listed files are summed on a thread while it runs.
    app.hashInBackground();
    if (const std::optional<int> refused = takeProgramFolder(app, signals)) return *refused;
    const romshelf::DemoReport report = makeDemoWhenAsked(demo, app);
    // Relative paths in the settings are relative to the program folder.
    if (::chdir(folder.path().c_str()) != 0) {
        std::fprintf(stderr, "romshelf: cannot enter %s: %s\n", folder.path().c_str(),
                     std::strerror(errno));
        return 2;
    }
    // A FIFO or anything else in its place is read as no settings too.
    const bool firstStart = !romshelf::fs::fileExists(app.mainDataPath());
    app.loadMainSettings();
    if (firstStart) {
        placeForFirstStart(app);
        if (!report.codes.empty()) app.preferHardware(report.codes.front());
    }

    romshelf::CMainFrame frame(app);
    ports.windows.setMainWindow(&frame);
    // A signal ends the program with nobody there to answer: no box may hold it up.
    auto endForSignal = [&] {
        ports.prompter.becomeUnattended();
        ports.progress.endForExit();
        frame.requestUnattendedClose();
    };
    QObject::connect(&signals, &romshelf::UnixSignalWatcher::terminationRequested, &frame,
                     endForSignal);
    if (signalled) endForSignal();
    // ROMSHELF_EVENT_LOOP_STATS: how long the window went unanswered at most, said at the end.
    std::optional<romshelf::EventLoopWatch> watch;
    if (std::getenv("ROMSHELF_EVENT_LOOP_STATS")) watch.emplace();
    frame.startUp();
    const int status = QApplication::exec();
    if (watch)
        std::fprintf(stderr, "romshelf: longest event-loop pass %lld ms of %lld passes\n",
                     static_cast<long long>(watch->longestPassMs()),
                     static_cast<long long>(watch->passes()));
    return status;
}
