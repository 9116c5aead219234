#include "core/views/SortKeyCache.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "core/database/TitleIndex.h"
#include "core/platform/LargeAllocator.h"
#include "core/platform/WordHash.h"
#include "core/views/SortKeyFile.h"

namespace romshelf {

struct SortKeyCache::Table {
    // Blocks of one huge page each (see LargeAllocator).
    static constexpr std::size_t kBlockSize = LargeAllocator<char>::kHugePage;
    static constexpr std::size_t kMaxEntries = 400000;
    // The keys in the order they came, found through a table of small slots: the table holds
    // more slots than keys, and a slot is a fifth of a key's entry.
    struct Entry {
        const char* cell;
        const char* key;
        std::uint32_t cellSize;
        std::uint32_t keySize;
        std::uint32_t hashLow;  // the hash's low half; its high half is the slot's tag
        std::uint64_t check;    // checkOf(cell)
    };
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t entry = 0;  // index + 1; 0: empty slot
    };
    struct Block {
        char* bytes;
        std::size_t size;
        explicit Block(std::size_t n) : bytes(LargeAllocator<char>().allocate(n)), size(n) {}
        Block(Block&& o) noexcept : bytes(std::exchange(o.bytes, nullptr)), size(o.size) {}
        Block& operator=(Block&& o) noexcept {
            std::swap(bytes, o.bytes);
            std::swap(size, o.size);
            return *this;
        }
        ~Block() {
            if (bytes) LargeAllocator<char>().deallocate(bytes, size);
        }
    };
    std::vector<Slot, LargeAllocator<Slot>> slots;
    std::vector<Entry, LargeAllocator<Entry>> list;
    std::size_t entries = 0;
    std::vector<Block> blocks;
    std::size_t blockUsed = kBlockSize;

    const char* store(std::string_view bytes) {
        if (bytes.size() > kBlockSize) {
            // A block of its own, kept in front of the block being filled.
            Block own(bytes.size());
            std::memcpy(own.bytes, bytes.data(), bytes.size());
            const char* at = own.bytes;
            blocks.insert(blocks.begin(), std::move(own));
            return at;
        }
        if (blockUsed + bytes.size() > kBlockSize) {
            blocks.emplace_back(kBlockSize);
            blockUsed = 0;
        }
        char* at = blocks.back().bytes + blockUsed;
        if (!bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
        blockUsed += bytes.size();
        return at;
    }
    void clear() {
        slots.clear();
        list.clear();
        entries = 0;
        blocks.clear();
        blockUsed = kBlockSize;
    }
    static std::uint32_t tagOf(std::uint64_t hash) {
        return static_cast<std::uint32_t>(hash >> 32);
    }
    void place(std::uint64_t hash, std::uint32_t entry) {
        const std::size_t mask = slots.size() - 1;
        std::size_t i = hash & mask;
        while (slots[i].entry) i = (i + 1) & mask;
        slots[i] = {tagOf(hash), entry};
    }
    void reserve(std::size_t count) {
        if (list.capacity() < count) list.reserve(count);
        // At most three slots in four taken: probes stay short, and the slots few.
        std::size_t size = 64;
        while (size * 3 < count * 4) size *= 2;
        if (size <= slots.size()) return;
        std::vector<Slot, LargeAllocator<Slot>> old = std::move(slots);
        slots.assign(size, Slot{});
        for (const Slot& s : old)
            if (s.entry) place((std::uint64_t{s.tag} << 32) | list[s.entry - 1].hashLow, s.entry);
    }
    const Entry* find(std::string_view cell, std::uint64_t hash) const {
        if (slots.empty()) return nullptr;
        const std::size_t mask = slots.size() - 1;
        const std::uint32_t tag = tagOf(hash);
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& s = slots[i];
            if (!s.entry) return nullptr;
            if (s.tag != tag) continue;
            const Entry& e = list[s.entry - 1];
            if (e.hashLow == static_cast<std::uint32_t>(hash) && e.cellSize == cell.size() &&
                e.check == SortKeyCache::checkOf(cell))
                return &e;
        }
    }
};

std::uint64_t SortKeyCache::hashOf(std::string_view cell) { return TitleIndex::hashOf(cell); }

std::uint64_t SortKeyCache::checkOf(std::string_view cell) {
    return wordHash<0x2545F4914F6CDD1Du, 0x9FB21C651E98DF25u, 0xD6E8FEB86659FD93u,
                    0xFF51AFD7ED558CCDu>(cell);
}

SortKeyCache::SortKeyCache() {
    for (auto& kana : tables_)
        for (auto& shard : kana) shard = std::make_unique<Table>();
}

SortKeyCache::~SortKeyCache() = default;

void SortKeyCache::makeRoom(std::size_t rows, bool kanaSensitive) {
    // The cap bounds what switching between hardware piles up; one list larger than the cap keeps
    // its own keys (and those of the key file), or every sort of it would compute them all.
    if (entries(kanaSensitive) + rows > std::max(Table::kMaxEntries, 2 * rows)) {
        for (int shard = 0; shard < kShards; ++shard) table(kanaSensitive, shard).clear();
        files_[kanaSensitive ? 1 : 0].reset();
        ++generations_[kanaSensitive ? 1 : 0];
    }
}

