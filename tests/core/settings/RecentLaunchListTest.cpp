#include "core/settings/RecentLaunchList.h"

#include <gtest/gtest.h>

#include <set>

using namespace romshelf;

namespace {

RecentLaunches list(std::initializer_list<const char*> files) {
    RecentLaunches l{};
    int k = 0;
    for (const char* f : files) {
        if (*f) l[k] = RecentLaunch{std::string("name ") + f, f, k};
        ++k;
    }
    return l;
}

std::vector<std::string> files(const RecentLaunches& l) {
    std::vector<std::string> out;
    for (const auto& e : l) out.push_back(e.fileName);
    return out;
}

using V = std::vector<std::string>;
const RecentFileExists kAllExist = [](const RecentLaunch&) { return true; };

}  // namespace

TEST(RecentLaunchList, NewLaunchGoesOnTopAndTheOldestDrops) {
    auto l = list({"a", "b", "c", "d", "e"});
    EXPECT_TRUE(addRecentLaunch(l, {"F game", "f", 2}, kAllExist));
    EXPECT_EQ(files(l), (V{"f", "a", "b", "c", "d"}));
    EXPECT_EQ(l[0], (RecentLaunch{"F game", "f", 2}));
}

TEST(RecentLaunchList, RelaunchingMovesTheEntryUp) {
    auto l = list({"a", "b", "c", "d", "e"});
    EXPECT_TRUE(addRecentLaunch(l, {"C again", "c", 9}, kAllExist));
    EXPECT_EQ(files(l), (V{"c", "a", "b", "d", "e"}));
    EXPECT_EQ(l[0].displayName, "C again");
    EXPECT_EQ(l[0].folderNumber, 9);

    // The newest entry only takes the new name and folder; the menu needs no rebuild.
    EXPECT_FALSE(addRecentLaunch(l, {"C 3rd", "c", 4}, kAllExist));
    EXPECT_EQ(files(l), (V{"c", "a", "b", "d", "e"}));
    EXPECT_EQ(l[0], (RecentLaunch{"C 3rd", "c", 4}));
}

TEST(RecentLaunchList, MissingFilesAreClearedAndGapsClosedByOnePass) {
    auto l = list({"a", "b", "c", "d", "e"});
    std::set<std::string> gone = {"b", "c"};
    auto exists = [&](const RecentLaunch& e) { return !gone.count(e.fileName); };
    EXPECT_TRUE(addRecentLaunch(l, {"x", "x", 0}, exists));
    // x a b c d -> x a _ _ d -> one upward pass: x a d _ _
    EXPECT_EQ(files(l), (V{"x", "a", "d", "", ""}));
    EXPECT_EQ(l[3], RecentLaunch{});

    // A single pass from the bottom does not close every gap.
    auto m = list({"a", "b", "c", "d"});
    gone = {"a", "b"};
    EXPECT_TRUE(addRecentLaunch(m, {"x", "x", 0}, exists));
    // x a b c d -> x _ _ c d -> c climbs two places, d stays where it was.
    EXPECT_EQ(files(m), (V{"x", "c", "", "", "d"}));
}

TEST(RecentLaunchList, ALaunchWhoseOwnFileIsGoneLeavesNoEntry) {
    auto l = list({"a", "", "", "", ""});
    auto exists = [](const RecentLaunch& e) { return e.fileName != "x"; };
    EXPECT_TRUE(addRecentLaunch(l, {"x", "x", 0}, exists));
    EXPECT_EQ(files(l), (V{"a", "", "", "", ""}));
}

TEST(RecentLaunchList, MenuLabels) {
    auto l = list({"a", "", "c"});
    auto labels = recentFileLabels(l);
    EXPECT_EQ(labels[0], "&1 name a");
    EXPECT_FALSE(labels[1].has_value());
    EXPECT_EQ(labels[2], "&3 name c");
    EXPECT_FALSE(labels[4].has_value());
}
