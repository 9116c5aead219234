#include "cli/EmulatorsCommand.h"

#include "cli/CliSupport.h"
#include "cli/MainSettingsChanges.h"
#include "core/launch/EmulatorSuggestions.h"
#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"

namespace romshelf::cli {

namespace {

void printSlot(const EmulatorDialogModel& model, int slot, std::ostream& out) {
    const EmulatorEntry& e = model.entries()[static_cast<std::size_t>(slot)];
    out << slot + 1 << '\t' << escapeText(e.name) << '\t' << escapeText(e.executable) << '\t'
        << escapeText(e.commandLine) << '\n';
}

}  // namespace

int emulatorsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommonOptions options = parseCommonOptions(args);
    const std::vector<std::string>& words = options.words;
    const bool suggest = words.size() == 1 && words[0] == "--suggest";
    const bool set = words.size() == 3 && words[0] == "--set";
    // 0 for none: slots are counted from 1 here.
    const int number = set ? parseNumber(words[1]).value_or(0) : 0;
    if (options.code.empty() || (!words.empty() && !suggest && !set) || (set && number < 1)) {
        err << "usage: emulators [--program-folder DIR] --hardware CODE [--suggest | --set N "
               "NAME]\n";
        return 64;
    }
    // Suggesting needs no folder settings: a hardware not set up yet has no ROM folders to give.
    if (suggest && hardwareIndexOf(options.code) >= 0) {
        const ProgramFolder folder = programFolderFrom(options.programFolder);
        if (!fs::fileExists(folder.perHardwareFile("Folder_", options.code, ".slb"))) {
            for (const EmulatorSuggestion& s :
                 suggestEmulators(options.code, EmulatorSearchPlaces::fromEnvironment()))
                out << escapeText(s.name) << '\t' << escapeText(s.executable) << '\t'
                    << escapeText(s.commandLine) << '\n';
            return 0;
        }
    }
    OpenedApplication opened = openHardware(options.programFolder, options.code, err, options.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    SettingsCommands& commands = opened.app->settingsCommands();
    const MainSettingsChanges changes(*opened.app);

    if (suggest) {
        for (const EmulatorSuggestion& s : commands.emulatorSuggestions(options.code))
            out << escapeText(s.name) << '\t' << escapeText(s.executable) << '\t'
                << escapeText(s.commandLine) << '\n';
        return 0;
    }
    if (set) {
        using R = SettingsCommands::SuggestionResult;
        const std::string name = unescapeText(words[2]);
        switch (commands.setEmulatorFromSuggestion(options.code, number - 1, name)) {
            case R::Set:
                break;
            case R::NoSuchSlot:
                err << "no emulator slot " << words[1] << " for " << options.code << "\n";
                return 1;
            case R::NoSuchEmulator:
                err << "no installed emulator called " << words[2] << " for " << options.code
                    << " (see emulators --suggest)\n";
                return 1;
            case R::NotSaved:
                return 1;
        }
        // The hardware's emulators were read again, and its chosen one with them (the first
        // installed one when there was none).
        if (!changes.save(*opened.app, err)) return 1;
        printSlot(commands.openEmulatorSettings(options.code), number - 1, out);
        return 0;
    }
    const EmulatorDialogModel model = commands.openEmulatorSettings(options.code);
    for (int slot : model.defaults().offeredSlots()) printSlot(model, slot, out);
    return 0;
}

}  // namespace romshelf::cli
