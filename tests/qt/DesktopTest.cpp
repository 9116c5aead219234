#include "qt/app/CMainFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QTableWidget>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTest>

#include "AppFixture.h"
#include "demo/DemoCatalogue.h"
#include "core/views/Contrast.h"
#include "qt/app/HardwareBar.h"
#include "qt/app/ToolWindowFrame.h"
#include "qt/views/CFileList.h"
#include "qt/views/CDataBase.h"
#include "qt/views/CFolder.h"
#include "qt/views/CSystem.h"
#include "qt/views/FileListModel.h"
#include "qt/views/WindowsFont.h"

using namespace romshelf;

namespace {

std::uint32_t rgbOf(const QColor& c) { return static_cast<std::uint32_t>(c.rgb()) & 0xFFFFFFu; }

// A dark theme as qt6ct or Adwaita-dark gives it: the shades (light, dark, mid) from its button
// and window colours, as a theme's palette has them.
QPalette darkPalette() {
    QPalette p(QColor(0x35, 0x35, 0x35), QColor(0x30, 0x30, 0x30));
    p.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
    p.setColor(QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
    p.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    p.setColor(QPalette::AlternateBase, QColor(0x2A, 0x2A, 0x2A));
    p.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    p.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::ButtonText, QColor(0xE0, 0xE0, 0xE0));
    p.setColor(QPalette::Highlight, QColor(0x3D, 0x6F, 0xA8));
    p.setColor(QPalette::HighlightedText, QColor(0xFF, 0xFF, 0xFF));
    p.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    return p;
}

WindowSlot at(int x, int y, int w, int h) {
    WindowSlot s;
    s.x = x;
    s.y = y;
    s.width = w;
    s.height = h;
    return s;
}

// The main frame over SFC files in a renamed, a failed and a plain folder, under the desktop's
// palette and font as the test sets them (put back afterwards).
struct DesktopTest : romshelf::test::AppFixture {
    std::unique_ptr<CMainFrame> frame;
    const QPalette savedPalette = QApplication::palette();
    const QFont savedFont = QApplication::font();

    ~DesktopTest() override {
        frame.reset();
        QApplication::setPalette(savedPalette);
        QApplication::setFont(savedFont);
    }
    void setUpFiles() {
        FolderSettings f;
        f.romFolderPaths[0] = f.renameOkFolder = "./roms/ok/";
        f.romFolderPaths[1] = f.renameFailedFolder = "./roms/ng/";
        f.romFolderPaths[2] = "./roms/main/";
        writeFolderSettings("SFC", f);
        for (const char* p : {"roms/ok/b.sfc", "roms/ng/c.sfc", "roms/main/a.sfc"})
            dir.write(p, "x");
        app.changeSettings([](MainSettings& m) {
            m.setOption(Option::RenameOkInBlue, true);
            m.setOption(Option::AlternateRowBackground, true);
        });
    }
    void open(const std::string& code = "SFC") {
        app.preferHardware(code);
        frame = std::make_unique<CMainFrame>(app);
        frame->startUp();
    }
    CFileList* list() { return frame->fileList(); }
    // The colour of a pane's viewport where nothing is drawn (its bottom right corner).
    static QColor emptyCorner(QWidget* viewport) {
        const QImage image = viewport->grab().toImage();
        return image.pixelColor(image.width() - 2, image.height() - 2);
    }
};

}  // namespace

