// The main window on a collection on a network share: 40,000 files in 250 folders with 5,000
// records on an SSHFS mount (a private sshd on 127.0.0.1, as the share tests make it), started
// offscreen in this process, traced by strace from the start until the window is closed. Counted
// are the calls on files and descriptors under the share (a descriptor or a name), at a first start
// (the mount fresh, no sort keys or identities kept) and at a second.
//
// Counters:
//   *_calls_per_file           the calls on anything under the share, per listed file
//   *_rom_calls_per_file       those on the ROM folders and the files in them
//   *_event_loop_rom_calls     those made by the window's own thread (should be none)
//   *_max_opens_of_a_file      the most times one listed file was opened (at most once is the goal)
//   *_files_opened             how many listed files were opened at all
//   *_close_*                  the same of the window's close (its settings, sort keys and TEMP)
// At the second start, rows whose files have a snap and a media picture on the share are then
// selected one after the other, each until both windows show its pictures, traced apart:
//   select_calls_per_picture   the calls on the snap and media folders and their pictures, per
//                              picture shown
//   select_event_loop_calls    those made by the window's own thread (should be none)
//   select_max_opens_of_a_picture, select_pictures_opened, select_rows_shown
// With ROMSHELF_BENCH_STRACE_KEEP set to a folder, the traces are copied there (first-start.txt,
// first-close.txt, second-start.txt, second-select.txt, second-close.txt).
// The identity pass sums each file once and keeps its sums, so a second start opens none.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "BenchCollection.h"
#include "BenchWindow.h"
#include "SshfsShare.h"
#include "core/pictures/DibPicture.h"
#include "core/platform/FileSystem.h"
#include "qt/views/CFileList.h"
#include "qt/views/CMedia.h"
#include "qt/views/CSnap.h"

using namespace romshelf;

namespace {

namespace fsys = std::filesystem;

// Every thread of this process has a tracer.
bool allThreadsTraced() {
    for (const auto& task : fsys::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        std::string line;
        bool traced = false;
        while (std::getline(status, line))
            if (line.rfind("TracerPid:", 0) == 0) traced = std::stol(line.substr(10)) != 0;
        if (!traced) return false;
    }
    return true;
}

// strace attached to this process and every thread it has or starts, writing the calls on files
// and descriptors (each with its thread, descriptors with their paths) to `report` until stop().
class SelfTrace {
public:
    explicit SelfTrace(const std::string& report) {
        // strace is our child, not our parent: allow it to attach.
        ::prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY);
        const std::string self = std::to_string(::getpid());
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/usr/bin/strace", "strace", "-f", "-y", "-qq", "-e", "trace=%file,%desc", "-o",
                    report.c_str(), "-p", self.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 1000 && !allThreadsTraced(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        attached_ = allThreadsTraced();
    }
    ~SelfTrace() { stop(); }
    SelfTrace(const SelfTrace&) = delete;
    SelfTrace& operator=(const SelfTrace&) = delete;
    bool attached() const { return attached_; }
    // Detaches; the report is complete when it returns.
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGINT);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool attached_ = false;
};

struct Calls {
    double share = 0, roms = 0, eventLoopRoms = 0;
    int maxOpens = 0, filesOpened = 0;
};

// The path an open call in `line` names: its string, after the folder of the descriptor before
// it when that is not AT_FDCWD ("openat(5</a/b>, "c", ...)" names /a/b/c).
std::string openedPath(const std::string& line, std::size_t call) {
    const std::size_t quote = line.find('"', call);
    if (quote == std::string::npos) return {};
    const std::size_t end = line.find('"', quote + 1);
    std::string name = line.substr(quote + 1, end - quote - 1);
    if (name.starts_with('/')) return name;
    const std::size_t open = line.find('<', call);
    if (open == std::string::npos || open > quote) return name;
    return line.substr(open + 1, line.find('>', open) - open - 1) + "/" + name;
}

// The calls of a report on paths under `share`, of which those under `roms` (a prefix of the
// ROM folders, or of the picture folders), and those of them made by the thread `eventLoop`.
Calls countCalls(const std::string& report, const std::string& share, const std::string& roms,
                 long eventLoop) {
    Calls c;
    std::map<std::string, int> opens;
    std::ifstream in(report);
    std::string line;
    while (std::getline(in, line)) {
        // A call cut in two by another thread's: counted at its first half, which has its
        // arguments.
        if (line.find("resumed>") != std::string::npos) continue;
        // The working folder strace shows beside AT_FDCWD is not what a call names.
        if (const std::size_t at = line.find("AT_FDCWD<"); at != std::string::npos)
            line.erase(at + 8, line.find('>', at) - at - 7);
        if (line.find(share) == std::string::npos) continue;
        ++c.share;
        if (line.find(roms) == std::string::npos) continue;
        ++c.roms;
        const long thread = std::strtol(line.c_str(), nullptr, 10);
        if (thread == eventLoop) ++c.eventLoopRoms;
        const std::size_t space = line.find(' ');
        const std::size_t call = space == std::string::npos ? 0 : space + 1;
        if (line.compare(call, 7, "openat(") != 0 && line.compare(call, 5, "open(") != 0) continue;
        if (line.find("O_DIRECTORY") != std::string::npos) continue;
        const std::string path = openedPath(line, call);
        if (path.starts_with(roms)) ++opens[path];
    }
    for (const auto& [path, n] : opens) c.maxOpens = std::max(c.maxOpens, n);
    c.filesOpened = static_cast<int>(opens.size());
    return c;
}

// The calls of the trace in `report` (copied aside with ROMSHELF_BENCH_STRACE_KEEP).
Calls countKept(const std::string& report, const std::string& share, const std::string& roms) {
    if (const char* keep = std::getenv("ROMSHELF_BENCH_STRACE_KEEP"))
        fsys::copy_file(report, keep + ("/" + fsys::path(report).filename().string()),
                        fsys::copy_options::overwrite_existing);
    return countCalls(report, share, roms, ::getpid());
}

