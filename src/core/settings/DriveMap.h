#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where the Windows paths of a program folder copied from Windows lead on this machine: a drive
// letter ("D:") or a network path ("\\NAS\games") stands for a Linux folder. The settings keep
// their Windows paths as written, so the folder still works when it goes back to Windows.
namespace romshelf {

// "D:\…", "d:/…", "D:" or "\\server\share\…" (either separator).
bool isWindowsPath(std::string_view path);
// The drive or network share a Windows path begins with, in the form mappings are kept in: "D:"
// (letter in upper case) or "\\server\share" (as written, backslashes); empty for other paths.
std::string windowsRootOf(std::string_view path);
// "d:", "D:\", "//nas/games/" → "D:", "\\nas\games"; empty when `text` names no drive or share.
// A network root may go deeper than the share ("\\nas\games\fc").
std::string normalisedWindowsRoot(std::string_view text);

enum class DriveSource {
    User,          // set by the user (kept in data/romshelf-plus.ini)
    WinePrefix,    // a link in the Wine prefix's dosdevices
    DesktopShare,  // an SMB share the desktop has mounted (gvfs)
    CifsMount,     // a cifs/smb3 entry of the mount table
};

struct DriveMapping {
    std::string root;    // normalised: "D:", "\\nas\games"
    std::string folder;  // absolute, ending in '/'
    DriveSource source = DriveSource::User;

    bool operator==(const DriveMapping&) const = default;
};

class DriveMap {
public:
    DriveMap() = default;
    // The user's mappings win over those found for the same root.
    DriveMap(std::vector<DriveMapping> user, std::vector<DriveMapping> found);

    // The user's mappings first, then those found (of roots the user has not mapped).
    const std::vector<DriveMapping>& mappings() const { return mappings_; }
    const DriveMapping* find(std::string_view root) const;

    // The Linux path of a Windows path: the mapped folder, then each further part matched on
    // disk without regard to ASCII letter case (as Windows matches names); a part not found is
    // kept as written. nullopt when no mapping covers it.
    std::optional<std::string> toLinux(std::string_view windowsPath) const;
    // The Windows form of a Linux path under a mapped folder (the deepest one), with '\'; nullopt
    // when none covers it. A mapping of the whole file system ("/", Wine's Z:) is not used here:
    // it would turn every path into a Windows one.
    std::optional<std::string> toWindows(std::string_view linuxPath) const;
    // What a Windows program is given for a Linux path: its mapped form, else Wine's Z: drive.
    std::string forWindowsProgram(std::string_view linuxPath) const;

private:
    std::vector<DriveMapping> mappings_;
};

// Where the mappings found without asking come from. Tests point them at folders of their own.
struct DriveSearchPlaces {
    std::string winePrefix;  // $WINEPREFIX, else ~/.wine
    std::string gvfsFolder;  // $XDG_RUNTIME_DIR/gvfs
    std::string mountTable;  // /proc/self/mounts

    // `winePrefix` given: that prefix rather than Wine's own choice.
    static DriveSearchPlaces fromEnvironment(const std::string& winePrefix = {});
};

// The drive letters of the Wine prefix's dosdevices (and its unc/ links), the desktop's SMB
// shares and the cifs mounts, in that order.
std::vector<DriveMapping> findDrives(const DriveSearchPlaces& places);

std::string driveSourceName(DriveSource source);

}  // namespace romshelf
