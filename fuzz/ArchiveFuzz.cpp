// Extraction of hostile archives of every type: the first byte picks the type.
#include <cstdint>
#include <filesystem>

#include "FuzzSupport.h"
#include "core/archive/ArchiveExtractor.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const char* const kNames[] = {"game.zip", "game.lzh", "game.7z", "game.cab", "game.rar"};
    const std::string archive = fuzz::writeInput(kNames[data[0] % 5], data + 1, size - 1);
    const std::string out = fuzz::workFolder() + "out/";
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    archive::ExtractOptions options;
    options.flushToDisk = false;
    options.maxMemberBytes = 1 << 20;
    const std::string extracted = archive::extract(archive, out, {"txt"}, options);
    // Whatever the archive says, nothing lands outside the destination.
    if (!extracted.empty() && extracted.compare(0, out.size(), out) != 0) std::abort();
    std::filesystem::remove(archive);
    return 0;
}
