#include "core/rename/IdentityScan.h"

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <unordered_map>
#include <utility>

#include "core/platform/Checksums.h"
#include "core/platform/FileSystem.h"
#include "core/text/FileNames.h"
#include "core/text/TextCodec.h"

namespace romshelf {

namespace {

CachedIdentity stampOf(const struct stat& st) {
    CachedIdentity id;
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return id;
}

std::optional<CachedIdentity> stamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return stampOf(st);
}

bool stopped(const std::atomic<bool>* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

// The sums of the file, read in pieces so that a stop is noticed within one of them. The only
// place the cache's sums are made.
bool sum(const std::string& path, CachedIdentity& id, const std::atomic<bool>* stop) {
    ContentHasher hasher(SumKinds::Crc32AndSha1);
    std::function<bool()> asked;
    if (stop) asked = [stop] { return stopped(stop); };
    if (hashFile(path, hasher, nullptr, nullptr, 0, asked) != FileRead::Whole) return false;
    const ContentSums sums = hasher.finish();
    if (sums.size != id.size) return false;  // written to while it was read
    id.crc = sums.crc32;
    id.sha1 = sums.sha1;
    return true;
}

bool sameStamp(const std::optional<CachedIdentity>& a, const CachedIdentity& b) {
    return a && a->size == b.size && a->mtimeNs == b.mtimeNs;
}

// The sums of the file that looks like `now`, unless it changed while it was read (it is summed
// again another time).
std::optional<CachedIdentity> summedNow(const std::string& path, CachedIdentity now,
                                        const std::atomic<bool>* stop) {
    if (!sum(path, now, stop)) return std::nullopt;
    if (!sameStamp(stamp(path), now)) return std::nullopt;
    return now;
}

// A listed file's path on disk and how it looks: the name as text, else its CP932 bytes (one
// look at the disk for the usual name).
std::optional<std::pair<std::string, CachedIdentity>> stampOnDisk(const IdentityJob& job,
                                                                  const ListedFile& file) {
    if (file.folder < 0 || file.folder >= static_cast<int>(job.romFolders.size())) return {};
    const std::string& folder = job.romFolders[static_cast<std::size_t>(file.folder)];
    std::string path = fs::joinPath(folder, file.name);
    // One stat tells both where it is and how it looks.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const auto bytes = text::toCp932(file.name);
        if (!bytes || *bytes == file.name) return {};
        path = fs::joinPath(folder, *bytes);
        if (::stat(path.c_str(), &st) != 0) return {};
    }
    if (!S_ISREG(st.st_mode)) return {};
    return std::pair(std::move(path), stampOf(st));
}

}  // namespace

std::optional<CachedIdentity> currentIdentity(IdentityCache& cache, const std::string& path,
                                              std::uint64_t limit, const std::atomic<bool>* stop) {
    std::optional<CachedIdentity> now = stamp(path);
    if (!now || now->size > limit) return std::nullopt;
    if (auto cached = cache.find(path); sameStamp(cached, *now)) return cached;
    std::optional<CachedIdentity> summed = summedNow(path, *now, stop);
    if (summed) cache.put(path, *summed);
    return summed;
}

std::optional<CachedIdentity> cachedIdentity(IdentityCache& cache, const std::string& path) {
    std::optional<CachedIdentity> cached = cache.find(path);
    if (!cached) return std::nullopt;
    const std::optional<CachedIdentity> now = stamp(path);
    return now && sameStamp(cached, *now) ? cached : std::nullopt;
}

std::optional<CachedIdentity> fileStamp(const std::string& path) { return stamp(path); }

void keepSums(IdentityCache& cache, const std::string& path, CachedIdentity before,
              std::uint32_t crc, const std::string& sha1) {
    const auto after = stamp(path);
    if (!after || after->size != before.size || after->mtimeNs != before.mtimeNs) return;
    if (const auto cached = cache.find(path); cached && cached->size == before.size &&
                                              cached->mtimeNs == before.mtimeNs &&
                                              (sha1.empty() || !cached->sha1.empty()))
        return;
    before.crc = crc;
    before.sha1 = sha1;
    cache.put(path, before);
}

void keepSumsEach(IdentityCache& cache,
                  const std::vector<std::pair<std::string, CachedIdentity>>& kept) {
    std::vector<std::string> paths;
    paths.reserve(kept.size());
    for (const auto& k : kept) paths.push_back(k.first);
    const std::vector<std::optional<CachedIdentity>> cached = cache.findEach(paths);
    std::vector<std::pair<std::string, CachedIdentity>> fresh;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const CachedIdentity& before = kept[i].second;
        const auto after = stamp(kept[i].first);
        if (!after || after->size != before.size || after->mtimeNs != before.mtimeNs) continue;
        if (const auto& c = cached[i]; c && c->size == before.size &&
                                       c->mtimeNs == before.mtimeNs &&
                                       (before.sha1.empty() || !c->sha1.empty()))
            continue;
        fresh.push_back(kept[i]);
    }
    cache.putEach(fresh);
}

