#include "core/views/SortKeyFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <vector>

#include "TempFolder.h"
#include "core/platform/MappedFile.h"
#include "core/views/FileListSorter.h"

using namespace romshelf;

namespace {

// The key file is found by two hashes of each cell: they must stay what earlier versions wrote,
// for every length of a cell's last, partial word. Worked out by hand (a few lines of Python) from
// the hash's definition: eight-byte little-endian words, the last one padded with zeros.
TEST(SortKeyHashes, StayWhatTheKeyFilesWereWrittenWith) {
    const std::string digits = "0123456789abcdefgh";
    const std::uint64_t hashes[] = {
        0x7d8bdf20b7a7dbeau, 0x2f208cfab9a0eac1u, 0x9d9b0cb8a05f40a8u, 0xb63ae72d7b72cf00u,
        0xa29cab2877881ef5u, 0xaa0bfc703287a767u, 0xb1aab9b61887a516u, 0xda80c18a9c68f665u,
        0xeecdb927a889b12eu, 0x83cebe376c0037a5u, 0x3291ab6472554da5u, 0xf126fd5345961a3fu,
        0x38ef93f7d39a61c9u, 0x9b760b32f2635c30u, 0xdf83b7c3118e1f96u, 0x7024b7305f266cd1u,
        0x496f9d63e5055ae3u, 0x88a6063f923247d8u, 0x61bc1a91a34b3760u};
    const std::uint64_t checks[] = {
        0x0a053ccb2daccd20u, 0xa10557cc8739a099u, 0x38ddeff2e61a97cfu, 0xb18270aee4c4fdcau,
        0x2b97f344d9b0fb10u, 0x8377faa99b0178aeu, 0x20736969417c4c85u, 0xfcfdb731252fc998u,
        0x95c0f67b233eea08u, 0xb65af72f46dc8710u, 0x6263b488d817a259u, 0xda277b40a48f799eu,
        0x74b05a2d316c3311u, 0xc779a60656b6e6b2u, 0xb483cf4c081d841cu, 0xfba7633eab53fe85u,
        0x6a72027e516a2812u, 0x88f617e51d15efbfu, 0xe56226f08b60399au};
    for (std::size_t n = 0; n <= digits.size(); ++n) {
        // A copy of its own, so that bytes past the cell's end are not the next digits.
        const std::string cell = digits.substr(0, n);
        EXPECT_EQ(SortKeyCache::hashOf(cell), hashes[n]) << n;
        EXPECT_EQ(SortKeyCache::checkOf(cell), checks[n]) << n;
        // Taken out of a longer text: only the cell's own bytes count.
        EXPECT_EQ(SortKeyCache::hashOf(std::string_view(digits).substr(0, n)), hashes[n]) << n;
    }
    EXPECT_EQ(SortKeyCache::hashOf("スーパーマリオ 12 (J)"), 0xca0778d7e66746efu);
    EXPECT_EQ(SortKeyCache::checkOf("スーパーマリオ 12 (J)"), 0x703a11b2f58fdabau);
}

const std::string kStamp = "st";

// A key file put together by hand from its description, as another program would write it: a
// small table of 64 slots, the entries in key order, the text after them; the sum from zlib.
struct HandMadeFile {
    struct Item {
        std::string cell, key;
        std::uint32_t rank;
    };
    std::vector<Item> items;
    std::uint32_t slots = 64;
    // Changes made to the table before the sum is taken.
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> slotOverride;
    std::map<std::size_t, std::pair<std::uint32_t, std::uint32_t>> keyOverride;  // at, size
    std::uint32_t countOverride = 0;
    std::optional<std::uint32_t> runOverride;

    static void u32(std::string& out, std::uint32_t v) {
        for (int b = 0; b < 4; ++b) out += static_cast<char>((v >> (8 * b)) & 0xFF);
    }
    static void u64(std::string& out, std::uint64_t v) {
        for (int b = 0; b < 8; ++b) out += static_cast<char>((v >> (8 * b)) & 0xFF);
    }

