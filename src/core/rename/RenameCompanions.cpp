#include "core/rename/RenameCompanions.h"

#include <sys/stat.h>

#include <set>
#include <utility>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/text/FileNames.h"

namespace romshelf {

namespace {

constexpr std::size_t kListedPaths = 10;

// Renames "<oldBase>.<rest>" to "<newBase>.<rest>" in one folder. The base is compared as the
// snap lookup finds files, ASCII letters in either case, and otherwise as it is (brackets, '*'
// and '?' are ordinary characters in a file name).
void renameIn(const std::string& folder, const std::string& oldBase, const std::string& newBase,
              CompanionReport& report) {
    const std::string prefix = oldBase + '.';
    for (const fs::DirEntry& entry : fs::listDirectory(folder)) {
        // A name from a Windows archive is CP932 on disk; the ROM's name is its text.
        const std::string name = text::fileNameText(entry.name);
        if (entry.isDirectory || name.size() < prefix.size() ||
            !ascii::equalsIgnoringCase(std::string_view(name).substr(0, prefix.size()), prefix))
            continue;
        const std::string from = fs::joinPath(folder, entry.name);
        const std::string to = fs::joinPath(folder, newBase + name.substr(oldBase.size()));
        switch (fs::moveFileNoReplace(from, to)) {
            case fs::MoveResult::Moved:
                ++report.renamed;
                break;
            case fs::MoveResult::TargetExists:
                report.leftInPlace.push_back(from);
                break;
            case fs::MoveResult::Failed:
                // Not a regular file (a FIFO, a device) is no companion; anything else is told.
                if (fs::fileExists(from)) report.failed.push_back(from);
                break;
        }
    }
}

}  // namespace

CompanionReport renameCompanions(CompanionPlaces& places, const std::string& oldName,
                                 const std::string& newName, int recordIndex) {
    CompanionReport report;
    const std::string oldBase = fs::pathTitle(oldName), newBase = fs::pathTitle(newName);
    if (oldName == newName || oldBase.empty() || newBase.empty()) return report;
    if (recordIndex >= 0 && recordIndex < places.records.count())
        places.records.setFileTitle(recordIndex, newBase);

    std::vector<std::string> folders;
    for (const std::string& snap : places.folders.snapFolderPaths)
        if (!snap.empty()) folders.push_back(snap);
    folders.push_back(places.folders.tempFolder);
    if (!places.folders.saveFolder.empty()) folders.push_back(places.folders.saveFolder);
    // A folder named twice (or through a link) is renamed in once: a second pass would rename
    // again when the new base begins with the old one and a dot.
    std::set<std::pair<dev_t, ino_t>> done;
    // Another extension only ("a.fds" renamed "a.nes"): the companions keep their names.
    for (const std::string& folder : folders) {
        struct stat st {};
        if (oldBase == newBase || folder.empty() || ::stat(folder.c_str(), &st) != 0 ||
            !S_ISDIR(st.st_mode) || !done.emplace(st.st_dev, st.st_ino).second)
            continue;
        renameIn(folder, oldBase, newBase, report);
    }

    for (RecentLaunch& entry : places.recent)
        if (!entry.fileName.empty() && entry.fileName == oldName) entry.fileName = newName;
    return report;
}

std::string companionsLeftMessage(const std::vector<std::string>& paths) {
    std::string message =
        "次のファイルは同じ名前のファイルが既にあるため、名前を変えていません。\n";
    for (std::size_t i = 0; i < paths.size() && i < kListedPaths; ++i)
        message += "\n" + fs::pathFolder(paths[i]) + text::fileNameText(fs::pathName(paths[i]));
    if (paths.size() > kListedPaths)
        message += "\nほか " + std::to_string(paths.size() - kListedPaths) + " 件";
    return message;
}

}  // namespace romshelf
