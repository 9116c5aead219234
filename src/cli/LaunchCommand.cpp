#include "cli/LaunchCommand.h"

#include <algorithm>
#include <optional>

#include "cli/CliSupport.h"
#include "cli/Interrupts.h"
#include "cli/MainSettingsChanges.h"
#include "core/app/Application.h"
#include "core/settings/HardwareTable.h"

namespace romshelf::cli {

namespace {

// Prints every log line as it is written (the errors, the log's red lines, on `err`), and keeps
// the emulator's end.
struct LogPrinter : ApplicationListener {
    LogPrinter(Application& app, std::ostream& out, std::ostream& err)
        : app_(app), out_(out), err_(err) {}
    void systemLogChanged() override {
        const auto& lines = app_.systemLog().lines();
        if (lines.empty()) return;
        const std::string& line = lines.back();
        // A colour directive: "@" and the colour's number.
        if (line.size() == 2 && line[0] == '@' && line[1] >= '0' && line[1] <= '9') {
            red_ = line[1] - '0' == static_cast<int>(LogColour::Red);
            return;
        }
        (red_ ? err_ : out_) << line << "\n";
    }
    void emulatorEnded(const EmulatorSession& run) override { ended = run.end; }
    Application& app_;
    std::ostream& out_;
    std::ostream& err_;
    bool red_ = false;
    std::optional<ProcessEnd> ended;
};

// Makes `name` the emulator of the launch; false after saying why there is none of that name (for
// a program folder from Windows, which drive is to be mapped).
bool chooseEmulatorNamed(Application& app, const std::string& name, std::ostream& err) {
    const auto& items = app.emulatorCombo().items;
    const auto it = std::find(items.begin(), items.end(), name);
    if (it != items.end()) {
        app.chooseEmulator(static_cast<int>(it - items.begin()));
        return true;
    }
    err << "no such emulator (its executable must exist): " << name << "\n";
    for (const EmulatorEntry& e : app.emulators())
        if (e.name == name && isWindowsPath(e.executable))
            err << name << " is " << e.executable << ", and " << windowsRootOf(e.executable)
                << " leads nowhere here: map it with romshelf-cli drives --set "
                << windowsRootOf(e.executable) << " FOLDER\n";
    return false;
}

// Launches the row or the file chosen: whether it started; nullopt after saying on `err` that
// there is no such row, or that it holds no file.
std::optional<bool> launchChosen(Application& app, const RowChoice& choice, std::ostream& err) {
    if (!choice.row) return app.launchFile({"", choice.file, *choice.folder, -1});
    app.showAll();  // the rows as `list` prints them
    const std::optional<std::size_t> row = choice.find(app, err);
    if (!row) return std::nullopt;
    const FileListRow& shown = app.fileList().rows()[*row];
    if (shown.folderNumber == kPlaceholderFolder) {
        err << "row " << *row << " is no file: " << shown.gameName() << "\n";
        return std::nullopt;
    }
    return app.launchRow(static_cast<int>(*row));
}

}  // namespace

int launchFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;
    RowChoice choice;
    std::string emulator;
    bool dryRun = false, wait = false;
    ArgumentReader reader;
    reader.wordsAtMost(0)
        .flag("--dry-run", dryRun)
        .flag("--wait", wait)
        .text("--emulator", emulator);
    if (const int status = choice.addTo(reader).read(args, o, err)) return status;
    if (const int status = choice.check(err)) return status;
    OpenedApplication opened = openHardware(o.programFolder, o.code, err, o.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    std::optional<MainSettingsChanges> changes(std::in_place, app);
    LogPrinter printer(app, out, err);
    if (!emulator.empty() && !chooseEmulatorNamed(app, emulator, err)) return 2;
    app.setListener(&printer);
    app.launcher().setDryRun(dryRun);
    // Set while the game runs: the program folder is let go for it.
    bool letGo = false, savedBefore = true, lockedAfter = true;
    if (wait) {
        // The emulator's error output comes to us, for its last lines in the log.
        opened.ports->processes.captureErrors(true);
        app.launcher().setWaitForEmulator(true);
        PosixProcessRunner::WaitSteps steps;
        // A game runs for hours: what the launch changed is saved now, and the folder is free for
        // the window and other commands meanwhile.
        steps.waiting = [&] {
            savedBefore = changes->save(app, err);
            app.tempFolders().leaveFoldersForLater();
            changes.emplace(app);
            app.unlockProgramFolder();
            letGo = true;
        };
        // Ctrl+C or SIGTERM ends the game as well (not this command alone, leaving it behind);
        // its end is then recorded and told as any other.
        steps.stopRequest = [] { return takeInterruptRequest(); };
        steps.ended = [&] {
            lockedAfter = lockAgainForWriting(app, "the play is not recorded", err);
        };
        opened.ports->processes.setWaitSteps(std::move(steps));
    }

    const std::optional<bool> launched = launchChosen(app, choice, err);
    if (!launched) {
        app.setListener(nullptr);
        return 2;
    }
    const bool started = *launched;
    if (dryRun && app.launcher().lastStart()) {
        out << "working folder: " << escapeText(app.launcher().lastStart()->workingFolder) << "\n";
        for (const std::string& arg : app.launcher().lastStart()->argv)
            out << "argv: " << escapeText(arg) << "\n";
    }
    app.setListener(nullptr);
    // The recent files take the launch as in the window, which saves them at exit; nothing else
    // will save them here.
    if (started && !dryRun) {
        if (!lockedAfter) {
            if (changes->changed(app))
                err << "romshelf-cli: " << app.mainDataPath() << " is not saved either.\n";
        } else if (!changes->save(app, err)) {
            return 1;
        }
    }
    if (!savedBefore) return 1;
    // What was unpacked stays for the game; the next clean removes it.
    if (!letGo) app.tempFolders().leaveFoldersForLater();
    if (!started) return 1;
    if (wait && printer.ended) {
        if (printer.ended->failed()) err << emulatorEndLine(*printer.ended) << "\n";
        // As a shell reports it; an end that could not be learnt is a failure too.
        const int status = printer.ended->status();
        return status < 0 ? 1 : status;
    }
    return 0;
}

}  // namespace romshelf::cli
