// Building the file list of a large collection, next to a bare listing of the same folders; and
// the whole romshelf-cli list process next to a find pipeline over the same folders.
//
// The ratio benchmarks time the measured work and its yardstick alternately in every iteration,
// so that the load of a shared machine falls on both alike; their counters are the ratio of the
// two medians (wall clock) and the same ratio of the CPU time used. With two cores the wall
// ratios gain from the list's second thread only while the other core is free.
//
// ROMSHELF_BENCH_KEEP=1 keeps the collection (a program folder with SFC set up) for profiling.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/commands/Optimisation.h"
#include "core/database/RomTable.h"
#include "core/platform/FileSystem.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/ProgramFolder.h"
#include "core/storage/DataStream.h"
#include "core/views/FileList.h"
#include "core/views/FileListSorter.h"
#include "core/views/SortKeyFile.h"
#include "BenchCollection.h"

#include "SshfsShare.h"

extern char** environ;

using namespace romshelf;
namespace fsys = std::filesystem;

namespace {

using bench::collection;
using bench::Collection;
using bench::collectionOf;
using bench::kFilesPerFolder;
using bench::kFolders;

// Every entry of every ROM folder, and nothing else: the yardstick of the list's speed.
void bareListing(const Collection& c) {
    std::size_t n = 0;
    for (int f = 0; f < c.folderCount; ++f) {
        DIR* d = ::opendir(c.folders.romFolderPaths[static_cast<std::size_t>(f)].c_str());
        while (dirent* e = ::readdir(d)) {
            benchmark::DoNotOptimize(e->d_name);
            ++n;
        }
        ::closedir(d);
    }
    benchmark::DoNotOptimize(n);
}

void BM_BareListing(benchmark::State& state) {
    Collection& c = collection();
    for (auto _ : state) bareListing(c);
}
BENCHMARK(BM_BareListing)->Unit(benchmark::kMillisecond);

void BM_ListDirectory(benchmark::State& state) {
    Collection& c = collection();
    for (auto _ : state) {
        std::size_t n = 0;
        for (int f = 0; f < kFolders; ++f)
            n += romshelf::fs::listDirectory(c.folders.romFolderPaths[static_cast<std::size_t>(f)])
                     .size();
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ListDirectory)->Unit(benchmark::kMillisecond);

// Builds the list again and again, as the program does on every view change.
void rebuild(benchmark::State& state, const FileListSources& s) {
    FileList list;
    for (auto _ : state) {
        list.showAll(s);
        benchmark::DoNotOptimize(list.rows()[0]);
    }
    state.counters["rows"] = list.count();
}

// The first build of a list: no remembered sort keys and no rows to reuse.
void firstBuild(benchmark::State& state, const FileListSources& s) {
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<FileList>();
        state.ResumeTiming();
        list->showAll(s);
        benchmark::DoNotOptimize(list->rows()[0]);
        state.PauseTiming();
        list.reset();  // a program's list lives until it ends: freeing it is no part of a build
        state.ResumeTiming();
    }
}

FileListSources unsorted(FileListSources s) {
    s.neverSort = true;
    return s;
}

void BM_ShowAllUnsorted(benchmark::State& state) {
    rebuild(state, unsorted(collection().sources(false)));
}
BENCHMARK(BM_ShowAllUnsorted)->Unit(benchmark::kMillisecond);

void BM_SortKeysOnly(benchmark::State& state) {
    FileList list;
    list.showAll(unsorted(collection().sources(false)));
    text::JapaneseCollator collator;
    const bool kana = state.range(0) != 0;
    for (auto _ : state) {
        for (const auto& row : list.rows())
            benchmark::DoNotOptimize(fileListSortKey(row.cells[0], kana, collator));
    }
}
BENCHMARK(BM_SortKeysOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ShowAllCollationSort(benchmark::State& state) {
    rebuild(state, collection().sources(false));
}
BENCHMARK(BM_ShowAllCollationSort)->Unit(benchmark::kMillisecond);

void BM_ShowAllCollationSortCold(benchmark::State& state) {
    firstBuild(state, collection().sources(false));
}
BENCHMARK(BM_ShowAllCollationSortCold)->Unit(benchmark::kMillisecond);

void BM_ShowAllUnsortedCold(benchmark::State& state) {
    firstBuild(state, unsorted(collection().sources(false)));
}
BENCHMARK(BM_ShowAllUnsortedCold)->Unit(benchmark::kMillisecond);

void BM_ShowAllKanaSort(benchmark::State& state) { rebuild(state, collection().sources(true)); }
BENCHMARK(BM_ShowAllKanaSort)->Unit(benchmark::kMillisecond);

void BM_SearchAllFolders(benchmark::State& state) {
    Collection& c = collection();
    FileList list;
    SearchCriteria criteria;
    criteria.typed = "マリオ";
    criteria.rating = criteria.favourite = std::string(kNoCondition);
    criteria.classes.fill(std::string(kNoCondition));
    const FileListSources s = c.sources(false);
    for (auto _ : state) {
        list.showSearchResult(s, criteria);
        benchmark::DoNotOptimize(list.rows()[0]);
    }
}
BENCHMARK(BM_SearchAllFolders)->Unit(benchmark::kMillisecond);

// --- Ratios: the measured work and its yardstick, alternately in every iteration ---

double processCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t mid = v.size() / 2;
    return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

// Wall and CPU seconds of each run of one side.
struct Samples {
    std::vector<double> wall, cpu;
    void add(double w, double c) {
        wall.push_back(w);
        cpu.push_back(c);
    }
};

template <class Work>
void timeInProcess(Samples& into, Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    work();
    const double cpu = processCpuSeconds() - cpuStart;
    into.add(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cpu);
}

// Medians of both sides, and their ratios, as counters named after the yardstick.
void reportRatios(benchmark::State& state, const Samples& measured, const Samples& yardstick,
                  const std::string& against) {
    const double w = median(measured.wall), y = median(yardstick.wall);
    state.counters[against + "_ms"] = y * 1e3;
    state.counters["ms"] = w * 1e3;
    state.counters["ratio_to_" + against] = y > 0 ? w / y : 0;
    const double cw = median(measured.cpu), cy = median(yardstick.cpu);
    state.counters["cpu_ratio_to_" + against] = cy > 0 ? cw / cy : 0;
}

// The first build of a fresh list (its collators made, no keys remembered in memory), against
// the bare listing. With `keyFile`, the keys come from the file the last run left, as at every
// start but the very first. Freeing the list is no part of it: a program's list lives until it
// ends.
void ratioFirstBuild(benchmark::State& state, const std::string& keyFile) {
    Collection& c = collection();
    const FileListSources s = c.sources(false);
    if (!keyFile.empty()) {
        FileList last;  // the last run
        last.setSortKeyFile(keyFile);
        last.showAll(s);
        if (!last.saveSortKeys()) std::abort();
    }
    Samples build, listing;
    for (auto _ : state) {
        timeInProcess(listing, [&] { bareListing(c); });
        std::unique_ptr<FileList> list;
        timeInProcess(build, [&] {
            list = std::make_unique<FileList>();
            list->setSortKeyFile(keyFile);
            list->showAll(s);
        });
        benchmark::DoNotOptimize(list->rows()[0]);
        state.SetIterationTime(build.wall.back());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    reportRatios(state, build, listing, "listing");
}
void BM_RatioFirstBuild(benchmark::State& state) {
    ratioFirstBuild(state, collection().root + "cache/sortkeys.bin");
}
BENCHMARK(BM_RatioFirstBuild)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);
// Reading the keys alone, for the note on where the first build's time goes.
void BM_LoadSortKeyFile(benchmark::State& state) {
    const std::string keyFile = collection().root + "cache/sortkeys.bin";
    const std::string stamp = text::JapaneseCollator().versionStamp();
    for (auto _ : state) {
        SortKeyCache cache;
        benchmark::DoNotOptimize(loadSortKeyFile(keyFile, stamp, cache));
    }
}
BENCHMARK(BM_LoadSortKeyFile)->Unit(benchmark::kMillisecond);

// The very first build on a machine: every key computed.
void BM_RatioFirstBuildWithoutKeyFile(benchmark::State& state) { ratioFirstBuild(state, ""); }
BENCHMARK(BM_RatioFirstBuildWithoutKeyFile)
    ->UseManualTime()
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);

// Building the same list again, as every view change does, against the bare listing.
void BM_RatioRebuild(benchmark::State& state) {
    Collection& c = collection();
    const FileListSources s = c.sources(false);
    FileList list;
    list.showAll(s);
    Samples build, listing;
    for (auto _ : state) {
        timeInProcess(listing, [&] { bareListing(c); });
        timeInProcess(build, [&] { list.showAll(s); });
        benchmark::DoNotOptimize(list.rows()[0]);
        state.SetIterationTime(build.wall.back());
    }
    reportRatios(state, build, listing, "listing");
}
BENCHMARK(BM_RatioRebuild)->UseManualTime()->Iterations(25)->Unit(benchmark::kMillisecond);

// `/bin/sh -c command` with its output into /dev/null; wall and CPU seconds of the whole run
// (the shell and everything it ran).
void timeShell(Samples& into, const std::string& command) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (::posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
        std::abort();
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::abort();
    }
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    into.add(wall, seconds(usage.ru_utime) + seconds(usage.ru_stime));
}

