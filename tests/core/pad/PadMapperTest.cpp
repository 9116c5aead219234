#include "core/pad/PadMapper.h"

#include <gtest/gtest.h>

namespace romshelf {
namespace {

constexpr std::uint32_t kZ = 0x7a, kX = 0x78, kUp = 0xff52, kReturn = 0xff0d;

PadState holding(std::initializer_list<PadButton> buttons) {
    PadState s;
    for (PadButton b : buttons) s.set(controlOf(b));
    return s;
}

PadProfile profile(std::vector<PadKeyMapping> mappings) {
    PadProfile p;
    p.mappings = std::move(mappings);
    p.turboMs = 100;  // 50 ms down, 50 ms up
    p.repeatDelayMs = 400;
    p.repeatIntervalMs = 50;
    return p;
}

using Events = std::vector<KeyEvent>;

TEST(PadMapper, AKeyIsDownWhileItsButtonIsHeld) {
    PadMapper m(profile({{controlOf(PadButton::A), kZ, KeyRepeat::None, 1},
                         {controlOf(PadAxis::LeftY, false), kUp, KeyRepeat::None, 2}}));
    EXPECT_EQ(m.update(holding({PadButton::A}), 0), (Events{{kZ, true}}));
    EXPECT_EQ(m.update(holding({PadButton::A}), 5000), Events{});
    PadState stick = holding({PadButton::A});
    stick.set(controlOf(PadAxis::LeftY, false));
    EXPECT_EQ(m.update(stick, 5010), (Events{{kUp, true}}));
    EXPECT_EQ(m.update(PadState{}, 5020), (Events{{kZ, false}, {kUp, false}}));
    EXPECT_EQ(m.update(PadState{}, 5030), Events{});
}

TEST(PadMapper, TwoButtonsOnOneKeyLetItGoWithTheLast) {
    PadMapper m(profile({{controlOf(PadButton::Start), kReturn, KeyRepeat::None, 1},
                         {controlOf(PadButton::A), kReturn, KeyRepeat::None, 2}}));
    EXPECT_EQ(m.update(holding({PadButton::Start}), 0), (Events{{kReturn, true}}));
    EXPECT_EQ(m.update(holding({PadButton::Start, PadButton::A}), 10), Events{});
    EXPECT_EQ(m.update(holding({PadButton::A}), 20), Events{});
    EXPECT_EQ(m.update(PadState{}, 30), (Events{{kReturn, false}}));
}

TEST(PadMapper, TurboPressesAndLetsGoEachHalfPeriod) {
    PadMapper m(profile({{controlOf(PadButton::B), kX, KeyRepeat::Turbo, 1}}));
    const PadState b = holding({PadButton::B});
    EXPECT_EQ(m.update(b, 1000), (Events{{kX, true}}));
    EXPECT_EQ(m.nextDueMs(), 1050);
    EXPECT_EQ(m.update(b, 1049), Events{});
    EXPECT_EQ(m.update(b, 1050), (Events{{kX, false}}));
    EXPECT_EQ(m.update(b, 1099), Events{});
    EXPECT_EQ(m.update(b, 1100), (Events{{kX, true}}));
    EXPECT_EQ(m.update(b, 1150), (Events{{kX, false}}));
    // Let go while the key is up: nothing more to let go.
    EXPECT_EQ(m.update(PadState{}, 1160), Events{});
    EXPECT_EQ(m.nextDueMs(), -1);
}

TEST(PadMapper, RepeatPressesAgainAfterTheDelayAtTheInterval) {
    PadMapper m(profile({{controlOf(PadButton::DpadUp), kUp, KeyRepeat::Repeat, 1}}));
    const PadState up = holding({PadButton::DpadUp});
    EXPECT_EQ(m.update(up, 0), (Events{{kUp, true}}));
    EXPECT_EQ(m.update(up, 399), Events{});
    EXPECT_EQ(m.update(up, 400), (Events{{kUp, false}, {kUp, true}}));
    EXPECT_EQ(m.update(up, 449), Events{});
    EXPECT_EQ(m.update(up, 450), (Events{{kUp, false}, {kUp, true}}));
    // A reader late by a second gives one press, not twenty.
    EXPECT_EQ(m.update(up, 1500), (Events{{kUp, false}, {kUp, true}}));
    EXPECT_EQ(m.update(up, 1549), Events{});
    EXPECT_EQ(m.update(PadState{}, 1560), (Events{{kUp, false}}));
}

TEST(PadMapper, AKeyWithoutRepeatIsPressedOnceHoweverLongItIsHeld) {
    PadMapper m(profile({{controlOf(PadButton::A), kZ, KeyRepeat::None, 1}}));
    const PadState a = holding({PadButton::A});
    int presses = 0;
    for (int t = 0; t <= 3000; t += 16)
        for (const KeyEvent& e : m.update(a, t)) presses += e.down ? 1 : 0;
    EXPECT_EQ(presses, 1);
}

TEST(PadMapper, ReleaseAllLetsGoAndWaitsForTheButtonsToBeLetGo) {
    PadMapper m(profile({{controlOf(PadButton::A), kZ, KeyRepeat::None, 1},
                         {controlOf(PadButton::B), kX, KeyRepeat::Turbo, 2}}));
    const PadState both = holding({PadButton::A, PadButton::B});
    EXPECT_EQ(m.update(both, 0), (Events{{kZ, true}, {kX, true}}));
    EXPECT_EQ(m.releaseAll(), (Events{{kX, false}, {kZ, false}}));
    EXPECT_EQ(m.releaseAll(), Events{});
    // Still held: no key until let go (the turbo neither).
    EXPECT_EQ(m.update(both, 10), Events{});
    EXPECT_EQ(m.update(both, 200), Events{});
    EXPECT_EQ(m.update(holding({PadButton::B}), 210), Events{});
    EXPECT_EQ(m.update(holding({PadButton::A, PadButton::B}), 220), (Events{{kZ, true}}));
}

}  // namespace
}  // namespace romshelf
