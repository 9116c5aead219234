// Rename data files over hostile bytes: what was read is matched against, written back, and reads
// again as the same records.
#include <cstdint>
#include <cstdlib>

#include "core/storage/RereadPause.h"
#include "FuzzSupport.h"
#include "core/rename/RenameData.h"
#include "core/rename/RenameMatcher.h"

using namespace romshelf;

namespace {

bool sameIdentities(const std::vector<RenameRecord>& a, const std::vector<RenameRecord>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(a[i].identity == b[i].identity)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A damaged file is read again after a pause: not here, where most inputs are damaged.
    static const bool noPause = (romshelf::setRereadPause(0), true);
    (void)noPause;
    const std::string path = fuzz::writeInput("Rename_FC.dat", data, size);
    fuzz::SilentPrompter prompter;
    DataStream stream;
    RenameData read;
    // A small table, so that records beyond it are left out and counted too.
    constexpr std::size_t kLimit = 4;
    if (loadRenameData(stream, path, prompter, read, kLimit) != LoadResult::Loaded) return 0;
    if (read.records.size() > kLimit) std::abort();
    RenameMatcher(read.records).find(fileIdentity(path), path);

    const std::string copy = fuzz::workFolder() + "Rename_copy.dat";
    if (!saveRenameData(stream, copy, read)) return 0;
    RenameData again;
    if (loadRenameData(stream, copy, prompter, again, kLimit) != LoadResult::Loaded ||
        !sameIdentities(read.records, again.records))
        std::abort();
    return 0;
}
