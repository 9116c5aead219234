#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/storage/DataStream.h"

namespace romshelf {

class DriveMap;

inline constexpr int kEmulatorCount = 64;
inline constexpr int kEmulatorOptionCount = 16;
inline constexpr std::int32_t kDefaultEmulatorWait = 500;

// The option flags that mean something; [4..15] are kept only to be written back unchanged.
enum EmulatorOption : int {
    kPassZipUnpacked = 0,
    kQuotePath = 1,
    kShortPathIfSpace = 2,
    kForceActivate = 3,
};

// One emulator definition of a hardware. A slot is in use when its executable is not empty.
struct EmulatorEntry {
    std::string name;
    std::string executable;  // as typed in the file; absolute once loaded by the application
    std::string commandLine;
    std::string joyToKeySetting;  // a JoyToKey .cfg title; empty: none
    bool specialStart = false;
    std::int32_t waitAfterStart = kDefaultEmulatorWait;       // milliseconds
    std::int32_t waitAfterFileDialog = kDefaultEmulatorWait;  // milliseconds
    std::array<bool, kEmulatorOptionCount> options{};

    bool option(EmulatorOption o) const { return options[static_cast<std::size_t>(o)]; }
    bool operator==(const EmulatorEntry&) const = default;
};

using EmulatorEntries = std::array<EmulatorEntry, kEmulatorCount>;

// One block of Emulator_<code>.slb in file order.
template <class Io, class E>
void transferEmulatorEntry(Io& io, E& e, int slot) {
    io.field(e.name, "emulators", slot, "name");
    io.field(e.executable, "emulators", slot, "executable");
    io.field(e.commandLine, "emulators", slot, "commandLine");
    io.field(e.joyToKeySetting, "emulators", slot, "joyToKeySetting");
    io.field(e.specialStart, "emulators", slot, "specialStart");
    io.field(e.waitAfterStart, "emulators", slot, "waitAfterStart");
    io.field(e.waitAfterFileDialog, "emulators", slot, "waitAfterFileDialog");
    for (int k = 0; k < kEmulatorOptionCount; ++k)
        io.field(e.options[k], "emulators", slot, "options", k);
    for (int k = 0; k < 5; ++k) io.reservedString("emulators", slot, "reservedStrings", k);
    for (int k = 0; k < 8; ++k) io.reservedInteger("emulators", slot, "reservedIntegers", k);
}

// The body of Emulator_<code>.slb: the 64 blocks, slot 0 first.
template <class Io, class Es>
void transferEmulatorEntries(Io& io, Es& entries) {
    for (int slot = 0; slot < kEmulatorCount; ++slot)
        transferEmulatorEntry(io, entries[static_cast<std::size_t>(slot)], slot);
}

// Reads an emulator file as stored (executables as typed). Missing or rejected gives the default
// entries; a rejected file shows its message.
LoadResult loadEmulatorFile(DataStream& stream, const std::string& path, Prompter& prompter,
                            EmulatorEntries& entries);
bool saveEmulatorFile(DataStream& stream, const std::string& path, const EmulatorEntries& entries);

// The application's load: as loadEmulatorFile, with every executable made absolute against the
// program folder.
LoadResult loadEmulatorEntries(DataStream& stream, const std::string& path, Prompter& prompter,
                               const std::string& programFolder, EmulatorEntries& entries,
                               const DriveMap* drives = nullptr);

}  // namespace romshelf
