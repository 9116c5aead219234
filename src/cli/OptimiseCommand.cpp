#include "cli/OptimiseCommand.h"

#include "cli/CliSupport.h"
#include "core/app/Optimisation.h"

namespace romshelf::cli {

int optimise(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string programFolder, code;
    bool yes = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--yes") {
            yes = true;
        } else if ((a == "--program-folder" || a == "--hardware") && i + 1 < args.size()) {
            (a == "--program-folder" ? programFolder : code) = args[++i];
        } else {
            err << "unknown argument: " << a << "\n";
            return 64;
        }
    }
    if (code.empty()) {
        err << "optimise needs --hardware CODE\n";
        return 64;
    }
    OpenedApplication opened = openHardware(programFolder, code, err, yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    const std::optional<int> deleted = optimiseFileInfo(*opened.app);
    if (!deleted) return 1;
    // The window writes the records with its next save; this run ends now.
    if (!opened.app->categoryCommands().save()) return 1;
    out << *deleted << " records deleted\n";
    return 0;
}

}  // namespace romshelf::cli
