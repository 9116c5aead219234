#include "core/views/LetterGroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/text/TextCodec.h"
#include "core/views/FileListSorter.h"

namespace romshelf {
namespace {

TEST(LetterGroup, LettersThatSortAsOneAreOneGroup) {
    EXPECT_EQ(letterGroup("apple", false), "A");
    EXPECT_EQ(letterGroup("Apple", false), "A");
    EXPECT_EQ(letterGroup("ａｐｐｌｅ", false), "A");
    EXPECT_EQ(letterGroup("Ｚｅｌｄａ", false), "Z");
    EXPECT_EQ(letterGroup("がんばれ", false), "カ");
    EXPECT_EQ(letterGroup("かえる", false), "カ");
    EXPECT_EQ(letterGroup("ガンバレ", false), "カ");
    EXPECT_EQ(letterGroup("ｶｴﾙ", false), "カ");
    EXPECT_EQ(letterGroup("ヵ月", false), "カ");
    EXPECT_EQ(letterGroup("ぷよぷよ", false), "フ");
    EXPECT_EQ(letterGroup("ボンバーマン", false), "ホ");
    EXPECT_EQ(letterGroup("っ", false), "ツ");
    EXPECT_EQ(letterGroup("づ", false), "ツ");
    EXPECT_EQ(letterGroup("ヴァンパイア", false), "ウ");
    EXPECT_EQ(letterGroup("ゅ", false), "ユ");
    EXPECT_EQ(letterGroup("ﾝ", false), "ン");
    EXPECT_EQ(letterGroup("悪魔城", false), "悪");
}

TEST(LetterGroup, DigitsAndSignsAreOneGroupAndBlanksAreSkipped) {
    EXPECT_EQ(letterGroup("1942", false), "#");
    EXPECT_EQ(letterGroup("[BIOS] NES", false), "#");
    EXPECT_EQ(letterGroup("「悪魔城」", false), "#");
    EXPECT_EQ(letterGroup("３Ｄ", false), "#");
    EXPECT_EQ(letterGroup("  zelda", false), "Z");
    EXPECT_EQ(letterGroup("\xE3\x80\x80ぱずる", false), "ハ");  // an ideographic blank
    EXPECT_EQ(letterGroup("", false), "");
    EXPECT_EQ(letterGroup("   ", false), "");
}

TEST(LetterGroup, SortedByteByByteTheFirstCharacterIsItsGroup) {
    EXPECT_EQ(letterGroup("apple", true), "a");
    EXPECT_EQ(letterGroup("Apple", true), "A");
    EXPECT_EQ(letterGroup("がんばれ", true), "が");
    EXPECT_EQ(letterGroup("ガンバレ", true), "ガ");
    EXPECT_EQ(letterGroup("1942", true), "1");
    EXPECT_EQ(letterGroup(" ｶｴﾙ", true), "ｶ");
}

// Whatever the sort puts together stays together: in the list as the collation sorts it, each
// group is one run of rows, so a jump to the next group never comes back to one seen before.
TEST(LetterGroup, EachGroupIsOneRunOfTheSortedList) {
    for (const bool kanaSensitive : {false, true}) {
        SCOPED_TRACE(kanaSensitive);
        std::vector<std::string> titles = {
            "apple",    "Apple II", "ＡＰＰＬＥ", "banana",  "Bomberman", "1942",       "[BIOS]",
            "3D Maze",  "かえる",   "ガンバレ",   "カエル2", "がんばる",  "ｶｴﾙ3",       "きのこ",
            "ギャラガ", "キング",   "はなび",     "バナナ",  "パズル",    "ハート",     "ぱずる2",
            "つり",     "ツイン",   "っぽ",       "ヅラ",    "悪魔城",    "悪路",       "zelda",
            "Zap",      "ＺＯＯ",   "ｷﾝｸﾞ2",      "ガイア",  "かえる3",   "ヴァルケン", "うさぎ",
            "ウルフ",   "ゃ",       "ヤッホー"};
        text::JapaneseCollator collator;
        std::sort(titles.begin(), titles.end(), [&](const std::string& a, const std::string& b) {
            return compareSortKeys(fileListSortKey(a, kanaSensitive, collator),
                                   fileListSortKey(b, kanaSensitive, collator)) < 0;
        });
        std::set<std::string> done;
        std::string here;
        std::string order;
        for (const std::string& title : titles) {
            order += title + " ";
            const std::string group = letterGroup(title, kanaSensitive);
            if (group == here) continue;
            EXPECT_TRUE(done.insert(group).second)
                << "group " << group << " comes back at " << title << " in " << order;
            here = group;
        }
    }
}

}  // namespace
}  // namespace romshelf
