// The main window over a million files (4,000 in each of the 250 ROM folders of SFC, 5,000
// records), started offscreen in this process as `romshelf` starts it: how soon its first rows
// are drawn, and the longest pass of its event loop from the first paint until the list is shown
// and while the identity pass runs beside it, then while Page Down is held.
//
// Counters (medians of the runs; every run's figures are printed on stderr):
//   first_rows_ms   from the making of the application object (the program's data not read yet)
//                   to the first paint of the file list with rows in it
//   start_pass_ms   the longest event-loop pass from the window's first paint until the list is
//                   shown and for kIdentityMs after it, while the identity pass runs
//   scroll_pass_ms  the longest pass while Page Down is held (one autorepeated press every
//                   kKeyEveryMs) from the top, then, after Ctrl+End, Page Up from the bottom
//   *_over_16ms     how many passes of each took longer than a frame
//   window_KiB_per_file (BM_WindowMemoryPerFile) the growth of the window's peak per listed file
// A pass is the time between two ticks of a 1 ms timer: an upper bound of the work in between.
// On a shared machine a pass also lasts while the thread waits for a core: *_cpu_ms give the
// longest pass in the window thread's own CPU time, the work itself.
//
// Holding Page Down over all million rows would take half an hour at the speed of a held key:
// the scrolling holds the key for kPresses pages at each end of the list instead.
// The first run is not counted: it computes the sort keys the later starts read from the file
// it leaves, as every start but a machine's very first does.
// With ROMSHELF_BENCH_TRACE set, every pass over a frame is printed on stderr with the events
// delivered in it (the receiver's class and name, the event's type, when it began): the way to
// find what a long pass is made of.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "BenchCollection.h"
#include "BenchWindow.h"
#include "qt/views/CFileList.h"
#include "qt/views/FileListModel.h"

using namespace romshelf;
using romshelf::bench::runFor;

namespace {

constexpr int kFiles = 1000000;
constexpr int kIdentityMs = 4000;
constexpr int kKeyEveryMs = 30;
constexpr int kPresses = 150;
constexpr qint64 kFrameMs = 16;

// Every gap between two ticks of a fast timer, counted into the phase of the moment.
class PassWatch : public QObject {
public:
    enum Phase { Before, Start, Scroll, PhaseCount };
    PassWatch() {
        sinceTick_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
        timer_.start(1);
    }
    void enter(Phase p) {
        tick();
        phase_ = p;
    }
    qint64 longest(Phase p) const { return longest_[p]; }
    double longestCpu(Phase p) const { return longestCpu_[p]; }
    int overFrame(Phase p) const { return over_[p]; }
    // An event about to be delivered, for the trace of a long pass.
    void note(QObject* receiver, QEvent* event) {
        if (!tracing_) return;
        QString who = QString::fromLatin1(receiver->metaObject()->className());
        if (!receiver->objectName().isEmpty())
            who += QStringLiteral(" '") + receiver->objectName() + QLatin1Char('\'');
        events_.push_back({sinceTick_.elapsed(), who, static_cast<int>(event->type())});
    }

private:
    static double threadCpuMs() {
        timespec t{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
    }
    void tick() {
        const qint64 gap = sinceTick_.restart();
        const double cpu = threadCpuMs();
        longest_[phase_] = std::max(longest_[phase_], gap);
        longestCpu_[phase_] = std::max(longestCpu_[phase_], cpu - cpuAtTick_);
        cpuAtTick_ = cpu;
        if (gap > kFrameMs) ++over_[phase_];
        if (gap > kFrameMs && tracing_ && phase_ != Before) {
            std::fprintf(stderr, "pass of %lld ms:\n", static_cast<long long>(gap));
            for (const Noted& e : events_)
                std::fprintf(stderr, "  +%lld ms %s event %d\n", static_cast<long long>(e.at),
                             qPrintable(e.receiver), e.type);
        }
        events_.clear();
    }
    struct Noted {
        qint64 at;
        QString receiver;
        int type;
    };
    const bool tracing_ = std::getenv("ROMSHELF_BENCH_TRACE") != nullptr;
    std::vector<Noted> events_;
    double cpuAtTick_ = threadCpuMs();
    double longestCpu_[PhaseCount] = {};
    QTimer timer_;
    QElapsedTimer sinceTick_;
    Phase phase_ = Before;
    qint64 longest_[PhaseCount] = {};
    int over_[PhaseCount] = {};
};

// Notes the window's first paint and the file list's first paint with rows.
class PaintSpy : public QObject {
public:
    PaintSpy(const QElapsedTimer& clock, PassWatch& watch) : clock_(clock), watch_(watch) {
        qApp->installEventFilter(this);
    }
    ~PaintSpy() override { qApp->removeEventFilter(this); }
    qint64 firstRowsMs = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        watch_.note(watched, event);
        if (event->type() != QEvent::Paint) return false;
        if (!painted_) {
            painted_ = true;
            watch_.enter(PassWatch::Start);
        }
        // The list's viewport: made with the tool windows, in the middle of the start.
        if (firstRowsMs >= 0) return false;
        if (auto* list = qobject_cast<CFileList*>(watched->parent());
            list && watched == list->viewport() && list->model()->rowCount() > 0)
            firstRowsMs = clock_.elapsed();
        return false;
    }

private:
    const QElapsedTimer& clock_;
    PassWatch& watch_;
    bool painted_ = false;
};

// Sends `key` as a held key does: a press every kKeyEveryMs (autorepeated after the first), the
// release at the end.
void holdKey(QWidget* to, Qt::Key key, int presses) {
    QEventLoop loop;
    QTimer every;
    int sent = 0;
    QObject::connect(&every, &QTimer::timeout, &loop, [&] {
        if (sent == presses) {
            QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
            every.stop();
            QTimer::singleShot(100, &loop, &QEventLoop::quit);
            return;
        }
        QCoreApplication::postEvent(
            to, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(), sent > 0));
        ++sent;
    });
    every.start(kKeyEveryMs);
    loop.exec();
}

