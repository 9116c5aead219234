#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/CommandIds.h"
#include "qt/app/MainMenu.h"
#include "qt/platform/QtProcessRunner.h"
#include "qt/platform/QtWindowControl.h"
#include "qt/views/CFileList.h"
#include "qt/views/CSystem.h"

using namespace romshelf;
using romshelf::test::installRecorder;
using romshelf::test::readRecord;
using V = std::vector<std::string>;

namespace {

// The main frame over a program folder, with the window's own process runner and window control.
struct LaunchView : romshelf::test::AppFixture {
    QtProcessRunner runner;
    QtWindowControl windows;
    std::unique_ptr<CMainFrame> frame;

    LaunchView() {
        ports.processes.target = &runner;
        ports.windows.forward = &windows;
    }
    CMainFrame& open(const std::string& code) {
        app.preferHardware(code);
        frame = std::make_unique<CMainFrame>(app);
        windows.setMainWindow(frame.get());
        frame->startUp();
        return *frame;
    }
};

}  // namespace

TEST_F(LaunchView, DoubleClickingAZippedRomStartsTheEmulatorOnTheUnpackedFile) {
    const std::string emu = installRecorder(dir.file("emu/snes emu"));
    setUpLaunch("SFC", emulator("Snes", "./emu/snes emu", "--fullscreen"));
    writeZip("roms/ff6.zip", {{"ファイナルファンタジーVI.sfc", "ROM"}});
    CMainFrame& frame = open("SFC");
    CFileList* list = frame.fileList();
    ASSERT_EQ(list->model()->rowCount(), 1);
    const QRect row = list->visualRect(list->model()->index(0, 0));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());

    const auto rec = readRecord(emu);
    EXPECT_EQ(rec.argv, (V{emu, "--fullscreen", dir.path() + "temp/ファイナルファンタジーVI.sfc"}));
    EXPECT_EQ(rec.workingFolder, dir.path() + "emu");
    // The system window follows the story to its last line.
    EXPECT_EQ(app.systemLog().lines().back(), "正常に起動プロセスが終了しました。");
    EXPECT_EQ(frame.systemView()->verticalScrollBar()->value(),
              frame.systemView()->verticalScrollBar()->maximum());

    // The file is now the first recent file, and choosing it starts it again.
    QAction* recent = frame.mainMenu()->action(cmd::RecentFile1);
    EXPECT_TRUE(recent->isVisible());
    EXPECT_EQ(recent->text(), QStringLiteral("&1 ff6"));
    std::filesystem::remove(emu + ".record");
    recent->trigger();
    EXPECT_TRUE(readRecord(emu).ran);
}

TEST_F(LaunchView, ACloseRequestDuringALaunchWaitsForItAndSavesItsRecentFile) {
    const std::string emu = installRecorder(dir.file("emu/snes emu"));
    setUpLaunch("SFC", emulator("Snes", "./emu/snes emu"));
    writeZip("roms/mario.zip", {{"Mario.sfc", "ROM"}});
    CMainFrame& frame = open("SFC");
    // Arrives while the launch repaints its log lines, as a signal or the window's close would.
    QTimer::singleShot(0, &frame, &CMainFrame::requestClose);
    ASSERT_TRUE(app.launchRow(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.isVisible(); }, 10000));
    EXPECT_TRUE(readRecord(emu).ran);
    const auto sfc = static_cast<std::size_t>(hardwareIndexOf("SFC"));
    EXPECT_EQ(savedSettings().recentLaunches[sfc][0].fileName, "mario.zip");
}

TEST_F(LaunchView, TheWindowWaitsForTheEmulatorWithoutFreezingAndStopsJoyToKeyAfterIt) {
    const std::string emu = installRecorder(dir.file("emu/pause emu"));
    const std::string joy = installRecorder(dir.file("joy/stay JoyToKey"));
    EmulatorEntry gb = emulator("GB", emu);
    gb.joyToKeySetting = "pad";
    setUpLaunch("GB", gb);
    dir.write("roms/tetris.gb", "ROM");
    app.changeSettings([&](MainSettings& m) {
        m.toolPaths[0] = joy;
        m.setOption(Option::MinimiseWhileRunning, true);
    });
    CMainFrame& frame = open("GB");
    ASSERT_TRUE(app.launchRow(0));
    // The launch returned at once; the window is minimised while the emulator runs.
    EXPECT_TRUE(frame.isMinimized());
    EXPECT_FALSE(app.recentFileLabels()[0].has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return readRecord(joy, 0).ran; }, 10000));
    EXPECT_NE(pidOf(joy), 0);
    // When it ends, the event loop finishes the launch.
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.recentFileLabels()[0].has_value(); }, 10000));
    EXPECT_EQ(app.systemLog().lines().back(), "正常に起動プロセスが終了しました。");
    EXPECT_FALSE(frame.isMinimized());
    EXPECT_TRUE(QTest::qWaitFor([&] { return pidOf(joy) == 0; }, 10000));
}

