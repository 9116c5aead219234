#include "core/archive/ArchiveReadBack.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <vector>

#include "core/archive/ArchiveExtractor.h"
#include "core/archive/LibarchiveSupport.h"
#include "core/platform/Checksums.h"

namespace romshelf::archive {

namespace {

void add(ByteSum& sum, const void* data, std::size_t size) {
    sum.crc = crc32Update(sum.crc, data, size);
    sum.size += size;
}

}  // namespace

std::optional<ByteSum> fileSum(const std::string& path) {
    const auto sums = fileSums(path, SumKinds::Crc32);
    if (!sums) return std::nullopt;
    return ByteSum{sums->size, sums->crc32};
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
