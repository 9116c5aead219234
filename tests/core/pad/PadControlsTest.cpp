#include "core/pad/PadControls.h"

#include <gtest/gtest.h>

namespace romshelf {
namespace {

// SDL's GameController button numbers (SDL_GameControllerButton) and names.
TEST(PadControls, ButtonsAreNumberedAndNamedAsSdlDoes) {
    EXPECT_EQ(controlNamed("a"), 0);
    EXPECT_EQ(controlNamed("b"), 1);
    EXPECT_EQ(controlNamed("back"), 4);
    EXPECT_EQ(controlNamed("start"), 6);
    EXPECT_EQ(controlNamed("leftshoulder"), 9);
    EXPECT_EQ(controlNamed("rightshoulder"), 10);
    EXPECT_EQ(controlNamed("dpup"), 11);
    EXPECT_EQ(controlNamed("dpright"), 14);
    EXPECT_EQ(controlName(6), "start");
    EXPECT_EQ(controlName(12), "dpdown");
}

TEST(PadControls, AxisDirectionsFollowTheButtons) {
    EXPECT_EQ(controlNamed("leftx+"), 15);
    EXPECT_EQ(controlNamed("leftx-"), 16);
    EXPECT_EQ(controlNamed("lefty-"), 18);
    EXPECT_EQ(controlNamed("righty+"), 21);
    EXPECT_EQ(controlNamed("lefttrigger"), 23);
    EXPECT_EQ(controlNamed("lefttrigger+"), 23);
    EXPECT_EQ(controlNamed("righttrigger"), 25);
    EXPECT_EQ(controlName(16), "leftx-");
    EXPECT_EQ(controlName(23), "lefttrigger");
    // A trigger has no other way to go.
    EXPECT_FALSE(controlNamed("lefttrigger-"));
    EXPECT_EQ(controlName(24), "");
}

TEST(PadControls, UnknownNamesAreRefused) {
    EXPECT_FALSE(controlNamed(""));
    EXPECT_FALSE(controlNamed("A"));  // names are SDL's, in lower case
    EXPECT_FALSE(controlNamed("select"));
    EXPECT_FALSE(controlNamed("leftx"));
    EXPECT_FALSE(controlNamed("leftx+-"));
    EXPECT_FALSE(controlNamed("dpupp"));
}

TEST(PadControls, AxesCountAsPressedPastAThird) {
    std::array<bool, kPadButtons> buttons{};
    buttons[1] = true;
    std::array<std::int16_t, kPadAxes> axes{};
    axes[0] = 10923;   // a third of 32767 to the right: pressed
    axes[1] = -10922;  // just short of a third up: not
    axes[3] = -32768;
    axes[4] = 32767;
    const PadState s = PadState::fromRaw(buttons, axes);
    EXPECT_EQ(describe(s), "b leftx+ righty- lefttrigger");
    EXPECT_EQ(describe(PadState{}), "-");
}

}  // namespace
}  // namespace romshelf
