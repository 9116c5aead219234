// The INI writer over files another program wrote: other sections and keys survive.
#include <cstdint>

#include "FuzzSupport.h"
#include "core/launch/IniFile.h"
#include "core/platform/FileSystem.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::writeInput("JoyToKey.ini", data, size);
    if (!writeIniValue(path, "LastStatus", "FileName", "マリオ")) return 0;
    // Setting the same value again changes nothing.
    const auto once = fs::readFile(path);
    writeIniValue(path, "LastStatus", "FileName", "マリオ");
    if (fs::readFile(path) != once) std::abort();
    return 0;
}
