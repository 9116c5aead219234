#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/Desktop.h"

struct _XDisplay;

namespace romshelf::x11 {

// Keys pressed on the user's behalf (XTest) and the windows of other programs, for the special
// start. On a connection of its own, opened on first use; on anything but an X server with the
// XTest extension nothing here works and available() says so.
// The X server's keyboard repeat: the delay before a held key repeats and the time between its
// repeats, in milliseconds; nullopt off X or without XKB.
struct KeyboardRepeat {
    int delayMs = 0;
    int intervalMs = 0;
};
std::optional<KeyboardRepeat> keyboardRepeat();

class Keys {
public:
    Keys() = default;
    ~Keys();
    Keys(const Keys&) = delete;
    Keys& operator=(const Keys&) = delete;

    bool available();
    // The shown top-level window whose _NET_WM_PID is `pid`.
    std::optional<std::uint64_t> windowOfProcess(int pid);
    std::optional<std::uint64_t> windowTitled(const std::string& title);
    // Through the window manager when there is one, else raised and given the focus directly.
    bool activate(std::uint64_t window);
    // Whether keys pressed now would go to a window of process `pid`: the focused window (or,
    // with the focus following the pointer, the one under it) or a window around it is one of
    // `own`, shows _NET_WM_PID `pid`, or names one of those as its WM_CLIENT_LEADER.
    bool focusIsOf(int pid, const std::vector<std::uint64_t>& own);
    void key(Key key, bool down);
    // Any key by its keysym; false when no key of the keyboard map makes it.
    bool keysym(std::uint32_t keysym, bool down);
    // Asks the window to close as its close button does (WM_DELETE_WINDOW); false when it does
    // not take part in that protocol or is gone.
    bool closeWindow(std::uint64_t window);

private:
    _XDisplay* display();

    _XDisplay* display_ = nullptr;
    bool opened_ = false;
    bool xtest_ = false;
};

}  // namespace romshelf::x11
