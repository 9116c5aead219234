#include "core/settings/LaunchCounter.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "ScriptedPrompter.h"

using namespace romshelf;

namespace {

// Each start counts; the 50th start congratulates once and the 100th once more (both at one start
// when both are due); the 49th and the 99th not yet. The count stops at its cap, and a count out
// of range starts again from its bounds.
TEST(LaunchCounter, CongratulatesOnceAtTheFiftiethAndAtTheHundredthStart) {
    // The count and both flags before, then after, and the starts named by the boxes shown.
    const std::tuple<std::int32_t, bool, bool, std::int32_t, bool, bool, std::string> cases[] = {
        {0, false, false, 1, false, false, ""},        {48, false, false, 49, false, false, ""},
        {49, false, false, 50, true, false, "50"},     {50, true, false, 51, true, false, ""},
        {98, true, false, 99, true, false, ""},        {99, true, false, 100, true, true, "100"},
        {99, false, false, 100, true, true, "50 100"}, {29999, true, true, 30000, true, true, ""},
        {30000, true, true, 30000, true, true, ""},    {-5, false, false, 1, false, false, ""},
    };
    for (const auto& [count, first, second, after, firstAfter, secondAfter, shown] : cases) {
        SCOPED_TRACE(count);
        MainSettings m;
        m.extraOptions[kLaunchCountOption] = {first, count};
        m.extraOptions[kSecondThanksOption].flag = second;
        test::ScriptedPrompter prompter;
        countLaunch(m, prompter);
        EXPECT_EQ(std::tuple(m.extraOptions[kLaunchCountOption].value, thanksUnlocked(m),
                             m.extraOptions[kSecondThanksOption].flag),
                  std::tuple(after, firstAfter, secondAfter));
        std::string starts;
        for (const auto& box : prompter.boxes()) {
            const std::string start =
                box.text.find("が100回を超えました。") != std::string::npos  ? "100"
                : box.text.find("が50回を超えました。") != std::string::npos ? "50"
                                                                             : "?";
            starts += (starts.empty() ? "" : " ") + start;
            EXPECT_EQ(box.title, "エキストラオプション");
            EXPECT_TRUE(box.text.starts_with("おめでとうございます！\n")) << box.text;
        }
        EXPECT_EQ(starts, shown);
    }
}

}  // namespace
