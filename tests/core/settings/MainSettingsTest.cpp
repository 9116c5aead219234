#include "core/settings/MainSettings.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "DataFileFixtures.h"

using namespace romshelf;
using romshelf::test::RawBytes;

namespace {

const std::string kMark = "\xEF\xBB\xBF";

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
    std::int32_t rects[7][4] = {{0, 0, 640, 452},    {48, 48, 320, 260}, {0, 0, 320, 260},
                                {24, 24, 320, 260},  {72, 72, 328, 263}, {96, 96, 328, 171},
                                {120, 120, 328, 106}};
    std::int32_t states[7] = {1, 1, 1, 1, 1, 1, 1};
    std::int32_t visible[6] = {1, 1, 1, 1, 1, 1};
    std::int32_t lock = 0;
    std::string tools[16];
    std::int32_t extra[20][2] = {};
    std::int32_t compression[10] = {};
    std::int32_t options[23] = {};
    std::array<std::int32_t, 6> media = {144, 144, 328, 263, 1, 1};
    std::string font;

    std::string bytes() const {
        RawBytes b;
        b.header("ROMSHELF_MAINDATA", 1).str(current);
        for (const auto& n : customNames) b.str(n);
        for (const auto& n : emulatorNames) b.str(n);
        for (int i = 0; i < 48; ++i)
            for (int k = 0; k < 5; ++k)
                b.str(recentFile[i][k].empty() ? "" : "name")
                    .str(recentFile[i][k])
                    .i32(recentFolder[i][k]);
        for (auto w : widths) b.i32(w);
        for (const auto& c : categories) b.str(c);
        b.strs(48, "\x8b\x40\x8e\xed\x95\xca\x95\xaa\x97\xde");  // 機種別分類
        for (const auto& r : rects)
            for (auto v : r) b.i32(v);
        for (auto s : states) b.i32(s);
        for (auto v : visible) b.i32(v);
        b.i32(lock);
        for (const auto& t : tools) b.str(t);
        for (const auto& e : extra) b.i32(e[0]).i32(e[1]);
        for (auto c : compression) b.i32(c);
        for (auto o : options) b.i32(o);
        b.i32s(42);
        for (auto m : media) b.i32(m);
        return b.i32s(26).str(font).strs(15).bytes();
    }
};

struct MainDataTest : romshelf::test::DataFileTest {
    std::string path = dir.file("MainData.slb");

    LoadResult load(MainSettings& m) { return loadMainSettings(stream, path, prompter, m); }
    // Writes `raw`, loads it, and expects it to load.
    MainSettings loaded(const RawMainData& raw) {
        dir.write("MainData.slb", raw.bytes());
        MainSettings m;
        EXPECT_EQ(load(m), LoadResult::Loaded);
        return m;
    }
};

}  // namespace

TEST_F(MainDataTest, DefaultsAreWrittenInTheDocumentedLayout) {
    ASSERT_TRUE(saveMainSettings(stream, path, MainSettings()));
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("MainData.slb"), RawMainData().bytes()));
}

