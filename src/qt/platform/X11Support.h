#pragma once

// Helpers shared by the X11 code of the capture tool and the special start. Xlib's macros
// (None, KeyPress, Status, …) would rename Qt's own words: include this after every Qt header.
#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace romshelf::x11 {

// While it lives, X errors on `display` are counted instead of reported (user-interface thread
// only). Any X error left to Xlib's default handler would end the program: a window of another
// program can go away at any moment.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // Whether any request so far failed.
    bool failed();

private:
    Display* display_;
};

// The 32-bit items of property `name` of `window` when it has type `type`; empty when it is not
// set (or the atom was never made).
std::vector<unsigned long> longsProperty(Display* d, Window window, const char* name, Atom type);

// The window's title: _NET_WM_NAME, else WM_NAME.
std::string windowTitle(Display* d, Window window);

}  // namespace romshelf::x11
