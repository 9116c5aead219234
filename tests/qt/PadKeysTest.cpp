// The pad mapped to keys for an emulator with a built-in profile, on an X server of its own
// (xvfb-run, without a window manager): a stand-in emulator records the keys its window gets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "VirtualPad.h"
#include "qt/app/CMainFrame.h"
#include "qt/platform/GamePad.h"
#include "qt/platform/QtClock.h"
#include "qt/platform/QtDesktop.h"
#include "qt/platform/QtProcessRunner.h"

#include <X11/keysym.h>

using namespace romshelf;

namespace {

bool onX() { return QGuiApplication::platformName() == QStringLiteral("xcb"); }

// The keys pressed in this program, whichever of its windows and widgets they went to.
struct OwnKeys : QObject {
    std::set<int> pressed;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            pressed.insert(static_cast<QKeyEvent*>(event)->key());
        return false;
    }
};

// The window on the program's real ports, launching a stand-in emulator that records its keys.
struct PadKeysTest : test::AppFixture {
    QtDesktop desktop;
    QtClock clock;
    QtProcessRunner runner;
    Application launcher{ProgramFolder(dir.path()),
                         Host{ports.prompter, ports.progress, runner, desktop, ports.sound,
                              ports.images, clock, ports.windows}};
    std::unique_ptr<test::VirtualPad> pad;
    std::unique_ptr<CMainFrame> frame;
    std::string emulatorPath;

    void SetUp() override {
        if (!onX()) GTEST_SKIP() << "no X server";
        ASSERT_TRUE(desktop.keysAvailable());
        // Shooter: A fires, Start pauses, down moves; B is not the emulator's.
        dir.write("data/pad/Shooter.ini", "[keys]\na = z\nstart = Return\ndpdown = Down\nx = x\n");
        emulatorPath = dir.file("emu/keys emu");
        std::filesystem::create_directories(dir.file("emu"));
        std::filesystem::copy_file(
            QCoreApplication::applicationDirPath().toStdString() + "/x-key-recorder", emulatorPath);
        std::filesystem::permissions(emulatorPath, std::filesystem::perms::owner_all);
        EmulatorEntry e = emulator("Keys", emulatorPath);
        e.joyToKeySetting = "<内蔵> Shooter";
        setUpLaunch("FC", e);
        dir.write("roms/game.nes", "ROM");
        pad = std::make_unique<test::VirtualPad>();
        launcher.preferHardware("FC");
        frame = std::make_unique<CMainFrame>(launcher);
        frame->startUp();
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        frame->gamePad()->poll();
        ASSERT_EQ(frame->gamePad()->connected(), 1u);
    }
    void TearDown() override {
        // The stand-in runs until it is closed.
        if (const int pid = pidOf(emulatorPath)) ::kill(pid, SIGTERM);
    }
    // A press and a release, each read by the window as its timer would.
    void tap(int button) {
        pad->set(button, true);
        frame->gamePad()->poll();
        pad->set(button, false);
        frame->gamePad()->poll();
    }
    // What the stand-in recorded so far, one line a key event ("down z", "up z").
    std::vector<std::string> recorded() const {
        std::ifstream in(emulatorPath + ".keys");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    bool recordIs(const std::vector<std::string>& expected) const {
        return QTest::qWaitFor([&] { return recorded() == expected; }, 10000);
    }
    void focusOurs() {
        frame->activateWindow();
        desktop.activateWindow(frame->winId());
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusIsOurs(); }, 5000));
    }
};

std::string lines(const std::vector<std::string>& v) {
    std::string out;
    for (const std::string& s : v) out += s + "; ";
    return out;
}

