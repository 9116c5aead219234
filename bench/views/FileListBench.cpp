// Building the file list of a large collection, next to a bare listing of the same folders.
#include <benchmark/benchmark.h>
#include <dirent.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "core/platform/FileSystem.h"
#include "core/views/FileList.h"
#include "core/views/FileListSorter.h"

using namespace romshelf;
namespace fsys = std::filesystem;

namespace {

constexpr int kFolders = 250;
constexpr int kFilesPerFolder = 160;  // 40,000 files
constexpr int kRecords = 5000;

const char* const kWords[] = {"スーパー", "マリオ", "ゼルダ", "ドラゴン", "クエスト", "ファイナル",
                              "ファンタジー", "Mega", "Man", "Castle", "ぷよぷよ", "テトリス",
                              "がんばれ", "ゴエモン", "ロックマン", "メトロイド"};

struct Collection {
    std::string root;
    FolderSettings folders;
    RomTable records;
    CategoryLists lists;

    Collection() {
        char pattern[] = "/tmp/romshelf-bench-XXXXXX";
        root = std::string(::mkdtemp(pattern)) + "/";
        std::mt19937 rng(42);
        auto name = [&](int i) {
            std::string n = kWords[rng() % 16];
            n += kWords[rng() % 16];
            n += " " + std::to_string(i);
            return n;
        };
        int fileNo = 0;
        for (int f = 0; f < kFolders; ++f) {
            const std::string folder = root + "roms" + std::to_string(f) + "/";
            fsys::create_directories(folder);
            folders.romFolderPaths[static_cast<std::size_t>(f)] = folder;
            for (int i = 0; i < kFilesPerFolder; ++i, ++fileNo) {
                const std::string title = name(fileNo) + " (J)";
                const char* ext = (i % 4 == 0) ? ".zip" : ".sfc";
                std::ofstream(folder + title + ext).put('x');
                if (fileNo % 8 == 0 && records.count() < kRecords) {
                    RomRecord r;
                    r.fileTitle = title;
                    r.gameName = name(fileNo);
                    r.reading = "よみ";
                    records.append(r);
                }
            }
        }
    }
    ~Collection() { fsys::remove_all(root); }

    FileListSources sources(bool kana) const {
        FileListSources s;
        s.code = "SFC";
        s.hardwareName = "スーパーファミコン";
        s.folders = &folders;
        s.records = &records;
        s.lists = &lists;
        s.noHavePath = root + "none.txt";
        s.kanaSensitive = kana;
        return s;
    }
};

Collection& collection() {
    static Collection c;
    return c;
}

void BM_BareListing(benchmark::State& state) {
    Collection& c = collection();
    for (auto _ : state) {
        std::size_t n = 0;
        for (int f = 0; f < kFolders; ++f) {
            DIR* d = ::opendir(c.folders.romFolderPaths[static_cast<std::size_t>(f)].c_str());
            while (dirent* e = ::readdir(d)) {
                benchmark::DoNotOptimize(e->d_name);
                ++n;
            }
            ::closedir(d);
        }
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_BareListing)->Unit(benchmark::kMillisecond);

void BM_ListDirectory(benchmark::State& state) {
    Collection& c = collection();
    for (auto _ : state) {
        std::size_t n = 0;
        for (int f = 0; f < kFolders; ++f)
            n += romshelf::fs::listDirectory(c.folders.romFolderPaths[static_cast<std::size_t>(f)]).size();
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

void BM_ShowAllUnsorted(benchmark::State& state) { rebuild(state, unsorted(collection().sources(false))); }
BENCHMARK(BM_ShowAllUnsorted)->Unit(benchmark::kMillisecond);

void BM_SortKeysOnly(benchmark::State& state) {
    FileList list;
    list.showAll(unsorted(collection().sources(false)));
    text::JapaneseCollator collator;
    const bool kana = state.range(0) != 0;
    for (auto _ : state) {
        for (const auto& row : list.rows()) benchmark::DoNotOptimize(fileListSortKey(row.cells[0], kana, collator));
    }
}
BENCHMARK(BM_SortKeysOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ShowAllCollationSort(benchmark::State& state) { rebuild(state, collection().sources(false)); }
BENCHMARK(BM_ShowAllCollationSort)->Unit(benchmark::kMillisecond);

void BM_ShowAllCollationSortCold(benchmark::State& state) { firstBuild(state, collection().sources(false)); }
BENCHMARK(BM_ShowAllCollationSortCold)->Unit(benchmark::kMillisecond);

void BM_ShowAllUnsortedCold(benchmark::State& state) { firstBuild(state, unsorted(collection().sources(false))); }
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

}  // namespace
