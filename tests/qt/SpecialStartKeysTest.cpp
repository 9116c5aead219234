// The special start's keys typed into a stand-in emulator on an X server of its own (xvfb-run,
// without a window manager); offscreen, the desktop says it has none.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include "TempFolder.h"
#include "core/launch/SpecialStart.h"
#include "qt/QtText.h"
#include "qt/platform/QtClock.h"
#include "qt/platform/QtDesktop.h"

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

}  // namespace
