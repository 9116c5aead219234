#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Plain POSIX file helpers shared by the whole core. Paths are UTF-8 byte strings.
namespace romshelf::fs {

bool fileExists(const std::string& path);  // a regular file (or a link to one)
bool directoryExists(const std::string& path);
bool pathExists(const std::string& path);  // anything at all
bool isWritableDirectory(const std::string& path);
// A folder whose entries can be listed (not merely one that exists: a share may refuse).
bool isReadableDirectory(const std::string& path);

// Creates the folder when it is absent; true when it exists afterwards.
bool createDirectory(const std::string& path);
// Creates the folder and every missing folder above it; true when it exists afterwards.
bool createDirectories(const std::string& path);

// What the open file was when it was opened: a pass over many files needs no stat of its own.
struct OpenedFile {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
};

// Opens a regular file (or a link to one) for reading, close-on-exec; -1 for anything else. A
// FIFO or a device is refused without waiting for a writer or for the hardware. `opened`, when
// given, receives its size and time of change.
int openRegularFile(const std::string& path, OpenedFile* opened = nullptr);

// Reads a whole regular file; nullopt when it cannot be opened, is not a regular file or is
// larger than maxBytes.
std::optional<std::string> readFile(const std::string& path,
                                    std::uint64_t maxBytes = 512ull * 1024 * 1024);
// Reads what is left of the open file `fd` (which stays open); nullopt on a read error or when it
// holds more than maxBytes.
std::optional<std::string> readRest(int fd, std::uint64_t maxBytes);

// Writes a temporary file beside `path`, flushes it to disk and renames it over `path`,
// so a crash or a full disk never leaves a truncated file in its place.
bool writeFileAtomically(const std::string& path, std::string_view bytes);

bool removeFile(const std::string& path);

// Copies a file, replacing the destination (written atomically).
bool copyFile(const std::string& from, const std::string& to);

enum class MoveResult { Moved, TargetExists, Failed };

// Moves the regular file `from` to `to` without ever replacing an existing `to` (a rename would
// overwrite it silently). Across file systems the file is copied beside `to`, flushed to disk and
// only then given its name, and the source is removed last: a crash leaves the file under its old
// name or its new one (at worst with a stray temporary file in the target's folder), never a
// partial file under the new name. When the source cannot be removed, the copy is removed again
// and the move fails.
MoveResult moveFileNoReplace(const std::string& from, const std::string& to);

namespace detail {
// The way moveFileNoReplace takes across file systems; callable directly so that it can be tried
// within one file system.
MoveResult moveByCopy(const std::string& from, const std::string& to);
}  // namespace detail

// Flushes to disk everything written on the file systems that hold `folders` (syncfs): one
// flush at the end of a batch whose files were each renamed into place without their own. False
// when a folder could not be opened or flushed.
bool syncFileSystems(const std::vector<std::string>& folders);

// Flushes the data of the open file `fd` (the file at `path`) to disk (fdatasync): what must be
// there before a step that depends on it, should the power fail.
bool syncData(int fd, const std::string& path);
// Flushes the folder of `path` to disk, and with it the entry that gives the file its name.
bool syncFolderOf(const std::string& path);

namespace detail {
// What reaches the disk and in which order, for the tests that check what a power cut would
// leave: a file's data (or a folder) flushed, and a file given another name.
struct DiskEvent {
    enum class Kind { Synced, Renamed };
    Kind kind = Kind::Synced;
    std::string path;  // the file or folder flushed, or the file renamed
    std::string to;    // the new name
};
using DiskWatcher = void (*)(const DiskEvent&);
// Calls `watcher` with each flush and each rename of syncData, syncFolderOf and
// moveFileNoReplace from then on (nullptr: none). Only tests set it.
void watchDisk(DiskWatcher watcher);
}  // namespace detail

std::optional<std::uint64_t> fileSize(const std::string& path);

// Whether `path` (or, when it does not exist yet, its folder) lies on a file system another
// machine may share: NFS, SMB/CIFS, FUSE (SSHFS and the like), 9p, AFS, Ceph and a few more. A
// shared-memory file (SQLite's WAL) and the locks there are not to be trusted. False when it
// cannot be told.
bool isNetworkFileSystem(const std::string& path);
// The same for a statfs f_type.
bool isNetworkFileSystemType(std::uint64_t type);

// The permission bits of the regular file at `path` (nullopt when nothing can be found there).
// False when something else than a regular file is there.
bool regularFileMode(const std::string& path, std::optional<unsigned>& mode);

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};

// Lists a folder once (without "." and ".."), entries in byte order of their names.
std::vector<DirEntry> listDirectory(const std::string& folder);

// Windows-style name match: ASCII case-insensitive, '*' and '?' wildcards only.
bool matchesPattern(std::string_view name, std::string_view pattern);

// Joins a folder and a name with exactly one '/' between them.
std::string joinPath(std::string_view folder, std::string_view name);
// A folder's path with one '/' at its end (the program's way of naming a folder); "" stays "".
std::string asFolder(std::string_view path);

// Path parts in the Windows sense: "a/b/c.tar.gz" -> folder "a/b/", name "c.tar.gz",
// title "c.tar", extension ".gz" (with its dot; empty when there is none).
std::string pathFolder(std::string_view path);
std::string pathName(std::string_view path);
std::string pathTitle(std::string_view path);
std::string pathExtension(std::string_view path);

}  // namespace romshelf::fs
