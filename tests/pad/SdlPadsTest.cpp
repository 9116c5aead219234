#include "pad/SdlPads.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include "VirtualPad.h"

namespace romshelf {
namespace {

TEST(SdlPads, ControlNamesAreSdlsOwn) {
    for (int b = 0; b < kPadButtons; ++b) {
        EXPECT_EQ(controlName(b),
                  SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(b)));
    }
    for (int a = 0; a < kPadAxes; ++a) {
        const std::string sdl =
            SDL_GameControllerGetStringForAxis(static_cast<SDL_GameControllerAxis>(a));
        const bool trigger = a >= SDL_CONTROLLER_AXIS_TRIGGERLEFT;
        EXPECT_EQ(controlName(controlOf(static_cast<PadAxis>(a), true)), trigger ? sdl : sdl + "+");
        if (!trigger) {
            EXPECT_EQ(controlName(controlOf(static_cast<PadAxis>(a), false)), sdl + "-");
        }
    }
}

TEST(SdlPads, AVirtualControllerIsListedWithItsMapping) {
    test::VirtualPad pad("Test Pad One");
    SdlPads pads;
    ASSERT_TRUE(pads.available()) << pads.error();
    pads.pump();
    EXPECT_EQ(pads.connected(), 1u);
    const std::vector<PadInfo> list = pads.joysticks();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "Test Pad One");
    EXPECT_TRUE(list[0].mapped);
    char guid[33] = {};
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(0), guid, sizeof guid);
    EXPECT_EQ(list[0].guid, guid);
    EXPECT_EQ(list[0].guid.size(), 32u);
}

TEST(SdlPads, ButtonsAndAxesReadAsControls) {
    test::VirtualPad pad;
    SdlPads pads;
    pads.pump();
    EXPECT_EQ(describe(pads.state()), "-");
    pad.set(SDL_CONTROLLER_BUTTON_A, true);
    pad.set(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    pad.axis(SDL_CONTROLLER_AXIS_LEFTX, -20000);
    pad.axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 30000);
    pads.pump();
    EXPECT_EQ(describe(pads.state()), "a dpup leftx- righttrigger");
    pad.set(SDL_CONTROLLER_BUTTON_A, false);
    pad.axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    pads.pump();
    EXPECT_EQ(describe(pads.state()), "dpup righttrigger");
}

TEST(SdlPads, PadsArePluggedInAndOutWhileItRuns) {
    SdlPads pads;
    ASSERT_TRUE(pads.available()) << pads.error();
    pads.pump();
    EXPECT_EQ(pads.connected(), 0u);
    {
        test::VirtualPad pad;
        EXPECT_TRUE(pads.pump());
        EXPECT_EQ(pads.connected(), 1u);
        pad.set(SDL_CONTROLLER_BUTTON_START, true);
        pads.pump();
        EXPECT_TRUE(pads.state().held(PadButton::Start));
        pad.unplug();
        EXPECT_TRUE(pads.pump());
        EXPECT_EQ(pads.connected(), 0u);
        EXPECT_EQ(describe(pads.state()), "-");
    }
    test::VirtualPad again;
    pads.pump();
    EXPECT_EQ(pads.connected(), 1u);
}

}  // namespace
}  // namespace romshelf
