#pragma once

#include <string>
#include <string_view>

#include "core/settings/DriveMap.h"

namespace romshelf {

// The folder every data path is built from. Normally the running executable's folder, so a copy
// of the program in any folder keeps its own data; when that folder is not writable, or the
// program is an installed copy (<prefix>/bin beside <prefix>/share/metainfo/<id>.metainfo.xml),
// the user's data folder ($XDG_DATA_HOME/romshelf-plus/, default ~/.local/share/romshelf-plus/).
class ProgramFolder {
public:
    // The id the desktop entry, the metainfo and the package are installed under.
    static constexpr std::string_view kInstalledId = "io.github.romshelf.RomshelfPlus";

    // `path` with or without a trailing '/'.
    explicit ProgramFolder(std::string path);

    static ProgramFolder locate();
    // The folder for an executable in `executableFolder` (empty: unknown); creates the user's
    // data folder when it is the one chosen.
    static ProgramFolder locateFor(const std::string& executableFolder);
    static std::string executableFolder();
    static std::string userDataFolder();
    // The user's cache folder for the program ($XDG_CACHE_HOME/romshelf-plus/, default
    // ~/.cache/romshelf-plus/).
    static std::string userCacheFolder();
    // Whether `executableFolder` is the bin (or, installed for the system, games) folder of an
    // installed copy.
    static bool isInstalledCopy(const std::string& executableFolder);

    // With a trailing '/'.
    const std::string& path() const { return path_; }
    // Without the trailing '/' (for the relative-path conversions).
    std::string pathWithoutSlash() const;

    std::string dataFolder() const { return path_ + "data/"; }
    std::string tempFolder() const { return path_ + "temp/"; }
    std::string frameFolder() const { return path_ + "frame/"; }
    std::string pluginFolder() const { return path_ + "plugin/"; }
    std::string backupFolder() const { return path_ + "backup/"; }
    // Where caches go (what can be made again from the files: sort keys, file identities,
    // unpacked images): beside a portable copy in cache/; for a program folder that is the
    // user's data folder, the user's cache folder, so that backups and synced data leave them.
    const std::string& cacheFolder() const { return cache_; }

    std::string dataFile(std::string_view name) const;
    // data/<prefix><code><suffix>, e.g. perHardwareFile("Folder_", "FC", ".slb").
    std::string perHardwareFile(std::string_view prefix, std::string_view code,
                                std::string_view suffix) const;

    // Where the Windows paths kept in the settings lead on this machine.
    const DriveMap& drives() const { return drives_; }
    void setDrives(DriveMap drives) { drives_ = std::move(drives); }

    // Creates data, temp, frame and plugin when absent; false when one could not be made.
    bool createSubfolders() const;

private:
    std::string path_;
    std::string cache_;
    DriveMap drives_;
};

}  // namespace romshelf
