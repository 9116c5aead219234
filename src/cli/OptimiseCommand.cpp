#include "cli/OptimiseCommand.h"

#include "cli/CliSupport.h"
#include "core/commands/Optimisation.h"

namespace romshelf::cli {

int optimise(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;
    if (const int status = ArgumentReader().wordsAtMost(0).read(args, o, err)) return status;
    if (o.code.empty()) return usageError(err, "optimise", "needs --hardware CODE");
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
