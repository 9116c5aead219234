#include "core/views/SortKeyFile.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"

namespace romshelf {

namespace {

// Far above any real collection's keys; a larger file is not ours.
constexpr std::uint64_t kMaxFileBytes = 256ull * 1024 * 1024;

void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct Reader {
    std::string_view bytes;
    std::size_t at = 0;

    std::optional<std::uint32_t> u32() {
        if (bytes.size() - at < 4) return std::nullopt;
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
        at += 4;
        return v;
    }
    std::optional<std::string_view> take(std::uint32_t n) {
        if (bytes.size() - at < n) return std::nullopt;
        std::string_view v = bytes.substr(at, n);
        at += n;
        return v;
    }
};

}  // namespace

std::string sortKeyFileBytes(const SortKeyCache& cache, const std::string& stamp) {
    std::string out(kSortKeyFileMagic);
    putU32(out, static_cast<std::uint32_t>(stamp.size()));
    out += stamp;
    putU32(out, static_cast<std::uint32_t>(cache.entries(false)));
    cache.forEach(false, [&](std::string_view cell, std::string_view key) {
        putU32(out, static_cast<std::uint32_t>(cell.size()));
        putU32(out, static_cast<std::uint32_t>(key.size()));
        out += cell;
        out += key;
    });
    return out;
}

std::size_t readSortKeyFileBytes(std::string_view bytes, const std::string& stamp,
                                 SortKeyCache& cache) {
    Reader in{bytes};
    const auto magic = in.take(static_cast<std::uint32_t>(kSortKeyFileMagic.size()));
    if (!magic || *magic != kSortKeyFileMagic) return 0;
    const auto stampSize = in.u32();
    if (!stampSize) return 0;
    const auto fileStamp = in.take(*stampSize);
    if (!fileStamp || *fileStamp != stamp) return 0;
    const auto count = in.u32();
    // Each entry takes at least eight bytes: a count beyond that is a lie.
    if (!count || *count > (bytes.size() - in.at) / 8) return 0;
    // All entries are checked before any is taken: half a file is no better than none.
    std::vector<std::pair<std::string_view, std::string_view>> entries;
    entries.reserve(*count);
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto cellSize = in.u32();
        const auto keySize = in.u32();
        if (!cellSize || !keySize) return 0;
        const auto cell = in.take(*cellSize);
        if (!cell) return 0;
        const auto key = in.take(*keySize);
        if (!key) return 0;
        entries.emplace_back(*cell, *key);
    }
    if (in.at != bytes.size()) return 0;
    cache.prepare(entries.size(), false);
    for (const auto& [cell, key] : entries) cache.insert(cell, key, false);
    return entries.size();
}

bool saveSortKeyFile(const std::string& path, const SortKeyCache& cache, const std::string& stamp) {
    fs::createDirectory(fs::pathFolder(path));
    PendingFile file(path);
    // A cache: not worth a flush to disk, a crash only costs the next start its keys.
    return file.isOpen() && file.write(sortKeyFileBytes(cache, stamp)) && file.commit(false);
}

std::size_t loadSortKeyFile(const std::string& path, const std::string& stamp,
                            SortKeyCache& cache) {
    const std::optional<std::string> bytes = fs::readFile(path, kMaxFileBytes);
    return bytes ? readSortKeyFileBytes(*bytes, stamp, cache) : 0;
}

}  // namespace romshelf
