#include "core/platform/MappedFile.h"

#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "core/platform/FileSystem.h"

namespace romshelf {

bool MappedFile::mapsSafely(int fd) {
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case EXT4_SUPER_MAGIC:  // also ext2 and ext3
        case BTRFS_SUPER_MAGIC:
        case XFS_SUPER_MAGIC:
        case TMPFS_MAGIC:
        case F2FS_SUPER_MAGIC:
        case OVERLAYFS_SUPER_MAGIC:
        case 0x2FC12FC1:  // ZFS
            return true;
        default:
            return false;
    }
}

std::shared_ptr<const MappedFile> MappedFile::open(const std::string& path, std::uint64_t maxBytes,
                                                   Way way) {
    const int fd = fs::openRegularFile(path);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size <= 0 ||
        static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return nullptr;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    if (way == Way::Chosen && mapsSafely(fd)) {
        // Not populated: a reader that checks the file a part at a time and gives each part back
        // (release) never holds the whole of it in memory.
        void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (data != MAP_FAILED) {
            ::close(fd);
            return std::shared_ptr<const MappedFile>(new MappedFile(data, size));
        }
    }
    std::optional<std::string> read = fs::readRest(fd, maxBytes);
    ::close(fd);
    if (!read || read->empty()) return nullptr;
    return std::shared_ptr<const MappedFile>(new MappedFile(std::move(*read)));
}

void MappedFile::release(std::size_t from, std::size_t size) const {
    if (!mapped() || from >= size_) return;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t start = (from + page - 1) / page * page;
    // The last page holds nothing past the file's end: it goes too when the range reaches there.
    const std::size_t to = std::min(size_, from + size);
    const std::size_t end = to == size_ ? (to + page - 1) / page * page : to / page * page;
    if (end <= start) return;
    // A private mapping that was only read: dropping its pages loses nothing.
    ::madvise(static_cast<char*>(const_cast<void*>(data_)) + start, end - start, MADV_DONTNEED);
}

MappedFile::~MappedFile() {
    if (read_.empty()) ::munmap(const_cast<void*>(data_), size_);
}

}  // namespace romshelf
