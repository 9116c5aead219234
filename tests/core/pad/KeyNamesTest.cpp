#include "core/pad/KeyNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace romshelf {
namespace {

// Values as X's keysymdef.h defines them.
TEST(KeyNames, NamesGiveXKeysyms) {
    EXPECT_EQ(keysymNamed("Return"), 0xff0du);
    EXPECT_EQ(keysymNamed("Escape"), 0xff1bu);
    EXPECT_EQ(keysymNamed("space"), 0x20u);
    EXPECT_EQ(keysymNamed("Left"), 0xff51u);
    EXPECT_EQ(keysymNamed("Page_Down"), 0xff56u);
    EXPECT_EQ(keysymNamed("F1"), 0xffbeu);
    EXPECT_EQ(keysymNamed("F12"), 0xffc9u);
    EXPECT_EQ(keysymNamed("KP_5"), 0xffb5u);
    EXPECT_EQ(keysymNamed("Shift_L"), 0xffe1u);
    EXPECT_EQ(keysymNamed("z"), 0x7au);
    EXPECT_EQ(keysymNamed("7"), 0x37u);
}

TEST(KeyNames, CaseDoesNotMatterAndALetterIsTheLowerCaseKey) {
    EXPECT_EQ(keysymNamed("return"), 0xff0du);
    EXPECT_EQ(keysymNamed("SHIFT_L"), 0xffe1u);
    EXPECT_EQ(keysymNamed("Z"), 0x7au);
    EXPECT_EQ(keysymName(0x7a), "z");
    EXPECT_EQ(keysymName(0xff0d), "Return");
}

TEST(KeyNames, UnknownNamesGiveNothing) {
    EXPECT_FALSE(keysymNamed(""));
    EXPECT_FALSE(keysymNamed("Enterr"));
    EXPECT_FALSE(keysymNamed("F13"));
    EXPECT_FALSE(keysymNamed("zz"));
    EXPECT_FALSE(keysymNamed("!"));
    EXPECT_EQ(keysymName(0x12345678), "");
}

// Every name below against X's own header where it is installed (libx11-dev): a slip in a
// value of the table shows here.
TEST(KeyNames, AgreeWithXsHeader) {
    std::ifstream in("/usr/include/X11/keysymdef.h");
    if (!in) GTEST_SKIP() << "X11/keysymdef.h is not installed";
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    std::map<std::string, unsigned long> defined;
    const std::regex define(R"(#define XK_(\w+)\s+0x([0-9a-fA-F]+))");
    for (auto it = std::sregex_iterator(all.begin(), all.end(), define);
         it != std::sregex_iterator(); ++it)
        defined.emplace((*it)[1].str(), std::stoul((*it)[2].str(), nullptr, 16));
    const char* names[] = {
        "space",       "apostrophe", "comma",       "minus",     "period",       "slash",
        "semicolon",   "equal",      "bracketleft", "backslash", "bracketright", "grave",
        "BackSpace",   "Tab",        "Return",      "Pause",     "Escape",       "Home",
        "Left",        "Up",         "Right",       "Down",      "Page_Up",      "Page_Down",
        "End",         "Insert",     "Delete",      "KP_Enter",  "KP_Add",       "KP_Subtract",
        "KP_Multiply", "KP_Divide",  "KP_Decimal",  "KP_0",      "KP_9",         "F1",
        "F2",          "F5",         "F10",         "F12",       "Shift_L",      "Shift_R",
        "Control_L",   "Control_R",  "Alt_L",       "Alt_R",     "Super_L",      "a",
        "q",           "z",          "0",           "9"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(defined.count(name));
        EXPECT_EQ(keysymNamed(name), defined[name]);
    }
}

}  // namespace
}  // namespace romshelf
