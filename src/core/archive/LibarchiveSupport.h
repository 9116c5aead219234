#pragma once

#include <memory>
#include <string>

#include "core/archive/ArchiveTypes.h"

struct archive;
struct archive_entry;

// Small helpers around libarchive shared by extraction and packing. Internal to the archive
// layer: nothing outside src/core/archive includes this header.
namespace romshelf::archive {

// Frees the reader, then closes the file it read: libarchive leaves a descriptor it is given open.
struct ReadArchiveDeleter {
    int fd = -1;
    void operator()(struct archive* a) const;
};
struct WriteArchiveDeleter {
    void operator()(struct archive* a) const;
};
using ReadArchive = std::unique_ptr<struct archive, ReadArchiveDeleter>;
using WriteArchive = std::unique_ptr<struct archive, WriteArchiveDeleter>;

// libarchive converts member names between the stored charset and the *current locale's*
// charset. The process locale may be "C" (tests, CLI) where any non-ASCII name is lost, so
// every archive object is created and used inside this scope, which switches the calling
// thread (only) to a UTF-8 locale. Our in-memory text is UTF-8, so names then arrive as UTF-8.
class Utf8LocaleScope {
public:
    Utf8LocaleScope();
    ~Utf8LocaleScope();
    Utf8LocaleScope(const Utf8LocaleScope&) = delete;
    Utf8LocaleScope& operator=(const Utf8LocaleScope&) = delete;

private:
    void* utf8_ = nullptr;      // locale_t
    void* previous_ = nullptr;  // locale_t
};

// A reader for exactly one archive type (a file with a .zip extension is read as ZIP only).
// Member names without a UTF-8 mark are taken as CP932, as Japanese archivers write them.
// Null for GCA, which no library here reads, and for anything but a regular file (a FIFO is
// refused without waiting for a writer).
ReadArchive openReader(ArchiveType type, const std::string& path);

// The member's path as UTF-8, or "" when the name could not be converted at all.
std::string entryPath(struct archive_entry* entry);

}  // namespace romshelf::archive
