#include "cli/OptimiseCommand.h"

#include "cli/CliSupport.h"
#include "core/app/Optimisation.h"

namespace romshelf::cli {

int optimise(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommonOptions o = parseCommonOptions(args);
    if (!o.words.empty()) {
        err << "unknown argument: " << o.words.front() << "\n";
        return 64;
    }
    if (o.code.empty()) {
        err << "optimise needs --hardware CODE\n";
        return 64;
    }
    OpenedApplication opened = openHardware(o.programFolder, o.code, err, o.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    const std::optional<int> deleted = optimiseFileInfo(*opened.app);
    if (!deleted) return 1;
    // The window writes the records with its next save; this run ends now.
    if (!opened.app->categoryCommands().save()) return 1;
    out << *deleted << " records deleted\n";
    return 0;
}

}  // namespace romshelf::cli
