// Packing 200 ROM-like files of 256 KB, each into an archive of its own, next to the real archivers
// doing the same in the same iteration (alternately, so that a shared machine's load falls on both
// alike). Counters are medians over the iterations.
//
// - BM_SevenZipAgainst7z: archive::compress to 7z (unflushed, as 7z writes) against
//   `7z a -mx=7` (LZMA2 with the same match finder and length as our strength 6). `cpu` is our
//   process's CPU time over the 7z processes' (getrusage; goal <= 1.15), `size` our archives'
//   bytes over theirs (goal within 1 %).
// - BM_ZipBatchAgainstZip: the bulk packing run (packRows, sources kept: read back, flushed once
//   at the end) against a loop of `zip -q -9 -j` (names without folders, as ours). `wall` is our
//   elapsed time over the loop's (goal <= 1.3).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/app/Application.h"
#include "core/commands/BatchOperations.h"
#include "core/app/Host.h"
#include "core/archive/ArchiveCompressor.h"
#include "core/settings/FolderSettings.h"

extern char** environ;

using namespace romshelf;

namespace {

constexpr int kFiles = 200;
constexpr std::size_t kFileSize = 256 * 1000;

// Code-like text, fill runs, noise (graphics, sound) and blocks repeated from further back.
std::string romLike(std::uint32_t seed) {
    std::mt19937 rng(seed);
    static const char* const words[] = {"LDA",     "STA",    "JSR",  "RTS",  "BNE", "#$00",
                                        "($20),Y", "sprite", "tile", "bank", "\n",  " "};
    std::string out;
    while (out.size() < kFileSize) {
        switch (rng() % 4) {
            case 0:
                for (int i = 0; i < 200; ++i) out += words[rng() % std::size(words)];
                break;
            case 1:
                out.append(64 + rng() % 1024, (rng() & 1) ? '\xFF' : '\0');
                break;
            case 2:
                for (int i = 0, n = 256 + static_cast<int>(rng() % 1024); i < n; ++i)
                    out.push_back(static_cast<char>(rng() & 0xFF));
                break;
            default:
                if (out.size() > 20000)
                    out += out.substr(rng() % (out.size() - 20000), 500 + rng() % 4000);
                break;
        }
    }
    out.resize(kFileSize);
    return out;
}

struct Folder {
    std::string path;
    std::vector<std::string> files;

    explicit Folder(const char* name) {
        std::string pattern = std::string("/tmp/romshelf-") + name + "-XXXXXX";
        path = std::string(::mkdtemp(pattern.data())) + "/";
        for (int i = 0; i < kFiles; ++i) {
            files.push_back(path + "game" + std::to_string(i) + ".bin");
            const std::string bytes = romLike(static_cast<std::uint32_t>(i + 1));
            std::ofstream(files.back(), std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
    }
    ~Folder() { std::filesystem::remove_all(path); }

    // Removes the archives of the last pass; their total size.
    std::uint64_t clear(const char* extension) const {
        std::uint64_t bytes = 0;
        for (const auto& f : files) {
            const std::string archive = f.substr(0, f.size() - 3) + extension;
            std::error_code ec;
            const auto size = std::filesystem::file_size(archive, ec);
            if (!ec) bytes += size;
            std::filesystem::remove(archive, ec);
        }
        return bytes;
    }
};

// Runs a program with its output thrown away; false unless it exits with 0.
bool run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

double cpuSeconds(int who) {
    rusage r{};
    ::getrusage(who, &r);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec * 1e-6; };
    return seconds(r.ru_utime) + seconds(r.ru_stime);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BM_SevenZipAgainst7z(benchmark::State& state) {
    Folder folder("pack-7z-bench");
    archive::Compression how;
    how.format = archive::CompressionFormat::SevenZip;
    how.flushToDisk = false;
    SilentPrompter prompter;
    std::vector<double> cpu, size;
    for (auto _ : state) {
        const double self0 = cpuSeconds(RUSAGE_SELF);
        for (const auto& f : folder.files)
            if (!archive::compress(f, how, prompter)) state.SkipWithError("compress failed");
        const double ours = cpuSeconds(RUSAGE_SELF) - self0;
        const std::uint64_t ourBytes = folder.clear("7z");

        const double children0 = cpuSeconds(RUSAGE_CHILDREN);
        for (const auto& f : folder.files)
            if (!run({"7z", "a", "-mx=7", "-bd", "-y", f.substr(0, f.size() - 3) + "7z", f}))
                state.SkipWithError("7z failed");
        const double theirs = cpuSeconds(RUSAGE_CHILDREN) - children0;
        const std::uint64_t theirBytes = folder.clear("7z");
        cpu.push_back(ours / theirs);
        size.push_back(double(ourBytes) / double(theirBytes));
    }
    if (!cpu.empty()) state.counters["cpu"] = median(cpu);
    if (!size.empty()) state.counters["size"] = median(size);
}
BENCHMARK(BM_SevenZipAgainst7z)->Iterations(5)->Unit(benchmark::kMillisecond);

// Answers every question no: nothing else is asked of a bulk run that is told what to do.
struct BenchProgram {
    std::string program;
    SilentPrompter prompter;
    HeadlessPorts ports;
    std::unique_ptr<Application> app;

    explicit BenchProgram(const Folder& roms) {
        char pattern[] = "/tmp/romshelf-pack-bench-XXXXXX";
        program = std::string(::mkdtemp(pattern)) + "/";
        app = std::make_unique<Application>(ProgramFolder(program), ports.host(prompter));
        app->createFolders();
        FolderSettings folders;
        folders.romFolderPaths[0] = roms.path;
        DataStream stream;
        saveFolderSettingsFile(stream, program + "data/Folder_MD.slb", folders);
        app->preferHardware("MD");
        app->startUp(Application::StartList::Skip);
    }
    ~BenchProgram() { std::filesystem::remove_all(program); }
};

void BM_ZipBatchAgainstZip(benchmark::State& state) {
    Folder folder("pack-zip-bench");
    BenchProgram bench(folder);
    Application& app = *bench.app;
    std::vector<int> rows(kFiles);
    for (int i = 0; i < kFiles; ++i) rows[static_cast<std::size_t>(i)] = i;
    using Clock = std::chrono::steady_clock;
    std::vector<double> wall;
    for (auto _ : state) {
        app.showAll();
        const auto t0 = Clock::now();
        const BatchCounts counts = packRows(app, rows, false, false);
        const auto t1 = Clock::now();
        if (counts.done != kFiles) state.SkipWithError("not every file was packed");
        folder.clear("zip");

        const auto t2 = Clock::now();
        for (const auto& f : folder.files)
            if (!run({"zip", "-q", "-9", "-j", f.substr(0, f.size() - 3) + "zip", f}))
                state.SkipWithError("zip failed");
        const auto t3 = Clock::now();
        folder.clear("zip");
        wall.push_back(std::chrono::duration<double>(t1 - t0).count() /
                       std::chrono::duration<double>(t3 - t2).count());
    }
    if (!wall.empty()) state.counters["wall"] = median(wall);
}
BENCHMARK(BM_ZipBatchAgainstZip)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