std::string cliPath() { return ProgramFolder::executableFolder() + "../bin/romshelf-cli"; }

// `list` and `find` in turn, each a fresh process; their ratios as the case's counters.
// `before`, when given, runs before each `list`, untimed.
void timeAgainstFind(benchmark::State& state, const std::string& list, const std::string& find,
                     const std::function<void()>& before = {}) {
    Samples cli, finder;
    for (auto _ : state) {
        timeShell(finder, find);
        if (before) before();
        timeShell(cli, list);
        state.SetIterationTime(cli.wall.back());
    }
    reportRatios(state, cli, finder, "find");
}

// The whole `romshelf-cli list` of SFC, a fresh process each time (its own ICU set-up, data
// loading, list and output), against `find … | wc -l` over the same ROM folders.
void BM_RatioCliList(benchmark::State& state) {
    const std::string& program = collection().programFolder();
    const std::string list = cliPath() + " list --program-folder " + program + " --hardware SFC";
    const std::string find = "find " + program + "roms* -type f | wc -l";
    timeAgainstFind(state, list, find);
}
BENCHMARK(BM_RatioCliList)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// The same as the first listing after the folders changed, or on a machine that never listed
// them: the kept names gone before each run, every folder read (and the names kept again).
void BM_RatioCliListReadingEveryFolder(benchmark::State& state) {
    const std::string& program = collection().programFolder();
    const std::string list = cliPath() + " list --program-folder " + program + " --hardware SFC";
    const std::string find = "find " + program + "roms* -type f | wc -l";
    timeAgainstFind(state, list, find, [&] {
        for (const auto& e : fsys::directory_iterator(program + "cache"))
            if (e.path().filename().string().starts_with("folders-")) fsys::remove(e.path());
    });
}
BENCHMARK(BM_RatioCliListReadingEveryFolder)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// The optimisation's comparison of every record with every row (a lookup, not records x rows),
// against rebuilding the list it compares with: the command builds that list twice anyway.
void BM_RatioOptimisation(benchmark::State& state) {
    Collection& c = collection();
    const FileListSources s = c.sources(false);
    FileList list;
    list.showAll(s);
    Samples compare, build;
    std::size_t useless = 0;
    for (auto _ : state) {
        timeInProcess(build, [&] { list.showAll(s); });
        timeInProcess(compare, [&] { useless = uselessRecords(c.records, list.rows()).size(); });
        state.SetIterationTime(compare.wall.back());
    }
    state.counters["records"] = c.records.count();
    state.counters["rows"] = list.count();
    state.counters["useless"] = static_cast<double>(useless);
    reportRatios(state, compare, build, "build");
}
BENCHMARK(BM_RatioOptimisation)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

}  // namespace

