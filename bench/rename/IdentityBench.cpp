// Rename-data work over a collection of page-cached ROM files, next to a bare zlib crc32 with
// 1 MiB reads over the same bytes, timed alternately in every iteration so that the load of a
// shared machine falls on both alike. The counter `ratio` is our throughput over zlib's (the
// median of the iterations); 1.0 means the sizes, probe sums and the command around them cost
// nothing on top of the CRC.
//
// Sizes are spread evenly on a log scale from 64 KiB to 1 MiB (about 340 KiB on average), 5,000
// files by default (about 1.7 GB of page cache); ROMSHELF_BENCH_FILES=N runs N files instead.
//
// - BM_IdentityAgainstZlib: `fileIdentity` alone, file by file (goal: ratio >= 1.8).
// - BM_Sha1AgainstCrc: `fileSums` with CRC-32 and SHA-1 next to the CRC-only `fileIdentity`;
//   `cost` is the first pass's time over the second's.
// - BM_CreateAgainstZlib: the program's create command (the listed files' identities written as
//   rename data).
// - BM_ApplyAgainstZlib: the apply command (the list of the ROM folder, the identities, the
//   lookups, a rename of every file and the list rebuilt).
// - BM_VerifyAgainstIdentity: a verification of the collection against a DAT of 60,000 entries
//   (its 5,000 files among them, with size, CRC-32 and SHA-1), from reading the DAT to the
//   report, next to the identity pass alone (CRC-32 and SHA-1 of every file); `cost` is the
//   first's time over the second's (goal: <= 1.3).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/app/Application.h"
#include "core/app/Host.h"
#include "core/commands/DatVerifyCommand.h"
#include "core/commands/RenameCommands.h"
#include "core/platform/Checksums.h"
#include "core/rename/DatFile.h"
#include "core/rename/FileIdentity.h"
#include "core/rename/RenameData.h"
#include "core/settings/FolderSettings.h"

using namespace romshelf;

namespace {

struct Collection {
    std::string root;
    std::vector<std::string> files;
    std::uint64_t bytes = 0;

    Collection() {
        char pattern[] = "/tmp/romshelf-identity-bench-XXXXXX";
        root = ::mkdtemp(pattern);
        const char* count = std::getenv("ROMSHELF_BENCH_FILES");
        const int n = count ? std::max(1, std::atoi(count)) : 5000;
        std::mt19937_64 random(14);
        std::vector<char> data((1 << 20) + 4096);
        for (auto& c : data) c = static_cast<char>(random());
        for (int i = 0; i < n; ++i) {
            const double t = n == 1 ? 0 : double(i) / (n - 1);
            const auto size = static_cast<std::size_t>(64 * 1024 * std::pow(16.0, t));
            files.push_back(root + "/game" + std::to_string(i) + ".bin");
            std::ofstream(files.back(), std::ios::binary)
                .write(data.data() + (i * 4099) % 4096, static_cast<std::streamsize>(size));
            bytes += size;
        }
    }
    ~Collection() { std::filesystem::remove_all(root); }
};

// One collection for both benchmarks: a second would double the page cache needed.
Collection& sharedCollection() {
    static Collection collection;
    return collection;
}

std::uint32_t zlibCrc(const std::string& path, std::vector<unsigned char>& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    uLong crc = ::crc32(0L, Z_NULL, 0);
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
        crc = ::crc32(crc, buffer.data(), static_cast<uInt>(n));
    ::close(fd);
    return static_cast<std::uint32_t>(crc);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BM_IdentityAgainstZlib(benchmark::State& state) {
    Collection& collection = sharedCollection();
    std::vector<unsigned char> buffer(1 << 20);
    // Both passes once untimed, so that every byte is in the page cache.
    for (const auto& f : collection.files) {
        benchmark::DoNotOptimize(fileIdentity(f));
        benchmark::DoNotOptimize(zlibCrc(f, buffer));
    }
    using Clock = std::chrono::steady_clock;
    std::vector<double> ratios;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (const auto& f : collection.files) benchmark::DoNotOptimize(fileIdentity(f));
        const auto t1 = Clock::now();
        for (const auto& f : collection.files) benchmark::DoNotOptimize(zlibCrc(f, buffer));
        const auto t2 = Clock::now();
        ratios.push_back(std::chrono::duration<double>(t2 - t1).count() /
                         std::chrono::duration<double>(t1 - t0).count());
    }
    state.counters["files"] = static_cast<double>(collection.files.size());
    state.counters["MB"] = static_cast<double>(collection.bytes) / 1e6;
    state.counters["ratio"] = median(ratios);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * collection.bytes * 2));
}
BENCHMARK(BM_IdentityAgainstZlib)->Iterations(7)->Unit(benchmark::kMillisecond);

