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

private:
    _XDisplay* display();

    _XDisplay* display_ = nullptr;
    bool opened_ = false;
    bool xtest_ = false;
};

}  // namespace romshelf::x11
