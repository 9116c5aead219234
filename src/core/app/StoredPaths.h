#pragma once

#include <string>
#include <vector>

#include "core/settings/MainSettings.h"
#include "core/settings/ProgramFolder.h"
#include "core/storage/DataStream.h"

namespace romshelf {

// One path the settings keep, with where it leads on this machine.
struct StoredPath {
    std::string hardware;  // its code; empty for the main settings' tools
    std::string label;     // "ROMフォルダ 1", "エミュレータ 1 VirtuaNES", "ツール 1"
    std::string stored;    // as the file keeps it
    std::string leadsTo;   // the path on this machine; empty for a Windows path nothing maps
    bool exists = false;
};

// Every path of every hardware's folder and emulator files, in the hardware table's order, then
// the main settings' tools. The files are only read: a fault in one is told when it is opened.
std::vector<StoredPath> collectStoredPaths(const ProgramFolder& folder,
                                           const MainSettings& settings, DataStream& stream);

// The drive or share roots the stored paths use, each once, in the order first used.
std::vector<std::string> windowsRootsUsed(const std::vector<StoredPath>& paths);

// What the system log and the file list say of a Windows path no mapping covers.
std::string unmappedPathMessage(const std::string& stored, const std::string& label);

}  // namespace romshelf
