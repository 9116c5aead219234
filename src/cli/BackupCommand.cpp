#include "cli/BackupCommand.h"

#include "cli/CliSupport.h"
#include "core/platform/FileSystem.h"
#include "core/settings/DataBackup.h"

namespace romshelf::cli {

int backUp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string programFolder;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--program-folder" && i + 1 < args.size()) {
            programFolder = args[++i];
        } else {
            err << "unknown argument: " << args[i] << "\n";
            return 64;
        }
    }
    const ProgramFolder folder = programFolderFrom(programFolder);
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
