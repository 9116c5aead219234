#include "LaunchCommand.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "StreamPrompter.h"
#include "app/Application.h"
#include "app/HardwareTable.h"

namespace romshelf::cli {

namespace {

std::optional<int> number(const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Prints every log line as it is written.
struct LogPrinter : ApplicationListener {
    explicit LogPrinter(Application& app, std::ostream& out) : app_(app), out_(out) {}
    void systemLogChanged() override {
        const auto& lines = app_.systemLog().lines();
        if (!lines.empty()) out_ << lines.back() << "\n";
    }
    Application& app_;
    std::ostream& out_;
};

}  // namespace

int launchFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string programFolder, code, emulator, file;
    std::optional<int> folder, row;
    bool dryRun = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--dry-run") {
            dryRun = true;
        } else if (a == "--program-folder" && hasValue) {
            programFolder = args[++i];
        } else if (a == "--hardware" && hasValue) {
            code = args[++i];
        } else if (a == "--emulator" && hasValue) {
            emulator = args[++i];
        } else if (a == "--folder" && i + 2 < args.size() && number(args[i + 1])) {
            folder = number(args[++i]);
            file = args[++i];
        } else if (a == "--row" && hasValue && number(args[i + 1])) {
            row = number(args[++i]);
        } else {
            err << "unknown argument: " << a << "\n";
            return 64;
        }
    }
    if (folder.has_value() == row.has_value()) {
        err << "give either --folder N FILE or --row N\n";
        return 64;
    }
    StreamPrompter prompter(err);
    Application app(programFolder.empty() ? ProgramFolder::locate() : ProgramFolder(programFolder),
                    prompter);
    LogPrinter printer(app, out);
    app.loadMainSettings();
    if (!code.empty()) {
        if (hardwareIndexOf(code) < 0) {
            err << "unknown hardware: " << code << "\n";
            return 64;
        }
        app.settings().currentHardware = code;
    }
    app.loadCurrentHardwareData();
    if (app.currentCode().empty()) {
        err << "no hardware is set up\n";
        return 2;
    }
    app.fillEmulatorCombo();
    if (!emulator.empty()) {
        const auto& items = app.emulatorCombo().items;
        const auto it = std::find(items.begin(), items.end(), emulator);
        if (it == items.end()) {
            err << "no such emulator (its executable must exist): " << emulator << "\n";
            return 2;
        }
        app.chooseEmulator(static_cast<int>(it - items.begin()));
    }
    app.setListener(&printer);
    app.launcher().setDryRun(dryRun);

    bool started = false;
    if (row) {
        app.loadCategoryLists();
        app.showStartList();
        started = app.launchRow(*row);
    } else {
        started = app.launcher().launch({"", file, *folder, -1});
    }
    if (dryRun && app.launcher().lastPlan()) {
        out << "working folder: " << app.launcher().lastPlan()->workingFolder << "\n";
        for (const std::string& arg : app.launcher().lastPlan()->argv) out << "argv: " << arg << "\n";
    }
    app.setListener(nullptr);
    return started ? 0 : 1;
}

}  // namespace romshelf::cli
