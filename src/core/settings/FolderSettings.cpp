#include "core/settings/FolderSettings.h"

#include "core/settings/DriveMap.h"
#include "core/settings/PathRules.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

LoadResult loadFolderSettingsFile(DataStream& stream, const std::string& path, Prompter& prompter,
                                  FolderSettings& settings) {
    FolderSettings scratch;
    LoadResult result =
        loadDataFile(stream, path, DataFileKind::Folder, prompter, [&](DataStream& s) {
            scratch = FolderSettings{};
            DataReader reader(s);
            transferFolderSettings(reader, scratch);
        });
    settings = result == LoadResult::Loaded ? std::move(scratch) : FolderSettings{};
    return result;
}

bool saveFolderSettingsFile(DataStream& stream, const std::string& path,
                            const FolderSettings& settings) {
    return saveDataFile(stream, path, DataFileKind::Folder, [&](DataStream& s) {
        DataWriter writer(s);
        transferFolderSettings(writer, settings);
    });
}

namespace {

int romFolderNumberOf(const FolderSettings& f, const std::string& path) {
    if (path.empty()) return -1;
    for (int i = 0; i < kRomFolderCount; ++i)
        if (f.romFolderPaths[i] == path) return i;
    return -1;
}

}  // namespace

LoadedFolders resolveLoadedFolders(FolderSettings f, const std::string& programFolder,
                                   bool otherSoftware, const DriveMap* drives) {
    auto resolve = [&](std::string& p) { p = paths::resolveFolderPath(p, programFolder, drives); };
    for (auto& p : f.romFolderPaths) resolve(p);
    for (auto& p : f.snapFolderPaths) resolve(p);
    resolve(f.renameOkFolder);
    resolve(f.renameFailedFolder);
    resolve(f.duplicateFolder);
    resolve(f.tempFolder);
    resolve(f.saveFolder);
    for (auto& p : f.mediaFolderPaths) resolve(p);

    // Other software lists programs and documents: its "folders" name files.
    if (otherSoftware) {
        for (auto& p : f.romFolderPaths)
            if (p.size() > 1 && p.back() == '/') p.pop_back();
    }
    // TEMP is emptied at exit, so it must never be a ROM folder; a Windows one that leads nowhere
    // here cannot be unpacked into.
    const std::string defaultTemp = emptyLoadedFolders(programFolder).folders.tempFolder;
    if (f.tempFolder.empty() || isWindowsPath(f.tempFolder) ||
        romFolderNumberOf(f, f.tempFolder) >= 0)
        f.tempFolder = defaultTemp;

    LoadedFolders loaded;
    loaded.renameOkNumber = romFolderNumberOf(f, f.renameOkFolder);
    loaded.renameFailedNumber = romFolderNumberOf(f, f.renameFailedFolder);
    loaded.duplicateNumber = romFolderNumberOf(f, f.duplicateFolder);
    loaded.folders = std::move(f);
    return loaded;
}

LoadedFolders emptyLoadedFolders(const std::string& programFolder) {
    LoadedFolders loaded;
    // The program folder is absolute already: taken as it is, even with ".." in a folder name.
    loaded.folders.tempFolder = fs::joinPath(programFolder, "temp/");
    return loaded;
}

}  // namespace romshelf
