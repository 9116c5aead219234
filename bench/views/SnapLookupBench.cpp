// The snap of a selected file in a snap folder of 40,000 pictures (a whole collection's), looked
// up as the snap window does at each selection: with the folder's listing kept between lookups,
// against listing the folder each time, and against one stat of the folder (what a kept lookup
// costs at least). Counters: microseconds a lookup, and the kept lookup against the stat.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/pictures/SnapLookup.h"

using namespace romshelf;

namespace {

constexpr int kSnaps = 40000;
constexpr int kLookups = 2000;

struct SnapFolder {
    std::string root;
    SnapSettings settings;
    SnapFolder() {
        std::string pattern = "/tmp/romshelf-bench-snaps-XXXXXX";
        root = std::string(::mkdtemp(pattern.data())) + "/";
        for (int i = 0; i < kSnaps; ++i) {
            const std::string name = root + "ゲーム " + std::to_string(i) + " (J).png";
            if (int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0644); fd >= 0) ::close(fd);
        }
        // Settled: changed long before the first listing.
        const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
        ::utimensat(AT_FDCWD, root.c_str(), old, 0);
        settings.paths[0] = root;
    }
    ~SnapFolder() { std::filesystem::remove_all(root); }
};

template <class F>
double microsecondsEach(int n, F&& f) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) f(i);
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
               .count() /
           n;
}

void BM_SnapLookupKeptAgainstListing(benchmark::State& state) {
    static SnapFolder folder;
    auto query = [](int i) {
        const std::string title = "ゲーム " + std::to_string(i * 7919 % kSnaps) + " (J)";
        return SnapQuery{title, title + ".sfc", 0, 0, {}};
    };
    double kept = 0, listed = 0, bare = 0;
    for (auto _ : state) {
        fs::FolderListings listings;
        lookUpSnap(folder.settings, query(0), &listings);  // the first listing
        kept = microsecondsEach(kLookups, [&](int i) {
            if (lookUpSnap(folder.settings, query(i), &listings).empty()) std::abort();
        });
        listed = microsecondsEach(kLookups / 100, [&](int i) {
            if (lookUpSnap(folder.settings, query(i)).empty()) std::abort();
        });
        bare = microsecondsEach(kLookups, [&](int) {
            struct stat st {};
            if (::stat(folder.root.c_str(), &st) != 0) std::abort();
        });
    }
    state.counters["kept_us"] = kept;
    state.counters["listed_us"] = listed;
    state.counters["stat_us"] = bare;
    state.counters["kept_vs_stat"] = kept / bare;
    state.counters["listed_vs_kept"] = listed / kept;
}
BENCHMARK(BM_SnapLookupKeptAgainstListing)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
