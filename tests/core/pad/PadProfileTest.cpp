#include "core/pad/PadProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "TempFolder.h"

namespace romshelf {
namespace {

std::string errorOf(std::string_view text) {
    const PadProfileReading r = readPadProfile(text);
    EXPECT_FALSE(r.profile) << "a profile with an error maps nothing";
    return r.error ? r.error->text() : "(no error)";
}

TEST(PadProfile, ReadsKeysTurboRepeatAndTiming) {
    const PadProfileReading r = readPadProfile(
        "\xEF\xBB\xBF; for a keyboard-only emulator\r\n"
        "[keys]\r\n"
        "a = z\r\n"
        "  B=x turbo   # fire\r\n"
        "dpup = Up repeat\n"
        "leftx- = left\n"
        "\n"
        "[timing]\n"
        "turbo = 100\n"
        "repeatDelay=250\n");
    ASSERT_TRUE(r.profile) << r.error->text();
    const PadProfile& p = *r.profile;
    ASSERT_EQ(p.mappings.size(), 4u);
    EXPECT_EQ(p.mappings[0], (PadKeyMapping{0, 0x7a, KeyRepeat::None, 3}));
    EXPECT_EQ(p.mappings[1], (PadKeyMapping{1, 0x78, KeyRepeat::Turbo, 4}));
    EXPECT_EQ(p.mappings[2], (PadKeyMapping{11, 0xff52, KeyRepeat::Repeat, 5}));
    EXPECT_EQ(p.mappings[3], (PadKeyMapping{16, 0xff51, KeyRepeat::None, 6}));
    EXPECT_EQ(p.turboMs, 100);
    EXPECT_EQ(p.repeatDelayMs, 250);
    EXPECT_EQ(p.repeatIntervalMs, 50);
}

TEST(PadProfile, GarbageNamesItsLine) {
    EXPECT_EQ(errorOf("[keys]\na = z\n\x01\x02garbage\n"),
              "3 行目: 「名前 = 値」の形ではありません: \x01\x02garbage");
    EXPECT_EQ(errorOf("[keys\na = z\n"), "1 行目: 節の名前が ] で閉じていません");
    EXPECT_EQ(errorOf("a = z\n"), "1 行目: [keys] か [timing] の節の外です");
    EXPECT_EQ(errorOf("[buttons]\na = z\n"),
              "1 行目: 節「buttons」は知りません（[keys] か [timing] です）");
}

TEST(PadProfile, UnknownButtonsAndKeysNameTheirLine) {
    EXPECT_EQ(errorOf("[keys]\na = z\n\nselect = x\n"), "4 行目: ボタン「select」は知りません");
    EXPECT_EQ(errorOf("[keys]\na = Enterr\n"), "2 行目: キー「Enterr」は知りません");
    EXPECT_EQ(errorOf("[keys]\na = z fast\n"),
              "2 行目: 「fast」は知りません（キーの後は turbo か repeat です）");
    EXPECT_EQ(errorOf("[keys]\na = z turbo repeat\n"),
              "2 行目: turbo と repeat は同時に使えません");
    EXPECT_EQ(errorOf("[keys]\na = z\nb = x\nA = c\n"), "4 行目: ボタン「a」は 2 行目にもあります");
}

TEST(PadProfile, MissingKeysAreErrors) {
    EXPECT_EQ(errorOf("[keys]\na = z\nb =\n"), "3 行目: ボタン「b」に送るキーがありません");
    EXPECT_EQ(errorOf("[keys]\n; nothing yet\n[timing]\nturbo = 50\n"),
              "[keys] の節にキーの割り当てがひとつもありません");
    EXPECT_EQ(errorOf(""), "[keys] の節にキーの割り当てがひとつもありません");
}

TEST(PadProfile, TimingMustBeMilliseconds) {
    EXPECT_EQ(errorOf("[keys]\na = z\n[timing]\nturbo = 0\n"),
              "4 行目: 「0」は 1 から 60000 までのミリ秒ではありません");
    EXPECT_EQ(errorOf("[keys]\na = z\n[timing]\nrepeatInterval = 5x\n"),
              "4 行目: 「5x」は 1 から 60000 までのミリ秒ではありません");
    EXPECT_EQ(errorOf("[keys]\na = z\n[timing]\nspeed = 5\n"),
              "4 行目: 「speed」は知りません（turbo、repeatDelay、repeatInterval です）");
}

TEST(PadProfile, WrittenProfileReadsBackTheSame) {
    PadProfile p;
    p.mappings = {{6, 0xff0d, KeyRepeat::None, 2},
                  {17, 0xff54, KeyRepeat::Repeat, 3},
                  {2, 0x61, KeyRepeat::Turbo, 4}};
    p.turboMs = 80;
    p.repeatDelayMs = 300;
    p.repeatIntervalMs = 40;
    const std::string text = writePadProfile(p);
    EXPECT_EQ(text,
              "[keys]\nstart = Return\nlefty+ = Down repeat\nx = a turbo\n\n[timing]\n"
              "turbo = 80\nrepeatDelay = 300\nrepeatInterval = 40\n");
    const PadProfileReading r = readPadProfile(text);
    ASSERT_TRUE(r.profile);
    EXPECT_EQ(*r.profile, p);
}

TEST(PadProfile, ProfilesAreTheIniFilesOfDataPad) {
    test::TempFolder dir;
    dir.write("data/pad/shooter.ini", "[keys]\na = z\n");
    dir.write("data/pad/Broken.INI", "[keys]\na = ?\n");
    dir.write("data/pad/notes.txt", "");
    dir.write("data/pad/sub/deep.ini", "[keys]\na = z\n");
    EXPECT_EQ(padProfileNames(dir.path()), (std::vector<std::string>{"Broken", "shooter"}));
    EXPECT_TRUE(loadPadProfile(dir.path(), "shooter").profile);
    const PadProfileReading broken = loadPadProfile(dir.path(), "Broken");
    ASSERT_TRUE(broken.error);
    EXPECT_EQ(broken.error->line, 2);
    const PadProfileReading missing = loadPadProfile(dir.path(), "gone");
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->text(),
              "プロファイルを読めません: " + dir.path() + "data/pad/gone.ini");
}

TEST(PadProfile, SavedProfileIsTheFileOfItsNameAndReadsBack) {
    test::TempFolder dir;
    PadProfile p;
    p.mappings = {{0, 0x7a, KeyRepeat::None, 0}, {1, 0x78, KeyRepeat::Turbo, 0}};
    p.turboMs = 90;
    // No data/pad yet: the folder is made.
    ASSERT_TRUE(savePadProfile(dir.path(), "Shooter", p));
    EXPECT_EQ(dir.read("data/pad/Shooter.ini"),
              "[keys]\na = z\nb = x turbo\n\n[timing]\n"
              "turbo = 90\nrepeatDelay = 400\nrepeatInterval = 50\n");
    const PadProfileReading back = loadPadProfile(dir.path(), "Shooter");
    ASSERT_TRUE(back.profile);
    EXPECT_EQ(back.profile->mappings.size(), 2u);
    EXPECT_EQ(back.profile->mappings[1].keysym, 0x78u);
    EXPECT_EQ(back.profile->mappings[1].repeat, KeyRepeat::Turbo);
    EXPECT_EQ(back.profile->turboMs, 90);
}

TEST(PadProfile, SavingReplacesTheFileWholeUnderTheNameItHas) {
    test::TempFolder dir;
    dir.write("data/pad/Race.INI", "[keys]\na = z\n");
    // A reader that opened the old file goes on reading the old file: the new one took its name
    // whole, it was not written over it.
    std::ifstream before(dir.file("data/pad/Race.INI"));
    PadProfile p;
    p.mappings = {{6, 0xff0d, KeyRepeat::None, 0}};
    ASSERT_TRUE(savePadProfile(dir.path(), "Race", p));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(before), {}), "[keys]\na = z\n");
    // One profile Race still, in the file of that name.
    EXPECT_EQ(padProfileNames(dir.path()), std::vector<std::string>{"Race"});
    EXPECT_TRUE(dir.read("data/pad/Race.INI").starts_with("[keys]\nstart = Return\n"));
    ASSERT_TRUE(removePadProfile(dir.path(), "Race"));
    EXPECT_TRUE(padProfileNames(dir.path()).empty());
    EXPECT_FALSE(removePadProfile(dir.path(), "Race"));
}