TEST_F(MainDataTest, AnotherProgramsFileLoadsAndIsWrittenBackUnchanged) {
    RawMainData raw;
    raw.current = "SFC";
    raw.customNames[0] = "\x83\x74\x83\x40\x83\x7E\x83\x52\x83\x93";  // ファミコン
    raw.customNames[1] = kMark + "슈퍼 패미컴";                       // not in CP932
    raw.emulatorNames[1] = "snes9x";
    raw.recentFile[1][0] = "Mario (J).smc";
    raw.recentFolder[1][0] = 3;
    raw.widths[3] = 55;
    raw.rects[4][0] = -20;
    raw.states[0] = 2;
    raw.visible[2] = 0;
    raw.lock = 1;
    raw.tools[7] = "C:\\tools\\JoyToKey.exe";
    raw.extra[0][0] = 1;  // flag and value
    raw.extra[0][1] = 57;
    raw.compression[0] = 3;
    raw.compression[9] = 77;  // a reserved compression integer survives
    raw.options[0] = raw.options[16] = raw.options[22] = 1;
    raw.font = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック
    raw.media = {};  // written before the media window existed

    MainSettings m = loaded(raw);
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_EQ(std::tuple(m.currentHardware, m.customNames[0], m.customNames[1], m.emulatorNames[1],
                         m.toolPaths[7], m.listFontName),
              std::tuple("SFC", "ファミコン", "슈퍼 패미컴", "snes9x", "C:\\tools\\JoyToKey.exe",
                         "ＭＳ ゴシック"));
    EXPECT_EQ(m.recentLaunches[1][0], (RecentLaunch{"name", "Mario (J).smc", 3}));
    EXPECT_EQ(std::tuple(m.columnWidths[3], m.windowSlots[4].x, m.windowSlots[0].showState,
                         m.windowSlots[3].visible, m.compression.format),
              std::tuple(55, -20, ShowState::Maximised, 0, 3));
    EXPECT_EQ(m.extraOptions[0], (ExtraOption{true, 57}));
    EXPECT_EQ(std::tuple(m.lockWindowPositions, m.option(Option::ShowCategoryItemNames),
                         m.option(Option::SortDistinguishesKana),
                         m.option(Option::ShowFirstRomFolder), m.option(Option::NeverSort)),
              std::tuple(true, true, true, true, false));
    // The media window's slot was fixed up.
    EXPECT_EQ(m.windowSlots[kSlotMedia], (WindowSlot{144, 144, 328, 263, ShowState::Normal, 1}));

    ASSERT_TRUE(saveMainSettings(stream, path, m));
    RawMainData expected = raw;
    expected.media = RawMainData().media;
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("MainData.slb"), expected.bytes()));
}

TEST_F(MainDataTest, PartialMediaSlotIsKeptAndFlagsAreNormalised) {
    RawMainData raw;
    raw.media = {0, 0, 10, 0, 0, 1};  // only all four zero means "written before"
    raw.lock = 7;
    raw.options[5] = -1;
    MainSettings m = loaded(raw);
    EXPECT_EQ(m.windowSlots[kSlotMedia], (WindowSlot{0, 0, 10, 0, ShowState::Minimised, 1}));
    EXPECT_TRUE(m.lockWindowPositions);
    ASSERT_TRUE(saveMainSettings(stream, path, m));
    raw.lock = 1;
    raw.options[5] = 1;
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("MainData.slb"), raw.bytes()));
}

// A refused file gives its message, a missing one none; both give the defaults but for the font.
TEST_F(MainDataTest, BadOrMissingFilesGiveTheDefaults) {
    const std::string good = RawMainData().bytes();
    const char* broken = "設定ファイル「MainData.slb」が異常です。\nデータを読み込めません。";
    const char* version =
        "設定ファイル「MainData.slb」のバージョンが違います。\nデータを読み込めません。";
    std::string wrongKind = good;
    wrongKind.replace(4, 17, "ROMSHELF_FOLDERDA");
    std::string hugeLength = good;
    hugeLength.replace(26, 4, "\xFF\xFF\x00\x00");  // length of the current-hardware string
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"no file", "", nullptr},
        {"empty file", "", broken},
        {"same-length other magic", wrongKind, broken},
        {"version 2", RawBytes().header("ROMSHELF_MAINDATA", 2).bytes() + good.substr(26), version},
        {"cut short", good.substr(0, good.size() - 3), broken},
        {"length over the limit", hugeLength, broken},
    };
    for (const auto& [what, bytes, message] : cases) {
        SCOPED_TRACE(what);
        if (message) dir.write("MainData.slb", bytes);
        MainSettings m;
        m.currentHardware = "FC";
        m.columnWidths[0] = 1;
        m.listFontName = "kept font";
        prompter.clear();
        EXPECT_EQ(load(m), message ? LoadResult::Rejected : LoadResult::Missing);
        EXPECT_TRUE(message ? warnedOnce(message) : prompter.boxes().empty());
        MainSettings expected;
        expected.listFontName = "kept font";
        EXPECT_TRUE(m == expected);
        // The file is left as it was.
        EXPECT_TRUE(romshelf::test::sameBytes(dir.read("MainData.slb"), bytes));
    }
}
