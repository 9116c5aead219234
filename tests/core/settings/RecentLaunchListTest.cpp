#include "core/settings/RecentLaunchList.h"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>

using namespace romshelf;

namespace {

// Entries whose files are named by one letter each ('_': an empty entry), in folder k.
RecentLaunches list(std::string_view files) {
    RecentLaunches l{};
    for (std::size_t k = 0; k < files.size(); ++k)
        if (files[k] != '_') l[k] = {"name " + std::string(1, files[k]), {files[k]}, int(k)};
    return l;
}

}  // namespace

TEST(RecentLaunchList, LaunchesGoOnTopAndMissingFilesLeave) {
    // The list, the file launched, the files gone, whether the menu changes, the list after.
    const std::tuple<const char*, std::string_view, char, std::string_view, bool, const char*>
        cases[] = {
            {"new: the oldest drops", "abcde", 'f', "", true, "fabcd"},
            {"relaunch moves up", "abcde", 'c', "", true, "cabde"},
            {"the newest again: name and folder only", "cab", 'c', "", false, "cab__"},
            // x a b c d -> x a _ _ d -> one upward pass: x a d _ _
            {"gaps closed", "abcde", 'x', "bc", true, "xad__"},
            // x a b c d -> x _ _ c d -> c climbs two places, d stays: one pass from the bottom.
            {"one pass", "abcd", 'x', "ab", true, "xc__d"},
            {"own file gone", "a", 'x', "x", true, "a____"},
        };
    for (const auto& [what, start, file, gone, changed, after] : cases) {
        SCOPED_TRACE(what);
        const RecentLaunches before = list(start);
        const RecentLaunch launched{"launched", {file}, 7};
        RecentLaunches l = before, expected{};
        for (std::size_t k = 0; k < expected.size(); ++k)
            if (after[k] == file)
                expected[k] = launched;  // a relaunched file takes the new name and folder
            else if (after[k] != '_')
                expected[k] = before[start.find(after[k])];
        const auto exists = [&](const RecentLaunch& e) {
            return e.empty() || gone.find(e.fileName) == gone.npos;
        };
        EXPECT_EQ(addRecentLaunch(l, launched, exists), changed);
        EXPECT_TRUE(l == expected);
    }
}
