#include "core/platform/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

#include "core/platform/FileSystem.h"

namespace romshelf {

PendingFile::PendingFile(const std::string& finalPath) : finalPath_(finalPath) {
    if (finalPath.empty())
        return;
    std::string folder = fs::pathFolder(finalPath);
    if (folder.empty())
        folder = "./";
    // A short name of its own, so that a long final name cannot make it too long.
    static const char digits[] = "0123456789abcdef";
    std::random_device random;
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        std::string candidate = folder + ".romshelf-part-";
        for (int i = 0; i < 4; ++i) {
            unsigned bits = random();
            for (int k = 0; k < 4; ++k, bits >>= 4) candidate += digits[bits & 15];
        }
        fd_ = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            tempPath_ = std::move(candidate);
        else if (errno != EEXIST)
            return;
    }
}

PendingFile::~PendingFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !tempPath_.empty())
        ::unlink(tempPath_.c_str());
}

bool PendingFile::write(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
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
    if (fd_ < 0 || committed_)
        return false;
    const bool flushed = !flush || ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!flushed || !closed || ::rename(tempPath_.c_str(), finalPath_.c_str()) != 0)
        return false;
    committed_ = true;
    if (flush) {
        const std::string parent = fs::pathFolder(finalPath_);
        const int dir = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);  // make the rename itself durable
            ::close(dir);
        }
    }
    return true;
}

}  // namespace romshelf