TEST_F(LaunchView, AFailureIsShownInRed) {
    setUpHardware("GB", "./roms/");
    dir.write("roms/tetris.gb", "ROM");
    CMainFrame& frame = open("GB");
    frame.systemView()->parentWidget()->resize(400, 200);
    ASSERT_FALSE(app.launchRow(0));  // no emulator is set up
    const QImage image = frame.systemView()->viewport()->grab().toImage();
    int red = 0, black = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
            black += c.red() < 60 && c.green() < 60 && c.blue() < 60;
        }
    EXPECT_GT(red, 20);  // "指定されたエミュレータが正常に設定されていません。"
    EXPECT_GT(black, 20);  // "tetris.gb が指定されました。"
}

// The window hears of an emulator's crash from its event loop, and tells it in the log in
// magenta with the emulator's last words, which never reach our own terminal.
TEST_F(LaunchView, AnEmulatorsCrashIsToldInTheLogAndNotOnOurTerminal) {
    const std::string emu = installRecorder(dir.file("emu/gb emu"));
    setUpLaunch("GB", emulator("GB", emu, "--stderr \"no BIOS found\" --signal 8 $P"));
    dir.write("roms/tetris.gb", "ROM");
    CMainFrame& frame = open("GB");
    frame.systemView()->parentWidget()->resize(600, 300);
    std::fflush(stderr);
    const int terminal = ::dup(2);
    const int file = ::open(dir.file("terminal").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(file, 2);
    ::close(file);
    const bool launched = app.launchRow(0);
    // The launch returned before the emulator's end could be seen.
    const std::string last = app.systemLog().lines().back();
    const std::string told = "エミュレータがシグナル 8 (SIGFPE) で終了しました。";
    const bool heard = QTest::qWaitFor([&] { return logged(told); }, 10000);
    ::dup2(terminal, 2);
    ::close(terminal);
    ASSERT_TRUE(launched && heard);
    EXPECT_EQ(last, "正常に起動プロセスが終了しました。");
    const V lines = log();
    EXPECT_EQ(V(lines.end() - 4, lines.end()), (V{"@3", told, "  no BIOS found", "@0"}));
    EXPECT_EQ(dir.read("terminal").find("no BIOS"), std::string::npos);
    const QImage image = frame.systemView()->viewport()->grab().toImage();
    int magenta = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            magenta += c.red() > 200 && c.green() < 80 && c.blue() > 200;
        }
    EXPECT_GT(magenta, 20);
}

namespace {

// The window's runner, counting the programs started through it.
struct CountingRunner : ProcessRunner {
    explicit CountingRunner(ProcessRunner& inner) : inner(inner) {}
    std::optional<int> start(const std::vector<std::string>& argv,
                             const std::string& folder) override {
        const std::optional<int> pid = inner.start(argv, folder);
        if (pid) pids.push_back(*pid);
        return pid;
    }
    void whenFinished(int pid, std::function<void(const ProcessEnd&)> then) override {
        inner.whenFinished(pid, std::move(then));
    }
    bool watchesInBackground() const override { return inner.watchesInBackground(); }
    void terminate(int pid) override { inner.terminate(pid); }
    ProcessRunner& inner;
    std::vector<int> pids;
};

}  // namespace

// A held Enter repeats its press: the game starts once. A press or a double click while it runs
// starts no second one, and the log says why; once it has ended, Enter starts it again.
TEST_F(LaunchView, AHeldEnterStartsTheGameOnceAndNotAgainWhileItRuns) {
    const std::string emu = installRecorder(dir.file("emu/gens"));
    setUpLaunch("MD", emulator("Gens", emu, "--sleep 30000 $P"));
    dir.write("roms/sonic.md", "ROM");
    CountingRunner counting(runner);
    ports.processes.target = &counting;
    CMainFrame& frame = open("MD");
    CFileList* list = frame.fileList();
    ASSERT_EQ(list->model()->rowCount(), 1);
    list->selectRow(0);
    auto key = [&](QEvent::Type type, bool autoRepeat) {
        QKeyEvent e(type, Qt::Key_Return, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(list, &e);
        QApplication::processEvents();
    };
    // As X delivers a held key: the press, then a press (and release) per repeat.
    key(QEvent::KeyPress, false);
    for (int repeat = 0; repeat < 28; ++repeat) {
        key(QEvent::KeyRelease, true);
        key(QEvent::KeyPress, true);
    }
    key(QEvent::KeyRelease, false);
    ASSERT_EQ(counting.pids.size(), 1u);
    EXPECT_TRUE(readRecord(emu).ran);
    // The repeats were no presses at all: not even refused ones.
    const std::string running = "「sonic」は起動中です。";
    EXPECT_EQ(std::ranges::count(log(), running), 0);

    key(QEvent::KeyPress, false);
    key(QEvent::KeyRelease, false);
    EXPECT_EQ(counting.pids.size(), 1u);
    EXPECT_EQ(app.systemLog().lines().back(), running);
    EXPECT_EQ(std::ranges::count(log(), running), 1);
    const QRect row = list->visualRect(list->model()->index(0, 0));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(counting.pids.size(), 1u);
    EXPECT_EQ(std::ranges::count(log(), running), 2);

    ::kill(counting.pids[0], SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return logged("エミュレータがシグナル 15 (SIGTERM) で終了しました。"); }, 10000));
    key(QEvent::KeyPress, false);
    key(QEvent::KeyRelease, false);
    EXPECT_EQ(counting.pids.size(), 2u);
    for (const int pid : counting.pids) ::kill(pid, SIGKILL);
}
