#include "core/app/TempFolders.h"

#include <cstdlib>
#include <optional>
#include <sstream>

#include "core/launch/TempCleaner.h"
#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"
#include "core/text/TextCodec.h"

namespace romshelf {

namespace {

void addFolders(const FolderSettings& f, std::vector<std::string>& out) {
    for (const auto& p : f.romFolderPaths)
        if (!p.empty()) out.push_back(p);
    for (const auto& p : f.snapFolderPaths)
        if (!p.empty()) out.push_back(p);
    for (const auto& p : f.mediaFolderPaths)
        if (!p.empty()) out.push_back(p);
    for (const std::string* p :
         {&f.renameOkFolder, &f.renameFailedFolder, &f.duplicateFolder, &f.saveFolder})
        if (!p->empty()) out.push_back(*p);
}

}  // namespace

std::vector<std::string> TempFolders::keptFolders() {
    std::vector<std::string> kept = {folder_.path(), folder_.dataFolder()};
    if (const char* home = std::getenv("HOME"); home && *home) kept.emplace_back(home);
    addFolders(session_.folders().folders, kept);
    // Another hardware's folder file is only looked at here: its faults are told when it loads.
    SilentPrompter quiet;
    for (const HardwareInfo& hw : hardwareTable()) {
        FolderSettings stored;
        if (loadFolderSettingsFile(stream_, session_.dataFile("Folder_", hw.code, ".slb"), quiet,
                                   stored) != LoadResult::Loaded)
            continue;
        const LoadedFolders loaded = resolveLoadedFolders(
            std::move(stored), folder_.path(), hw.traits.otherSoftware, &folder_.drives());
        // Other software names programs and documents: their folders are what is kept.
        FolderSettings f = loaded.folders;
        if (hw.traits.otherSoftware)
            for (auto& p : f.romFolderPaths) p = fs::pathFolder(p);
        addFolders(f, kept);
    }
    return kept;
}

void TempFolders::takeOverLeftFolders() {
    const auto bytes = fs::readFile(leftFoldersFile());
    if (!bytes) return;
    std::istringstream lines(text::decodeTextFile(*bytes));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        session_.recordSessionTempFolder(line);
    }
}

void TempFolders::leaveFoldersForLater() {
    takeOverLeftFolders();
    std::string text;
    for (const std::string& f : session_.sessionTempFolders())
        if (!f.empty()) text += f + "\r\n";
    fs::writeFileAtomically(leftFoldersFile(), text::encodeTextFile(text));
}

int TempFolders::clean() {
    takeOverLeftFolders();
    // Resolved once, and only when there is something to remove: on a share each folder
    // resolved is a look at the disk for each part of its path.
    std::optional<std::vector<std::string>> kept;
    int removed = 0;
    std::string refused;
    for (const std::string& temp : session_.sessionTempFolders()) {
        if (temp.empty()) continue;
        const std::vector<std::string> names = removableInTemp(temp);
        if (names.empty()) continue;
        if (!kept) kept = resolvedFolders(keptFolders());
        if (holdsKeptFolder(temp, *kept))
            refused += "\n" + temp;
        else
            removed += removeFromTemp(temp, names);
    }
    fs::removeFile(leftFoldersFile());
    if (!refused.empty())
        prompter_.inform(
            "次のTEMPフォルダはプログラムやROMなどのフォルダを含むため、消去しませんでした。" +
                refused,
            std::string(kWarningTitle));
    return removed;
}

int TempFolders::clearCommand() {
    if (!prompter_.ask(std::string(kClearTempQuestion), std::string(kClearTempTitle))) return -1;
    return clean();
}

}  // namespace romshelf
