#include "core/launch/EmulatorEntry.h"

#include "core/settings/PathRules.h"

namespace romshelf {

LoadResult loadEmulatorFile(DataStream& stream, const std::string& path, Prompter& prompter,
                            EmulatorEntries& entries) {
    EmulatorEntries scratch{};
    const LoadResult result =
        loadDataFile(stream, path, DataFileKind::Emulator, prompter, [&](DataStream& s) {
            scratch = EmulatorEntries{};
            DataReader reader(s);
            transferEmulatorEntries(reader, scratch);
        });
    entries = result == LoadResult::Loaded ? std::move(scratch) : EmulatorEntries{};
    return result;
}

bool saveEmulatorFile(DataStream& stream, const std::string& path, const EmulatorEntries& entries) {
    return saveDataFile(stream, path, DataFileKind::Emulator, [&](DataStream& s) {
        DataWriter writer(s);
        transferEmulatorEntries(writer, entries);
    });
}

LoadResult loadEmulatorEntries(DataStream& stream, const std::string& path, Prompter& prompter,
                               const std::string& programFolder, EmulatorEntries& entries,
                               const DriveMap* drives) {
    const LoadResult result = loadEmulatorFile(stream, path, prompter, entries);
    for (auto& e : entries)
        e.executable = paths::resolveFilePath(e.executable, programFolder, drives);
    return result;
}

}  // namespace romshelf
