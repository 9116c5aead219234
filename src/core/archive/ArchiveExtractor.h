#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace romshelf::archive {

// No single member is ever written larger than this, whatever the archive claims.
inline constexpr std::uint64_t kMaxExtractedBytes = 4ull * 1024 * 1024 * 1024;

struct ExtractOptions {
    std::uint64_t maxMemberBytes = kMaxExtractedBytes;
    // Flush the extracted file to disk before it gets its name. Needed when the caller may
    // delete the archive afterwards; a throwaway copy in a TEMP folder can do without.
    bool flushToDisk = true;
};

// Extracts the one launchable member of an archive into `destinationFolder` and returns the
// extracted file's full path, or "" on any failure (unknown extension, GCA, unreadable or empty
// archive, corrupt data, a member too large, a chosen member that is not a plain file).
//
// The member is the first file whose extension is a ROM extension (see isRomFile with
// `extraExtensions`), else the last file listed. It is written under its own name without any
// stored folder, replacing an older file of that name; nothing else is written, and nothing is
// left behind when the extraction fails.
std::string extract(const std::string& archivePath, const std::string& destinationFolder,
                    const std::vector<std::string>& extraExtensions,
                    const ExtractOptions& options = {});

// The name an archive member is extracted under: its last path part, with '\' taken as a
// folder separator too. "" when there is no usable name ("", "." or "..").
std::string memberBaseName(const std::string& memberPath);

}  // namespace romshelf::archive
