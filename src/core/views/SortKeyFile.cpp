#include "core/views/SortKeyFile.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
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

// The entries of a whole file made under `stamp`, each given to `take(cell, key, rank)`, or none
// at all: every entry is checked before any is taken, half a file is no better than none.
// Returns how many were taken.
template <class Take>
std::size_t readEntries(std::string_view bytes, const std::string& stamp, SortKeyCache& cache,
                        Take&& take) {
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
    const std::size_t first = in.at;
    auto next = [&](std::string_view& cell, std::string_view& key) {
        const auto cellSize = in.u32();
        const auto keySize = in.u32();
        if (!cellSize || !keySize) return false;
        const auto c = in.take(*cellSize);
        if (!c) return false;
        const auto k = in.take(*keySize);
        if (!k) return false;
        cell = *c;
        key = *k;
        return true;
    };
    // Written in key order, the keys come with their ranks; a file in any other order (a
    // damaged one, say) still gives its keys.
    std::string_view cell, key, last;
    bool inOrder = true;
    for (std::uint32_t i = 0; i < *count; ++i) {
        if (!next(cell, key)) return 0;
        if (i > 0 && compareSortKeys(last, key) > 0) inOrder = false;
        last = key;
    }
    if (in.at != bytes.size()) return 0;
    cache.prepare(*count, false);
    in.at = first;
    std::uint32_t rank = 0;
    for (std::uint32_t i = 0; i < *count; ++i) {
        next(cell, key);
        // Equal keys share a rank.
        if (i > 0 && compareSortKeys(last, key) != 0) ++rank;
        last = key;
        take(cell, key, inOrder ? rank : SortKeyCache::kNoRank);
    }
    return *count;
}

}  // namespace

std::string sortKeyFileBytes(const SortKeyCache& cache, const std::string& stamp) {
    std::string out(kSortKeyFileMagic);
    putU32(out, static_cast<std::uint32_t>(stamp.size()));
    out += stamp;
    // In key order: the next start then knows each key's rank, and sorts rows by rank alone.
    std::vector<std::pair<std::string_view, std::string_view>> entries;
    entries.reserve(cache.entries(false));
    cache.forEach(false, [&](std::string_view cell, std::string_view key) {
        entries.emplace_back(cell, key);
    });
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return compareSortKeys(a.second, b.second) < 0; });
    putU32(out, static_cast<std::uint32_t>(entries.size()));
    for (const auto& [cell, key] : entries) {
        putU32(out, static_cast<std::uint32_t>(cell.size()));
        putU32(out, static_cast<std::uint32_t>(key.size()));
        out += cell;
        out += key;
    }
    return out;
}

std::size_t readSortKeyFileBytes(std::string_view bytes, const std::string& stamp,
                                 SortKeyCache& cache) {
    return readEntries(bytes, stamp, cache,
                       [&](std::string_view cell, std::string_view key, std::uint32_t) {
                           cache.insert(cell, key, false);
                       });
}

bool saveSortKeyFile(const std::string& path, const SortKeyCache& cache, const std::string& stamp) {
    fs::createDirectories(fs::pathFolder(path));
    PendingFile file(path);
    // A cache: not worth a flush to disk, a crash only costs the next start its keys.
    return file.isOpen() && file.write(sortKeyFileBytes(cache, stamp)) && file.commit(false);
}

std::size_t loadSortKeyFile(const std::string& path, const std::string& stamp, SortKeyCache& cache,
                            bool* inKeyOrder) {
    std::optional<std::string> read = fs::readFile(path, kMaxFileBytes);
    if (!read) return 0;
    // The keys stay where they were read: copying them once more is a good part of a first build.
    auto bytes = std::make_shared<const std::string>(std::move(*read));
    const std::size_t taken = readEntries(
        *bytes, stamp, cache, [&](std::string_view cell, std::string_view key, std::uint32_t rank) {
            cache.insertView(cell, key, false, rank);
            if (inKeyOrder) *inKeyOrder = rank != SortKeyCache::kNoRank;
        });
    if (taken > 0) cache.keep(std::move(bytes), false);
    return taken;
}

}  // namespace romshelf