TEST(PadProfile, ANameThatIsNoFileTitleIsRefused) {
    test::TempFolder dir;
    PadProfile p;
    p.mappings = {{0, 0x7a, KeyRepeat::None, 0}};
    const std::vector<std::string> names = {
        "", "../escape", "a/b", ".hidden", " padded", "padded ", std::string("nul\0inside", 10)};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(isPadProfileName(name));
        EXPECT_FALSE(savePadProfile(dir.path(), name, p));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/escape.ini")));
    EXPECT_TRUE(padProfileNames(dir.path()).empty());
    EXPECT_TRUE(isPadProfileName("横スクロール 2P"));
    EXPECT_TRUE(savePadProfile(dir.path(), "横スクロール 2P", p));
    EXPECT_EQ(padProfileNames(dir.path()), std::vector<std::string>{"横スクロール 2P"});
}

TEST(PadProfile, BuiltInSettingsAreMarkedAsNoCfgTitleCanBe) {
    EXPECT_EQ(builtInPadSetting("shooter"), "<内蔵> shooter");
    EXPECT_TRUE(isBuiltInPadSetting("<内蔵> shooter"));
    EXPECT_EQ(builtInPadProfileName("<内蔵> shooter"), "shooter");
    // JoyToKey settings of files written before.
    EXPECT_FALSE(isBuiltInPadSetting("shooter"));
    EXPECT_FALSE(isBuiltInPadSetting("内蔵 shooter"));
    EXPECT_FALSE(isBuiltInPadSetting(""));
    EXPECT_FALSE(isBuiltInPadSetting("<内蔵> "));
    EXPECT_EQ(builtInPadProfileName("shooter"), "");
}

}  // namespace
}  // namespace romshelf
