#pragma once

#include <array>
#include <string>

#include "core/storage/DataStream.h"

namespace romshelf {
class DriveMap;
}

namespace romshelf {

inline constexpr int kRomFolderCount = 250;
inline constexpr int kSnapFolderCount = 5;
inline constexpr int kMediaFolderCount = 5;
inline constexpr int kExtraExtensionCount = 9;

// One hardware's folders: ROM folders, snaps, media, the rename destinations, TEMP, saves, and
// the extra extensions the file list accepts.
struct FolderSettings {
    std::array<std::string, kRomFolderCount> romFolderNames{};
    std::array<std::string, kRomFolderCount> romFolderPaths{};
    std::array<std::string, kSnapFolderCount> snapFolderNames{};
    std::array<std::string, kSnapFolderCount> snapFolderPaths{};
    std::string renameOkFolder;
    std::string renameFailedFolder;
    std::string duplicateFolder;
    std::string tempFolder;
    std::string saveFolder;
    std::array<std::string, kExtraExtensionCount> extraExtensions{};
    std::array<std::string, kMediaFolderCount> mediaFolderPaths{};

    bool operator==(const FolderSettings&) const = default;
};

// The body of Folder_<code>.slb in file order.
template <class Io, class S>
void transferFolderSettings(Io& io, S& f) {
    for (int i = 0; i < kRomFolderCount; ++i) {
        io.field(f.romFolderNames[i], "romFolders", i, "name");
        io.field(f.romFolderPaths[i], "romFolders", i, "path");
    }
    for (int i = 0; i < kSnapFolderCount; ++i) {
        io.field(f.snapFolderNames[i], "snapFolders", i, "name");
        io.field(f.snapFolderPaths[i], "snapFolders", i, "path");
    }
    io.field(f.renameOkFolder, "renameOkFolder");
    io.field(f.renameFailedFolder, "renameFailedFolder");
    io.field(f.duplicateFolder, "duplicateFolder");
    io.field(f.tempFolder, "tempFolder");
    io.field(f.saveFolder, "saveFolder");
    for (int i = 0; i < kExtraExtensionCount; ++i)
        io.field(f.extraExtensions[i], "extraExtensions", i);
    for (int i = 0; i < kMediaFolderCount; ++i)
        io.field(f.mediaFolderPaths[i], "mediaFolderPaths", i);
    for (int i = 0; i < 45; ++i) io.reservedString("reservedStrings", i);
    for (int i = 0; i < 20; ++i) io.reservedInteger("reservedIntegers", i);
}

// Reads a folder file as stored (no path conversion); missing or rejected gives all-empty
// settings (a rejected file shows its message).
LoadResult loadFolderSettingsFile(DataStream& stream, const std::string& path, Prompter& prompter,
                                  FolderSettings& settings);
bool saveFolderSettingsFile(DataStream& stream, const std::string& path,
                            const FolderSettings& settings);

// The current hardware's folders as the program uses them: absolute paths ending in '/', TEMP
// never empty and never a ROM folder, and the numbers of the ROM folders the rename
// destinations point at (-1: none).
struct LoadedFolders {
    FolderSettings folders;
    int renameOkNumber = -1;
    int renameFailedNumber = -1;
    int duplicateNumber = -1;
};

// Applies the load-time conversions and rules to settings read as stored.
// Windows paths lead where `drives` maps them.
LoadedFolders resolveLoadedFolders(FolderSettings stored, const std::string& programFolder,
                                   bool otherSoftware, const DriveMap* drives = nullptr);
// What the program uses when the file is missing or rejected.
LoadedFolders emptyLoadedFolders(const std::string& programFolder);

}  // namespace romshelf