TEST_F(DesktopTest, DarkPaletteGivesDarkPanesAndReadableRows) {
    QApplication::setPalette(darkPalette());
    setUpFiles();
    open();
    const QColor base = darkPalette().color(QPalette::Base);
    ASSERT_EQ(list()->model()->rowCount(), 3);
    const FileListModel* model = list()->listModel();
    bool blue = false, red = false;
    for (int r = 0; r < 3; ++r) {
        const QColor text = model->textColour(r);
        const QColor bg = model->background(r);
        EXPECT_LE(relativeLuminance(rgbOf(bg)),
                  relativeLuminance(rgbOf(darkPalette().color(QPalette::AlternateBase))));
        EXPECT_GE(contrastRatio(rgbOf(text), rgbOf(bg)), 4.5) << r;
        // The meaning stays: the renamed file's row is bluish, the failed one reddish.
        if (text.blue() > text.red() + 60 && text.blue() > text.green()) blue = true;
        if (text.red() > text.green() + 60 && text.red() > text.blue()) red = true;
    }
    EXPECT_TRUE(blue);
    EXPECT_TRUE(red);

    // The panes that draw their own background draw the base, no white.
    for (QWidget* pane :
         {list()->viewport(), frame->systemView()->viewport(),
          static_cast<QAbstractScrollArea*>(frame->toolWindow(kSlotDatabase)->widget())
              ->viewport()})
        EXPECT_LE(relativeLuminance(rgbOf(emptyCorner(pane))), relativeLuminance(rgbOf(base)))
            << pane->objectName().toStdString();
}

// The demo catalogue's window under a dark theme, drawn as the screen gets it: the panes that
// draw a background of their own (the list, the folder window's list, the system log, the
// database window) are no brighter than the palette's base, and every title in the list reads:
// its drawn glyphs reach 4.5:1 against the row's background (the level WCAG asks of text).
TEST_F(DesktopTest, TheDemoWindowUnderADarkThemeIsDarkAndItsTitlesRead) {
    QApplication::setPalette(darkPalette());
    ASSERT_TRUE(
        makeDemoCatalogue(ProgramFolder(dir.path()), prompter, EmulatorSearchPlaces{}).ok());
    open("FC");
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    const double base = relativeLuminance(rgbOf(darkPalette().color(QPalette::Base)));
    for (QWidget* pane : {list()->viewport(), frame->folderView()->list()->viewport(),
                          frame->systemView()->viewport(),
                          static_cast<QAbstractScrollArea*>(frame->databaseView())->viewport()})
        EXPECT_LE(relativeLuminance(rgbOf(emptyCorner(pane))), base)
            << pane->parentWidget()->objectName().toStdString();

    const int rows = list()->model()->rowCount();
    ASSERT_EQ(rows, 3);
    const QImage drawn = list()->viewport()->grab().toImage();
    for (int r = 0; r < rows; ++r) {
        const QModelIndex title = list()->model()->index(r, 0);
        const QString text = title.data().toString();
        ASSERT_FALSE(text.isEmpty());
        // Where the text goes: after the icon (no wider than the row is high), as wide as the font
        // makes it.
        const QRect cell = list()->visualRect(title);
        const int left = cell.left() + cell.height() + 2;
        const int right =
            std::min(cell.right(), left + list()->fontMetrics().horizontalAdvance(text));
        const std::uint32_t background = rgbOf(list()->listModel()->background(r));
        double best = 1.0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = left; x <= right; ++x)
                best = std::max(best, contrastRatio(rgbOf(drawn.pixelColor(x, y)), background));
        EXPECT_GE(best, 4.5) << text.toStdString();
    }
}

// Under a dark theme the tool windows' captions read, the windows in front and behind alike: the
// caption's text reaches 4.5:1 against the caption (the colour most of its pixels have).
TEST_F(DesktopTest, ToolWindowCaptionsReadUnderADarkTheme) {
    QApplication::setPalette(darkPalette());
    setUpFiles();
    open();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    for (const int slot : {kSlotFileList, kSlotSnap, kSlotDatabase, kSlotSystem}) {
        ToolWindowFrame* window = frame->toolWindow(slot);
        const QImage drawn = window->grab().toImage();
        const int top = kToolFrameWidth, bottom = kToolCaptionHeight - 1;
        // The text: after the icon, before the buttons.
        const int left = kToolCaptionHeight + 4, right = drawn.width() / 2;
        std::map<std::uint32_t, int> seen;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x < right; ++x) ++seen[rgbOf(drawn.pixelColor(x, y))];
        const std::uint32_t caption =
            std::ranges::max_element(seen, {}, &std::pair<const std::uint32_t, int>::second)->first;
        double best = 1.0;
        for (const auto& [rgb, count] : seen) best = std::max(best, contrastRatio(rgb, caption));
        EXPECT_GE(best, 4.5) << window->windowTitle().toStdString();
    }
}

