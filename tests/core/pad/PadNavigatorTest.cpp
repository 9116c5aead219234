#include "core/pad/PadNavigator.h"

#include <gtest/gtest.h>

namespace romshelf {
namespace {

using Actions = std::vector<PadAction>;

PadState holding(std::initializer_list<PadButton> buttons) {
    PadState s;
    for (PadButton b : buttons) s.set(controlOf(b));
    return s;
}

TEST(PadNavigator, UpAndDownRepeatWithTheKeyboardsDelayAndRate) {
    PadNavigator n;
    n.setRepeat(500, 40);
    const PadState down = holding({PadButton::DpadDown});
    EXPECT_EQ(n.update(down, 1000), Actions{PadAction::Down});
    EXPECT_EQ(n.update(down, 1499), Actions{});
    EXPECT_EQ(n.nextDueMs(), 1500);
    EXPECT_EQ(n.update(down, 1500), Actions{PadAction::Down});
    EXPECT_EQ(n.update(down, 1539), Actions{});
    EXPECT_EQ(n.update(down, 1540), Actions{PadAction::Down});
    EXPECT_EQ(n.update(PadState{}, 1550), Actions{});
    EXPECT_EQ(n.nextDueMs(), -1);
    // The stick pushed up is up.
    PadState stick;
    stick.set(controlOf(PadAxis::LeftY, false));
    EXPECT_EQ(n.update(stick, 1600), Actions{PadAction::Up});
}

TEST(PadNavigator, LeftAndRightMoveAPage) {
    PadNavigator n;
    EXPECT_EQ(n.update(holding({PadButton::DpadLeft}), 0), Actions{PadAction::PageUp});
    EXPECT_EQ(n.update(PadState{}, 10), Actions{});
    EXPECT_EQ(n.update(holding({PadButton::DpadRight}), 20), Actions{PadAction::PageDown});
}

TEST(PadNavigator, AHeldLaunchesOnceAndEachPressOnce) {
    PadNavigator n;
    n.setRepeat(100, 10);
    const PadState a = holding({PadButton::A});
    int launches = 0;
    for (int t = 0; t <= 5000; t += 16)
        for (PadAction action : n.update(a, t)) launches += action == PadAction::Launch ? 1 : 0;
    EXPECT_EQ(launches, 1);
    EXPECT_EQ(n.update(PadState{}, 5100), Actions{});
    EXPECT_EQ(n.update(a, 5200), Actions{PadAction::Launch});
}

TEST(PadNavigator, EachButtonHasItsAction) {
    PadNavigator n;
    EXPECT_EQ(n.update(holding({PadButton::B}), 0), Actions{PadAction::Back});
    EXPECT_EQ(n.update(holding({PadButton::X}), 10), Actions{PadAction::PreviousHardware});
    EXPECT_EQ(n.update(holding({PadButton::Y}), 20), Actions{PadAction::NextHardware});
    EXPECT_EQ(n.update(holding({PadButton::LeftShoulder}), 30), Actions{PadAction::PreviousGroup});
    EXPECT_EQ(n.update(holding({PadButton::RightShoulder}), 40), Actions{PadAction::NextGroup});
    EXPECT_EQ(n.update(holding({PadButton::Start}), 50), Actions{PadAction::Menu});
}

TEST(PadNavigator, StartWithSelectHeldIsNoMenu) {
    PadNavigator n;
    EXPECT_EQ(n.update(holding({PadButton::Back}), 0), Actions{});
    EXPECT_EQ(n.update(holding({PadButton::Back, PadButton::Start}), 10), Actions{});
}

TEST(PadNavigator, NothingWhileSuspendedAndHeldButtonsWaitForALetGo) {
    PadNavigator n;
    const PadState a = holding({PadButton::A});
    EXPECT_EQ(n.update(a, 0), Actions{PadAction::Launch});
    n.setSuspended(true);
    EXPECT_EQ(n.update(holding({PadButton::A, PadButton::DpadDown}), 100), Actions{});
    EXPECT_EQ(n.update(holding({PadButton::B}), 200), Actions{});
    EXPECT_EQ(n.update(holding({PadButton::B, PadButton::DpadUp}), 300), Actions{});
    n.setSuspended(false);
    // B and up were pressed for the game: they act only once let go and pressed again.
    EXPECT_EQ(n.update(holding({PadButton::B, PadButton::DpadUp}), 400), Actions{});
    EXPECT_EQ(n.update(holding({PadButton::B, PadButton::DpadUp}), 2000), Actions{});
    EXPECT_EQ(n.update(holding({PadButton::DpadUp}), 2100), Actions{});
    EXPECT_EQ(n.update(holding({PadButton::B, PadButton::DpadUp}), 2200), Actions{PadAction::Back});
    EXPECT_EQ(n.update(holding({PadButton::B}), 2300), Actions{});
    EXPECT_EQ(n.update(holding({PadButton::B, PadButton::DpadUp}), 2400), Actions{PadAction::Up});
}

TEST(PadHoldTrigger, FiresOnceAfterTheWholeCombinationIsHeldForItsTime) {
    PadHoldTrigger t({controlOf(PadButton::Back), controlOf(PadButton::Start)}, 1000);
    const PadState both = holding({PadButton::Back, PadButton::Start});
    EXPECT_FALSE(t.update(holding({PadButton::Start}), 0));
    EXPECT_EQ(t.dueAt(), -1);
    EXPECT_FALSE(t.update(both, 100));
    EXPECT_EQ(t.dueAt(), 1100);
    EXPECT_FALSE(t.update(both, 1099));
    EXPECT_TRUE(t.update(both, 1100));
    EXPECT_FALSE(t.update(both, 1200));
    EXPECT_FALSE(t.update(both, 5000));
    // A let-go in the middle starts the count again.
    EXPECT_FALSE(t.update(holding({PadButton::Back}), 5100));
    EXPECT_FALSE(t.update(both, 5200));
    EXPECT_FALSE(t.update(holding({PadButton::Back}), 5900));
    EXPECT_FALSE(t.update(both, 6000));
    EXPECT_FALSE(t.update(both, 6999));
    EXPECT_TRUE(t.update(both, 7000));
}

TEST(PadHoldTrigger, OffNeverFires) {
    const PadState both = holding({PadButton::Back, PadButton::Start});
    PadHoldTrigger none({}, 1000);
    PadHoldTrigger zero({controlOf(PadButton::Back)}, 0);
    EXPECT_FALSE(none.enabled());
    EXPECT_FALSE(zero.enabled());
    for (int ms : {0, 1000, 100000}) {
        EXPECT_FALSE(none.update(both, ms));
        EXPECT_FALSE(zero.update(both, ms));
    }
}

TEST(PadHoldTrigger, CombinationsReadFromSettings) {
    EXPECT_EQ(readCombination("back+start"), (std::vector<PadControl>{4, 6}));
    EXPECT_EQ(readCombination(" back + leftshoulder "), (std::vector<PadControl>{4, 9}));
    EXPECT_EQ(readCombination("leftx+"), (std::vector<PadControl>{15}));
    EXPECT_EQ(readCombination("leftx++start"), (std::vector<PadControl>{15, 6}));
    EXPECT_EQ(readCombination("lefty-+a"), (std::vector<PadControl>{18, 0}));
    EXPECT_EQ(readCombination(""), (std::vector<PadControl>{}));
    EXPECT_FALSE(readCombination("back+select"));
    EXPECT_FALSE(readCombination("back++"));
}

}  // namespace
}  // namespace romshelf