ListedFiles::Data& ListedFiles::own() {
    if (!data_)
        data_ = std::make_shared<Data>();
    else if (data_.use_count() > 1)
        data_ = std::make_shared<Data>(*data_);
    return *data_;
}

void ListedFiles::reserve(std::size_t files, std::size_t nameBytes) {
    Data& d = own();
    d.entries.reserve(files);
    d.names.reserve(nameBytes);
}

void ListedFiles::addEntry(Data& d, std::uint32_t block, std::size_t at, std::size_t size,
                           int folder, bool registered) {
    if (size > kLongestName || at + size > std::numeric_limits<std::uint32_t>::max()) return;
    d.entries.push_back({static_cast<std::uint32_t>(at),
                         static_cast<std::uint16_t>(size | (registered ? kRegistered : 0)),
                         static_cast<std::int16_t>(folder), block});
}

void ListedFiles::add(std::string_view name, int folder, bool registered) {
    Data& d = own();
    const std::size_t before = d.entries.size();
    addEntry(d, 0, d.names.size(), name.size(), folder, registered);
    if (d.entries.size() > before) d.names += name;
}

void ListedFiles::keep(std::shared_ptr<const void> owner) {
    own().owners.push_back(std::move(owner));
}

std::uint32_t ListedFiles::addBlock(std::string_view block) {
    Data& d = own();
    d.blocks.push_back(block);
    return static_cast<std::uint32_t>(d.blocks.size());
}

void ListedFiles::addKept(std::uint32_t block, std::string_view name, int folder, bool registered) {
    Data& d = own();
    if (block == 0 || block > d.blocks.size()) return add(name, folder, registered);
    const std::string_view from = d.blocks[block - 1];
    const auto at = reinterpret_cast<std::uintptr_t>(name.data());
    const auto start = reinterpret_cast<std::uintptr_t>(from.data());
    // Not within the block (an edited row's name, kept elsewhere): copied.
    if (at < start || at - start > from.size() || name.size() > from.size() - (at - start))
        return add(name, folder, registered);
    addEntry(d, block, at - start, name.size(), folder, registered);
}

std::string IdentityJob::pathOf(const ListedFile& file) const {
    if (file.folder < 0 || file.folder >= static_cast<int>(romFolders.size())) return {};
    return text::pathOnDisk(romFolders[static_cast<std::size_t>(file.folder)], file.name);
}

std::vector<RenamedFile> findRenamedFiles(const IdentityJob& job, IdentityCache& cache,
                                          std::uint64_t limit, const std::atomic<bool>* stop) {
    std::vector<RenamedFile> found;
    if (job.orphans.empty()) return found;
    // The unregistered files by size, read once a gone file is found.
    std::unordered_multimap<std::uint64_t, std::size_t> bySize;
    bool sized = false;
    // Same size and CRC-32, and the same SHA-1 where both are known: two files that share a CRC
    // are told apart by it.
    auto matchesOf = [&](const CachedIdentity& old) {
        if (!sized) {
            sized = true;
            for (std::size_t i = 0; i < job.files.size() && !stopped(stop); ++i)
                if (!job.files.registered(i))
                    if (const auto s = stamp(job.pathOf(job.files[i]))) bySize.emplace(s->size, i);
        }
        std::vector<std::size_t> same;
        const auto [from, to] = bySize.equal_range(old.size);
        for (auto it = from; it != to; ++it) same.push_back(it->second);
        std::sort(same.begin(), same.end());  // in list order
        std::vector<ListedFile> matches;
        for (const std::size_t i : same) {
            if (stopped(stop)) break;
            const auto id = currentIdentity(cache, job.pathOf(job.files[i]), limit, stop);
            if (id && id->crc == old.crc &&
                (old.sha1.empty() || id->sha1.empty() || id->sha1 == old.sha1))
                matches.push_back(job.files[i]);
        }
        return matches;
    };
    for (const std::string& title : job.orphans) {
        if (stopped(stop)) break;
        bool decided = false;
        for (const std::string& folder : job.romFolders) {
            if (folder.empty() || decided) continue;
            // The name on disk is the title's text, or its CP932 bytes.
            std::vector<std::string> prefixes{fs::joinPath(folder, title + ".")};
            if (const auto bytes = text::toCp932(title); bytes && *bytes != title)
                prefixes.push_back(fs::joinPath(folder, *bytes + "."));
            for (const std::string& prefix : prefixes) {
                for (const CachedFile& gone : cache.startingWith(prefix)) {
                    const std::string name = text::fileNameText(fs::pathName(gone.path));
                    if (decided || fs::pathTitle(name) != title || fs::pathExists(gone.path))
                        continue;
                    std::vector<ListedFile> matches = matchesOf(gone.identity);
                    if (matches.empty()) continue;
                    found.push_back({job.hardware, title, gone.path, name, std::move(matches)});
                    decided = true;
                }
            }
        }
    }
    return found;
}