// On a light list the marked rows keep the colours they were chosen in where those read.
TEST_F(DesktopTest, MarkedRowsOnALightListKeepTheirColours) {
    QPalette light;
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::AlternateBase, QColor(0xF7, 0xF7, 0xF7));
    light.setColor(QPalette::Text, Qt::black);
    QApplication::setPalette(light);
    setUpFiles();
    open();
    std::map<QString, QColor> colours;
    for (int r = 0; r < 3; ++r)
        colours[list()->model()->index(r, 2).data().toString()] =
            list()->listModel()->textColour(r);
    // Blue passes on white (8.6:1) and stays; pure red (4.0:1) is darkened a little.
    EXPECT_EQ(colours[QStringLiteral("b.sfc")], QColor(0, 0, 255));
    const QColor failed = colours[QStringLiteral("c.sfc")];
    EXPECT_LT(failed.red(), 255);
    EXPECT_GT(failed.red(), 180);
    EXPECT_EQ(failed.green(), 0);
    EXPECT_EQ(colours[QStringLiteral("a.sfc")], QColor(Qt::black));
}

// The 14-pixel list font (in Windows pixels) is 14/12 of the desktop's default: 14 points when the
// desktop's font is 12 points, sized in points, not pixels.
TEST_F(DesktopTest, FontsFollowTheDesktopsPointSize) {
    QFont desktop = savedFont;
    desktop.setPointSizeF(12);
    QApplication::setFont(desktop);
    setUpFiles();
    open();
    EXPECT_DOUBLE_EQ(pointSizeFor(14, 9.0), 10.5);
    for (QWidget* pane :
         {static_cast<QWidget*>(list()), frame->systemView()->viewport(),
          static_cast<QAbstractScrollArea*>(frame->toolWindow(kSlotDatabase)->widget())
              ->viewport()}) {
        EXPECT_EQ(pane->font().pixelSize(), -1) << pane->objectName().toStdString();
        EXPECT_DOUBLE_EQ(pane->font().pointSizeF(), 14.0) << pane->objectName().toStdString();
    }
}

// Saved on a large screen: the frame comes onto this one, within its available area, and the
// tool window that was right of this screen's width comes into the frame.
TEST_F(DesktopTest, ALayoutSavedOffScreenIsMovedIn) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_LT(area.width(), 2400);
    app.setWindowSlot(kSlotMainFrame, at(area.x() + 2500, area.y() + 1800, 2400, 1400));
    app.setWindowSlot(kSlotSnap, at(2000, 100, 328, 263));
    open();
    // The client area less the frame (8 x 32, as the first start reckons it).
    const QRect expected(area.x(), area.y(), area.width() - 8, area.height() - 32);
    EXPECT_EQ(QRect(frame->pos(), frame->size()), expected);
    EXPECT_EQ(frame->toolWindow(kSlotSnap)->geometry(),
              QRect(expected.width() - 328, 100, 328, 263));
}

TEST_F(DesktopTest, FocusStartsOnTheFileListAndComesBackAfterTheHardwareCombo) {
    setUpFiles();
    setUpHardware("FC");
    open();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    EXPECT_EQ(QApplication::focusWidget(), list());

    QComboBox* hardware = frame->hardwareBar()->hardwareCombo();
    ASSERT_GE(hardware->count(), 2);
    hardware->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), hardware);
    const int before = hardware->currentIndex();
    QTest::keyClick(hardware, before == 0 ? Qt::Key_Down : Qt::Key_Up);
    EXPECT_NE(hardware->currentIndex(), before);
    EXPECT_EQ(QApplication::focusWidget(), list());
}

TEST_F(DesktopTest, CtrlF4ClosesTheToolWindowInFront) {
    setUpFiles();
    open();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    ToolWindowFrame* listWindow = frame->toolWindow(kSlotFileList);
    ASSERT_TRUE(listWindow->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, Qt::ControlModifier);
    EXPECT_FALSE(listWindow->isVisible());
    // The others stay.
    EXPECT_TRUE(frame->toolWindow(kSlotSnap)->isVisible());
}
