#include "core/archive/ArchiveReadBack.h"

#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/archive/ArchiveExtractor.h"
#include "core/archive/LibarchiveSupport.h"
#include "core/platform/FileSystem.h"

namespace romshelf::archive {

namespace {

void add(ByteSum& sum, const void* data, std::size_t size) {
    // zlib takes at most 4 GiB a call.
    const auto* bytes = static_cast<const Bytef*>(data);
    while (size > 0) {
        const std::size_t part = std::min<std::size_t>(size, 1u << 30);
        sum.crc = static_cast<std::uint32_t>(::crc32(sum.crc, bytes, static_cast<uInt>(part)));
        sum.size += part;
        bytes += part;
        size -= part;
    }
}

}  // namespace

std::optional<ByteSum> fileSum(const std::string& path) {
    const int fd = fs::openRegularFile(path);
    if (fd < 0) return std::nullopt;
    ByteSum sum;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            return n == 0 ? std::optional<ByteSum>(sum) : std::nullopt;
        }
        add(sum, buffer.data(), static_cast<std::size_t>(n));
    }
}

std::optional<ByteSum> memberSum(const std::string& archivePath, const std::string& name) {
    const std::optional<ArchiveType> type = archiveTypeOf(archivePath);
    if (!type) return std::nullopt;
    Utf8LocaleScope utf8;
    ReadArchive a = openReader(*type, archivePath);
    if (!a) return std::nullopt;
    std::optional<ByteSum> found;
    struct archive_entry* entry = nullptr;
    int r = ARCHIVE_OK;
    while ((r = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK || r == ARCHIVE_WARN) {
        if (archive_entry_filetype(entry) != AE_IFREG || memberBaseName(entryPath(entry)) != name)
            continue;
        ByteSum sum;
        for (;;) {
            const void* block = nullptr;
            std::size_t size = 0;
            la_int64_t offset = 0;
            const int d = archive_read_data_block(a.get(), &block, &size, &offset);
            if (d == ARCHIVE_EOF) break;
            if (d != ARCHIVE_OK || offset < 0) return std::nullopt;
            // A sparse gap reads as zeros; a member that ends short simply sums differently.
            static const std::vector<char> zeros(1 << 16, 0);
            while (sum.size < static_cast<std::uint64_t>(offset)) {
                const auto gap = std::min<std::uint64_t>(
                    zeros.size(), static_cast<std::uint64_t>(offset) - sum.size);
                add(sum, zeros.data(), static_cast<std::size_t>(gap));
            }
            if (sum.size != static_cast<std::uint64_t>(offset)) return std::nullopt;
            add(sum, block, size);
        }
        found = sum;
    }
    if (r != ARCHIVE_EOF) return std::nullopt;
    return found;
}

}  // namespace romshelf::archive
