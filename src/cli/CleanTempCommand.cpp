#include "cli/CleanTempCommand.h"

#include "cli/CliSupport.h"

namespace romshelf::cli {

int cleanTemp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
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
    OpenedApplication opened = openHardware(programFolder, code, err, yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    const int removed = opened.app->tempFolders().clearCommand();
    if (removed < 0) return 1;
    out << removed << " files removed\n";
    return 0;
}

}  // namespace romshelf::cli
