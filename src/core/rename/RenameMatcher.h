#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/rename/FileIdentity.h"
#include "core/rename/RenameData.h"

namespace romshelf {

struct RenameMatch {
    int index = -1;  // the record, -1 when none matches
    // Matched a record from a DAT file: size and CRC (and the SHA-1 when the record has one),
    // without the probe sums the DAT does not know.
    bool bySizeAndCrc = false;
    // Matched by the bytes after the file's header (a DAT of headerless dumps).
    bool withoutHeader = false;
};

// Finds the record of a file in a rename table: the first record in table order whose identity
// equals the file's, or that comes from a DAT and has the file's size and CRC (and SHA-1, when
// it gives one). The records are grouped by size and CRC, so that a file only meets the few
// records it could match, in their table order.
class RenameMatcher {
public:
    // Keeps a reference: `records` must outlive the matcher and stay unchanged.
    explicit RenameMatcher(const std::vector<RenameRecord>& records);

    // `path` is the file's own, read (once) only when a candidate record asks for a SHA-1.
    RenameMatch find(const FileIdentity& id, const std::string& path) const;
    // A file with no match of its own that starts with a header: the DAT record of the bytes
    // after the header (`path` is read once more for that). No match when no record comes from
    // a DAT, or the file has no header.
    RenameMatch findWithoutHeader(const std::string& path) const;

private:
    static std::uint64_t key(const FileIdentity& id) {
        return (std::uint64_t{static_cast<std::uint32_t>(id.size)} << 32) |
               static_cast<std::uint32_t>(id.crc);
    }

    const std::vector<RenameRecord>& records_;
    bool fromDat_ = false;  // some record matches on size and CRC alone
    std::unordered_map<std::uint64_t, std::vector<int>> bySizeAndCrc_;
};

}  // namespace romshelf
