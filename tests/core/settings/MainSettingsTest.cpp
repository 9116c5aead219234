#include "core/settings/MainSettings.h"

#include <gtest/gtest.h>

#include "RawBytes.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"

using namespace romshelf;
using romshelf::test::RawBytes;

namespace {

// MainData.slb as another program would write it, straight from the documented layout.
// Strings are given in their stored (CP932 or escaped) form.
struct RawMainData {
    std::string current;
    std::string customNames[48];
    std::string emulatorNames[48];
    std::string recentFile[48][5];
    std::int32_t recentFolder[48][5] = {};
    std::int32_t widths[16] = {400, 200, 200, 100, 100, 100, 100, 100,
                               100, 100, 100, 100, 100, 100, 100, 100};
    std::string categories[5] = {"\x95\xaa\x97\xde 1", "\x95\xaa\x97\xde 2", "\x95\xaa\x97\xde 3",
                                 "\x95\xaa\x97\xde 4", "\x95\xaa\x97\xde 5"};  // "分類 n"
    std::int32_t rects[7][4] = {{0, 0, 640, 452},   {48, 48, 320, 260},  {0, 0, 320, 260},
                                {24, 24, 320, 260}, {72, 72, 328, 263},  {96, 96, 328, 171},
                                {120, 120, 328, 106}};
    std::int32_t states[7] = {1, 1, 1, 1, 1, 1, 1};
    std::int32_t visible[6] = {1, 1, 1, 1, 1, 1};
    std::int32_t lock = 0;
    std::string tools[16];
    std::int32_t extra[20][2] = {};
    std::int32_t compression[10] = {};
    std::int32_t options[23] = {};
    std::int32_t media[6] = {144, 144, 328, 263, 1, 1};
    std::string font;

    std::string bytes() const {
        RawBytes b;
        b.header("ROMSHELF_MAINDATA", 1).str(current);
        for (const auto& n : customNames) b.str(n);
        for (const auto& n : emulatorNames) b.str(n);
        for (int i = 0; i < 48; ++i)
            for (int k = 0; k < 5; ++k)
                b.str(recentFile[i][k].empty() ? "" : "name").str(recentFile[i][k]).i32(recentFolder[i][k]);
        for (auto w : widths) b.i32(w);
        for (const auto& c : categories) b.str(c);
        for (int i = 0; i < 48; ++i) b.str("\x8b\x40\x8e\xed\x95\xca\x95\xaa\x97\xde");  // 機種別分類
        for (const auto& r : rects)
            for (auto v : r) b.i32(v);
        for (auto s : states) b.i32(s);
        for (auto v : visible) b.i32(v);
        b.i32(lock);
        for (const auto& t : tools) b.str(t);
        for (const auto& e : extra) b.i32(e[0]).i32(e[1]);
        for (auto c : compression) b.i32(c);
        for (auto o : options) b.i32(o);
        for (int i = 0; i < 42; ++i) b.i32(0);
        for (auto m : media) b.i32(m);
        for (int i = 0; i < 26; ++i) b.i32(0);
        b.str(font);
        for (int i = 0; i < 15; ++i) b.str("");
        return b.bytes();
    }
};

struct MainDataTest : ::testing::Test {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    DataStream stream;
    std::string path = dir.file("MainData.slb");

    LoadResult load(MainSettings& m) { return loadMainSettings(stream, path, prompter, m); }
};

}  // namespace

TEST_F(MainDataTest, DefaultsAreWrittenInTheDocumentedLayout) {
    ASSERT_TRUE(saveMainSettings(stream, path, MainSettings()));
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("MainData.slb"), RawMainData().bytes()));
    const MainSettings d;
    EXPECT_EQ(d.windowSlots[kSlotMedia], (WindowSlot{144, 144, 328, 263, 1, 1}));
    EXPECT_EQ(d.windowSlots[kSlotMainFrame], (WindowSlot{0, 0, 640, 452, 1, 1}));
    EXPECT_EQ(d.categoryNames[4], "分類 5");
    EXPECT_EQ(d.classListNames[47], "機種別分類");
}

