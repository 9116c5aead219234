// The special start's keys typed into a stand-in emulator on an X server of its own (xvfb-run,
// without a window manager); offscreen, the desktop says it has none.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "TempFolder.h"
#include "core/launch/SpecialStart.h"
#include "qt/QtText.h"
#include "qt/platform/QtClock.h"
#include "qt/platform/QtDesktop.h"
#include "qt/platform/QtProcessRunner.h"

using namespace romshelf;

namespace {

bool onX() { return QGuiApplication::platformName() == QStringLiteral("xcb"); }

struct SpecialStartKeysTest : ::testing::Test {
    // Starts the stand-in with `args`, types scheme `scheme` into its window as the launch does
    // and returns the file it took ("" when it took none).
    std::string typed(int scheme, const QStringList& args) {
        const std::string record = dir.file("taken-" + std::to_string(scheme));
        QProcess emulator;
        emulator.start(QCoreApplication::applicationDirPath() + QStringLiteral("/menu-emulator"),
                       QStringList{qs(record)} + args);
        EXPECT_TRUE(emulator.waitForStarted(5000));
        std::optional<std::uint64_t> window;
        const auto shown = [&] {
            window = desktop.windowOfProcess(static_cast<int>(emulator.processId()));
            return window.has_value();
        };
        EXPECT_TRUE(QTest::qWaitFor(shown, 10000)) << "no window";
        SpecialStartJob job;
        job.scheme = scheme;
        job.path = rom;
        job.waitAfterStart = 500;
        job.waitAfterFileDialog = 1500;  // generous: a loaded machine opens dialogs slowly
        job.forceActivate = true;
        job.window = window;
        bool done = false;
        if (window) runSpecialStart(desktop, clock, job, [&done](bool typed) { done = typed; });
        const bool ended =
            QTest::qWaitFor([&] { return emulator.state() == QProcess::NotRunning; }, 15000);
        if (!ended) {
            emulator.kill();
            emulator.waitForFinished();
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
        return std::filesystem::exists(record) ? dir.read("taken-" + std::to_string(scheme))
                                               : std::string();
    }
    test::TempFolder dir;
    const std::string rom = dir.write("roms/ゲーム (J) [!].nes", "ROM");
    QtDesktop desktop;
    QtClock clock;
};

TEST_F(SpecialStartKeysTest, WithoutAnXServerThereAreNoKeys) {
    if (onX()) GTEST_SKIP() << "on X";
    EXPECT_FALSE(desktop.keysAvailable());
    EXPECT_FALSE(desktop.windowOfProcess(static_cast<int>(QCoreApplication::applicationPid())));
}

TEST_F(SpecialStartKeysTest, TheEmulatorsFileDialogTakesTheFile) {
    if (!onX()) GTEST_SKIP() << "no X server";
    ASSERT_TRUE(desktop.keysAvailable());
    EXPECT_EQ(typed(0, {QStringLiteral("--dialog-only")}), rom);  // a dialog of its own at start
    EXPECT_EQ(typed(2, {}), rom);                                 // Alt, F, O
    EXPECT_EQ(typed(4, {}), rom);                                 // Alt, F, D
    EXPECT_EQ(typed(9, {}), rom);   // Alt, F, Enter; the folder, then the name
    EXPECT_EQ(typed(15, {}), rom);  // F5
    EXPECT_EQ(typed(7, {QStringLiteral("--preset"), qs(rom)}), rom);  // Enter on the main window
}

// Our own window with the focus, counting the keys that reach it.
struct OurWindow : QWidget {
    int keys = 0;
    OurWindow() {
        setWindowTitle(QStringLiteral("ours"));
        setFocusPolicy(Qt::StrongFocus);
        resize(300, 200);
    }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

// Launches through the application on the window's own ports, with our window in front.
struct OwnWindowKeysTest : test::AppFixture {
    QtDesktop desktop;
    QtClock clock;
    QtProcessRunner runner;
    Application launcher{ProgramFolder(dir.path()),
                         Host{ports.prompter, ports.progress, runner, desktop, ports.sound,
                              ports.images, clock, ports.windows}};
    OurWindow ours;

    void SetUp() override {
        if (!onX()) GTEST_SKIP() << "no X server";
        ours.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&ours));
        focusOurs();
    }
    void focusOurs() {
        ours.activateWindow();
        desktop.activateWindow(ours.winId());
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusIsOurs(); }, 5000));
    }
    // `code`'s emulator `slot` (special start, not forced to the front) is `executable`.
    void setUpEmulator(const std::string& code, int slot, const std::string& executable) {
        EmulatorEntry e = emulator("Special", executable);
        e.specialStart = true;
        e.waitAfterStart = 1500;
        e.waitAfterFileDialog = 1500;
        EmulatorEntries entries{};
        entries[static_cast<std::size_t>(slot)] = e;
        setUpLaunch(code, entries);
        launcher.preferHardware(code);
        launcher.startUp();
    }
    bool logged(const std::string& line) const {
        return std::ranges::count(launcher.systemLog().lines(), line) > 0;
    }
};

constexpr const char* kStopped =
    "特殊起動を中止しました：キー入力の送り先がこのプログラムのウィンドウです。";

TEST_F(OwnWindowKeysTest, WithoutTheEmulatorsWindowNoKeyReachesOurWindow) {
    // WSCamp started the other way shows no window of that title: there is nothing to bring
    // forward, and the focus stays ours.
    launcher.changeSettings([](MainSettings& m) { m.setOption(Option::AlternativeLaunch, true); });
    setUpEmulator("WS", 0, test::installRecorder(dir.file("emu/wscamp")));
    dir.write("roms/game.ws", "ROM");
    ASSERT_TRUE(launcher.launchFile({"Game", "game.ws", 0, -1}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return logged(kStopped); }, 15000));
    QTest::qWait(300);
    EXPECT_EQ(ours.keys, 0);
    const auto lines = launcher.systemLog().lines();
    const auto stopped = std::ranges::find(lines, std::string(kStopped));
    EXPECT_EQ(*(stopped - 1), "@2");
    EXPECT_EQ(lines.back(), "正常に起動プロセスが終了しました。");
}

TEST_F(OwnWindowKeysTest, TheEmulatorsWindowIsBroughtForwardAndGetsTheKeys) {
    // The stand-in takes its record path first; the launch gives it no arguments of its own.
    const std::string record = dir.file("taken");
    const std::string menuEmulator =
        QCoreApplication::applicationDirPath().toStdString() + "/menu-emulator";
    const std::string script =
        dir.write("emu/menu", "#!/bin/sh\nexec '" + menuEmulator + "' '" + record + "' \"$@\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    setUpEmulator("FC", 4, script);  // Alt, F, D opens its file dialog
    const std::string rom = dir.write("roms/game.nes", "ROM");
    ASSERT_TRUE(launcher.launchFile({"Game", "game.nes", 0, -1}));
    // Once its window shows, our window takes the focus back before the first key.
    ASSERT_TRUE(QTest::qWaitFor([&] { return pidOf(menuEmulator) != 0; }, 10000));
    const int pid = pidOf(menuEmulator);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.windowOfProcess(pid).has_value(); }, 10000));
    focusOurs();
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(record); }, 20000));
    EXPECT_EQ(dir.read("taken"), rom);
    EXPECT_EQ(ours.keys, 0);
    EXPECT_FALSE(logged(kStopped));
}

}  // namespace
