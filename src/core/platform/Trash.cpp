#include "core/platform/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "core/platform/FileSystem.h"
#include "core/platform/LocalTime.h"

namespace romshelf::fs {

namespace {

// A trash folder ready for use, and how its .trashinfo names the original path.
struct TrashFolder {
    std::string folder;  // ends with '/'
    std::string topDir;  // "" for the home trash (absolute paths), else the mount point + '/'
};

bool isOwnedFolder(const std::string& path, dev_t device) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           st.st_dev == device;
}

// files/ and info/ under `folder`, made with the modes the desktop expects.
bool prepareTrash(const std::string& folder, dev_t device) {
    for (const char* part : {"", "files", "info"}) {
        const std::string path = folder + part;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (!isOwnedFolder(path, device)) return false;
    }
    return true;
}

bool makeParents(const std::string& folder) {
    std::string path;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        path += folder[i];
        if (folder[i] == '/' && path.size() > 1 && ::mkdir(path.c_str(), 0700) != 0 &&
            errno != EEXIST)
            return false;
    }
    return true;
}

// The topmost folder above `path` on the same file system: its mount point, ending with '/'.
std::string mountPointOf(const std::string& path, dev_t device) {
    std::string top = pathFolder(path);
    while (top.size() > 1) {
        std::string parent = top.substr(0, top.size() - 1);
        parent = pathFolder(parent);
        struct stat st {};
        if (parent.empty() || ::stat(parent.c_str(), &st) != 0 || st.st_dev != device) break;
        top = parent;
    }
    return top;
}

std::optional<TrashFolder> trashFor(const std::string& path, dev_t device) {
    const std::string home = homeTrashFolder();
    struct stat st {};
    const std::string homeParent = pathFolder(home.substr(0, home.size() - 1));
    if (makeParents(homeParent) && ::stat(homeParent.c_str(), &st) == 0 && st.st_dev == device)
        return prepareTrash(home, device) ? std::optional<TrashFolder>({home, ""}) : std::nullopt;
    const std::string top = mountPointOf(path, device);
    const std::string uid = std::to_string(::getuid());
    // A shared .Trash the administrator made: sticky, a real folder, not a link.
    const std::string shared = top + ".Trash";
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
        st.st_dev == device && prepareTrash(fs::joinPath(shared, uid + "/"), device))
        return TrashFolder{fs::joinPath(shared, uid + "/"), top};
    const std::string own = top + ".Trash-" + uid + "/";
    if (prepareTrash(own, device)) return TrashFolder{own, top};
    return std::nullopt;
}

std::string deletionDate() { return localTimeText("%Y-%m-%dT%H:%M:%S"); }

// Creates info/<name>.trashinfo when that name is free; false when it is taken or unwritable
// (`taken` tells which).
bool writeInfo(const std::string& infoPath, const std::string& contents, bool& taken) {
    const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    taken = fd < 0 && errno == EEXIST;
    if (fd < 0) return false;
    bool ok =
        ::write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok) ::unlink(infoPath.c_str());
    return ok;
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    char* cwd = ::getcwd(nullptr, 0);
    if (cwd == nullptr) return path;
    std::string absolute = joinPath(cwd, path);
    std::free(cwd);
    return absolute;
}

}  // namespace

std::string homeTrashFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return joinPath(data, "Trash/");
    const char* home = std::getenv("HOME");
    return joinPath(home != nullptr && home[0] != '\0' ? home : "/", ".local/share/Trash/");
}

std::string trashInfoPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

TrashResult moveToTrash(const std::string& given, std::string* trashedAs) {
    const std::string path = absolutePath(given);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        return TrashResult::Failed;
    const std::optional<TrashFolder> trash = trashFor(path, st.st_dev);
    if (!trash) return TrashResult::Unavailable;
    const std::string original = trash->topDir.empty() ? path : path.substr(trash->topDir.size());
    const std::string info =
        "[Trash Info]\nPath=" + trashInfoPath(original) + "\nDeletionDate=" + deletionDate() + "\n";
    const std::string name = pathName(path), title = pathTitle(path), ext = pathExtension(path);
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate = n == 1 ? name : title + "." + std::to_string(n) + ext;
        const std::string infoPath = trash->folder + "info/" + candidate + ".trashinfo";
        bool taken = false;
        if (!writeInfo(infoPath, info, taken)) {
            if (taken) continue;
            return TrashResult::Failed;
        }
        const std::string target = trash->folder + "files/" + candidate;
        const MoveResult moved = moveFileNoReplace(path, target);
        if (moved == MoveResult::Moved) {
            if (trashedAs) *trashedAs = target;
            return TrashResult::Trashed;
        }
        ::unlink(infoPath.c_str());
        if (moved != MoveResult::TargetExists) return TrashResult::Failed;
    }
    return TrashResult::Failed;
}

}  // namespace romshelf::fs