TEST_F(MainDataTest, AnotherProgramsFileLoadsAndIsWrittenBackUnchanged) {
    RawMainData raw;
    raw.current = "SFC";
    raw.customNames[0] = "\x83\x74\x83\x40\x83\x7E\x83\x52\x83\x93";  // ファミコン
    raw.customNames[1] = "\xEF\xBB\xBF" "슈퍼 패미컴";                 // not in CP932
    raw.emulatorNames[1] = "snes9x";
    raw.recentFile[1][0] = "Mario (J).smc";
    raw.recentFolder[1][0] = 3;
    raw.widths[3] = 55;
    raw.rects[4][0] = -20;
    raw.states[0] = 2;
    raw.visible[2] = 0;
    raw.lock = 1;
    raw.tools[7] = "C:\\tools\\JoyToKey.exe";
    raw.extra[0][0] = 1;
    raw.extra[0][1] = 57;
    raw.compression[0] = 3;
    raw.compression[9] = 77;  // a reserved compression integer survives
    raw.options[0] = 1;
    raw.options[16] = 1;
    raw.options[22] = 1;
    raw.font = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック
    for (auto& m : raw.media) m = 0;  // written before the media window existed
    dir.write("MainData.slb", raw.bytes());

    MainSettings m;
    ASSERT_EQ(load(m), LoadResult::Loaded);
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_EQ(m.currentHardware, "SFC");
    EXPECT_EQ(m.customNames[0], "ファミコン");
    EXPECT_EQ(m.customNames[1], "슈퍼 패미컴");
    EXPECT_EQ(m.emulatorNames[1], "snes9x");
    EXPECT_EQ(m.recentLaunches[1][0], (RecentLaunch{"name", "Mario (J).smc", 3}));
    EXPECT_EQ(m.columnWidths[3], 55);
    EXPECT_EQ(m.windowSlots[4].x, -20);
    EXPECT_EQ(m.windowSlots[0].showState, ShowState::Maximised);
    EXPECT_EQ(m.windowSlots[3].visible, 0);
    EXPECT_TRUE(m.lockWindowPositions);
    EXPECT_EQ(m.toolPaths[7], "C:\\tools\\JoyToKey.exe");
    EXPECT_EQ(m.extraOptions[0], (ExtraOption{true, 57}));
    EXPECT_EQ(m.compression.format, 3);
    EXPECT_TRUE(m.option(Option::ShowCategoryItemNames));
    EXPECT_TRUE(m.option(Option::SortDistinguishesKana));
    EXPECT_TRUE(m.option(Option::ShowFirstRomFolder));
    EXPECT_FALSE(m.option(Option::NeverSort));
    EXPECT_EQ(m.listFontName, "ＭＳ ゴシック");
    // The media window's slot was fixed up.
    EXPECT_EQ(m.windowSlots[kSlotMedia], (WindowSlot{144, 144, 328, 263, 1, 1}));

    ASSERT_TRUE(saveMainSettings(stream, path, m));
    RawMainData expected = raw;
    const std::int32_t fixed[6] = {144, 144, 328, 263, 1, 1};
    std::copy(std::begin(fixed), std::end(fixed), expected.media);
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("MainData.slb"), expected.bytes()));
}

TEST_F(MainDataTest, PartialMediaSlotIsNotFixedUp) {
    RawMainData raw;
    raw.media[0] = raw.media[1] = raw.media[3] = 0;
    raw.media[2] = 10;  // only all four zero means "written before"
    raw.media[4] = 0;
    dir.write("MainData.slb", raw.bytes());
    MainSettings m;
    ASSERT_EQ(load(m), LoadResult::Loaded);
    EXPECT_EQ(m.windowSlots[kSlotMedia], (WindowSlot{0, 0, 10, 0, 0, 1}));
}

TEST_F(MainDataTest, FlagsAreNormalisedOnWrite) {
    RawMainData raw;
    raw.lock = 7;
    raw.options[5] = -1;
    dir.write("MainData.slb", raw.bytes());
    MainSettings m;
    ASSERT_EQ(load(m), LoadResult::Loaded);
    EXPECT_TRUE(m.lockWindowPositions);
    ASSERT_TRUE(saveMainSettings(stream, path, m));
    raw.lock = 1;
    raw.options[5] = 1;
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("MainData.slb"), raw.bytes()));
}

TEST_F(MainDataTest, BadFilesGiveTheirMessageAndTheDefaults) {
    const std::string good = RawMainData().bytes();
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    };
    const char* broken = "設定ファイル「MainData.slb」が異常です。\nデータを読み込めません。";
    const char* version = "設定ファイル「MainData.slb」のバージョンが違います。\nデータを読み込めません。";
    std::string wrongKind = good;
    wrongKind.replace(4, 17, "ROMSHELF_FOLDERDA");
    std::string hugeLength = good;
    hugeLength.replace(26, 4, "\xFF\xFF\x00\x00");  // length of the current-hardware string
    const Case cases[] = {
        {"empty file", "", broken},
        {"another kind", RawBytes().header("ROMSHELF_FOLDERDATA", 1).bytes(), broken},
        {"same-length other magic", wrongKind, broken},
        {"version 2", RawBytes().header("ROMSHELF_MAINDATA", 2).bytes() + good.substr(26), version},
        {"cut short", good.substr(0, good.size() - 3), broken},
        {"cut in the middle", good.substr(0, good.size() / 2), broken},
        {"length over the limit", hugeLength, broken},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("MainData.slb", c.bytes);
        MainSettings m;
        m.currentHardware = "FC";
        m.columnWidths[0] = 1;
        m.listFontName = "kept font";
        prompter.clear();
        EXPECT_EQ(load(m), LoadResult::Rejected);
        ASSERT_EQ(prompter.boxes().size(), 1u);
        EXPECT_EQ(prompter.boxes()[0].text, c.message);
        EXPECT_EQ(prompter.boxes()[0].title, "警告");
        MainSettings expected;
        expected.listFontName = "kept font";
        EXPECT_TRUE(m == expected);
        // The file is left as it was.
        EXPECT_TRUE(romshelf::test::sameBytes(dir.read("MainData.slb"), c.bytes));
    }
}

TEST_F(MainDataTest, MissingFileGivesDefaultsSilently) {
    MainSettings m;
    m.currentHardware = "FC";
    EXPECT_EQ(load(m), LoadResult::Missing);
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_TRUE(m == MainSettings());
}
