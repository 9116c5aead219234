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
// - BM_CompressCommandAgainst7z: the whole `romshelf-cli compress --all` process (7z chosen on the
//   options page, so LZMA2 strength 6; its read-back check and its saves at the end included) on a
//   fresh copy of a program folder holding 60 such files, against `7z a -t7z -mx=7` once a file
//   on a fresh copy of the same files. `cpu` is the command's user+system CPU over the 7z
//   processes' together (wait4's rusage; goal <= 1.15). What the command spends beside packing,
//   each over the same 7z CPU: `fixed` the same command over an empty ROM folder (start-up,
//   loading, listing, saving), `pack` archive::compress of the 60 files in this process, `check`
//   the read-back of the 60 archives and their sources in this process.
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
#include "core/archive/ArchiveReadBack.h"
#include "core/archive/SevenZipWriter.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"

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

    explicit Folder(const char* name, int count = kFiles) {
        std::string pattern = std::string("/tmp/romshelf-") + name + "-XXXXXX";
        path = std::string(::mkdtemp(pattern.data())) + "/";
        for (int i = 0; i < count; ++i) {
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

// Runs a program with its output thrown away; false unless it exits with 0. With `cpu`, the
// process's user+system CPU seconds (its threads and children included) are added there.
bool run(const std::vector<std::string>& argv, double* cpu = nullptr) {
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
    rusage r{};
    const bool ended = spawned == 0 && ::wait4(pid, &status, 0, &r) == pid;
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec * 1e-6; };
    if (ended && cpu) *cpu += seconds(r.ru_utime) + seconds(r.ru_stime);
    return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
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

constexpr int kCommandFiles = 60;

// A program folder with MD's ROM folder at ./roms/ (copied from `roms`) and 7z chosen as the
// compression format; copied afresh for each run of the command.
struct CommandProgram {
    std::string program;

    CommandProgram(const Folder& roms, bool empty) {
        char pattern[] = "/tmp/romshelf-pack-command-XXXXXX";
        program = std::string(::mkdtemp(pattern)) + "/";
        SilentPrompter prompter;
        HeadlessPorts ports;
        Application app(ProgramFolder(program), ports.host(prompter));
        app.createFolders();
        FolderSettings folders;
        folders.romFolderPaths[0] = "./roms/";
        DataStream stream;
        saveFolderSettingsFile(stream, program + "data/Folder_MD.slb", folders);
        MainSettings main;
        main.currentHardware = "MD";
        main.compression.format = static_cast<int>(archive::CompressionFormat::SevenZip);
        main.compression.sevenZipType = static_cast<int>(archive::SevenZipType::SevenZip);
        saveMainSettings(stream, app.mainDataPath(), main);
        std::filesystem::create_directory(program + "roms");
        if (!empty)
            for (const auto& f : roms.files)
                std::filesystem::copy_file(
                    f, program + "roms/" + std::filesystem::path(f).filename().string());
    }
    ~CommandProgram() { std::filesystem::remove_all(program); }

    // A fresh copy of the program folder: its path.
    std::string copy() const {
        char pattern[] = "/tmp/romshelf-pack-run-XXXXXX";
        const std::string to = std::string(::mkdtemp(pattern)) + "/";
        std::filesystem::copy(program, to, std::filesystem::copy_options::recursive);
        return to;
    }
};

// CPU seconds of one whole `romshelf-cli compress --all` on a fresh copy of `program`; its
// archives' total bytes in `bytes`. Negative when the command failed.
double commandCpu(const CommandProgram& program, std::uint64_t& bytes) {
    const std::string work = program.copy();
    double cpu = 0;
    const bool ok = run({ROMSHELF_CLI_PROGRAM, "--program-folder", work, "--hardware", "MD",
                         "--yes", "compress", "--all"},
                        &cpu);
    bytes = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(work + "roms", ec))
        if (e.path().extension() == ".7z") bytes += e.file_size();
    std::filesystem::remove_all(work);
    return ok ? cpu : -1;
}

void BM_CompressCommandAgainst7z(benchmark::State& state) {
    const Folder roms("pack-command-roms", kCommandFiles);
    const CommandProgram full(roms, false), empty(roms, true);
    std::vector<double> cpu, size, fixed, pack, check;
    for (auto _ : state) {
        std::uint64_t ourBytes = 0, none = 0;
        const double ours = commandCpu(full, ourBytes);
        const double start = commandCpu(empty, none);
        if (ours < 0 || start < 0) state.SkipWithError("romshelf-cli compress failed");

        // 7z on a fresh copy of the same files, one process a file.
        const std::string work = full.copy();
        double theirs = 0;
        std::uint64_t theirBytes = 0;
        for (const auto& f : roms.files) {
            const std::string source =
                work + "roms/" + std::filesystem::path(f).filename().string();
            const std::string archive = source.substr(0, source.size() - 3) + "7z";
            if (!run({"7z", "a", "-t7z", "-mx=7", "-bd", "-y", archive, source}, &theirs))
                state.SkipWithError("7z failed");
            std::error_code ec;
            theirBytes += std::filesystem::file_size(archive, ec);
        }

        // The command's two main steps in this process, on those sources: packing, then the
        // read-back check of what was packed.
        archive::Compression how;
        how.format = archive::CompressionFormat::SevenZip;
        how.flushToDisk = false;
        SilentPrompter prompter;
        for (const auto& f : roms.files) {
            const std::string source =
                work + "roms/" + std::filesystem::path(f).filename().string();
            std::filesystem::remove(source.substr(0, source.size() - 3) + "7z");
        }
        const double pack0 = cpuSeconds(RUSAGE_SELF);
        const archive::SevenZipEncoderReuse encoder;  // one for the files, as a run has
        for (const auto& f : roms.files)
            if (!archive::compress(work + "roms/" + std::filesystem::path(f).filename().string(),
                                   how, prompter))
                state.SkipWithError("compress failed");
        const double check0 = cpuSeconds(RUSAGE_SELF);
        for (const auto& f : roms.files) {
            const std::string name = std::filesystem::path(f).filename().string();
            const std::string source = work + "roms/" + name;
            const auto a = archive::fileSum(source);
            const auto b = archive::memberSum(source.substr(0, source.size() - 3) + "7z", name);
            if (!a || a != b) state.SkipWithError("an archive does not read back");
        }
        const double check1 = cpuSeconds(RUSAGE_SELF);
        std::filesystem::remove_all(work);

        cpu.push_back(ours / theirs);
        size.push_back(double(ourBytes) / double(theirBytes));
        fixed.push_back(start / theirs);
        pack.push_back((check0 - pack0) / theirs);
        check.push_back((check1 - check0) / theirs);
    }
    if (cpu.empty()) return;
    state.counters["cpu"] = median(cpu);
    state.counters["size"] = median(size);
    state.counters["fixed"] = median(fixed);
    state.counters["pack"] = median(pack);
    state.counters["check"] = median(check);
}
BENCHMARK(BM_CompressCommandAgainst7z)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
