// A RetroArch core's .info file over any bytes: the fields read, the hardware and the name the
// core is offered under. A name is printable and short; every code is one the program knows.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/launch/RetroArchCores.h"
#include "core/settings/HardwareTable.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CoreInfo info =
        parseCoreInfo(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const auto& [key, value] : info)
        if (key.empty() || key.find('\n') != std::string::npos ||
            value.find('\n') != std::string::npos)
            std::abort();
    for (const std::string& code : coreHardware(info))
        if (!findHardware(code)) std::abort();
    const std::string name = coreName(info, "core");
    if (name.empty() || name.size() > 64) std::abort();
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    return 0;
}