struct Traced {
    Calls start, select, close;
    int rowsShown = 0;
};

// The files given a snap and a media picture: the first `count` of the first ROM folder.
std::vector<std::string> givePictures(const bench::Collection& c, std::size_t count) {
    std::vector<std::string> names;
    for (const auto& e : fsys::directory_iterator(c.root + "roms0"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    names.resize(std::min(names.size(), count));
    DibPicture picture;
    picture.create(160, 120);
    picture.fill({0, 0, 160, 120}, {40, 90, 200});
    for (const std::string& name : names)
        for (const char* folder : {"pictures/snaps/", "pictures/media/"})
            if (!picture.saveBmp(c.root + folder + fs::pathTitle(name) + ".bmp")) std::abort();
    return names;
}

// Selects the rows of `names`, each until both windows show its pictures; how many did.
int selectPictured(bench::StartedWindow& window, const std::vector<std::string>& names) {
    const FileListView rows = window.app->fileList().rows();
    int shown = 0;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (!std::binary_search(names.begin(), names.end(), std::string(rows[row].fileName())))
            continue;
        Q_EMIT window.frame->fileList()->selectionShown(static_cast<int>(row));
        // The row's own pictures, not those of the row before.
        const std::string picture = "/" + fs::pathTitle(std::string(rows[row].fileName())) + ".bmp";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        bool both = false;
        while (!both && std::chrono::steady_clock::now() < deadline) {
            bench::runFor(2);
            const CMedia& media = *window.frame->mediaView();
            both = window.frame->snapView()->model().snapPath().ends_with(picture) &&
                   media.found().picture.ends_with(picture) && media.picture().loaded();
        }
        shown += both;
    }
    return shown;
}

// One start of the window on `program`, traced from before the start until its list is shown,
// the identity pass is done and its findings are taken up; then its close, traced apart.
// With `pictured`, its rows are then selected, traced apart.
Traced tracedStart(const std::string& program, const std::string& share, const std::string& roms,
                   const std::string& reports, const std::vector<std::string>* pictured = nullptr) {
    Traced t;
    std::optional<SelfTrace> trace;
    trace.emplace(reports + "-start.txt");
    if (!trace->attached()) return {{-1, -1, -1, -1, -1}, {}, {-1, -1, -1, -1, -1}};
    auto window = std::make_unique<bench::StartedWindow>(program, [](const char*) {});
    window->waitForRows();
    bench::runFor(500);
    window->app->recordFollowing().waitUntilIdle();
    bench::runFor(1000);
    trace.reset();
    t.start = countKept(reports + "-start.txt", share, roms);
    if (pictured) {
        trace.emplace(reports + "-select.txt");
        t.rowsShown = selectPictured(*window, *pictured);
        trace.reset();
        t.select = countKept(reports + "-select.txt", share, program + "pictures/");
    }
    trace.emplace(reports + "-close.txt");
    window.reset();
    trace.reset();
    t.close = countKept(reports + "-close.txt", share, roms);
    return t;
}

void BM_WindowOnShare(benchmark::State& state) {
    bench::application();
    if (!fsys::exists("/usr/bin/strace")) {
        state.SkipWithError("strace is needed (scripts/install-deps.sh)");
        return;
    }
    test::SshfsShare share({"machine"});
    if (!share.up()) {
        state.SkipWithError((share.skipReason() + share.error()).c_str());
        return;
    }
    bench::Collection c(bench::kFilesPerFolder, bench::kFolders, share.root()->file("share/"),
                        true);
    c.folders.snapFolderNames[0] = "タイトル";
    c.folders.snapFolderPaths[0] = "./pictures/snaps/";
    c.folders.mediaFolderPaths[0] = "./pictures/media/";
    fsys::create_directories(c.root + "pictures/snaps");
    fsys::create_directories(c.root + "pictures/media");
    const std::vector<std::string> pictured = givePictures(c, 100);
    c.programFolder();
    const std::string folder = fsys::path(c.root).parent_path().filename().string();
    const std::string mounted = share.root()->file("machine/" + folder + "/");
    const double files = static_cast<double>(c.files());
    Traced first, second;
    for (auto _ : state) {
        first = tracedStart(mounted, mounted, mounted + "roms", share.root()->file("first"));
        second = tracedStart(mounted, mounted, mounted + "roms", share.root()->file("second"),
                             &pictured);
    }
    const auto put = [&](const std::string& at, const Traced& k) {
        state.counters[at + "_calls_per_file"] = k.start.share / files;
        state.counters[at + "_rom_calls_per_file"] = k.start.roms / files;
        state.counters[at + "_event_loop_rom_calls"] = k.start.eventLoopRoms;
        state.counters[at + "_max_opens_of_a_file"] = k.start.maxOpens;
        state.counters[at + "_files_opened"] = k.start.filesOpened;
        state.counters[at + "_close_calls_per_file"] = k.close.share / files;
        state.counters[at + "_close_event_loop_rom_calls"] = k.close.eventLoopRoms;
    };
    put("first", first);
    put("second", second);
    const double pictures = 2.0 * second.rowsShown;
    state.counters["select_rows_shown"] = second.rowsShown;
    state.counters["select_calls_per_picture"] = pictures > 0 ? second.select.roms / pictures : -1;
    state.counters["select_event_loop_calls"] = second.select.eventLoopRoms;
    state.counters["select_max_opens_of_a_picture"] = second.select.maxOpens;
    state.counters["select_pictures_opened"] = second.select.filesOpened;
}
BENCHMARK(BM_WindowOnShare)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