void SortKeyCache::reserve(std::size_t rows, bool kanaSensitive) {
    // Each shard gets about half of the new keys; a shard that gets more grows as it fills.
    for (int shard = 0; shard < kShards; ++shard) {
        Table& t = table(kanaSensitive, shard);
        t.reserve(t.entries + rows / kShards + rows / 16);
    }
}

std::size_t SortKeyCache::entries(bool kanaSensitive) const {
    std::size_t n = file(kanaSensitive) ? file(kanaSensitive)->size() : 0;
    for (int shard = 0; shard < kShards; ++shard) n += table(kanaSensitive, shard).entries;
    return n;
}

void SortKeyCache::forEach(
    bool kanaSensitive,
    const std::function<void(std::string_view cell, std::string_view key)>& visit) const {
    if (const SortKeyFileTable* f = file(kanaSensitive)) f->forEach(visit);
    for (int shard = 0; shard < kShards; ++shard)
        for (const Table::Entry& e : table(kanaSensitive, shard).list)
            visit(std::string_view(e.cell, e.cellSize), std::string_view(e.key, e.keySize));
}

std::uint64_t SortKeyCache::generation(bool kanaSensitive) const {
    return generations_[kanaSensitive ? 1 : 0];
}

void SortKeyCache::prefetchSlot(std::uint64_t hash, bool kanaSensitive) const {
    if (const SortKeyFileTable* f = file(kanaSensitive)) f->prefetchSlot(hash);
    const Table& t = table(kanaSensitive, shardOf(hash));
    if (t.entries) __builtin_prefetch(&t.slots[hash & (t.slots.size() - 1)]);
}

void SortKeyCache::prefetchCell(std::uint64_t hash, bool kanaSensitive) const {
    if (const SortKeyFileTable* f = file(kanaSensitive)) f->prefetchEntry(hash);
    const Table& t = table(kanaSensitive, shardOf(hash));
    if (!t.entries) return;
    const Table::Slot& s = t.slots[hash & (t.slots.size() - 1)];
    if (s.entry) __builtin_prefetch(&t.list[s.entry - 1]);
}

bool SortKeyCache::find(std::string_view cell, bool kanaSensitive, std::string_view& key) const {
    return find(cell, hashOf(cell), kanaSensitive, key);
}

bool SortKeyCache::find(std::string_view cell, std::uint64_t hash, bool kanaSensitive,
                        std::string_view& key) const {
    std::uint32_t rank;
    return find(cell, hash, kanaSensitive, key, rank);
}

bool SortKeyCache::find(std::string_view cell, std::uint64_t hash, bool kanaSensitive,
                        std::string_view& key, std::uint32_t& rank) const {
    if (const SortKeyFileTable* f = file(kanaSensitive); f && f->find(cell, hash, key, rank))
        return true;
    const Table::Entry* s = table(kanaSensitive, shardOf(hash)).find(cell, hash);
    if (!s) return false;
    key = std::string_view(s->key, s->keySize);
    rank = kNoRank;
    return true;
}

std::string_view SortKeyCache::insert(std::string_view cell, std::string_view key,
                                      bool kanaSensitive) {
    const std::uint64_t hash = hashOf(cell);
    return insertInto(shardOf(hash), hash, cell, key, kanaSensitive);
}

std::string_view SortKeyCache::insertInto(int shard, std::uint64_t hash, std::string_view cell,
                                          std::string_view key, bool kanaSensitive) {
    std::string_view known;
    std::uint32_t rank;
    if (const SortKeyFileTable* f = file(kanaSensitive); f && f->find(cell, hash, known, rank))
        return known;
    Table& t = table(kanaSensitive, shard);
    if (const Table::Entry* s = t.find(cell, hash)) return std::string_view(s->key, s->keySize);
    if ((t.entries + 1) * 4 > t.slots.size() * 3) t.reserve(t.entries + 1);
    Table::Entry& e = t.list.emplace_back();
    e.hashLow = static_cast<std::uint32_t>(hash);
    e.check = checkOf(cell);
    e.cell = cell.empty() ? "" : t.store(cell);
    e.cellSize = static_cast<std::uint32_t>(cell.size());
    e.key = key.empty() ? "" : t.store(key);
    e.keySize = static_cast<std::uint32_t>(key.size());
    t.place(hash, static_cast<std::uint32_t>(t.list.size()));
    ++t.entries;
    return std::string_view(e.key, e.keySize);
}

void SortKeyCache::adopt(std::shared_ptr<const SortKeyFileTable> file, bool kanaSensitive) {
    for (int shard = 0; shard < kShards; ++shard) table(kanaSensitive, shard).clear();
    files_[kanaSensitive ? 1 : 0] = std::move(file);
    ++generations_[kanaSensitive ? 1 : 0];
}

}  // namespace romshelf
