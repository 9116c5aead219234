// The capture tool in the main frame, on an X server of its own (xvfb-run) and offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <filesystem>

#include "AppFixture.h"
#include "QtUi.h"
#include "core/pictures/BmpReader.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/CaptureToolDialog.h"
#include "qt/app/CommandIds.h"
#include "qt/app/MainMenu.h"
#include "qt/platform/QtDesktop.h"
#include "qt/platform/QtWindowControl.h"
#include "qt/views/CFileList.h"
#include "qt/views/CSnap.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace romshelf;

namespace {

// SFC with one snap folder, game.sfc launched (a dry run), the tool shown.
struct CaptureToolTest : test::AppFixture {
    void SetUp() override {
        ports.desktop.screen = &screen;
        FolderSettings f;
        f.romFolderPaths[0] = "./roms/", f.snapFolderPaths[0] = "./snaps/";
        writeFolderSettings("SFC", f);
        writeEmulators("SFC", {emulator("Emu", "/bin/true", "$P")});
        dir.write("roms/game.sfc", "ROM");
        dir.makeFolder("snaps");
        app.preferHardware("SFC");
        frame.startUp();
        app.launcher().setDryRun(true);
        app.launchFile({"Game", "game.sfc", 0});
        frame.mainMenu()->action(cmd::CaptureTool)->trigger();
        tool = frame.captureTool();
    }
    QtDesktop screen;
    CMainFrame frame{app};
    CaptureToolDialog* tool = nullptr;
    const std::string snap = dir.file("snaps/game.bmp");
};

TEST_F(CaptureToolTest, WithoutAnXServerItSaysItCannotCapture) {
    if (QGuiApplication::platformName() == QStringLiteral("xcb")) GTEST_SKIP() << "on X";
    ASSERT_TRUE(tool->isVisible());
    EXPECT_EQ(tool->statusText().toStdString(), kCaptureUnavailable);
    EXPECT_FALSE(tool->listening());
    tool->capture();
    EXPECT_FALSE(std::filesystem::exists(snap));
    QtWindowControl windows;  // as the core hides it
    windows.setMainWindow(&frame);
    windows.hide(ModelessWindow::CaptureTool);
    EXPECT_FALSE(tool->isVisible());
}

TEST_F(CaptureToolTest, AltPrintScreenOrAClipboardPictureSavesTheActiveWindowAsTheSnap) {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) GTEST_SKIP() << "no X server";
    EXPECT_EQ(tool->statusText().toStdString(), "game.sfc 待機中");
    ASSERT_TRUE(tool->listening());
    test::clickRow(frame.fileList(), 0);

    // Another program's window, 640 x 400 in one colour, in front with the focus.
    Display* d = XOpenDisplay(nullptr);
    ASSERT_TRUE(d);
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 640, 400, 0, 0, 0x2080C0);
    XSelectInput(d, w, ExposureMask);
    XMapRaised(d, w);
    XEvent exposed;
    XWindowEvent(d, w, ExposureMask, &exposed);
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    XSync(d, False);
    const auto press = [&](int waitMs) {
        std::filesystem::remove(snap);
        const KeyCode alt = XKeysymToKeycode(d, XK_Alt_L), print = XKeysymToKeycode(d, XK_Print);
        for (const auto& [key, down] :
             {std::pair{alt, True}, {print, True}, {print, False}, {alt, False}})
            XTestFakeKeyEvent(d, key, down, 0);
        XSync(d, False);
        return QTest::qWaitFor([&] { return std::filesystem::exists(snap); }, waitMs);
    };
    const auto saved = [&] {  // its size and its bottom right pixel
        const DecodedImage i = readBmpFile(snap).value_or(DecodedImage{0, 0, {0, 0, 0}});
        return std::tuple(i.width, i.height,
                          qRgb(i.rgb.end()[-3], i.rgb.end()[-2], i.rgb.end()[-1]));
    };
    const QRgb colour = qRgb(0x20, 0x80, 0xC0);

    ASSERT_TRUE(press(5000)) << tool->statusText().toStdString();
    EXPECT_EQ(saved(), std::tuple(640, 400, colour));
    EXPECT_EQ(
        dir.read("snaps/game.bmp").substr(0, 30),
        std::string(
            "BM\x36\xB8\x0B\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x80\x02\0\0\x90\x01\0\0\1\0\x18\0", 30));
    EXPECT_EQ(tool->statusText().toStdString(), "キャプチャした画像のサイズ : X = 640 / Y = 400");
    // The snap window shows it at once, halved on the frame.
    EXPECT_EQ(frame.snapView()->model().snapPath(), snap);
    EXPECT_EQ(frame.snapView()->grab().toImage().pixel(160, 120), colour);

    tool->shrinkBox()->setChecked(true);
    ASSERT_TRUE(press(5000));
    EXPECT_EQ(saved(), std::tuple(320, 200, colour));
    EXPECT_EQ(tool->statusText().toStdString(), "キャプチャした画像のサイズ : X = 320 / Y = 200");

    // A picture put on the clipboard is taken as the key: the window is grabbed (not the
    // picture) and the clipboard emptied.
    QClipboard* clipboard = QGuiApplication::clipboard();
    const auto copy = [&] {
        std::filesystem::remove(snap);
        QImage other(8, 8, QImage::Format_RGB888);
        other.fill(Qt::red);
        clipboard->setImage(other);
        return QTest::qWaitFor([&] { return std::filesystem::exists(snap); }, 5000);
    };
    ASSERT_TRUE(copy()) << tool->statusText().toStdString();
    EXPECT_EQ(saved(), std::tuple(320, 200, colour));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !clipboard->mimeData()->hasImage(); }, 5000));

    // Hidden, the tool gives the key back and captures nothing.
    tool->hide();
    EXPECT_FALSE(tool->listening());
    EXPECT_FALSE(press(300));
    clipboard->setImage(QImage(8, 8, QImage::Format_RGB888));
    QCoreApplication::processEvents();
    EXPECT_FALSE(std::filesystem::exists(snap));
    EXPECT_TRUE(clipboard->mimeData()->hasImage());
    XDestroyWindow(d, w);
    XCloseDisplay(d);
}

}  // namespace

int main(int argc, char** argv) {
    // On the X server of the run that asks for one, when it answers; offscreen otherwise.
    Display* x = qEnvironmentVariableIsSet("ROMSHELF_CAPTURE_X") ? XOpenDisplay(nullptr) : nullptr;
    qputenv("QT_QPA_PLATFORM", x ? "xcb" : "offscreen");
    if (x) XCloseDisplay(x);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