    std::string bytes() const {
        std::string out = "RSSORTK2";
        u32(out, static_cast<std::uint32_t>(kStamp.size()));
        out += kStamp;
        out += std::string(2, '\0');  // 14 bytes so far: zeros to 16
        u64(out, SortKeyCache::hashOf("romshelf sort keys"));
        u64(out, SortKeyCache::checkOf("romshelf sort keys"));
        u32(out, countOverride ? countOverride : static_cast<std::uint32_t>(items.size()));
        u32(out, slots);
        std::string text, entries;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> table(slots, {0, 0});
        std::uint32_t longestRun = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Item& item = items[i];
            const std::uint64_t hash = SortKeyCache::hashOf(item.cell);
            u32(entries, static_cast<std::uint32_t>(text.size()));
            u32(entries, static_cast<std::uint32_t>(item.cell.size()));
            text += item.cell;
            const auto key = keyOverride.count(i)
                                 ? keyOverride.at(i)
                                 : std::pair(static_cast<std::uint32_t>(text.size()),
                                             static_cast<std::uint32_t>(item.key.size()));
            u32(entries, key.first);
            u32(entries, key.second);
            text += item.key;
            u32(entries, item.rank);
            u32(entries, static_cast<std::uint32_t>(hash));
            u64(entries, SortKeyCache::checkOf(item.cell));
            std::uint32_t at = static_cast<std::uint32_t>(hash) % slots, run = 0;
            for (; table[at].second; ++run) at = (at + 1) % slots;
            longestRun = std::max(longestRun, run);
            table[at] = {static_cast<std::uint32_t>(hash >> 32), static_cast<std::uint32_t>(i + 1)};
        }
        for (const auto& [at, slot] : slotOverride) table[at] = slot;
        u64(out, text.size());
        const std::size_t crcAt = out.size();
        u32(out, 0);
        u32(out, runOverride.value_or(longestRun));
        for (const auto& [tag, entry] : table) {
            u32(out, tag);
            u32(out, entry);
        }
        out += entries + text;
        const auto* data = reinterpret_cast<const Bytef*>(out.data());
        uLong crc = ::crc32(0, data, static_cast<uInt>(crcAt));
        crc = ::crc32(crc, data + crcAt + 4, static_cast<uInt>(out.size() - crcAt - 4));
        for (int b = 0; b < 4; ++b) out[crcAt + b] = static_cast<char>((crc >> (8 * b)) & 0xFF);
        return out;
    }
};

// Keys that no collation would give, in key order: "b" and "c" share one.
HandMadeFile threeKeys() {
    HandMadeFile f;
    f.items = {{"さくら", "\x01", 0}, {"b", "\x02\x05", 1}, {"c", "\x02\x05", 1}};
    return f;
}

struct Found {
    bool found = false;
    std::string key;
    std::uint32_t rank = 0;
    bool operator==(const Found&) const = default;
};

Found lookUp(const SortKeyCache& cache, std::string_view cell) {
    Found f;
    std::string_view key;
    f.found = cache.find(cell, SortKeyCache::hashOf(cell), false, key, f.rank);
    f.key = key;
    return f;
}

}  // namespace

// The file of the description is read as written, and the program writes that very file.
TEST(SortKeyFile, AHandMadeFileIsReadAndWrittenTheSame) {
    const std::string bytes = threeKeys().bytes();
    SortKeyCache cache;
    ASSERT_EQ(readSortKeyFileBytes(bytes, kStamp, cache), 3u);
    EXPECT_EQ(lookUp(cache, "さくら"), (Found{true, "\x01", 0}));
    EXPECT_EQ(lookUp(cache, "b"), (Found{true, "\x02\x05", 1}));
    EXPECT_EQ(lookUp(cache, "c"), (Found{true, "\x02\x05", 1}));
    EXPECT_FALSE(lookUp(cache, "d").found);
    EXPECT_FALSE(lookUp(cache, "さく").found);
    for (std::string_view cell : {"さくら", "d"}) {
        cache.prefetchSlot(SortKeyCache::hashOf(cell), false);
        cache.prefetchCell(SortKeyCache::hashOf(cell), false);
    }
    EXPECT_EQ(sortKeyFileBytes(cache, kStamp), bytes);

    // Keys added later come without a rank; a cell the file knows keeps the file's key.
    EXPECT_EQ(cache.insert("さくら", "\x09", false), "\x01");
    EXPECT_EQ(cache.insert("d", "\x01\x07", false), "\x01\x07");
    EXPECT_EQ(cache.entries(false), 4u);
    EXPECT_EQ(lookUp(cache, "d"), (Found{true, "\x01\x07", SortKeyCache::kNoRank}));
    // Written again with every key, in key order: the new one second, the ranks renumbered.
    HandMadeFile four;
    four.items = {
        {"さくら", "\x01", 0}, {"d", "\x01\x07", 1}, {"b", "\x02\x05", 2}, {"c", "\x02\x05", 2}};
    EXPECT_EQ(sortKeyFileBytes(cache, kStamp), four.bytes());
}

