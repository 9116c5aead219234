#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace romshelf::archive {

// Room always left free on the destination's file system: this much, or 1 % of the free space
// when that is more.
inline constexpr std::uint64_t kKeptFreeBytes = 64ull * 1024 * 1024;

// Why an extraction gave no file, for a caller that has somewhere else to try.
enum class ExtractFailure { None, TooLarge, NoSpace, Other };

struct ExtractOptions {
    // No member is written larger than this, whatever the archive claims. By default the free
    // space of the destination's file system less the room kept free, found when extract()
    // starts: a disc image may be many gigabytes, but never more than the disk can take.
    std::optional<std::uint64_t> maxMemberBytes;
    // Flush the extracted file to disk before it gets its name. Needed when the caller may
    // delete the archive afterwards; a throwaway copy in a TEMP folder can do without.
    bool flushToDisk = true;
    // Told why, when the extraction fails.
    ExtractFailure* failure = nullptr;
};

// The free space of the file system holding `folder`, less the room kept free; 0 when unknown.
std::uint64_t spaceForExtraction(const std::string& folder);

// Extracts the one launchable member of an archive into `destinationFolder` and returns the
// extracted file's full path, or "" on any failure (unknown extension, GCA, unreadable or empty
// archive, corrupt data, a member too large, a chosen member that is not a plain file).
//
// The member is the first file whose extension is a ROM extension (see isRomFile with
// `extraExtensions`), else the last file listed. It is written under its own name without any
// stored folder, replacing an older file of that name; nothing else is written, and nothing is
// left behind when the extraction fails. Runs of zero bytes become holes where the file system
// has them. The archive must be a regular file (a FIFO is refused without waiting).
std::string extract(const std::string& archivePath, const std::string& destinationFolder,
                    const std::vector<std::string>& extraExtensions,
                    const ExtractOptions& options = {});

// The name an archive member is extracted under: its last path part, with '\' taken as a
// folder separator too. "" when there is no usable name ("", "." or "..").
std::string memberBaseName(const std::string& memberPath);

}  // namespace romshelf::archive
