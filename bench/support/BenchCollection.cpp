#include "BenchCollection.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <thread>

#include "core/settings/ProgramFolder.h"
#include "core/storage/DataStream.h"
#include "core/views/FolderListingFile.h"

namespace romshelf::bench {

namespace fsys = std::filesystem;

namespace {

const char* const kWords[] = {"スーパー", "マリオ",     "ゼルダ",       "ドラゴン",
                              "クエスト", "ファイナル", "ファンタジー", "Mega",
                              "Man",      "Castle",     "ぷよぷよ",     "テトリス",
                              "がんばれ", "ゴエモン",   "ロックマン",   "メトロイド"};

}  // namespace

Collection::Collection(int filesPerFolder, int folderCount, const std::string& under,
                       bool relativeFolders)
    : folderCount(folderCount), filesPerFolder(filesPerFolder), relative_(relativeFolders) {
    std::string pattern = under + "romshelf-bench-XXXXXX";
    root = std::string(::mkdtemp(pattern.data())) + "/";
    std::mt19937 rng(42);
    auto name = [&](int i) {
        std::string n = kWords[rng() % 16];
        n += kWords[rng() % 16];
        n += " " + std::to_string(i);
        return n;
    };
    int fileNo = 0;
    // Records spread over the whole collection, as many as in the smallest one.
    const int recordEvery = std::max(1, folderCount * filesPerFolder / (8 * kRecords)) * 8;
    for (int f = 0; f < folderCount; ++f) {
        const std::string folder = root + "roms" + std::to_string(f) + "/";
        fsys::create_directories(folder);
        folders.romFolderPaths[static_cast<std::size_t>(f)] = folder;
        for (int i = 0; i < filesPerFolder; ++i, ++fileNo) {
            const std::string title = name(fileNo) + " (J)";
            const char* ext = (i % 4 == 0) ? ".zip" : ".sfc";
            // Empty files: the list never reads them.
            if (int fd = ::open((folder + title + ext).c_str(), O_CREAT | O_WRONLY, 0644); fd >= 0)
                ::close(fd);
            if (fileNo % recordEvery == 0 && records.count() < kRecords) {
                RomRecord r;
                r.fileTitle = title;
                r.gameName = name(fileNo);
                r.reading = "よみ";
                records.append(r);
            }
        }
    }
    made_ = std::chrono::system_clock::now();
}

Collection::~Collection() {
    if (std::getenv("ROMSHELF_BENCH_KEEP")) {
        std::fprintf(stderr, "collection kept in %s\n", root.c_str());
        return;
    }
    fsys::remove_all(root);
}

const std::string& Collection::programFolder() {
    if (!dataWritten_) {
        fsys::create_directories(root + "data");
        const ProgramFolder program(root);
        DataStream folderFile, recordFile;
        FolderSettings saved = folders;
        if (relative_)
            for (int f = 0; f < folderCount; ++f)
                saved.romFolderPaths[static_cast<std::size_t>(f)] =
                    "./roms" + std::to_string(f) + "/";
        if (!saveFolderSettingsFile(folderFile, program.perHardwareFile("Folder_", "SFC", ".slb"),
                                    saved) ||
            !records.save(recordFile, program.perHardwareFile("RomData_", "SFC", ".slb")))
            std::abort();
        dataWritten_ = true;
        // The folders were filled a moment ago: the program keeps no names of a folder changed
        // within the last seconds, and a collection is rarely listed that soon after it was
        // copied. Every run but the first then takes the names the one before it kept.
        std::this_thread::sleep_until(made_ +
                                      std::chrono::seconds(FolderStamp::kSettleSeconds + 1));
    }
    return root;
}

FileListSources Collection::sources(bool kana) const {
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

Collection& collection() {
    static Collection c;
    return c;
}

Collection& collectionOf(int files) {
    static std::map<int, std::unique_ptr<Collection>> made;
    auto& c = made[files];
    if (!c) c = std::make_unique<Collection>(files / kFolders);
    return *c;
}

}  // namespace romshelf::bench
