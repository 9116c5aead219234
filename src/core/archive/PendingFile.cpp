#include "archive/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/FileSystem.h"

namespace romshelf::archive {

PendingFile::PendingFile(const std::string& finalPath) : finalPath_(finalPath) {
    std::string folder = fs::pathFolder(finalPath);
    if (folder.empty())
        folder = "./";
    std::string pattern = folder + ".romshelf-part-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ >= 0)
        tempPath_ = pattern;
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
    return true;
}

}  // namespace romshelf::archive
