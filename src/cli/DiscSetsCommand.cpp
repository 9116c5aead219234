#include "cli/DiscSetsCommand.h"

#include "cli/CliSupport.h"
#include "cli/MainSettingsChanges.h"

namespace romshelf::cli {

int discSetsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;
    if (const int status = ArgumentReader().wordsAtMost(1).read(args, o, err)) return status;
    if (o.words.size() == 1 && o.words[0] != "on" && o.words[0] != "off")
        return usageError(err, o.words[0], "disc-sets takes on or off");
    OpenedApplication opened = openHardware(o.programFolder, o.code, err, o.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    if (!o.words.empty()) {
        const MainSettingsChanges changes(app);
        app.setDiscSets(o.words[0] == "on");
        if (!changes.save(app, err)) return 1;
    }
    out << "disc-sets " << (app.plusSettings().discSets ? "on" : "off") << "\n";
    return 0;
}

}  // namespace romshelf::cli
