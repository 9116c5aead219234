#include "core/platform/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

#include "core/platform/CrashPoint.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr std::string_view kPrefix = ".romshelf-part-";
constexpr std::size_t kRandomDigits = 16;

// The file a path names at the end of its chain of symbolic links (which need not exist yet).
std::string followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0) return path;
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : fs::pathFolder(path) + target;
    }
    return path;
}

}  // namespace

PendingFile::PendingFile(const std::string& finalPath) : finalPath_(followLinks(finalPath)) {
    if (finalPath.empty()) return;
    struct stat old {};
    const bool replacing = ::stat(finalPath_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    // A file its owner made read-only is not replaced behind their back: the rename below would
    // succeed, as the folder is what it needs. Modes do not stop root, hence the bits as well.
    if (replacing && ((old.st_mode & 0222) == 0 || ::access(finalPath_.c_str(), W_OK) != 0)) {
        error_ = EACCES;
        return;
    }
    std::string folder = fs::pathFolder(finalPath_);
    if (folder.empty()) folder = "./";
    // A short name of its own, so that a long final name cannot make it too long.
    static const char digits[] = "0123456789abcdef";
    std::random_device random;
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        std::string candidate = folder + std::string(kPrefix);
        for (int i = 0; i < static_cast<int>(kRandomDigits / 4); ++i) {
            unsigned bits = random();
            for (int k = 0; k < 4; ++k, bits >>= 4) candidate += digits[bits & 15];
        }
        fd_ = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            tempPath_ = std::move(candidate);
        } else if (errno != EEXIST) {
            error_ = errno;
            return;
        }
    }
    // A private file stays private after the save.
    if (fd_ >= 0 && replacing) ::fchmod(fd_, old.st_mode & 07777);
}

PendingFile::~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

bool PendingFile::write(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

bool PendingFile::setMode(unsigned mode) {
    return fd_ >= 0 && ::fchmod(fd_, static_cast<mode_t>(mode)) == 0;
}

bool PendingFile::commit(bool flush) {
    if (fd_ < 0 || committed_) return false;
    const bool flushed = !flush || ::fsync(fd_) == 0;
    if (!flushed) error_ = errno;
    const bool closed = ::close(fd_) == 0;
    if (!closed && error_ == 0) error_ = errno;
    fd_ = -1;
    if (!flushed || !closed) return false;
    crashPoint();
    if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
        error_ = errno;
        return false;
    }
    committed_ = true;
    crashPoint();
    if (flush) {
        const std::string parent = fs::pathFolder(finalPath_);
        const int dir =
            ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);  // make the rename itself durable
            ::close(dir);
        }
    }
    return true;
}

bool isPendingFileName(std::string_view name) {
    return name.size() == kPrefix.size() + kRandomDigits && name.starts_with(kPrefix) &&
           name.find_first_not_of("0123456789abcdef", kPrefix.size()) == std::string_view::npos;
}

int removeLeftoverPendingFiles(const std::string& folder, long long startedAt) {
    int removed = 0;
    for (const fs::DirEntry& entry : fs::listDirectory(folder)) {
        const std::string& name = entry.name;
        if (!isPendingFileName(name)) continue;
        const std::string path = fs::joinPath(folder, name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
            static_cast<long long>(st.st_mtime) + 60 > startedAt)
            continue;
        if (::unlink(path.c_str()) == 0) ++removed;
    }
    return removed;
}

}  // namespace romshelf