// --- Scale: memory per listed file, and the CPU of a file at a million files ---

namespace {

// Runs `romshelf-cli list` of SFC in `program` (output to /dev/null); its peak resident memory
// in KiB and CPU seconds. Through GNU time: a process started straight from this one would count
// this one's memory as its own until it runs the program (the peak is kept across exec).
std::pair<double, double> cliListPeak(const std::string& program) {
    const std::string report = program + "cli-peak.txt";
    Samples run;
    timeShell(run, "/usr/bin/time -f '%M %U %S' -o " + report + " " + cliPath() +
                       " list --program-folder " + program + " --hardware SFC");
    double peak = 0, user = 0, system = 0;
    std::ifstream in(report);
    if (!(in >> peak >> user >> system)) std::abort();
    return {peak, user + system};
}

// The memory a listed file costs `romshelf-cli list`: the growth of its peak from 40,000 to
// 160,000 files, per file added (the program's own fixed cost drops out). The first run of each
// writes the key file every later start reads.
void BM_CliMemoryPerFile(benchmark::State& state) {
    const std::string& small = collectionOf(40000).programFolder();
    const std::string& large = collectionOf(160000).programFolder();
    cliListPeak(small);
    cliListPeak(large);
    std::vector<double> smallPeaks, largePeaks;
    for (auto _ : state) {
        smallPeaks.push_back(cliListPeak(small).first);
        largePeaks.push_back(cliListPeak(large).first);
    }
    const double grown = median(largePeaks) - median(smallPeaks);
    state.counters["peak_40k_MiB"] = median(smallPeaks) / 1024;
    state.counters["peak_160k_MiB"] = median(largePeaks) / 1024;
    state.counters["KiB_per_file"] = grown / 120000;
}
BENCHMARK(BM_CliMemoryPerFile)->Iterations(3)->Unit(benchmark::kMillisecond);

// A million files (4,000 in each of the 250 ROM folders a hardware has) with 5,000 records,
// against 40,000: CPU per file of the first build (keys from the last run's file) and of a
// rebuild, and of the whole `romshelf-cli list` with its memory per file.
void BM_ScaleMillion(benchmark::State& state) {
    Collection& small = collectionOf(40000);
    Collection& large = collectionOf(1000000);
    struct PerFile {
        Samples first, rebuild;
    };
    auto measure = [](Collection& c, PerFile& into) {
        const std::string keyFile = c.root + "cache/sortkeys.bin";
        const FileListSources s = c.sources(false);
        if (!fsys::exists(keyFile)) {
            FileList last;
            last.setSortKeyFile(keyFile);
            last.showAll(s);
            if (!last.saveSortKeys()) std::abort();
        }
        auto list = std::make_unique<FileList>();
        timeInProcess(into.first, [&] {
            list->setSortKeyFile(keyFile);
            list->showAll(s);
        });
        timeInProcess(into.rebuild, [&] { list->showAll(s); });
        if (static_cast<std::size_t>(list->count()) != c.files()) std::abort();
    };
    PerFile smallRuns, largeRuns;
    Samples smallCli, largeCli;
    std::vector<double> smallPeaks, largePeaks;
    for (auto _ : state) {
        measure(small, smallRuns);
        measure(large, largeRuns);
        const auto [sp, sc] = cliListPeak(small.programFolder());
        const auto [lp, lc] = cliListPeak(large.programFolder());
        smallPeaks.push_back(sp);
        largePeaks.push_back(lp);
        smallCli.add(0, sc);
        largeCli.add(0, lc);
    }
    const double ratio = static_cast<double>(large.files()) / static_cast<double>(small.files());
    auto perFileRatio = [&](const Samples& l, const Samples& s) {
        return median(l.cpu) / median(s.cpu) / ratio;
    };
    state.counters["first_build_s"] = median(largeRuns.first.wall);
    state.counters["first_cpu_per_file_vs_40k"] = perFileRatio(largeRuns.first, smallRuns.first);
    state.counters["rebuild_cpu_per_file_vs_40k"] =
        perFileRatio(largeRuns.rebuild, smallRuns.rebuild);
    state.counters["cli_cpu_per_file_vs_40k"] = perFileRatio(largeCli, smallCli);
    state.counters["cli_peak_MiB"] = median(largePeaks) / 1024;
    state.counters["cli_KiB_per_file"] = (median(largePeaks) - median(smallPeaks)) /
                                         static_cast<double>(large.files() - small.files());
}
BENCHMARK(BM_ScaleMillion)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

// --- On a share: the same collection on an SSHFS mount, as a network share holds it ---

namespace {

// The calls on files and descriptors `command` made (its children's too), counted by strace; -1
// without strace.
double fileSystemCalls(const std::string& command, const std::string& report) {
    if (!fsys::exists("/usr/bin/strace")) return -1;
    Samples ignored;
    timeShell(ignored, "/usr/bin/strace -f -c -e trace=%file,%desc -o " + report + " " + command);
    // The summary's last line: "100.00 seconds usecs/call calls [errors] total".
    std::ifstream in(report);
    std::string line, last;
    while (std::getline(in, line))
        if (line.find("total") != std::string::npos) last = line;
    double percent = 0, seconds = 0, perCall = 0, calls = -1;
    std::istringstream(last) >> percent >> seconds >> perCall >> calls;
    return calls;
}

// `romshelf-cli list` over 40,000 files in 250 folders on a share (a private sshd and an SSHFS
// mount, as the share tests make it), against `find` over the same mount, alternately; and the
// calls on files per listed file at a first start (the mount fresh, no key file yet) and a second.
void BM_ShareCliList(benchmark::State& state) {
    test::SshfsShare share({"machine"});
    if (!share.up()) {
        state.SkipWithError((share.skipReason() + share.error()).c_str());
        return;
    }
    Collection c(kFilesPerFolder, kFolders, share.root()->file("share/"), true);
    const std::string folder = fsys::path(c.root).parent_path().filename().string();
    const std::string mounted = share.root()->file("machine/" + folder + "/");
    c.programFolder();
    const std::string list =
        cliPath() + " list --program-folder " + mounted + " --hardware SFC > /dev/null";
    const std::string find = "find " + mounted + "roms* -type f | wc -l";
    const std::string report = share.root()->file("strace.txt");
    const double files = static_cast<double>(c.files());
    const double first = fileSystemCalls(list, report);
    const double second = fileSystemCalls(list, report);
    const double findCalls = fileSystemCalls(find, report);
    timeAgainstFind(state, list, find);
    state.counters["fs_calls_per_file_first"] = first / files;
    state.counters["fs_calls_per_file_second"] = second / files;
    state.counters["find_fs_calls_per_file"] = findCalls / files;
}
BENCHMARK(BM_ShareCliList)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
