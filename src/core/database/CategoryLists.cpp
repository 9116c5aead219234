#include "core/database/CategoryLists.h"

namespace romshelf {

std::string CategoryLists::fileName(int list, const std::string& code) {
    if (list == kHardwareClassList) return "ClassData_" + code + ".slb";
    return "ClassData" + std::to_string(list + 1) + ".slb";
}

DataFileKind CategoryLists::kind(int list) {
    return list == kHardwareClassList ? DataFileKind::Class : classListKind(list + 1);
}

void CategoryLists::load(DataStream& stream, const ProgramFolder& folder, const std::string& code,
                         Prompter& prompter) {
    for (int list = 0; list < kCategoryListCount; ++list) {
        if (list == kHardwareClassList && code.empty()) {
            items[static_cast<std::size_t>(list)].clear();
            continue;
        }
        std::vector<std::string> scratch;
        const LoadResult result = loadDataFile(stream, folder.dataFile(fileName(list, code)),
                                               kind(list), prompter, [&](DataStream& s) {
                                                   scratch.clear();
                                                   DataReader reader(s);
                                                   transferCategoryItems(reader, scratch);
                                               });
        items[static_cast<std::size_t>(list)] =
            result == LoadResult::Loaded ? std::move(scratch) : std::vector<std::string>{};
    }
}

void CategoryLists::save(DataStream& stream, const ProgramFolder& folder, const std::string& code,
                         bool withClassList) const {
    if (code.empty()) return;
    for (int list = 0; list < kCategoryListCount; ++list) {
        if (list == kHardwareClassList && !withClassList) continue;
        const auto& listItems = items[static_cast<std::size_t>(list)];
        saveDataFile(stream, folder.dataFile(fileName(list, code)), kind(list), [&](DataStream& s) {
            DataWriter writer(s);
            transferCategoryItems(writer, listItems);
        });
    }
}

}  // namespace romshelf