void BM_Sha1AgainstCrc(benchmark::State& state) {
    Collection& collection = sharedCollection();
    for (const auto& f : collection.files) benchmark::DoNotOptimize(fileIdentity(f));
    using Clock = std::chrono::steady_clock;
    std::vector<double> costs;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (const auto& f : collection.files)
            benchmark::DoNotOptimize(fileSums(f, SumKinds::Crc32AndSha1));
        const auto t1 = Clock::now();
        for (const auto& f : collection.files) benchmark::DoNotOptimize(fileIdentity(f));
        const auto t2 = Clock::now();
        costs.push_back(std::chrono::duration<double>(t1 - t0).count() /
                        std::chrono::duration<double>(t2 - t1).count());
    }
    state.counters["files"] = static_cast<double>(collection.files.size());
    state.counters["cost"] = median(costs);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * collection.bytes * 2));
}
BENCHMARK(BM_Sha1AgainstCrc)->Iterations(5)->Unit(benchmark::kMillisecond);

// Answers every question yes; the save picker gives `saveTo`, the others cancel (the
// unowned-files list is not written).
struct YesPrompter : SilentPrompter {
    std::string saveTo;
    bool messageBox(const std::string&, const std::string&, bool) override { return true; }
    std::optional<std::string> chooseSaveFile(const std::string&, const std::string&,
                                              const std::string&, const std::string&,
                                              const std::string&) override {
        if (saveTo.empty()) return std::nullopt;
        return saveTo;
    }
};

// A program folder whose MD has the collection as its ROM folder.
struct BenchProgram {
    std::string program;
    YesPrompter prompter;
    HeadlessPorts ports;
    std::unique_ptr<Application> app;
    FolderSettings folders;
    DataStream stream;

    explicit BenchProgram(const Collection& collection) {
        char pattern[] = "/tmp/romshelf-rename-bench-XXXXXX";
        program = std::string(::mkdtemp(pattern)) + "/";
        app = std::make_unique<Application>(ProgramFolder(program), ports.host(prompter));
        app->createFolders();
        folders.romFolderPaths[0] = collection.root + "/";
        saveFolderSettingsFile(stream, program + "data/Folder_MD.slb", folders);
        app->preferHardware("MD");
        app->startUp(Application::StartList::Skip);
    }
    ~BenchProgram() { std::filesystem::remove_all(program); }
};

