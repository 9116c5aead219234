#include "core/views/SortKeyFile.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "core/platform/Checksums.h"
#include "core/platform/FileSystem.h"
#include "core/platform/NativeBytes.h"
#include "core/platform/MappedFile.h"
#include "core/platform/PendingFile.h"
#include "core/views/FileListSorter.h"

namespace romshelf {

namespace {

// Far above any real collection's keys (ten million, at ninety bytes a key); a larger file is not
// ours, and none is written.
constexpr std::uint64_t kMaxFileBytes = 1024ull * 1024 * 1024;
// The most slots a lookup looks at after the first. A table three quarters full has runs far
// shorter; a file whose longest run is longer is not ours (its lookups could take for ever).
constexpr std::uint32_t kMaxRun = 1024;

// The fixed part after the stamp: two probes, count, slot count, text size, CRC, longest run.
constexpr std::size_t kFixedBytes = 8 + 8 + 4 + 4 + 8 + 4 + 4;
constexpr std::size_t kCrcAt = 8 + 8 + 4 + 4 + 8;  // within the fixed part
constexpr std::size_t kSlotBytes = 8;
constexpr std::size_t kEntryBytes = 32;

struct Slot {
    std::uint32_t tag;
    std::uint32_t entry;
};

struct Entry {
    std::uint32_t cellAt, cellSize, keyAt, keySize, rank, hashLow;
    std::uint64_t check;
};
static_assert(sizeof(Slot) == kSlotBytes && sizeof(Entry) == kEntryBytes);

using bytes::load;
using bytes::paddedTo8;
using bytes::put;

std::uint32_t tagOf(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

// The file's sum: every byte but the sum's own four.
std::uint32_t fileCrc(std::string_view bytes, std::size_t crcAt) {
    const std::uint32_t head = crc32Update(0, bytes.data(), crcAt);
    return crc32Update(head, bytes.data() + crcAt + 4, bytes.size() - crcAt - 4);
}

// The same a part at a time, `checked` told of each part once it is summed.
std::uint32_t fileCrcInParts(std::string_view bytes, std::size_t crcAt,
                             const SortKeyFileTable::CheckedPart& checked) {
    constexpr std::size_t kChunk = SortKeyFileTable::kCheckChunk;
    std::uint32_t crc = 0;
    for (std::size_t from = 0; from < bytes.size(); from += kChunk) {
        const std::size_t to = std::min(bytes.size(), from + kChunk);
        // The sum's own four bytes, wherever they fall, are left out.
        const std::size_t skipFrom = std::clamp(crcAt, from, to);
        const std::size_t skipTo = std::clamp(crcAt + 4, from, to);
        crc = crc32Update(crc, bytes.data() + from, skipFrom - from);
        crc = crc32Update(crc, bytes.data() + skipTo, to - skipTo);
        if (checked) checked(from, to - from);
    }
    return crc;
}

// The keys of `table`, when there is one, in place of those `cache` remembered.
std::size_t take(std::shared_ptr<const SortKeyFileTable> table, SortKeyCache& cache) {
    if (!table) return 0;
    const std::size_t count = table->size();
    cache.adopt(std::move(table), false);
    return count;
}

}  // namespace

std::shared_ptr<const SortKeyFileTable> SortKeyFileTable::open(std::string_view bytes,
                                                               std::shared_ptr<const void> owner,
                                                               const std::string& stamp,
                                                               const CheckedPart& checked) {
    const std::size_t magic = kSortKeyFileMagic.size();
    if (bytes.size() < magic + 4 || bytes.substr(0, magic) != kSortKeyFileMagic) return nullptr;
    const std::uint32_t stampSize = load<std::uint32_t>(bytes.data() + magic);
    if (stampSize != stamp.size() || bytes.size() - magic - 4 < stampSize ||
        bytes.substr(magic + 4, stampSize) != stamp)
        return nullptr;
    const std::size_t fixed = paddedTo8(magic + 4 + stampSize);
    if (bytes.size() < fixed + kFixedBytes) return nullptr;
    const char* at = bytes.data() + fixed;
    if (load<std::uint64_t>(at) != SortKeyCache::hashOf(kSortKeyFileProbe) ||
        load<std::uint64_t>(at + 8) != SortKeyCache::checkOf(kSortKeyFileProbe))
        return nullptr;
    const std::uint32_t count = load<std::uint32_t>(at + 16);
    const std::uint32_t slots = load<std::uint32_t>(at + 20);
    const std::uint64_t textSize = load<std::uint64_t>(at + 24);
    const std::uint32_t longestRun = load<std::uint32_t>(at + kCrcAt + 4);
    // Enough slots that one is always free, short runs, and the sizes adding up to the file's
    // exactly.
    if (slots == 0 || (slots & (slots - 1)) != 0 || slots <= count || longestRun > kMaxRun ||
        textSize > kMaxFileBytes)
        return nullptr;
    const std::uint64_t tableStart = fixed + kFixedBytes;
    if (tableStart + std::uint64_t{slots} * kSlotBytes + std::uint64_t{count} * kEntryBytes +
            textSize !=
        bytes.size())
        return nullptr;
    if (load<std::uint32_t>(at + kCrcAt) != fileCrcInParts(bytes, fixed + kCrcAt, checked))
        return nullptr;
    std::shared_ptr<SortKeyFileTable> table(new SortKeyFileTable);
    table->slots_ = bytes.data() + tableStart;
    table->entries_ = table->slots_ + std::size_t{slots} * kSlotBytes;
    table->text_ = table->entries_ + std::size_t{count} * kEntryBytes;
    // The sum says the file is ours; these checks that it cannot lead a lookup out of its bytes
    // even if it were not: every slot names an entry there is, every entry's texts lie within the
    // text block.
    for (std::uint32_t i = 0; i < slots; ++i)
        if (load<Slot>(table->slot(i)).entry > count) return nullptr;
    const auto inText = [&](std::uint32_t from, std::uint32_t size) {
        return from <= textSize && size <= textSize - from;
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        const Entry e = load<Entry>(table->entry(i));
        if (!inText(e.cellAt, e.cellSize) || !inText(e.keyAt, e.keySize)) return nullptr;
    }
    table->owner_ = std::move(owner);
    table->count_ = count;
    table->slotMask_ = slots - 1;
    table->longestRun_ = longestRun;
    return table;
}

bool SortKeyFileTable::find(std::string_view cell, std::uint64_t hash, std::string_view& key,
                            std::uint32_t& rank) const {
    const std::uint32_t tag = tagOf(hash);
    std::uint32_t i = static_cast<std::uint32_t>(hash) & slotMask_;
    for (std::uint32_t run = 0; run <= longestRun_; ++run, i = (i + 1) & slotMask_) {
        const Slot s = load<Slot>(slot(i));
        if (s.entry == 0) return false;
        if (s.tag != tag) continue;
        const Entry e = load<Entry>(entry(s.entry - 1));
        if (e.hashLow == static_cast<std::uint32_t>(hash) && e.cellSize == cell.size() &&
            e.check == SortKeyCache::checkOf(cell)) {
            key = std::string_view(text_ + e.keyAt, e.keySize);
            rank = e.rank;
            return true;
        }
    }
    return false;
}

const char* SortKeyFileTable::slot(std::uint32_t i) const {
    return slots_ + std::size_t{i} * kSlotBytes;
}

const char* SortKeyFileTable::entry(std::uint32_t i) const {
    return entries_ + std::size_t{i} * kEntryBytes;
}

void SortKeyFileTable::prefetchSlot(std::uint64_t hash) const {
    __builtin_prefetch(slot(static_cast<std::uint32_t>(hash) & slotMask_));
}

void SortKeyFileTable::prefetchEntry(std::uint64_t hash) const {
    const Slot s = load<Slot>(slot(static_cast<std::uint32_t>(hash) & slotMask_));
    if (s.entry != 0) __builtin_prefetch(entry(s.entry - 1));
}

void SortKeyFileTable::forEach(
    const std::function<void(std::string_view cell, std::string_view key)>& visit) const {
    for (std::uint32_t i = 0; i < count_; ++i) {
        const Entry e = load<Entry>(entry(i));
        visit(std::string_view(text_ + e.cellAt, e.cellSize),
              std::string_view(text_ + e.keyAt, e.keySize));
    }
}

std::string sortKeyFileBytes(const SortKeyCache& cache, const std::string& stamp) {
    std::vector<std::string_view> cells, keys;
    cells.reserve(cache.entries(false));
    keys.reserve(cache.entries(false));
    std::size_t textSize = 0;
    cache.forEach(false, [&](std::string_view cell, std::string_view key) {
        cells.push_back(cell);
        keys.push_back(key);
        textSize += cell.size() + key.size();
    });
    // In key order: the next start then knows each key's rank, and sorts rows by rank alone.
    // Equal keys stay in the cache's order, so that a file read and written again is the same.
    const std::vector<std::uint32_t> order = orderOfSortKeys(keys, false);
    const std::size_t count = cells.size();
    std::vector<std::uint64_t> hashes(count);
    for (std::size_t i = 0; i < count; ++i) hashes[i] = SortKeyCache::hashOf(cells[order[i]]);
    // At most three slots in four taken; more slots still in the rare table with a long run.
    std::uint64_t slots = 64;
    while (slots * 3 < std::uint64_t{count} * 4) slots *= 2;
    const std::size_t headerBytes =
        paddedTo8(kSortKeyFileMagic.size() + 4 + stamp.size()) + kFixedBytes;
    std::vector<Slot> table;
    std::uint32_t longestRun = 0;
    for (;; slots *= 2) {
        if (headerBytes + slots * kSlotBytes + count * kEntryBytes + textSize > kMaxFileBytes)
            return {};
        table.assign(static_cast<std::size_t>(slots), Slot{0, 0});
        const std::size_t mask = static_cast<std::size_t>(slots) - 1;
        longestRun = 0;
        bool placed = true;
        for (std::size_t i = 0; i < count && placed; ++i) {
            std::size_t at = hashes[i] & mask;
            std::uint32_t run = 0;
            for (; table[at].entry != 0; at = (at + 1) & mask) ++run;
            table[at] = {tagOf(hashes[i]), static_cast<std::uint32_t>(i + 1)};
            longestRun = std::max(longestRun, run);
            placed = run <= kMaxRun;
        }
        if (placed) break;
    }

    std::string out(kSortKeyFileMagic);
    put(out, static_cast<std::uint32_t>(stamp.size()));
    out += stamp;
    out.resize(paddedTo8(out.size()), '\0');
    const std::size_t crcAt = out.size() + kCrcAt;
    put(out, SortKeyCache::hashOf(kSortKeyFileProbe));
    put(out, SortKeyCache::checkOf(kSortKeyFileProbe));
    put(out, static_cast<std::uint32_t>(count));
    put(out, static_cast<std::uint32_t>(slots));
    put(out, static_cast<std::uint64_t>(textSize));
    put(out, std::uint32_t{0});  // the sum, once everything else is there
    put(out, longestRun);
    out.append(reinterpret_cast<const char*>(table.data()), table.size() * kSlotBytes);
    const std::size_t entriesAt = out.size();
    const std::size_t textAt = entriesAt + count * kEntryBytes;
    // Written in place, in one allocation: a million keys make a file of ninety megabytes.
    out.reserve(textAt + textSize);
    out.resize(textAt, '\0');
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view cell = cells[order[i]], key = keys[order[i]];
        if (i > 0 && compareSortKeys(keys[order[i - 1]], key) != 0) ++rank;
        Entry e;
        e.cellAt = static_cast<std::uint32_t>(out.size() - textAt);
        e.cellSize = static_cast<std::uint32_t>(cell.size());
        out += cell;
        e.keyAt = static_cast<std::uint32_t>(out.size() - textAt);
        e.keySize = static_cast<std::uint32_t>(key.size());
        out += key;
        e.rank = rank;
        e.hashLow = static_cast<std::uint32_t>(hashes[i]);
        e.check = SortKeyCache::checkOf(cell);
        std::memcpy(out.data() + entriesAt + i * kEntryBytes, &e, kEntryBytes);
    }
    const std::uint32_t crc = fileCrc(out, crcAt);
    std::memcpy(out.data() + crcAt, &crc, sizeof crc);
    return out;
}

std::size_t readSortKeyFileBytes(std::string_view bytes, const std::string& stamp,
                                 SortKeyCache& cache) {
    auto copy = std::make_shared<const std::string>(bytes);
    return take(SortKeyFileTable::open(*copy, copy, stamp), cache);
}

bool saveSortKeyFile(const std::string& path, const SortKeyCache& cache, const std::string& stamp) {
    const std::string bytes = sortKeyFileBytes(cache, stamp);
    if (bytes.empty()) return false;
    if (!fs::createDirectories(fs::pathFolder(path))) return false;
    PendingFile file(path);
    // A cache: not worth a flush to disk, a crash only costs the next start its keys. Replaced
    // whole, never written in place: a running program may have the old file mapped.
    return file.isOpen() && file.write(bytes) && file.commit(false);
}

std::size_t loadSortKeyFile(const std::string& path, const std::string& stamp,
                            SortKeyCache& cache) {
    const std::shared_ptr<const MappedFile> mapped = MappedFile::open(path, kMaxFileBytes);
    if (!mapped) return 0;
    // Each part summed is given back: the lookups read the slots and entries again, the cells and
    // keys seldom (a sort by ranks never), and the whole file is never in memory at once.
    const MappedFile& file = *mapped;
    return take(SortKeyFileTable::open(
                    mapped->bytes(), mapped, stamp,
                    [&file](std::size_t from, std::size_t size) { file.release(from, size); }),
                cache);
}

}  // namespace romshelf
