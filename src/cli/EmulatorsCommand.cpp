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
    CommonOptions options;
    bool suggest = false, set = false;
    // 0 for none: slots are counted from 1 here.
    int number = 0;
    std::vector<std::string> words(3);
    ArgumentReader reader;
    reader.flag("--suggest", suggest).wordsAtMost(0);
    reader.option("--set", 2, [&](std::span<const std::string> v, std::ostream& e) {
        set = true;
        words = {"--set", v[0], v[1]};
        number = parseNumber(v[0]).value_or(0);
        if (number >= 1) return 0;
        return usageError(e, "--set", "needs a slot number from 1, not " + v[0]);
    });
    if (const int status = reader.read(args, options, err)) return status;
    if (options.code.empty()) return usageError(err, "emulators", "needs --hardware CODE");
    if (suggest && set) return usageError(err, "--set", "goes without --suggest");
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
