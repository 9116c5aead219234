// Hashing against the bare reads: the whole `romshelf-cli identify` process over page-cached
// files, next to the yardstick read_yardstick (a C program that reads the same files with 1 MiB
// read() calls and nothing else), both started afresh in every iteration, one right after the
// other, so that the load of a shared machine falls on both alike. The CPU time is the child's
// user + system time (wait4); `cpu_ratio` is the median of the iterations' ratios (ours over
// the yardstick's), `wall_ratio` the same of the wall clock.
//
// - BM_IdentifyLargeAgainstRead: 100 files of 10 MB (goal: cpu_ratio <= 1.15).
// - BM_IdentifySmallAgainstRead: 5,000 files of 100-300 KB (goal: cpu_ratio <= 1.3).
// - BM_Sha1BesideCrcLarge / Small: fileSums with SHA-1 and CRC-32 in the same read against the
//   CRC-32 alone, in this process; `cost` is the ratio of the wall clock (goal: <= 1.5),
//   `cpu_cost` that of the CPU time.
//
// The files are made once per run in a temporary folder (random bytes, fixed seed) and read
// once before the first iteration, so that every byte is in the page cache.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/platform/Checksums.h"
#include "core/settings/ProgramFolder.h"

using namespace romshelf;

namespace {

struct Files {
    std::string root;
    std::vector<std::string> paths;
    std::uint64_t bytes = 0;

    // `count` files of `minSize` to `maxSize` bytes (evenly spread), random bytes.
    Files(const char* name, int count, std::size_t minSize, std::size_t maxSize, unsigned seed) {
        std::string pattern = std::string("/tmp/romshelf-hash-bench-") + name + "-XXXXXX";
        root = ::mkdtemp(pattern.data());
        std::mt19937_64 random(seed);
        // One pool of random bytes; each file starts at a different place in it.
        std::vector<std::uint64_t> pool((maxSize + (1 << 16)) / 8 + 1);
        for (auto& w : pool) w = random();
        const auto* poolBytes = reinterpret_cast<const char*>(pool.data());
        std::uniform_int_distribution<std::size_t> sizes(minSize, maxSize);
        for (int i = 0; i < count; ++i) {
            const std::size_t size = sizes(random);
            paths.push_back(root + "/game" + std::to_string(i) + ".bin");
            const int fd = ::open(paths.back().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const char* from = poolBytes + (random() % (1 << 16));
            for (std::size_t done = 0; done < size;) {
                const ssize_t n = ::write(fd, from + done, size - done);
                if (n <= 0) std::abort();
                done += static_cast<std::size_t>(n);
            }
            ::close(fd);
            bytes += size;
        }
    }
    ~Files() { std::filesystem::remove_all(root); }
};

Files& largeFiles() {
    static Files files("large", 100, 10'000'000, 10'000'000, 40);
    return files;
}

Files& smallFiles() {
    static Files files("small", 5000, 100'000, 300'000, 41);
    return files;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

struct Run {
    double wall = 0;
    double cpu = 0;
};

// Runs `program` with `first` and then every path as its arguments, its output into /dev/null;
// aborts unless it exits with 0.
Run runProcess(const std::string& program, const std::vector<std::string>& first,
               const std::vector<std::string>& paths) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : first) argv.push_back(const_cast<char*>(a.c_str()));
    for (const auto& p : paths) argv.push_back(const_cast<char*>(p.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        std::abort();
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Run run;
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", program.c_str());
        std::abort();
    }
    run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return run;
}

std::string cliPath() { return ProgramFolder::executableFolder() + "../bin/romshelf-cli"; }
std::string yardstickPath() { return ProgramFolder::executableFolder() + "read_yardstick"; }

void identifyAgainstRead(benchmark::State& state, const Files& files) {
    const std::string cli = cliPath(), yardstick = yardstickPath();
    // Once each untimed: every byte in the page cache, both programs loaded.
    runProcess(yardstick, {}, files.paths);
    runProcess(cli, {"identify"}, files.paths);
    std::vector<double> cpuRatios, wallRatios, cliCpu, readCpu;
    for (auto _ : state) {
        const Run read = runProcess(yardstick, {}, files.paths);
        const Run ours = runProcess(cli, {"identify"}, files.paths);
        state.SetIterationTime(ours.wall);
        cpuRatios.push_back(ours.cpu / read.cpu);
        wallRatios.push_back(ours.wall / read.wall);
        cliCpu.push_back(ours.cpu);
        readCpu.push_back(read.cpu);
    }
    state.counters["files"] = static_cast<double>(files.paths.size());
    state.counters["MB"] = static_cast<double>(files.bytes) / 1e6;
    state.counters["cli_cpu_ms"] = median(cliCpu) * 1e3;
    state.counters["read_cpu_ms"] = median(readCpu) * 1e3;
    state.counters["cpu_ratio"] = median(cpuRatios);
    state.counters["wall_ratio"] = median(wallRatios);
}

void BM_IdentifyLargeAgainstRead(benchmark::State& state) {
    identifyAgainstRead(state, largeFiles());
}
BENCHMARK(BM_IdentifyLargeAgainstRead)
    ->UseManualTime()
    ->Iterations(9)
    ->Unit(benchmark::kMillisecond);

void BM_IdentifySmallAgainstRead(benchmark::State& state) {
    identifyAgainstRead(state, smallFiles());
}
BENCHMARK(BM_IdentifySmallAgainstRead)
    ->UseManualTime()
    ->Iterations(9)
    ->Unit(benchmark::kMillisecond);

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Run timeSums(const Files& files, SumKinds kinds) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    for (const auto& p : files.paths) {
        const auto sums = fileSums(p, kinds);
        if (!sums) std::abort();
        benchmark::DoNotOptimize(sums->crc32);
    }
    Run run;
    run.cpu = processCpuSeconds() - cpuStart;
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

void sha1BesideCrc(benchmark::State& state, const Files& files) {
    timeSums(files, SumKinds::Crc32);
    std::vector<double> costs, cpuCosts;
    for (auto _ : state) {
        const Run crc = timeSums(files, SumKinds::Crc32);
        const Run both = timeSums(files, SumKinds::Crc32AndSha1);
        state.SetIterationTime(both.wall);
        costs.push_back(both.wall / crc.wall);
        cpuCosts.push_back(both.cpu / crc.cpu);
    }
    state.counters["files"] = static_cast<double>(files.paths.size());
    state.counters["cost"] = median(costs);
    state.counters["cpu_cost"] = median(cpuCosts);
}

void BM_Sha1BesideCrcLarge(benchmark::State& state) { sha1BesideCrc(state, largeFiles()); }
BENCHMARK(BM_Sha1BesideCrcLarge)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

void BM_Sha1BesideCrcSmall(benchmark::State& state) { sha1BesideCrc(state, smallFiles()); }
BENCHMARK(BM_Sha1BesideCrcSmall)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

}  // namespace
