#include "core/rename/RenameMatcher.h"

#include <optional>

#include "core/rename/ContentHash.h"
#include "core/rename/FileSha1.h"

namespace romshelf {

RenameMatcher::RenameMatcher(const std::vector<RenameRecord>& records) : records_(records) {
    bySizeAndCrc_.reserve(records.size());
    // Every match, full or from a DAT, needs equal size and CRC; indices go in ascending order,
    // so a bucket keeps the table's order.
    for (std::size_t i = 0; i < records.size(); ++i) {
        bySizeAndCrc_[key(records[i].identity)].push_back(static_cast<int>(i));
        fromDat_ = fromDat_ || matchesOnSizeAndCrc(records[i].identity);
    }
}

RenameMatch RenameMatcher::findWithoutHeader(const std::string& path) const {
    if (!fromDat_) return {};
    const std::optional<ContentIdentity> id = fileContentIdentity(path);
    if (!id || !id->withoutHeader || id->withoutHeader->size > UINT32_MAX) return {};
    const DatSums& rest = *id->withoutHeader;
    FileIdentity restId;
    restId.size = static_cast<std::int32_t>(static_cast<std::uint32_t>(rest.size));
    restId.crc = static_cast<std::int32_t>(rest.crc);
    const auto bucket = bySizeAndCrc_.find(key(restId));
    if (bucket == bySizeAndCrc_.end()) return {};
    for (const int index : bucket->second) {
        const RenameRecord& record = records_[static_cast<std::size_t>(index)];
        // A DAT that names its header kind is taken at its word.
        if (!matchesOnSizeAndCrc(record.identity) ||
            (record.header != 0 && record.header != static_cast<std::int32_t>(id->header)) ||
            (!record.sha1.empty() && record.sha1 != rest.sha1))
            continue;
        RenameMatch match;
        match.index = index;
        match.bySizeAndCrc = true;
        match.withoutHeader = true;
        return match;
    }
    return {};
}

RenameMatch RenameMatcher::find(const FileIdentity& id, const std::string& path) const {
    const auto bucket = bySizeAndCrc_.find(key(id));
    if (bucket == bySizeAndCrc_.end()) return {};
    std::optional<std::optional<std::string>> sha1;  // outer: computed yet; inner: readable
    for (const int index : bucket->second) {
        const RenameRecord& record = records_[static_cast<std::size_t>(index)];
        if (record.identity == id) {
            RenameMatch match;
            match.index = index;
            return match;
        }
        if (!matchesOnSizeAndCrc(record.identity)) continue;
        if (!record.sha1.empty()) {
            if (!sha1) sha1 = fileSha1(path);
            if (!*sha1 || **sha1 != record.sha1) continue;
        }
        RenameMatch match;
        match.index = index;
        match.bySizeAndCrc = true;
        return match;
    }
    return {};
}

}  // namespace romshelf