// Only a whole file of this program, made under the same rules, is taken, and none of it
// otherwise; and a file that passes the sum cannot lead a lookup out of its bytes.
TEST(SortKeyFile, DamagedForeignAndLyingFilesGiveNothing) {
    const std::string bytes = threeKeys().bytes();
    const auto keysOf = [](const std::string& b, const std::string& stamp = kStamp) {
        SortKeyCache cache;
        return readSortKeyFileBytes(b, stamp, cache);
    };
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_EQ(keysOf(bytes.substr(0, cut)), 0u) << cut;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        std::string changed = bytes;
        changed[at] ^= 0x10;
        EXPECT_EQ(keysOf(changed), 0u) << at;
    }
    EXPECT_EQ(keysOf(bytes + '\0'), 0u);
    EXPECT_EQ(keysOf(bytes, "other"), 0u);

    HandMadeFile lying = threeKeys();
    lying.countOverride = 4;  // with the sum made over the lie
    EXPECT_EQ(keysOf(lying.bytes()), 0u);
    HandMadeFile few = threeKeys();
    few.items.push_back({"d", "\x03", 2});
    few.slots = 4;  // no free slot
    EXPECT_EQ(keysOf(few.bytes()), 0u);
    HandMadeFile uneven = threeKeys();
    uneven.slots = 48;
    EXPECT_EQ(keysOf(uneven.bytes()), 0u);
    HandMadeFile longRuns = threeKeys();
    longRuns.runOverride = 1025;  // lookups that could take for ever
    EXPECT_EQ(keysOf(longRuns.bytes()), 0u);
    longRuns.runOverride = 1024;
    EXPECT_EQ(keysOf(longRuns.bytes()), 3u);

    // Sums made over lies that would lead lookups out of the file: a slot naming an entry that is
    // not there, a key or a cell beyond the text, a size that wraps past its end.
    const auto slotOf = [](std::string_view cell) {
        return static_cast<std::uint32_t>(SortKeyCache::hashOf(cell)) % 64;
    };
    const auto tagOf = [](std::string_view cell) {
        return static_cast<std::uint32_t>(SortKeyCache::hashOf(cell) >> 32);
    };
    HandMadeFile beyond = threeKeys();
    beyond.slotOverride[slotOf("d")] = {tagOf("d"), 4};
    EXPECT_EQ(keysOf(beyond.bytes()), 0u);
    // "さくら" takes text bytes 0-9, "b" 10-12, "c" 13-15.
    for (const auto& [at, size] :
         {std::pair<std::uint32_t, std::uint32_t>{15, 2}, {16, 1}, {1000, 0}, {1, 0xFFFFFFFFu}}) {
        HandMadeFile outside = threeKeys();
        outside.keyOverride[2] = {at, size};
        EXPECT_EQ(keysOf(outside.bytes()), 0u) << at;
    }
    HandMadeFile last = threeKeys();
    last.keyOverride[2] = {14, 2};  // the text's last two bytes: a key that is there
    SortKeyCache cache;
    ASSERT_EQ(readSortKeyFileBytes(last.bytes(), kStamp, cache), 3u);
    EXPECT_EQ(lookUp(cache, "c"), (Found{true, "\x02\x05", 1}));

    // A lookup looks no further than the longest run the file gives: "d" three slots past its
    // first is found with a run of three, not of two; and every slot taken by others ends too.
    HandMadeFile far = threeKeys();
    far.items.push_back({"d", "\x03", 2});
    for (std::uint32_t k = 0; k < 3; ++k) far.slotOverride[(slotOf("d") + k) % 64] = {0, 1};
    far.slotOverride[(slotOf("d") + 3) % 64] = {tagOf("d"), 4};
    for (const std::uint32_t run : {3u, 2u}) {
        far.runOverride = run;
        ASSERT_EQ(readSortKeyFileBytes(far.bytes(), kStamp, cache), 4u);
        EXPECT_EQ(lookUp(cache, "d").found, run == 3);
    }
    HandMadeFile full = threeKeys();
    for (std::uint32_t i = 0; i < 64; ++i) full.slotOverride[i] = {tagOf("d") + 1, 1};
    full.runOverride = 1024;
    ASSERT_EQ(readSortKeyFileBytes(full.bytes(), kStamp, cache), 3u);
    EXPECT_FALSE(lookUp(cache, "d").found);
}