void clickKey(QWidget* to, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, key, modifiers));
    QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyRelease, key, modifiers));
    runFor(200);
}

struct Run {
    qint64 firstRowsMs, startPassMs, scrollPassMs;
    double startCpuMs, scrollCpuMs;
    int startOver, scrollOver;
};

// One start of the window on `program`, as main() makes it, measured; then its close.
Run startWindow(const std::string& program, bool scroll) {
    QElapsedTimer clock;
    clock.start();
    PassWatch watch;
    PaintSpy paints(clock, watch);
    const bool tracing = std::getenv("ROMSHELF_BENCH_TRACE") != nullptr;
    const auto mark = [&](const char* what) {
        if (tracing)
            std::fprintf(stderr, "%lld ms: %s\n", static_cast<long long>(clock.elapsed()), what);
    };
    bench::StartedWindow window(program, mark);
    CFileList* list = window.frame->fileList();
    window.waitForRows();
    mark("rows in the model");
    runFor(kIdentityMs);
    Run r{};
    r.firstRowsMs = paints.firstRowsMs;
    r.startPassMs = watch.longest(PassWatch::Start);
    r.startOver = watch.overFrame(PassWatch::Start);
    r.startCpuMs = watch.longestCpu(PassWatch::Start);
    if (scroll) {
        list->setFocus();
        watch.enter(PassWatch::Scroll);
        holdKey(list, Qt::Key_PageDown, kPresses);
        clickKey(list, Qt::Key_End, Qt::ControlModifier);
        holdKey(list, Qt::Key_PageUp, kPresses);
        watch.enter(PassWatch::Before);
        r.scrollPassMs = watch.longest(PassWatch::Scroll);
        r.scrollOver = watch.overFrame(PassWatch::Scroll);
        r.scrollCpuMs = watch.longestCpu(PassWatch::Scroll);
    }
    return r;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t mid = v.size() / 2;
    return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

void BM_MainWindowMillion(benchmark::State& state) {
    bench::application();
    const std::string& program = bench::collectionOf(kFiles).programFolder();
    startWindow(program, false);  // leaves the sort-key file
    std::vector<double> firstRows, startPass, scrollPass, startOver, scrollOver, startCpu,
        scrollCpu;
    for (auto _ : state) {
        const Run r = startWindow(program, true);
        std::fprintf(stderr,
                     "run: first rows %lld ms, longest pass at start %lld ms (CPU %.1f ms, %d over "
                     "16 ms), while scrolling %lld ms (CPU %.1f ms, %d over 16 ms)\n",
                     static_cast<long long>(r.firstRowsMs), static_cast<long long>(r.startPassMs),
                     r.startCpuMs, r.startOver, static_cast<long long>(r.scrollPassMs),
                     r.scrollCpuMs, r.scrollOver);
        firstRows.push_back(static_cast<double>(r.firstRowsMs));
        startPass.push_back(static_cast<double>(r.startPassMs));
        scrollPass.push_back(static_cast<double>(r.scrollPassMs));
        startOver.push_back(r.startOver);
        scrollOver.push_back(r.scrollOver);
        startCpu.push_back(r.startCpuMs);
        scrollCpu.push_back(r.scrollCpuMs);
    }
    state.counters["first_rows_ms"] = median(firstRows);
    state.counters["start_pass_ms"] = median(startPass);
    state.counters["start_over_16ms"] = median(startOver);
    state.counters["scroll_pass_ms"] = median(scrollPass);
    state.counters["scroll_over_16ms"] = median(scrollOver);
    state.counters["start_pass_cpu_ms"] = median(startCpu);
    state.counters["scroll_pass_cpu_ms"] = median(scrollCpu);
}
BENCHMARK(BM_MainWindowMillion)->Iterations(3)->Unit(benchmark::kMillisecond);

// The window's peak memory (KiB) on `program`, in a process of its own: a start that leaves the
// sort keys and the folders' names kept, then the start measured, until its identity pass is
// done. Forked from this process, whose memory each child shares alike.
double windowPeakKiB(const std::string& program) {
    double peak = -1;
    for (int start = 0; start < 2; ++start) {
        int out[2];
        if (::pipe(out) != 0) std::abort();
        const pid_t pid = ::fork();
        if (pid == 0) {
            bench::application();
            {
                bench::StartedWindow window(program, [](const char*) {});
                window.waitForRows();
                runFor(kIdentityMs);
            }
            rusage usage{};
            ::getrusage(RUSAGE_SELF, &usage);
            const double kib = static_cast<double>(usage.ru_maxrss);
            if (::write(out[1], &kib, sizeof kib) != sizeof kib) ::_exit(1);
            ::_exit(0);
        }
        ::close(out[1]);
        if (::read(out[0], &peak, sizeof peak) != sizeof peak) std::abort();
        ::close(out[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    return peak;
}

// The memory a listed file costs the window: the growth of its peak from 40,000 to 160,000 files
// (the same 5,000 records), per file added, as BM_CliMemoryPerFile measures the command.
void BM_WindowMemoryPerFile(benchmark::State& state) {
    bench::Collection small(bench::kFilesPerFolder, bench::kFolders);
    bench::Collection large(4 * bench::kFilesPerFolder, bench::kFolders);
    small.programFolder();
    large.programFolder();
    std::vector<double> smallPeaks, largePeaks;
    for (auto _ : state) {
        smallPeaks.push_back(windowPeakKiB(small.programFolder()));
        largePeaks.push_back(windowPeakKiB(large.programFolder()));
    }
    state.counters["window_peak_40k_MiB"] = median(smallPeaks) / 1024;
    state.counters["window_peak_160k_MiB"] = median(largePeaks) / 1024;
    state.counters["window_KiB_per_file"] = (median(largePeaks) - median(smallPeaks)) /
                                            static_cast<double>(large.files() - small.files());
}
BENCHMARK(BM_WindowMemoryPerFile)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
