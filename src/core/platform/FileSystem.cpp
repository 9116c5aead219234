#include "core/platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "core/platform/AsciiCase.h"
#include "core/platform/CrashPoint.h"
#include "core/platform/PendingFile.h"

namespace romshelf::fs {

namespace {

std::atomic<detail::DiskWatcher> diskWatcher{nullptr};

void tell(detail::DiskEvent::Kind kind, const std::string& path, const std::string& to = {}) {
    if (const detail::DiskWatcher watcher = diskWatcher.load()) watcher({kind, path, to});
}

bool statPath(const std::string& path, struct stat& st) {
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace

bool fileExists(const std::string& path) {
    struct stat st {};
    return statPath(path, st) && S_ISREG(st.st_mode);
}

bool directoryExists(const std::string& path) {
    struct stat st {};
    return statPath(path, st) && S_ISDIR(st.st_mode);
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return statPath(path, st);
}

bool isWritableDirectory(const std::string& path) {
    return directoryExists(path) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

bool isReadableDirectory(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return false;
    ::closedir(dir);
    return true;
}

bool createDirectory(const std::string& path) {
    if (directoryExists(path)) return true;
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (::mkdir(p.c_str(), 0777) == 0) return true;
    return directoryExists(path);
}

bool createDirectories(const std::string& path) {
    for (std::size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') createDirectory(path.substr(0, i));
    return createDirectory(path);
}

int openRegularFile(const std::string& path, OpenedFile* opened) {
    // Not even opened when it is something else: opening a device can have effects of its own.
    if (!fileExists(path)) return -1;
    // Without O_NONBLOCK, opening a FIFO put there meanwhile would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    if (opened) {
        opened->size = static_cast<std::uint64_t>(st.st_size);
        opened->mtimeNs =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    }
    return fd;
}

std::optional<std::string> readFile(const std::string& path, std::uint64_t maxBytes) {
    const int fd = openRegularFile(path);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<std::string> data;
    if (::fstat(fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) <= maxBytes) {
        data = readRest(fd, maxBytes);
    }
    ::close(fd);
    return data;
}

std::optional<std::string> readRest(int fd, std::uint64_t maxBytes) {
    std::string data;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        data.reserve(static_cast<std::size_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), maxBytes)));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) return data;
        data.append(buffer, static_cast<std::size_t>(n));
        if (data.size() > maxBytes) return std::nullopt;
    }
}

bool writeFileAtomically(const std::string& path, std::string_view bytes) {
    PendingFile file(path);
    return file.isOpen() && file.write(bytes) && file.commit();
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

namespace {

enum class Placing { Done, Exists, OtherFileSystem, Failed };

// Gives `from` the name `to` unless something (even a dangling link) is there.
Placing renameNoReplace(const std::string& from, const std::string& to) {
    tell(detail::DiskEvent::Kind::Renamed, from, to);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return Placing::Done;
    if (errno == EEXIST) return Placing::Exists;
    if (errno == EXDEV) return Placing::OtherFileSystem;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP)
        return Placing::Failed;
    // The file system knows no such flag (NFS, many FUSE ones): a hard link is refused on an
    // existing name just as atomically.
    if (::link(from.c_str(), to.c_str()) == 0) {
        // Gone already (removed meanwhile by someone else): the new name is the only one left.
        if (::unlink(from.c_str()) == 0 || errno == ENOENT) return Placing::Done;
        ::unlink(to.c_str());  // the file is still there under its old name
        return Placing::Failed;
    }
    if (errno == EEXIST) return Placing::Exists;
    if (errno == EXDEV) return Placing::OtherFileSystem;
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK)
        return Placing::Failed;
    // No hard links either (FAT through FUSE): a look just before the rename is all that is left.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return Placing::Exists;
    if (errno != ENOENT) return Placing::Failed;
    if (::rename(from.c_str(), to.c_str()) == 0) return Placing::Done;
    return errno == EXDEV ? Placing::OtherFileSystem : Placing::Failed;
}

bool copyInto(int in, PendingFile& out) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!out.write(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) return false;
    }
}

}  // namespace

MoveResult moveFileNoReplace(const std::string& from, const std::string& to) {
    if (!fileExists(from) || to.empty()) return MoveResult::Failed;
    switch (renameNoReplace(from, to)) {
        case Placing::Done:
            return MoveResult::Moved;
        case Placing::Exists:
            return MoveResult::TargetExists;
        case Placing::OtherFileSystem:
            return detail::moveByCopy(from, to);
        case Placing::Failed:
            break;
    }
    return MoveResult::Failed;
}

