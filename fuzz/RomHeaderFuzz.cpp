// The cartridge header readers over any bytes: the first byte chooses the reader. A report
// always has lines, and a valid one names its fields.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/roms/RomHeader.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto kind = static_cast<RomHeaderKind>(data[0] % 6);
    const std::string_view image(reinterpret_cast<const char*>(data) + 1, size - 1);
    const HeaderReport report = readRomHeader(kind, image);
    if (report.lines.empty() || (report.valid && report.lines.size() < 3)) std::abort();
    for (const std::string& line : report.lines)
        if (line.find('\0') != std::string::npos) std::abort();
    return 0;
}
