#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "AppChecks.h"
#include "RawBytes.h"

using namespace romshelf;
using namespace romshelf::test;

namespace {

// Records which windows the layout commands moved, in order.
struct MovedWindows : ApplicationListener {
    std::vector<int> slots;
    void toolWindowPlaced(int slot) override { slots.push_back(slot); }
};

struct WindowLayoutTest : AppChecks {
    MovedWindows moved;
    WindowLayoutCommands& layout = app.windowLayout();
    WindowLayoutTest() { app.setListener(&moved); }
    const WindowSlots& slots() const { return app.settings().windowSlots; }
    void shift(int by) {
        for (int s = 0; s < kWindowSlotCount; ++s) {
            WindowSlot w = slots()[s];
            w.x += by;
            w.width += by;
            w.visible = s % 2;
            app.setWindowSlot(s, w);
        }
    }
};

}  // namespace

TEST_F(WindowLayoutTest, StoreThenRestoreBringsBackEveryToolWindowButNotTheFrame) {
    app.changeSettings([](MainSettings& m) { m.lockWindowPositions = true; });
    shift(5);
    const WindowSlots stored = slots();
    prompter.answer(true);
    ASSERT_TRUE(layout.store());
    EXPECT_EQ(lastBox(), "各ウィンドウの位置を保存しました。");
    // Header, then 7 rectangles, 7 show states, 7 visible flags: nothing else.
    EXPECT_EQ(std::filesystem::file_size(dir.file("data/WindowPosition.slb")),
              4 + 19 + 1 + 4 + (28 + 7 + 7) * 4);

    shift(30);
    const WindowSlot frame = slots()[kSlotMainFrame];
    prompter.answer(true);
    ASSERT_TRUE(layout.restore());
    for (int s = 1; s < kWindowSlotCount; ++s) EXPECT_EQ(slots()[s], stored[s]) << s;
    EXPECT_EQ(slots()[kSlotMainFrame], frame);
    // File list, database, system, snap, file information, folder, media.
    EXPECT_EQ(moved.slots, (std::vector<int>{1, 2, 3, 4, 6, 5, 7}));
    EXPECT_TRUE(app.settings().lockWindowPositions);
}

TEST_F(WindowLayoutTest, ABadOrMissingFileMovesNothing) {
    // What the file is, its bytes (empty: no file), and the message.
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"missing", "", "ファイルの読み込みに失敗しました。"},
        {"version 1", RawBytes().header("ROMSHELF_WINDOWDATA", 1).i32s(42).bytes(),
         "ウィンドウ位置データが異常です。"},
        {"short", RawBytes().header("ROMSHELF_WINDOWDATA", 2).i32s(41).bytes(),
         "ウィンドウ位置データが異常です。"},
    };
    const WindowSlots before = slots();
    for (const auto& [what, bytes, message] : cases) {
        std::filesystem::remove(dir.file("data/WindowPosition.slb"));
        if (!bytes.empty()) dir.write("data/WindowPosition.slb", bytes);
        prompter.answer(true);
        EXPECT_FALSE(layout.restore()) << what;
        EXPECT_TRUE(lastBox().starts_with(message)) << what << ": " << lastBox();
        EXPECT_EQ(slots(), before) << what;
        EXPECT_TRUE(moved.slots.empty()) << what;
    }
}

TEST_F(WindowLayoutTest, StoreThatCannotWriteSaysSo) {
    dir.makeFolder("data/WindowPosition.slb");  // a folder stands where the file goes
    prompter.answer(true);
    EXPECT_FALSE(layout.store());
    EXPECT_EQ(boxes().back(), "[ウィンドウ位置の記憶失敗] ファイルの保存に失敗しました。");
}

TEST_F(WindowLayoutTest, ResetsKeepTheOtherHalfAndMoveInTheirOrder) {
    shift(7);
    const WindowSlots before = slots();
    prompter.answer(true);
    ASSERT_TRUE(layout.resetSizes());
    EXPECT_EQ(std::tuple(slots()[kSlotFileList].x, slots()[kSlotFileList].width,
                         slots()[kSlotFolder].height, slots()[kSlotFileInfo].height),
              std::tuple(before[kSlotFileList].x, 328, 171, 106));
    prompter.answer(true);
    ASSERT_TRUE(layout.resetPositions());
    EXPECT_EQ(std::tuple(slots()[kSlotSystem].x, slots()[kSlotSystem].width), std::tuple(24, 328));
    EXPECT_EQ(slots()[kSlotMainFrame], before[kSlotMainFrame]);
    // Database, system, file list, snap, folder, file information, media; twice.
    EXPECT_EQ(moved.slots, (std::vector<int>{2, 3, 1, 4, 5, 6, 7, 2, 3, 1, 4, 5, 6, 7}));
    prompter.answer(false);
    EXPECT_FALSE(layout.resetPositions());
}

TEST_F(WindowLayoutTest, TheLockIsSavedAtOnce) {
    layout.toggleLock();
    EXPECT_TRUE(savedSettings().lockWindowPositions);
    layout.toggleLock();
    EXPECT_FALSE(savedSettings().lockWindowPositions);
}

// The counter itself is tested with the settings.
TEST_F(AppFixture, TheProgramsStartIsCountedTheCommandLinesIsNot) {
    app.startUp();
    app.startUp(Application::StartList::Skip);
    EXPECT_EQ(app.settings().extraOptions[0].value, 1);
}

TEST_F(AppFixture, BackupCopiesTheDataFilesAndNamesWhatItCouldNot) {
    dir.write("data/MainData.slb", "main");
    dir.write("data/sub/inner.slb", "not copied");
    dir.write("backup/Old.slb", "kept");
    ASSERT_EQ(::mkfifo(dir.file("data/pipe.slb").c_str(), 0600), 0);
    prompter.answer(true);
    ASSERT_TRUE(app.backUpData());
    EXPECT_EQ(dir.read("backup/MainData.slb"), "main");
    EXPECT_EQ(dir.read("backup/Old.slb"), "kept");
    EXPECT_FALSE(std::filesystem::exists(dir.file("backup/sub")));
    ASSERT_EQ(prompter.boxes().size(), 3u);
    EXPECT_EQ(prompter.boxes()[1].text, "backupフォルダにdataフォルダの中身をコピーしました。");
    EXPECT_NE(prompter.boxes()[2].text.find("pipe.slb"), std::string::npos);
    const auto backup = std::filesystem::directory_iterator(dir.file("backup"));
    EXPECT_EQ(std::distance(begin(backup), end(backup)), 2);  // no half-written leftovers

    // At exit, with the option on: no question and no message, even for the FIFO; the newest data.
    app.changeSettings([](MainSettings& m) { m.setOption(Option::BackupAtExit, true); });
    prompter.clear();
    app.shutDown();
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_EQ(dir.read("backup/MainData.slb"), dir.read("data/MainData.slb"));
}