void BM_CreateAgainstZlib(benchmark::State& state) {
    Collection& collection = sharedCollection();
    BenchProgram bench(collection);
    bench.prompter.saveTo = bench.program + "data/Rename_MD.dat";
    std::vector<unsigned char> buffer(1 << 20);
    using Clock = std::chrono::steady_clock;
    std::vector<double> ratios;
    for (auto _ : state) {
        bench.app->showAll();
        const auto t0 = Clock::now();
        const auto written = createRenameData(*bench.app);
        const auto t1 = Clock::now();
        for (const auto& f : collection.files) benchmark::DoNotOptimize(zlibCrc(f, buffer));
        const auto t2 = Clock::now();
        if (!written || *written != static_cast<int>(collection.files.size())) {
            state.SkipWithError("not every file was recorded");
            break;
        }
        ratios.push_back(std::chrono::duration<double>(t2 - t1).count() /
                         std::chrono::duration<double>(t1 - t0).count());
    }
    state.counters["files"] = static_cast<double>(collection.files.size());
    if (!ratios.empty()) state.counters["ratio"] = median(ratios);
}
BENCHMARK(BM_CreateAgainstZlib)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ApplyAgainstZlib(benchmark::State& state) {
    Collection& collection = sharedCollection();
    BenchProgram bench(collection);
    Application& app = *bench.app;
    DataStream& stream = bench.stream;
    const std::string& program = bench.program;
    const FolderSettings& folders = bench.folders;

    // Two names for every file; each iteration renames all of them to the other name.
    std::vector<FileIdentity> identities;
    for (const auto& f : collection.files) identities.push_back(fileIdentity(f));
    std::vector<std::string> paths[2];
    RenameData data[2];
    for (int set = 0; set < 2; ++set) {
        data[set].hardware = "MD";
        for (std::size_t i = 0; i < identities.size(); ++i) {
            const std::string name = (set ? "moved" : "game") + std::to_string(i);
            data[set].records.push_back({name, identities[i], {}});
            paths[set].push_back(folders.romFolderPaths[0] + name + ".bin");
        }
    }
    std::vector<unsigned char> buffer(1 << 20);
    using Clock = std::chrono::steady_clock;
    std::vector<double> ratios;
    int to = 1;
    for (auto _ : state) {
        saveRenameData(stream, program + "data/Rename_MD.dat", data[to]);
        app.showAll();
        const auto t0 = Clock::now();
        const auto counts = applyRenameData(app);
        const auto t1 = Clock::now();
        for (const auto& f : paths[to]) benchmark::DoNotOptimize(zlibCrc(f, buffer));
        const auto t2 = Clock::now();
        if (!counts ||
            counts->count(RenameReason::Renamed) != static_cast<int>(identities.size())) {
            state.SkipWithError("not every file was renamed");
            break;
        }
        ratios.push_back(std::chrono::duration<double>(t2 - t1).count() /
                         std::chrono::duration<double>(t1 - t0).count());
        to = 1 - to;
    }
    // The files keep their first names for the next run.
    if (to == 0) {
        saveRenameData(stream, program + "data/Rename_MD.dat", data[0]);
        app.showAll();
        applyRenameData(app);
    }
    state.counters["files"] = static_cast<double>(collection.files.size());
    if (!ratios.empty()) state.counters["ratio"] = median(ratios);
}
BENCHMARK(BM_ApplyAgainstZlib)->Iterations(6)->Unit(benchmark::kMillisecond);

void BM_VerifyAgainstIdentity(benchmark::State& state) {
    Collection& collection = sharedCollection();
    BenchProgram bench(collection);
    // The DAT: every file of the collection as an entry, among 55,000 others.
    std::string xml = "<?xml version=\"1.0\"?>\n<datafile><header><name>Bench</name></header>\n";
    auto entry = [&](const std::string& name, std::uint64_t size, std::uint32_t crc,
                     const std::string& sha1) {
        char crcText[9];
        std::snprintf(crcText, sizeof crcText, "%08x", crc);
        xml += "<game name=\"" + name + "\"><rom name=\"" + name + ".bin\" size=\"" +
               std::to_string(size) + "\" crc=\"" + crcText + "\" sha1=\"" + sha1 + "\"/></game>\n";
    };
    for (std::size_t i = 0; i < collection.files.size(); ++i) {
        const auto sums = fileSums(collection.files[i], SumKinds::Crc32AndSha1);
        entry("game" + std::to_string(i), sums->size, sums->crc32, sums->sha1);
    }
    std::mt19937_64 random(61);
    static constexpr char kHex[] = "0123456789abcdef";
    for (std::size_t i = collection.files.size(); i < 60000; ++i) {
        std::string sha1(40, '0');
        for (char& c : sha1) c = kHex[random() & 15];
        entry("other" + std::to_string(i), 65536 + random() % 1000000,
              static_cast<std::uint32_t>(random()), sha1);
    }
    const std::string datPath = bench.program + "bench.dat";
    std::ofstream(datPath, std::ios::binary) << xml << "</datafile>\n";

    using Clock = std::chrono::steady_clock;
    std::vector<double> costs;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::string error;
        const auto dat = readDatFile(datPath, error);
        bench.app->showAll();
        const VerifyRun run = verifyListedFiles(*bench.app, *dat);
        const auto t1 = Clock::now();
        for (const auto& f : collection.files)
            benchmark::DoNotOptimize(fileSums(f, SumKinds::Crc32AndSha1));
        const auto t2 = Clock::now();
        if (run.report.count(VerifyStatus::Have) != static_cast<int>(collection.files.size())) {
            state.SkipWithError("not every file was had");
            break;
        }
        costs.push_back(std::chrono::duration<double>(t1 - t0).count() /
                        std::chrono::duration<double>(t2 - t1).count());
    }
    state.counters["files"] = static_cast<double>(collection.files.size());
    if (!costs.empty()) state.counters["cost"] = median(costs);
}
BENCHMARK(BM_VerifyAgainstIdentity)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
