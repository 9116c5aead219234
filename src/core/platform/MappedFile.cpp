#include "core/platform/MappedFile.h"

#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <utility>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

// File systems whose pages, once read, can be read again for as long as the file stays open:
// local disks and memory. Anything else (network shares, FUSE) is read instead.
bool mapsSafely(int fd) {
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

}  // namespace

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
        // Populated at once: the whole file is read anyway, and one call maps it all.
        void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
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

MappedFile::~MappedFile() {
    if (read_.empty()) ::munmap(const_cast<void*>(data_), size_);
}

}  // namespace romshelf
