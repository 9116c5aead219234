// Filling records from a game database next to the identity pass alone, timed alternately in
// every iteration so that the load of a shared machine falls on both alike.
//
// 40,000 small files (ROMSHELF_BENCH_FILES=N for another count) in one ROM folder whose sums are in
// the identity cache already (as after the window's first list), and a RetroArch database of 7,400
// games written with msgpack-c's packer: 7,000 of them are files of the folder, known by size
// and CRC-32 (each file's contents are its own), the rest of no file here. The
// fill reads the database, matches every file (by CRC-32 through a hash map, then
// by name) and lists every change for an empty table. The identity pass looks up every file's
// size and CRC-32 in the cache, as the fill does first.
//
// - BM_FillAgainstIdentity: `cost` is the fill's time over the identity pass's (goal: <= 1.5).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <msgpack.hpp>
#include <random>
#include <string>
#include <vector>

#include "core/commands/DatabaseFill.h"
#include "core/rename/IdentityScan.h"
#include "core/platform/Checksums.h"
#include "core/storage/IdentityCache.h"

using namespace romshelf;

namespace {

constexpr int kGames = 7400;
constexpr int kKnownFiles = 7000;

struct Folder {
    std::string root, rdb;
    IdentityJob job;

    Folder() {
        char pattern[] = "/tmp/romshelf-fill-bench-XXXXXX";
        root = std::string(::mkdtemp(pattern)) + "/";
        std::filesystem::create_directories(root + "roms");
        const char* count = std::getenv("ROMSHELF_BENCH_FILES");
        const int n = count ? std::max(1, std::atoi(count)) : 40000;
        std::mt19937_64 random(41);
        std::vector<char> data(8192);
        for (auto& c : data) c = static_cast<char>(random());
        msgpack::sbuffer games;
        msgpack::packer<msgpack::sbuffer> pack(games);
        job.hardware = "FC";
        job.romFolders = {root + "roms/"};
        static const char* const kGenres[] = {"Action", "Puzzle", "Sports", "Role-Playing"};
        int written = 0;
        for (int i = 0; i < n; ++i) {
            const std::string name = "Game " + std::to_string(i) + " (Japan).nes";
            const std::size_t size = 1024 + static_cast<std::size_t>(i % 4096);
            // The file's number in its first bytes: every file has contents of its own.
            std::string contents(data.data() + (i * 37) % 4096, size);
            for (int b = 0; b < 4; ++b)
                contents[static_cast<std::size_t>(b)] = static_cast<char>(i >> (8 * b));
            const char* bytes = contents.data();
            std::ofstream(root + "roms/" + name, std::ios::binary)
                .write(bytes, static_cast<std::streamsize>(size));
            job.files.add(name, 0, false);
            if (i % (std::max(1, n / kKnownFiles)) != 0 || written >= kKnownFiles) continue;
            ++written;
            const std::uint32_t crc = crc32Update(0, bytes, size);
            const char crcBytes[4] = {static_cast<char>(crc >> 24), static_cast<char>(crc >> 16),
                                      static_cast<char>(crc >> 8), static_cast<char>(crc)};
            pack.pack_map(7);
            pack.pack("name"), pack.pack(name.substr(0, name.size() - 4));
            pack.pack("crc"), pack.pack_bin(4), pack.pack_bin_body(crcBytes, 4);
            pack.pack("size"), pack.pack(static_cast<std::uint64_t>(size));
            pack.pack("genre"), pack.pack(kGenres[i % 4]);
            pack.pack("developer"), pack.pack("Maker " + std::to_string(i % 97));
            pack.pack("releaseyear"), pack.pack(1983 + i % 20);
            pack.pack("users"), pack.pack(1 + i % 2);
        }
        // Games of no file here, to make up the database's size.
        for (int i = written; i < kGames; ++i) {
            pack.pack_map(3);
            pack.pack("name"), pack.pack("Elsewhere " + std::to_string(i));
            const char crcBytes[4] = {'\x7F', static_cast<char>(i >> 16), static_cast<char>(i >> 8),
                                      static_cast<char>(i)};
            pack.pack("crc"), pack.pack_bin(4), pack.pack_bin_body(crcBytes, 4);
            pack.pack("size"), pack.pack(std::uint64_t{40960});
        }
        pack.pack_nil();
        msgpack::sbuffer meta;
        msgpack::packer<msgpack::sbuffer> packMeta(meta);
        packMeta.pack_map(1), packMeta.pack("count"), packMeta.pack(kGames);
        const std::uint64_t at = 16 + games.size();
        std::string header("RARCHDB\0", 8);
        for (int shift = 56; shift >= 0; shift -= 8) header += static_cast<char>(at >> shift);
        rdb = root + "Nintendo - Nintendo Entertainment System.rdb";
        std::ofstream out(rdb, std::ios::binary);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        out.write(games.data(), static_cast<std::streamsize>(games.size()));
        out.write(meta.data(), static_cast<std::streamsize>(meta.size()));
    }
    ~Folder() { std::filesystem::remove_all(root); }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BM_FillAgainstIdentity(benchmark::State& state) {
    Folder folder;
    IdentityCache cache(folder.root + "identity.sqlite");
    FillOptions options;
    options.lists = {0, 1, -1, -1, 2, 3};
    const RomTable table;
    auto identityPass = [&] {
        for (std::size_t i = 0; i < folder.job.files.size(); ++i)
            benchmark::DoNotOptimize(
                currentIdentity(cache, folder.job.pathOf(folder.job.files[i]), kIdentityHashLimit));
    };
    FillPlan plan;
    auto fillPass = [&] {
        std::string error;
        const auto database = loadGameDatabase({folder.rdb}, error);
        if (!database) state.SkipWithError(error.c_str());
        plan = planFill(*database, folder.job, table, cache, options);
    };
    // Both once untimed: the cache holds every file's sums, every byte is in the page cache.
    identityPass();
    fillPass();
    using Clock = std::chrono::steady_clock;
    std::vector<double> costs;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        fillPass();
        const auto t1 = Clock::now();
        identityPass();
        const auto t2 = Clock::now();
        costs.push_back(std::chrono::duration<double>(t1 - t0).count() /
                        std::chrono::duration<double>(t2 - t1).count());
    }
    state.counters["files"] = static_cast<double>(folder.job.files.size());
    state.counters["games"] = kGames;
    state.counters["byCrc"] = plan.byCrc;
    state.counters["changes"] = static_cast<double>(plan.changes.size());
    state.counters["cost"] = median(costs);
}
BENCHMARK(BM_FillAgainstIdentity)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
