// Every data-file reader over hostile bytes: the first byte picks the kind.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/storage/RereadPause.h"
#include "FuzzSupport.h"
#include "core/database/CategoryLists.h"
#include "core/database/RomTable.h"
#include "core/platform/Checksums.h"
#include "core/launch/EmulatorEntry.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"
#include "core/settings/ProgramFolder.h"
#include "core/views/SortKeyFile.h"

using namespace romshelf;

namespace {

// The bytes of a key file with its CRC made to fit, wherever the stamp size puts it: without
// this, hardly an input would pass the sum and reach the checks of the table behind it.
std::string withFittingSum(std::string bytes) {
    if (bytes.size() < 12) return bytes;
    std::uint32_t stampSize;
    std::memcpy(&stampSize, bytes.data() + 8, 4);
    const std::uint64_t crcAt = ((12 + std::uint64_t{stampSize} + 7) & ~std::uint64_t{7}) + 32;
    if (crcAt + 4 > bytes.size()) return bytes;
    const std::uint32_t head = crc32Update(0, bytes.data(), crcAt);
    const std::uint32_t crc = crc32Update(head, bytes.data() + crcAt + 4, bytes.size() - crcAt - 4);
    std::memcpy(bytes.data() + crcAt, &crc, 4);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A damaged file is read again after a pause: not here, where most inputs are damaged.
    static const bool noPause = (romshelf::setRereadPause(0), true);
    (void)noPause;
    if (size == 0) return 0;
    fuzz::SilentPrompter prompter;
    DataStream stream;
    const int kind = data[0] % 7;
    std::string path;
    if (kind == 6) {
        const std::string fitted =
            withFittingSum(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
        path = fuzz::writeInput("data.slb", reinterpret_cast<const std::uint8_t*>(fitted.data()),
                                fitted.size());
    } else {
        path = fuzz::writeInput("data.slb", data + 1, size - 1);
    }
    switch (kind) {
        case 0: {
            MainSettings m;
            if (loadMainSettings(stream, path, prompter, m) == LoadResult::Loaded)
                saveMainSettings(stream, path, m);  // what was read can be written back
            break;
        }
        case 1: {
            FolderSettings f;
            if (loadFolderSettingsFile(stream, path, prompter, f) == LoadResult::Loaded)
                resolveLoadedFolders(f, "/opt/romshelf/", false);
            break;
        }
        case 2: {
            EmulatorEntries e;
            loadEmulatorEntries(stream, path, prompter, "/opt/romshelf/", e);
            break;
        }
        case 3: {
            RomTable table;
            if (table.load(stream, path, prompter) == LoadResult::Loaded && table.count() > 0)
                table.findRecordByTitle(table[0].fileTitle);
            break;
        }
        case 4: {
            // The category files of one hardware, all from the same bytes.
            const ProgramFolder folder(fuzz::workFolder());
            std::filesystem::create_directories(folder.dataFolder());
            for (const char* name : {"ClassData1.slb", "ClassData_FC.slb"})
                std::filesystem::copy_file(path, folder.dataFile(name),
                                           std::filesystem::copy_options::overwrite_existing);
            CategoryLists lists;
            lists.load(stream, folder, "FC", prompter);
            break;
        }
        default: {
            // The file list's collation keys (kind 6: with the sum made to fit); every cell read
            // is looked up, and what was read can be written back.
            SortKeyCache cache;
            if (loadSortKeyFile(path, fuzz::kSortKeyStamp, cache) > 0) {
                std::vector<std::string> cells = {"マリオ", "Zelda", ""};
                cache.forEach(false, [&](std::string_view cell, std::string_view) {
                    cells.emplace_back(cell);
                });
                for (const std::string& cell : cells) {
                    std::string_view key;
                    cache.prefetchCell(SortKeyCache::hashOf(cell), false);
                    cache.find(cell, false, key);
                }
                sortKeyFileBytes(cache, fuzz::kSortKeyStamp);
            }
            break;
        }
    }
    return 0;
}
