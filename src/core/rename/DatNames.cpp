#include "core/rename/DatNames.h"

#include <sys/stat.h>

#include <limits>

#include "core/platform/Prompter.h"
#include "core/rename/DatImport.h"
#include "core/rename/RenameData.h"
#include "core/storage/DataStream.h"

namespace romshelf {

namespace {

std::uint64_t keyOf(std::uint64_t size, std::uint32_t crc) { return size << 32 | crc; }

std::int64_t modificationTime(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace

const std::string& DatNames::nameOf(const std::string& code, std::uint64_t size,
                                    std::uint32_t crc) {
    load(code);
    static const std::string none;
    const auto it = names_.find(keyOf(size, crc));
    return it == names_.end() ? none : it->second;
}

void DatNames::load(const std::string& code) {
    const std::string path = folder_.perHardwareFile("Rename_", code, ".dat");
    std::string dat;
    for (const auto& [kept, datPath] : plus_.renameDats)
        if (kept == code) dat = datPath;
    // Either file changing reads the names again.
    const std::int64_t stamp = modificationTime(path) + (dat.empty() ? 0 : modificationTime(dat));
    if (code == code_ && dat == dat_ && stamp == stamp_) return;
    code_ = code;
    dat_ = dat;
    stamp_ = stamp;
    names_.clear();
    if (stamp == 0) return;
    std::vector<RenameRecord> records;
    std::string error;
    if (auto whole = dat.empty() ? std::nullopt : readLogiqxDat(dat, error)) {
        records = std::move(whole->records);
    } else {
        DataStream stream;
        SilentPrompter quiet;
        RenameData data;
        if (loadRenameData(stream, path, quiet, data, std::numeric_limits<std::size_t>::max()) !=
            LoadResult::Loaded)
            return;
        records = std::move(data.records);
    }
    for (const RenameRecord& r : records) {
        if (r.header != 0 || r.identity.size < 0) continue;
        names_.emplace(keyOf(static_cast<std::uint64_t>(r.identity.size),
                             static_cast<std::uint32_t>(r.identity.crc)),
                       r.name);
    }
}

}  // namespace romshelf
