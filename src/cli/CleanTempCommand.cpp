#include "cli/CleanTempCommand.h"

#include "cli/CliSupport.h"

namespace romshelf::cli {

int cleanTemp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;
    if (const int status = ArgumentReader().wordsAtMost(0).read(args, o, err)) return status;
    OpenedApplication opened = openHardware(o.programFolder, o.code, err, o.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    const int removed = opened.app->tempFolders().clearCommand();
    if (removed < 0) return 1;
    out << removed << " files removed\n";
    return 0;
}

}  // namespace romshelf::cli