// Many keys, equal ones among them: every one is found with its key, the ranks order as the keys
// do, and the same keys always make the same file.
TEST(SortKeyFile, ManyKeysComeBackWithRanksInKeyOrder) {
    std::mt19937 rng(7);
    SortKeyCache cache;
    std::map<std::string, std::string> keys;
    for (int i = 0; i < 5000; ++i) {
        const std::string cell = "ゲーム " + std::to_string(rng());
        std::string key(1 + rng() % 6, '\0');
        for (char& c : key) c = static_cast<char>(1 + rng() % 3);
        keys[cell] = key;
        cache.insert(cell, key, false);
    }
    const std::string bytes = sortKeyFileBytes(cache, kStamp);
    SortKeyCache read;
    ASSERT_EQ(readSortKeyFileBytes(bytes, kStamp, read), keys.size());
    std::vector<std::pair<std::string, std::uint32_t>> ranks;
    for (const auto& [cell, key] : keys) {
        const Found f = lookUp(read, cell);
        ASSERT_TRUE(f.found);
        ASSERT_EQ(f.key, key);
        ranks.emplace_back(key, f.rank);
    }
    for (const auto& [keyA, rankA] : ranks)
        for (std::size_t j = 0; j < ranks.size(); j += 97) {
            const auto& [keyB, rankB] = ranks[j];
            const int c = compareSortKeys(keyA, keyB);
            ASSERT_EQ(c < 0, rankA < rankB);
            ASSERT_EQ(c == 0, rankA == rankB);
        }
    EXPECT_EQ(sortKeyFileBytes(read, kStamp), bytes);
}

// A file of several parts of the check (kCheckChunk bytes each) is read whole through its
// mapping, the parts given back on the way; a byte changed on either side of a part's edge, or the
// very last one, is caught by the sum.
TEST(SortKeyFile, AFileOfManyPartsIsCheckedAndReadWholeToItsLastByte) {
    HandMadeFile f;
    f.slots = 4096;
    for (std::uint32_t i = 0; i < 3000; ++i) {
        // Keys in key order: the number's bytes first, then filler to 200 bytes.
        std::string key = {static_cast<char>(1 + i / 250), static_cast<char>(1 + i % 250)};
        key.resize(200, '\x07');
        f.items.push_back({"セル " + std::to_string(i) + std::string(100, 'x'), key, i});
    }
    const std::string bytes = f.bytes();
    constexpr std::size_t kPart = SortKeyFileTable::kCheckChunk;
    ASSERT_GT(bytes.size(), 3 * kPart);
    ASSERT_NE(bytes.size() % kPart, 0u);  // a last part shorter than the others
    romshelf::test::TempFolder dir;
    const std::string path = dir.write("sortkeys.bin", bytes);
    SortKeyCache cache;
    ASSERT_EQ(loadSortKeyFile(path, kStamp, cache), 3000u);
    for (const HandMadeFile::Item& item : f.items)
        ASSERT_EQ(lookUp(cache, item.cell), (Found{true, item.key, item.rank})) << item.cell;
    // The text block starts within the first part: each of these is a cell's or a key's byte.
    const std::size_t textStart = 56 + 4096 * 8 + 3000 * 32;  // header, slots, entries
    ASSERT_LT(textStart, kPart - 1);
    for (const std::size_t at : {kPart - 1, kPart, 2 * kPart + 5, bytes.size() - 1}) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
        std::filesystem::remove(path);  // `cache` still maps the file: never changed in place
        dir.write("sortkeys.bin", damaged);
        SortKeyCache none;
        EXPECT_EQ(loadSortKeyFile(path, kStamp, none), 0u) << at;
        EXPECT_EQ(none.entries(false), 0u) << at;
    }
}

