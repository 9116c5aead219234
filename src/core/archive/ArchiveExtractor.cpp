#include "core/archive/ArchiveExtractor.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "core/archive/ArchiveTypes.h"
#include "core/archive/LibarchiveSupport.h"
#include "core/platform/PendingFile.h"
#include "core/platform/FileSystem.h"
#include "core/archive/Libarchive.h"

namespace romshelf::archive {

namespace {

bool isDirectoryEntry(struct archive_entry* entry, const std::string& path) {
    if (libarchive().archive_entry_filetype(entry) == AE_IFDIR) return true;
    return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

// A plain file: links and devices are never created, whatever the archive asks for.
bool isPlainFile(struct archive_entry* entry) {
    return libarchive().archive_entry_filetype(entry) == AE_IFREG &&
           libarchive().archive_entry_hardlink(entry) == nullptr &&
           libarchive().archive_entry_symlink(entry) == nullptr;
}

bool allZero(const char* p, std::size_t n) {
    return n == 0 || (p[0] == 0 && std::memcmp(p, p + 1, n - 1) == 0);
}

// Copies the current member's data, holding it to its declared size and to `limit`. Zero blocks
// and sparse gaps are stepped over, so a disc image's empty stretches cost neither time nor
// disk; the file gets its whole length at the end.
bool copyData(struct archive* a, std::optional<std::uint64_t> declared, std::uint64_t limit,
              PendingFile& out) {
    std::uint64_t written = 0;  // the member's length so far, holes included
    std::uint64_t filePos = 0;  // where the file's offset stands
    for (;;) {
        const void* block = nullptr;
        std::size_t size = 0;
        la_int64_t offset = 0;
        const int r = libarchive().archive_read_data_block(a, &block, &size, &offset);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK || offset < 0) return false;
        const auto start = static_cast<std::uint64_t>(offset);
        if (start < written) return false;  // data must only move forward
        const std::uint64_t end = start + size;
        if (end < start || end > limit || (declared && end > *declared)) return false;
        const char* data = static_cast<const char*>(block);
        if (!allZero(data, size)) {
            if (start != filePos && ::lseek(out.fd(), static_cast<off_t>(start), SEEK_SET) < 0)
                return false;
            if (!out.write(std::string_view(data, size))) return false;
            filePos = end;
        }
        written = end;
    }
    // Fewer bytes than declared is a damaged member, not a smaller file.
    if (declared && written != *declared) return false;
    return written == filePos || ::ftruncate(out.fd(), static_cast<off_t>(written)) == 0;
}

bool isSameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string extractCurrent(struct archive* a, struct archive_entry* entry,
                           const std::string& archivePath, const std::string& destinationFolder,
                           const std::string& name, std::uint64_t limit,
                           const ExtractOptions& options) {
    if (name.empty() || !isPlainFile(entry)) return "";
    std::optional<std::uint64_t> declared;
    if (libarchive().archive_entry_size_is_set(entry)) {
        // A member that says it will not fit is refused before a byte is written.
        const la_int64_t size = libarchive().archive_entry_size(entry);
        if (size >= 0 && static_cast<std::uint64_t>(size) > limit && options.failure)
            *options.failure = ExtractFailure::TooLarge;
        if (size < 0 || static_cast<std::uint64_t>(size) > limit) return "";
        declared = static_cast<std::uint64_t>(size);
    }
    const std::string path = fs::joinPath(destinationFolder, name);
    // "x.zip" holding a member "x.zip", unpacked into its own folder, would replace itself.
    if (isSameFile(path, archivePath)) return "";
    PendingFile out(path);
    auto failed = [&] {
        if (options.failure && (out.error() == ENOSPC || out.error() == EDQUOT))
            *options.failure = ExtractFailure::NoSpace;
        return std::string();
    };
    if (!out.isOpen() || !copyData(a, declared, limit, out)) return failed();
    out.setMode(0644);
    if (libarchive().archive_entry_mtime_is_set(entry)) {
        const struct timespec times[2] = {
            {0, UTIME_OMIT},
            {libarchive().archive_entry_mtime(entry), libarchive().archive_entry_mtime_nsec(entry)},
        };
        ::futimens(out.fd(), times);
    }
    if (!out.commit(options.flushToDisk)) return failed();
    if (options.failure) *options.failure = ExtractFailure::None;
    return path;
}

// ARCHIVE_WARN still yields a usable header (for instance a name that did not convert cleanly).
bool nextHeader(struct archive* a, struct archive_entry** entry) {
    const int r = libarchive().archive_read_next_header(a, entry);
    return r == ARCHIVE_OK || r == ARCHIVE_WARN;
}

}  // namespace

std::uint64_t spaceForExtraction(const std::string& folder) {
    struct statvfs st {};
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &st) != 0) return 0;
    const std::uint64_t free = static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
    const std::uint64_t kept = std::max(kKeptFreeBytes, free / 100);
    return free > kept ? free - kept : 0;
}

std::string memberBaseName(const std::string& memberPath) {
    std::string path = memberPath;
    std::replace(path.begin(), path.end(), '\\', '/');
    const std::string name = fs::pathName(path);
    if (name == "." || name == "..") return "";
    return name;
}

std::string extract(const std::string& archivePath, const std::string& destinationFolder,
                    const std::vector<std::string>& extraExtensions,
                    const ExtractOptions& options) {
    if (options.failure) *options.failure = ExtractFailure::Other;
    const std::optional<ArchiveType> type = archiveTypeOf(archivePath);
    if (!type) return "";
    const std::uint64_t limit =
        options.maxMemberBytes ? *options.maxMemberBytes : spaceForExtraction(destinationFolder);
    Utf8LocaleScope utf8;

    // First pass: the first ROM member is extracted on the spot; otherwise remember the last
    // member, which is only known once the listing has ended.
    long lastIndex = -1;
    std::string lastPath;
    {
        ReadArchive a = openReader(*type, archivePath);
        if (!a) return "";
        struct archive_entry* entry = nullptr;
        long index = 0;
        int r = ARCHIVE_OK;
        while ((r = libarchive().archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK ||
               r == ARCHIVE_WARN) {
            const std::string path = entryPath(entry);
            if (!isDirectoryEntry(entry, path)) {
                const std::string name = memberBaseName(path);
                if (isRomFile(name, extraExtensions)) {
                    return extractCurrent(a.get(), entry, archivePath, destinationFolder, name,
                                          limit, options);
                }
                lastIndex = index;
                lastPath = path;
            }
            ++index;
        }
        if (r != ARCHIVE_EOF) return "";  // a damaged listing is not trusted for "the last one"
    }
    if (lastIndex < 0) return "";

    ReadArchive a = openReader(*type, archivePath);
    if (!a) return "";
    struct archive_entry* entry = nullptr;
    for (long index = 0; index <= lastIndex; ++index) {
        if (!nextHeader(a.get(), &entry)) return "";
    }
    // The archive may have been replaced between the two passes.
    if (entryPath(entry) != lastPath) return "";
    return extractCurrent(a.get(), entry, archivePath, destinationFolder, memberBaseName(lastPath),
                          limit, options);
}

}  // namespace romshelf::archive
