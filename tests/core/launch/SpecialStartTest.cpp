#include <gtest/gtest.h>

#include <regex>
#include <tuple>

#include "FakePorts.h"
#include "core/launch/SpecialStart.h"

using namespace romshelf;

namespace {

// The events in short: a key pressed and released is its name, one tapped with Alt held
// "Alt+F", a paste "paste TEXT, Ctrl+V, Enter".
std::string compact(const std::vector<std::string>& events) {
    std::string all;
    for (const std::string& e : events) all += (all.empty() ? "" : ", ") + e;
    all = std::regex_replace(all, std::regex(R"(down (\w+), up \1\b)"), "$1");
    all = std::regex_replace(all, std::regex(R"(down (Alt|Ctrl), (\w+), up \1\b)"), "$1+$2");
    return all;
}

// Runs the scheme for (code, slot) on /r/Game.nes with waits of 50 and 80 ms.
std::string typed(const std::string& code, int slot, bool forceActivate = true) {
    test::FakeDesktop desktop;
    test::TestClock clock;
    clock.journal = &desktop.events;
    const std::optional<int> scheme = specialStartScheme(code, slot);
    if (!scheme) return "none";
    SpecialStartJob job;
    job.scheme = *scheme;
    job.path = "/r/Game.nes";
    job.waitAfterStart = 50;
    job.waitAfterFileDialog = 80;
    job.forceActivate = forceActivate;
    job.window = 7;
    bool done = false;
    runSpecialStart(desktop, clock, job, [&done](bool typed) { done = typed; });
    EXPECT_TRUE(done);
    return compact(desktop.events);
}

}  // namespace

TEST(SpecialStart, EachSchemeTypesItsKeysAndWaitsInOrder) {
    const std::string path = "paste /r/Game.nes, Ctrl+V, Enter";
    const std::string split = "paste /r/, Ctrl+V, Enter, wait 300, paste Game.nes, Ctrl+V, Enter";
    const std::string front = "wait 50, front 7, ";
    const std::string altF = "Alt, wait 100, F, wait 100, ";
    const std::tuple<const char*, int, std::string> cases[] = {
        {"FC", 0, "wait 80, front 7, " + path},  // any emulator not listed
        {"XYZ", 3, "wait 80, front 7, " + path},
        {"WS", 1, "wait 80, front 7, " + path},
        {"PCE", 9, front + altF + "L, wait 100, wait 80, " + path},
        {"N64", 0, front + altF + "O, wait 100, wait 80, " + path},
        {"N64", 1, front + altF + "O, wait 100, wait 80, " + path + ", F5"},
        {"FC", 4, front + altF + "D, wait 100, wait 80, " + path},
        {"NGP", 1, front + altF + "L, wait 100, wait 80, " + path + ", " + altF + "R, wait 100"},
        {"MD", 3, front + altF + "L, wait 100, wait 80, " + path + ", Enter"},
        {"PC98", 0, front + "Enter"},
        {"GB", 17, front + "Alt+F, wait 100, O, wait 100, wait 80, " + path},
        {"SFC", 12, front + altF + "Enter, wait 80, " + split},
        {"FC", 14, front + "Alt+F, wait 100, L, wait 100, wait 80, " + split},
        {"MD", 4, front + altF + "G, wait 100, Enter, wait 80, " + split},
        {"MSYS", 4, front + altF + "Enter, wait 80, " + split},
        {"GG", 4, front + altF + "A, wait 100, wait 80, " + split},
        {"PCE", 5, front + "Alt, wait 100, Enter, L, wait 100, wait 80, " + path},
        {"PCE", 10, front + "F5, wait 80, " + path},
        {"PC98", 1, "none"},
    };
    for (const auto& [code, slot, expected] : cases)
        EXPECT_EQ(typed(code, slot), expected) << code << " " << slot;
    // Without forcing, no window is brought forward, before or after the wait.
    EXPECT_EQ(typed("FC", 0, false), "wait 80, " + path);
    EXPECT_EQ(typed("FC", 4, false), "wait 50, " + altF + "D, wait 100, wait 80, " + path);
}

// Keys never go to our own window: the emulator's window is brought forward first, and when the
// focus stays ours (or there is no window to bring forward) nothing is typed.
TEST(SpecialStart, KeysWaitForTheFocusToLeaveOurOwnWindow) {
    const std::tuple<bool, std::optional<std::uint64_t>, bool, std::string> cases[] = {
        // front keeps our focus, the emulator's window, typed, the events
        {false, 7, true,
         "wait 50, front 7, wait 200, Alt, wait 100, F, wait 100, D, wait 100, "
         "wait 80, paste /r/Game.nes, Ctrl+V, Enter"},
        {true, 7, false, "wait 50, front 7, wait 200"},
        {false, std::nullopt, false, "wait 50, wait 200"},
    };
    for (const auto& [keepsOurs, window, typed, events] : cases) {
        test::FakeDesktop desktop;
        test::TestClock clock;
        clock.journal = &desktop.events;
        desktop.ourFocus = true;
        desktop.frontKeepsOurs = keepsOurs;
        SpecialStartJob job;
        job.scheme = *specialStartScheme("FC", 4);
        job.path = "/r/Game.nes";
        job.waitAfterStart = 50;
        job.waitAfterFileDialog = 80;
        job.window = window;
        std::optional<bool> done;
        runSpecialStart(desktop, clock, job, [&done](bool t) { done = t; });
        EXPECT_EQ(done, typed) << events;
        EXPECT_EQ(compact(desktop.events), events);
    }
}
