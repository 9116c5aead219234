#include "core/settings/RecentLaunchList.h"

#include <gtest/gtest.h>

#include <set>

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

RecentLaunches list(const V& files) {
    RecentLaunches l{};
    for (std::size_t k = 0; k < files.size(); ++k)
        if (!files[k].empty())
            l[k] = RecentLaunch{"name " + files[k], files[k], static_cast<int>(k)};
    return l;
}

}  // namespace

TEST(RecentLaunchList, LaunchesGoOnTopAndMissingFilesLeave) {
    const struct {
        const char* what;
        V start;
        std::string launched;
        std::set<std::string> gone;
        bool changed;  // false: the menu needs no rebuild
        V expected;
    } cases[] = {
        {"new: the oldest drops",
         {"a", "b", "c", "d", "e"},
         "f",
         {},
         true,
         {"f", "a", "b", "c", "d"}},
        {"relaunch moves up", {"a", "b", "c", "d", "e"}, "c", {}, true, {"c", "a", "b", "d", "e"}},
        {"the newest again: name and folder only",
         {"c", "a", "b"},
         "c",
         {},
         false,
         {"c", "a", "b", "", ""}},
        // x a b c d -> x a _ _ d -> one upward pass: x a d _ _
        {"gaps closed", {"a", "b", "c", "d", "e"}, "x", {"b", "c"}, true, {"x", "a", "d", "", ""}},
        // x a b c d -> x _ _ c d -> c climbs two places, d stays: one pass from the bottom only.
        {"one pass", {"a", "b", "c", "d"}, "x", {"a", "b"}, true, {"x", "c", "", "", "d"}},
        {"own file gone", {"a"}, "x", {"x"}, true, {"a", "", "", "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecentLaunches l = list(c.start);
        const RecentLaunch launched{"launched " + c.launched, c.launched, 7};
        auto exists = [&](const RecentLaunch& e) { return !c.gone.count(e.fileName); };
        EXPECT_EQ(addRecentLaunch(l, launched, exists), c.changed);
        for (std::size_t k = 0; k < l.size(); ++k) {
            EXPECT_EQ(l[k].fileName, c.expected[k]) << k;
            if (c.expected[k].empty()) {
                EXPECT_EQ(l[k], RecentLaunch{}) << k;
            }
        }
        if (!c.gone.count(c.launched)) {
            EXPECT_EQ(l[0], launched);
        }
    }
}

TEST(RecentLaunchList, MenuLabels) {
    auto labels = recentFileLabels(list({"a", "", "c"}));
    EXPECT_EQ(labels[0], "&1 name a");
    EXPECT_FALSE(labels[1].has_value());
    EXPECT_EQ(labels[2], "&3 name c");
    EXPECT_FALSE(labels[4].has_value());
}
