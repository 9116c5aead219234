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

namespace {

void tellHowToSetUp(std::ostream& err, const Application& app) {
    err << "Set up a hardware's ROM folders first: start romshelf and use the Settings menu "
           "(フォルダ設定). The program folder used is "
        << app.programFolder().path() << " (choose another with --program-folder DIR).\n";
}

}  // namespace

OpenedApplication openHardware(const std::string& programFolder, const std::string& code,
                               std::ostream& err, bool answerYes) {
    OpenedApplication opened;
    opened.prompter = std::make_unique<StreamPrompter>(err, answerYes);
    opened.ports = std::make_unique<HeadlessPorts>();
    opened.app = std::make_unique<Application>(
        programFolder.empty() ? ProgramFolder::locate() : ProgramFolder(programFolder),
        opened.ports->host(*opened.prompter));
    Application& app = *opened.app;
    app.loadMainSettings();
    if (!code.empty()) {
        if (hardwareIndexOf(code) < 0) {
            err << "unknown hardware: " << code << "\n";
            opened.exitStatus = 64;
            return opened;
        }
        if (!app.folderSettingsExist(code)) {
            err << "hardware " << code << " has no folder settings.\n";
            tellHowToSetUp(err, app);
            opened.exitStatus = 2;
            return opened;
        }
        app.preferHardware(code);
    }
    app.startUp(Application::StartList::Skip);
    if (app.currentCode().empty() || (!code.empty() && app.currentCode() != code)) {
        err << "no hardware is set up" << (code.empty() ? "" : " for " + code) << ".\n";
        tellHowToSetUp(err, app);
        opened.exitStatus = 2;
    }
    return opened;
}

}  // namespace romshelf::cli
