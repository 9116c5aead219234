#pragma once

#include <string>

// The desktop's trash, as freedesktop.org describes it: a file moved there can be restored by the
// user's file manager, which reads where it came from in its .trashinfo.
namespace romshelf::fs {

enum class TrashResult {
    Trashed,      // in a trash folder, with its .trashinfo
    Unavailable,  // no trash can take it (another file system without a usable trash folder)
    Failed,       // no such file, or it could not be moved
};

// The user's own trash: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash. Ends with '/'.
std::string homeTrashFolder();

// Moves the regular file `path` into the trash of its file system: the home trash when the file
// lies on the home trash's file system, else $topdir/.Trash/$uid (when the administrator made a
// sticky .Trash) or $topdir/.Trash-$uid of its mount point. The .trashinfo is written first under
// a name of its own (reserving the name), then the file is renamed beside it, so a crash leaves the
// file whole where it was or in the trash. Never copies across file systems. `trashedAs` gets the
// path the file now has.
TrashResult moveToTrash(const std::string& path, std::string* trashedAs = nullptr);

// The file URL path of .trashinfo's Path= key: bytes other than letters, digits, "-._~/" are
// written as %XX.
std::string trashInfoPath(const std::string& path);

}  // namespace romshelf::fs
