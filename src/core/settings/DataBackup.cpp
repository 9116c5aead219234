#include "core/settings/DataBackup.h"

#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"

namespace romshelf {

std::vector<std::string> backUpDataFolder(const ProgramFolder& folder) {
    std::vector<std::string> failed;
    const std::string backup = folder.backupFolder();
    const bool haveBackup = fs::directoryExists(backup) || fs::createDirectory(backup);
    for (const fs::DirEntry& entry : fs::listDirectory(folder.dataFolder())) {
        // A save in progress is not a data file yet; the lock and the journal belong to the run
        // that made them (a restored journal would replay moves long done).
        if (entry.isDirectory || isPendingFileName(entry.name) || entry.name == "romshelf.lock" ||
            entry.name == "romshelf-journal.txt")
            continue;
        const std::string from = fs::joinPath(folder.dataFolder(), entry.name);
        if (fs::directoryExists(from)) continue;  // a link to a folder
        if (!haveBackup || !fs::copyFile(from, fs::joinPath(backup, entry.name)))
            failed.push_back(entry.name);
    }
    return failed;
}

}  // namespace romshelf