TEST_F(PadKeysTest, TheProfilesKeysGoToTheEmulatorsWindowOnlyWhileItHasTheFocus) {
    ASSERT_TRUE(launcher.launchFile({"Game", "game.nes", 0, -1}));
    const int pid = frame->gamePad()->mappedProcess();
    ASSERT_NE(pid, 0);
    // Until the child has started the stand-in, its command line is still ours.
    ASSERT_TRUE(QTest::qWaitFor([&] { return pidOf(emulatorPath) == pid; }, 10000));
    // The stand-in takes the focus once its window shows.
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusIsOfProcess(pid); }, 10000));

    tap(SDL_CONTROLLER_BUTTON_A);
    tap(SDL_CONTROLLER_BUTTON_START);
    tap(SDL_CONTROLLER_BUTTON_B);  // none in the profile: no key
    tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    const std::vector<std::string> first{"down z",    "up z",      "down Return",
                                         "up Return", "down Down", "up Down"};
    EXPECT_TRUE(recordIs(first)) << lines(recorded());

    // With our window in front the pad's keys go nowhere: not to the emulator, not to us.
    OwnKeys own;
    qApp->installEventFilter(&own);
    focusOurs();
    tap(SDL_CONTROLLER_BUTTON_A);
    tap(SDL_CONTROLLER_BUTTON_X);
    // A key of our own after them: by the time it arrives, any key sent before it has.
    desktop.keysym(XK_F12, true);
    desktop.keysym(XK_F12, false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return own.pressed.count(Qt::Key_F12) > 0; }, 5000));
    EXPECT_EQ(own.pressed.count(Qt::Key_Z), 0u);
    EXPECT_EQ(own.pressed.count(Qt::Key_X), 0u);
    qApp->removeEventFilter(&own);

    // The emulator in front again: its keys go on, and none was kept for it meanwhile.
    const std::optional<std::uint64_t> window = desktop.windowOfProcess(pid);
    ASSERT_TRUE(window);
    desktop.activateWindow(*window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusIsOfProcess(pid); }, 5000));
    tap(SDL_CONTROLLER_BUTTON_X);
    std::vector<std::string> second = first;
    second.insert(second.end(), {"down x", "up x"});
    EXPECT_TRUE(recordIs(second)) << lines(recorded());
}

TEST_F(PadKeysTest, AKeyHeldWhenTheEmulatorLosesTheFocusIsLetGoAndTheMappingEndsWithIt) {
    ASSERT_TRUE(launcher.launchFile({"Game", "game.nes", 0, -1}));
    const int pid = frame->gamePad()->mappedProcess();
    ASSERT_NE(pid, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusIsOfProcess(pid); }, 10000));
    pad->set(SDL_CONTROLLER_BUTTON_A, true);
    frame->gamePad()->poll();
    ASSERT_TRUE(recordIs({"down z"})) << lines(recorded());

    // Another window takes the focus while A is held: z is let go at once (a key left down
    // would repeat into whatever has the focus), and held on, A presses nothing more.
    OwnKeys own;
    qApp->installEventFilter(&own);
    focusOurs();
    frame->gamePad()->poll();
    desktop.keysym(XK_F12, true);
    desktop.keysym(XK_F12, false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return own.pressed.count(Qt::Key_F12) > 0; }, 5000));
    EXPECT_EQ(own.pressed.count(Qt::Key_Z), 0u);
    qApp->removeEventFilter(&own);
    const std::optional<std::uint64_t> window = desktop.windowOfProcess(pid);
    ASSERT_TRUE(window);
    desktop.activateWindow(*window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusIsOfProcess(pid); }, 5000));
    frame->gamePad()->poll();  // A still held: it waits to be let go
    pad->set(SDL_CONTROLLER_BUTTON_A, false);
    frame->gamePad()->poll();
    tap(SDL_CONTROLLER_BUTTON_START);
    EXPECT_TRUE(recordIs({"down z", "down Return", "up Return"})) << lines(recorded());

    // The emulator ends: the mapping ends with it.
    ASSERT_TRUE(desktop.closeWindow(*window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->gamePad()->mappedProcess() == 0; }, 10000));
    EXPECT_FALSE(launcher.launcher().emulatorRunning());
}

}  // namespace
