#include "core/platform/MappedFile.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/platform/FileSystem.h"

namespace romshelf {

std::shared_ptr<const MappedFile> MappedFile::open(const std::string& path,
                                                   std::uint64_t maxBytes) {
    const int fd = fs::openRegularFile(path);
    if (fd < 0) return nullptr;
    struct stat st {};
    void* data = MAP_FAILED;
    if (::fstat(fd, &st) == 0 && st.st_size > 0 &&
        static_cast<std::uint64_t>(st.st_size) <= maxBytes)
        // Populated at once: the whole file is read anyway, and one call maps it all.
        data = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ,
                      MAP_PRIVATE | MAP_POPULATE, fd, 0);
    ::close(fd);
    if (data == MAP_FAILED) return nullptr;
    return std::shared_ptr<const MappedFile>(
        new MappedFile(data, static_cast<std::size_t>(st.st_size)));
}

MappedFile::~MappedFile() { ::munmap(const_cast<void*>(data_), size_); }

}  // namespace romshelf
