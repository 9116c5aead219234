// Every data-file reader over hostile bytes: the first byte picks the kind.
#include <cstdint>

#include "FuzzSupport.h"
#include "core/database/CategoryLists.h"
#include "core/database/RomTable.h"
#include "core/launch/EmulatorEntry.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"
#include "core/settings/ProgramFolder.h"
#include "core/views/SortKeyFile.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzz::SilentPrompter prompter;
    DataStream stream;
    const int kind = data[0] % 6;
    const std::string path = fuzz::writeInput("data.slb", data + 1, size - 1);
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
            // The file list's collation keys; what was read can be written back.
            SortKeyCache cache;
            if (loadSortKeyFile(path, fuzz::kSortKeyStamp, cache) > 0)
                sortKeyFileBytes(cache, fuzz::kSortKeyStamp);
            break;
        }
    }
    return 0;
}