namespace {

// The listed files in the order of their paths, the cache's own: a lot of files in list order
// (by title, across every folder) touches pages all over the cache and writes each to the
// journal; in path order it fills a few neighbouring pages.
std::vector<std::uint32_t> pathOrder(const IdentityJob& job) {
    std::vector<int> folderRank(job.romFolders.size());
    {
        std::vector<int> folders(job.romFolders.size());
        for (std::size_t f = 0; f < folders.size(); ++f) folders[f] = static_cast<int>(f);
        std::sort(folders.begin(), folders.end(), [&](int a, int b) {
            return job.romFolders[static_cast<std::size_t>(a)] <
                   job.romFolders[static_cast<std::size_t>(b)];
        });
        for (std::size_t r = 0; r < folders.size(); ++r)
            folderRank[static_cast<std::size_t>(folders[r])] = static_cast<int>(r);
    }
    const auto rank = [&](int folder) {
        return folder >= 0 && folder < static_cast<int>(folderRank.size())
                   ? folderRank[static_cast<std::size_t>(folder)]
                   : -1;
    };
    // By folder first (a count of each), then by name within each: a million files sort in a
    // fraction of the comparisons of one sort over them all.
    const std::size_t buckets = folderRank.size() + 1;  // the last: files of no ROM folder
    const auto bucket = [&](std::size_t i) {
        const int r = rank(job.files.folder(i));
        return r < 0 ? buckets - 1 : static_cast<std::size_t>(r);
    };
    std::vector<std::size_t> start(buckets + 1, 0);
    for (std::size_t i = 0; i < job.files.size(); ++i) ++start[bucket(i) + 1];
    for (std::size_t b = 0; b < buckets; ++b) start[b + 1] += start[b];
    // Four bytes a file: a list holds far fewer than 2^32.
    std::vector<std::uint32_t> order(job.files.size());
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < job.files.size(); ++i)
        order[next[bucket(i)]++] = static_cast<std::uint32_t>(i);
    for (std::size_t b = 0; b < buckets; ++b)
        std::sort(order.begin() + static_cast<std::ptrdiff_t>(start[b]),
                  order.begin() + static_cast<std::ptrdiff_t>(start[b + 1]),
                  [&](std::uint32_t x, std::uint32_t y) {
                      return job.files.name(x) < job.files.name(y);
                  });
    return order;
}

}  // namespace

void hashListedFiles(const IdentityJob& job, IdentityCache& cache, std::uint64_t limit,
                     const std::atomic<bool>* stop) {
    const std::vector<std::uint32_t> order = pathOrder(job);
    // A few hundred at a time: their stamps, then their entries in one look at the cache, and
    // the new sums in one write (one transaction: on a share each costs a journal made, synced
    // and removed).
    constexpr std::size_t kChunk = 256;
    std::vector<std::string> paths;
    std::vector<CachedIdentity> stamps;
    std::vector<std::pair<std::string, CachedIdentity>> summed;
    for (std::size_t from = 0; from < job.files.size() && !stopped(stop); from += kChunk) {
        paths.clear();
        stamps.clear();
        summed.clear();
        for (std::size_t i = from; i < std::min(from + kChunk, job.files.size()); ++i) {
            auto onDisk = stampOnDisk(job, job.files[order[i]]);
            if (!onDisk || onDisk->second.size > limit) continue;
            paths.push_back(std::move(onDisk->first));
            stamps.push_back(onDisk->second);
        }
        const std::vector<std::optional<CachedIdentity>> cached = cache.findEach(paths);
        for (std::size_t k = 0; k < paths.size() && !stopped(stop); ++k)
            if (!sameStamp(cached[k], stamps[k]))
                if (auto sums = summedNow(paths[k], stamps[k], stop))
                    summed.emplace_back(std::move(paths[k]), *sums);
        // What was summed before a stop is kept too.
        cache.putEach(summed);
    }
}

}  // namespace romshelf