MoveResult detail::moveByCopy(const std::string& from, const std::string& to) {
    struct stat target {};
    if (to.empty()) return MoveResult::Failed;
    // Spares a whole copy when the name is taken already; the placing below decides for good.
    if (::lstat(to.c_str(), &target) == 0) return MoveResult::TargetExists;
    const int in = openRegularFile(from);
    if (in < 0) return MoveResult::Failed;
    struct stat source {};
    bool copied = false;
    // The temporary file is removed again by its destructor unless it got the name.
    PendingFile copy(to);
    if (::fstat(in, &source) == 0 && copy.isOpen() && copyInto(in, copy)) {
        copy.setMode(source.st_mode & 07777);
        const struct timespec times[2] = {source.st_atim, source.st_mtim};
        ::futimens(copy.fd(), times);
        // On disk before it has the name: the source goes once the name is there.
        copied = ::fsync(copy.fd()) == 0;
    }
    ::close(in);
    if (!copied) return MoveResult::Failed;
    crashPoint();
    switch (renameNoReplace(copy.temporaryPath(), to)) {
        case Placing::Done:
            break;
        case Placing::Exists:
            return MoveResult::TargetExists;
        case Placing::OtherFileSystem:
        case Placing::Failed:
            return MoveResult::Failed;
    }
    syncFolderOf(to);
    crashPoint();
    if (::unlink(from.c_str()) != 0 && errno != ENOENT) {
        // Two copies would leave the caller unsure which is the file: keep the old state. A
        // source removed meanwhile by someone else leaves the copy as the only one: it stays.
        ::unlink(to.c_str());
        return MoveResult::Failed;
    }
    return MoveResult::Moved;
}

bool copyFile(const std::string& from, const std::string& to) {
    const int in = openRegularFile(from);
    if (in < 0) return false;
    // Through a buffer, not whole: a disc image may be larger than the memory.
    PendingFile copy(to);
    const bool copied = copy.isOpen() && copyInto(in, copy);
    ::close(in);
    return copied && copy.commit();
}

bool syncFileSystems(const std::vector<std::string>& folders) {
    bool synced = true;
    for (const std::string& folder : folders) {
        const int fd =
            ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        synced = fd >= 0 && ::syncfs(fd) == 0 && synced;
        if (fd >= 0) ::close(fd);
    }
    return synced;
}

bool syncData(int fd, const std::string& path) {
    if (::fdatasync(fd) != 0) return false;
    tell(detail::DiskEvent::Kind::Synced, path);
    return true;
}

bool syncFolderOf(const std::string& path) {
    const std::string folder = pathFolder(path);
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    const bool synced = ::fsync(dir) == 0;
    ::close(dir);
    if (synced) tell(detail::DiskEvent::Kind::Synced, folder);
    return synced;
}

void detail::watchDisk(DiskWatcher watcher) { diskWatcher.store(watcher); }

std::optional<std::uint64_t> fileSize(const std::string& path) {
    struct stat st {};
    if (!statPath(path, st) || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool isNetworkFileSystemType(std::uint64_t type) {
    switch (type) {
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFE534D42:  // SMB2
        case 0xFF534D42:  // CIFS
        case 0x65735546:  // FUSE: SSHFS, rclone; a local FUSE disk only loses WAL's speed
        case 0x01021997:  // 9p
        case 0x5346414F:  // AFS
        case 0x6B414653:  // kAFS
        case 0x00C36400:  // Ceph
        case 0x73757245:  // Coda
        case 0x564C:      // NCP
        case 0x7461636F:  // OCFS2
        case 0x01161970:  // GFS2
            return true;
        default:
            return false;
    }
}

bool isNetworkFileSystem(const std::string& path) {
    struct statfs st {};
    if (path.empty()) return false;
    if (::statfs(path.c_str(), &st) != 0) {
        const std::string folder = pathFolder(path);
        if (::statfs(folder.empty() ? "." : folder.c_str(), &st) != 0) return false;
    }
    return isNetworkFileSystemType(static_cast<std::uint64_t>(st.f_type));
}

bool regularFileMode(const std::string& path, std::optional<unsigned>& mode) {
    mode.reset();
    struct stat st {};
    if (!statPath(path, st)) return true;
    if (!S_ISREG(st.st_mode)) return false;
    mode = static_cast<unsigned>(st.st_mode & 07777);
    return true;
}

std::vector<DirEntry> listDirectory(const std::string& folder) {
    std::vector<DirEntry> entries;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return entries;
    while (dirent* e = ::readdir(dir)) {
        std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        DirEntry entry;
        entry.name = std::string(name);
        if (e->d_type == DT_DIR) {
            entry.isDirectory = true;
        } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            entry.isDirectory = directoryExists(joinPath(folder, name));
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
}

bool matchesPattern(std::string_view name, std::string_view pattern) {
    // Iterative wildcard match with single-star backtracking: linear in practice.
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || ascii::lower(pattern[p]) == ascii::lower(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string asFolder(std::string_view path) {
    std::string out(path);
    if (!out.empty() && out.back() != '/') out += '/';
    return out;
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string out = asFolder(folder);
    std::size_t skip = 0;
    while (skip < name.size() && name[skip] == '/' && !out.empty()) ++skip;
    out.append(name.substr(skip));
    return out;
}

std::string pathFolder(std::string_view path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string_view::npos) return {};
    return std::string(path.substr(0, slash + 1));
}

std::string pathName(std::string_view path) {
    auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string pathTitle(std::string_view path) {
    std::string name = pathName(path);
    auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return name;
    return name.substr(0, dot);
}

std::string pathExtension(std::string_view path) {
    std::string name = pathName(path);
    auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return {};
    return name.substr(dot);
}

}  // namespace romshelf::fs
