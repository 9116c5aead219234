#include "cli/CliSupport.h"

#include <charconv>

#include "core/settings/HardwareTable.h"

namespace romshelf::cli {

std::optional<int> parseNumber(const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

OpenedApplication openHardware(const std::string& programFolder, const std::string& code,
                               std::ostream& err) {
    OpenedApplication opened;
    opened.prompter = std::make_unique<StreamPrompter>(err);
    opened.app = std::make_unique<Application>(
        programFolder.empty() ? ProgramFolder::locate() : ProgramFolder(programFolder), *opened.prompter);
    Application& app = *opened.app;
    app.loadMainSettings();
    if (!code.empty()) {
        if (hardwareIndexOf(code) < 0) {
            err << "unknown hardware: " << code << "\n";
            opened.exitStatus = 64;
            return opened;
        }
        app.settings().currentHardware = code;
    }
    app.loadCurrentHardwareData();
    if (app.currentCode().empty()) {
        err << "no hardware is set up" << (code.empty() ? "" : ": " + code) << "\n";
        opened.exitStatus = 2;
        return opened;
    }
    app.loadCategoryLists();
    app.fillEmulatorCombo();
    return opened;
}

}  // namespace romshelf::cli
