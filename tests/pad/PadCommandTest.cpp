#include "cli/PadCommand.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <sstream>

#include "TempFolder.h"
#include "VirtualPad.h"
#include "core/pad/PadMapper.h"
#include "pad/SdlPads.h"

namespace romshelf {
namespace {

TEST(PadCommand, ListsEachPadWithItsGuidAndMapping) {
    test::VirtualPad pad("Listed Pad");
    char guid[33] = {};
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(0), guid, sizeof guid);
    std::ostringstream out, err;
    EXPECT_EQ(cli::padCommand({}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), std::string("Listed Pad\t") + guid + "\tmapping\n");
}

TEST(PadCommand, TestPrintsTheKeysOfLiveInput) {
    test::VirtualPad pad;
    SdlPads pads;
    const PadProfileReading r = readPadProfile("[keys]\na = z\ndpup = Up\nb = x turbo\n");
    ASSERT_TRUE(r.profile);
    PadMapper mapper(*r.profile);  // turbo 66 ms: 33 down, 33 up
    std::ostringstream out;
    std::int64_t now = 0;
    int step = 0;
    cli::printPadKeys(
        pads, mapper, out, [&] { return now; },
        [&](std::int64_t) {
            // What the user does before each read.
            switch (step++) {
                case 0:
                    pad.set(SDL_CONTROLLER_BUTTON_A, true);
                    break;
                case 1:
                    break;  // held: nothing more
                case 2:
                    pad.set(SDL_CONTROLLER_BUTTON_A, false);
                    pad.set(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
                    break;
                case 3:
                    pad.set(SDL_CONTROLLER_BUTTON_B, true);
                    break;
                case 4:
                    break;  // 40 ms later: the turbo let go
                case 5:
                    break;  // and pressed again
                default:
                    return false;
            }
            return true;
        },
        [&] { now += 40; });
    EXPECT_EQ(out.str(), "down z\nup z\ndown Up\ndown x\nup x\ndown x\nup x\nup Up\n");
}

TEST(PadCommand, AProfileThatDoesNotReadIsRefusedNamingItsLine) {
    test::TempFolder dir;
    const std::string path = dir.write("data/pad/broken.ini", "[keys]\na = z\nselect = x\n");
    std::ostringstream out, err;
    EXPECT_EQ(cli::padCommand({"--program-folder", dir.path(), "--test", "broken"}, out, err), 2);
    EXPECT_EQ(err.str(), "romshelf-cli: " + path + ": 3 行目: ボタン「select」は知りません\n");
    EXPECT_EQ(out.str(), "");
    std::ostringstream out2, err2;
    EXPECT_EQ(cli::padCommand({"--test", path, "--seconds", "1"}, out2, err2), 2);
    EXPECT_EQ(err2.str(), "romshelf-cli: " + path + ": 3 行目: ボタン「select」は知りません\n");
}

TEST(PadCommand, SecondsGoWithTest) {
    std::ostringstream out, err;
    EXPECT_EQ(cli::padCommand({"--seconds", "2"}, out, err), 64);
    EXPECT_EQ(cli::padCommand({"extra"}, out, err), 64);
}

}  // namespace
}  // namespace romshelf
