#include "core/archive/ArchiveMembers.h"

#include <algorithm>
#include <vector>

#include "core/archive/ArchiveExtractor.h"
#include "core/archive/ArchiveTypes.h"
#include "core/archive/LibarchiveSupport.h"
#include "core/archive/Libarchive.h"

namespace romshelf::archive {

bool readMembers(const std::string& path,
                 const std::function<bool(const std::string& name, std::uint64_t size)>& begin,
                 const std::function<void(const void* data, std::size_t size)>& data,
                 const std::function<void()>& end) {
    const std::optional<ArchiveType> type = archiveTypeOf(path);
    if (!type) return false;
    Utf8LocaleScope utf8;
    ReadArchive a = openReader(*type, path);
    if (!a) return false;
    static const std::vector<char> zeros(1 << 16, 0);
    struct archive_entry* entry = nullptr;
    int r = ARCHIVE_OK;
    while ((r = libarchive().archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK ||
           r == ARCHIVE_WARN) {
        if (libarchive().archive_entry_filetype(entry) != AE_IFREG) continue;
        const la_int64_t declared = libarchive().archive_entry_size_is_set(entry)
                                        ? libarchive().archive_entry_size(entry)
                                        : 0;
        // A member not wanted is passed over: libarchive skips its data by itself.
        if (!begin(memberBaseName(entryPath(entry)),
                   declared > 0 ? static_cast<std::uint64_t>(declared) : 0))
            continue;
        std::uint64_t at = 0;
        for (;;) {
            const void* block = nullptr;
            std::size_t size = 0;
            la_int64_t offset = 0;
            const int d = libarchive().archive_read_data_block(a.get(), &block, &size, &offset);
            if (d == ARCHIVE_EOF) break;
            if (d != ARCHIVE_OK || offset < 0 || static_cast<std::uint64_t>(offset) < at)
                return false;
            // A sparse gap reads as zeros.
            while (at < static_cast<std::uint64_t>(offset)) {
                const auto gap =
                    std::min<std::uint64_t>(zeros.size(), static_cast<std::uint64_t>(offset) - at);
                data(zeros.data(), static_cast<std::size_t>(gap));
                at += gap;
            }
            data(block, size);
            at += size;
        }
        end();
    }
    return r == ARCHIVE_EOF;
}

}  // namespace romshelf::archive
