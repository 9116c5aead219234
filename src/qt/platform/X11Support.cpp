#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "qt/platform/X11Support.h"

namespace romshelf::x11 {

namespace {

// Errors of the connection being trapped.
Display* trappedDisplay = nullptr;
int trappedErrors = 0;
XErrorHandler previousHandler = nullptr;

int countError(Display* display, XErrorEvent* event) {
    if (display == trappedDisplay) {
        ++trappedErrors;
        return 0;
    }
    return previousHandler ? previousHandler(display, event) : 0;
}

}  // namespace

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
    XSync(display_, False);
    previousHandler = XSetErrorHandler(countError);
    trappedDisplay = display_;
    trappedErrors = 0;
}

ErrorTrap::~ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previousHandler);
    trappedDisplay = nullptr;
}

bool ErrorTrap::failed() {
    XSync(display_, False);
    return trappedErrors != 0;
}

std::vector<unsigned long> longsProperty(Display* d, Window window, const char* name, Atom type) {
    const Atom atom = XInternAtom(d, name, True);
    if (atom == 0) return {};
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, window, atom, 0, 4096, False, type, &actual, &format, &count, &after,
                           &data) != Success)
        return {};
    std::vector<unsigned long> items;
    // Xlib hands 32-bit items over as longs.
    if (data && actual == type && format == 32) {
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        items.assign(longs, longs + count);
    }
    if (data) XFree(data);
    return items;
}

std::string windowTitle(Display* d, Window window) {
    const Atom netName = XInternAtom(d, "_NET_WM_NAME", True);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", True);
    if (netName != 0 && utf8 != 0) {
        Atom actual = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, window, netName, 0, 1024, False, utf8, &actual, &format, &count,
                               &after, &data) == Success &&
            data) {
            std::string title = actual == utf8 && format == 8
                                    ? std::string(reinterpret_cast<const char*>(data), count)
                                    : std::string();
            XFree(data);
            if (!title.empty()) return title;
        }
    }
    char* name = nullptr;
    if (!XFetchName(d, window, &name) || !name) return {};
    std::string title = name;
    XFree(name);
    return title;
}

}  // namespace romshelf::x11
