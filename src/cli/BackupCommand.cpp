#include "cli/BackupCommand.h"

#include "cli/CliSupport.h"
#include "core/platform/FileSystem.h"
#include "core/settings/DataBackup.h"

namespace romshelf::cli {

int backUp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;
    if (const int status = ArgumentReader().wordsAtMost(0).read(args, o, err)) return status;
    const ProgramFolder folder = programFolderFrom(o.programFolder);
    if (!fs::directoryExists(folder.dataFolder())) {
        err << "no data folder in " << folder.path() << "\n";
        return 2;
    }
    const std::vector<std::string> failed = backUpDataFolder(folder);
    for (const std::string& name : failed) err << "not copied: " << escapeText(name) << "\n";
    out << "copied " << folder.dataFolder() << " into " << folder.backupFolder() << "\n";
    return failed.empty() ? 0 : 1;
}

}  // namespace romshelf::cli