// The keys are mapped where the file lies; replacing or deleting the file leaves them as they
// were, and what is not a readable file of the program gives none, without waiting.
TEST(SortKeyFile, AMappedFileOutlivesItsReplacement) {
    romshelf::test::TempFolder dir;
    const std::string path = dir.file("cache/sortkeys.bin");
    SortKeyCache first;
    first.insert("あ", "\x01", false);
    ASSERT_TRUE(saveSortKeyFile(path, first, kStamp));
    SortKeyCache mapped;
    ASSERT_EQ(loadSortKeyFile(path, kStamp, mapped), 1u);
    SortKeyCache second;
    second.insert("い", "\x02", false);
    ASSERT_TRUE(saveSortKeyFile(path, second, kStamp));
    EXPECT_EQ(lookUp(mapped, "あ"), (Found{true, "\x01", 0}));
    SortKeyCache later;
    ASSERT_EQ(loadSortKeyFile(path, kStamp, later), 1u);
    EXPECT_EQ(lookUp(later, "い"), (Found{true, "\x02", 0}));
    std::filesystem::remove(path);
    EXPECT_EQ(lookUp(mapped, "あ"), (Found{true, "\x01", 0}));
    EXPECT_EQ(lookUp(later, "い"), (Found{true, "\x02", 0}));

    EXPECT_EQ(loadSortKeyFile(path, kStamp, later), 0u);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(loadSortKeyFile(path, kStamp, later), 0u);
    EXPECT_EQ(MappedFile::open(path, 1000), nullptr);
    EXPECT_EQ(MappedFile::open(dir.path(), 1000), nullptr);
    dir.write("empty", "");
    EXPECT_EQ(MappedFile::open(dir.file("empty"), 1000), nullptr);
    dir.write("five", "12345");
    EXPECT_EQ(MappedFile::open(dir.file("five"), 4), nullptr);
    // Mapped or read (as on a network share), the same bytes.
    for (const auto way : {MappedFile::Way::Chosen, MappedFile::Way::Read}) {
        const auto five = MappedFile::open(dir.file("five"), 5, way);
        ASSERT_NE(five, nullptr);
        EXPECT_EQ(five->bytes(), "12345");
        EXPECT_TRUE(way == MappedFile::Way::Chosen || !five->mapped());
    }

    // The keys of the cache before are gone once a file is taken.
    SortKeyCache replaced;
    replaced.insert("う", "\x03", false);
    ASSERT_EQ(readSortKeyFileBytes(sortKeyFileBytes(first, kStamp), kStamp, replaced), 1u);
    EXPECT_FALSE(lookUp(replaced, "う").found);
    EXPECT_EQ(replaced.entries(false), 1u);
}

// However many keys there are, the file written holds a free slot and is read whole; names whose
// hashes crowd one slot (as a collection could by chance) get a larger table, not a file that
// reads as damaged.
TEST(SortKeyFile, EveryCountAndCrowdedSlotsComeBack) {
    for (const std::size_t n : {1u, 47u, 48u, 49u, 63u, 64u, 65u, 96u, 97u, 128u, 129u, 256u}) {
        SortKeyCache cache;
        for (std::size_t i = 0; i < n; ++i)
            cache.insert("game " + std::to_string(i), std::string(1, static_cast<char>(1 + i % 9)),
                         false);
        SortKeyCache read;
        EXPECT_EQ(readSortKeyFileBytes(sortKeyFileBytes(cache, kStamp), kStamp, read), n) << n;
    }
    // 1100 names whose hashes share their low eleven bits: in a table of 2048 slots they would
    // make a run longer than any file may have.
    SortKeyCache crowded;
    std::vector<std::string> cells;
    for (std::uint64_t i = 0; cells.size() < 1100; ++i) {
        const std::string cell = "rom " + std::to_string(i);
        if ((SortKeyCache::hashOf(cell) & 2047) != 0) continue;
        cells.push_back(cell);
        crowded.insert(cell, "\x04" + cell, false);
    }
    SortKeyCache read;
    ASSERT_EQ(readSortKeyFileBytes(sortKeyFileBytes(crowded, kStamp), kStamp, read), cells.size());
    for (const std::string& cell : cells) ASSERT_EQ(lookUp(read, cell).key, "\x04" + cell);
}

// A cell or key larger than the cache's blocks is kept whole beside them.
TEST(SortKeyCacheTest, ATextLargerThanABlockIsKeptWhole) {
    SortKeyCache cache;
    const std::string huge(3 * 1024 * 1024, 'x'), hugeKey(3 * 1024 * 1024 + 5, '\x07');
    cache.insert("small", "\x01", false);
    EXPECT_EQ(cache.insert(huge, hugeKey, false), hugeKey);
    EXPECT_EQ(cache.insert("after", "\x02", false), "\x02");
    EXPECT_EQ(lookUp(cache, huge), (Found{true, hugeKey, SortKeyCache::kNoRank}));
    EXPECT_EQ(lookUp(cache, "small").key, "\x01");
    EXPECT_EQ(lookUp(cache, "after").key, "\x02");
}
