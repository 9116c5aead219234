#include "qt/platform/X11Keys.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "qt/platform/X11Capture.h"

// Xlib last: its macros would rename Qt's own words.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "qt/platform/X11Support.h"

namespace romshelf::x11 {

namespace {

// In the order of Key.
constexpr KeySym kSymbols[] = {XK_Return, XK_Down, XK_F1, XK_F5, XK_Alt_L, XK_Control_L, XK_a,
                               XK_d,      XK_f,    XK_g,  XK_l,  XK_o,     XK_r,         XK_v};

std::vector<Window> children(Display* d, Window w) {
    Window root = 0, parent = 0, *list = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, w, &root, &parent, &list, &count)) return {};
    std::vector<Window> out(list, list + count);
    if (list) XFree(list);
    return out;
}

// The first shown top-level window that `matches`: from the window manager's client list, or,
// without one, among the root's children and their children (a frame holds its client).
std::optional<std::uint64_t> findWindow(Display* d, const std::function<bool(Window)>& matches) {
    ErrorTrap trap(d);  // windows come and go while they are looked at
    const Window root = DefaultRootWindow(d);
    std::vector<unsigned long> candidates = longsProperty(d, root, "_NET_CLIENT_LIST", XA_WINDOW);
    if (candidates.empty())
        for (const Window top : children(d, root)) {
            candidates.push_back(top);
            for (const Window inner : children(d, top)) candidates.push_back(inner);
        }
    for (const unsigned long c : candidates) {
        const auto w = static_cast<Window>(c);
        XWindowAttributes a{};
        if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable) continue;
        if (matches(w)) return std::uint64_t{w};
    }
    return std::nullopt;
}

}  // namespace

std::optional<KeyboardRepeat> keyboardRepeat() {
    if (!x11::available()) return std::nullopt;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return std::nullopt;
    unsigned delay = 0, interval = 0;
    const bool known =
        XkbGetAutoRepeatRate(d, XkbUseCoreKbd, &delay, &interval) && delay > 0 && interval > 0;
    XCloseDisplay(d);
    if (!known) return std::nullopt;
    return KeyboardRepeat{static_cast<int>(delay), static_cast<int>(interval)};
}

Keys::~Keys() {
    if (display_) XCloseDisplay(display_);
}

Display* Keys::display() {
    if (!opened_) {
        opened_ = true;
        if (x11::available() && (display_ = XOpenDisplay(nullptr))) {
            int event = 0, error = 0, major = 0, minor = 0;
            xtest_ = XTestQueryExtension(display_, &event, &error, &major, &minor);
        }
    }
    return display_;
}

bool Keys::available() { return display() && xtest_; }

std::optional<std::uint64_t> Keys::windowOfProcess(int pid) {
    Display* d = display();
    if (!d || pid <= 0) return std::nullopt;
    return findWindow(d, [d, pid](Window w) {
        const std::vector<unsigned long> p = longsProperty(d, w, "_NET_WM_PID", XA_CARDINAL);
        return p.size() == 1 && p[0] == static_cast<unsigned long>(pid);
    });
}

std::optional<std::uint64_t> Keys::windowTitled(const std::string& title) {
    Display* d = display();
    if (!d) return std::nullopt;
    return findWindow(d, [d, &title](Window w) { return windowTitle(d, w) == title; });
}

bool Keys::activate(std::uint64_t window) {
    Display* d = display();
    if (!d) return false;
    const auto w = static_cast<Window>(window);
    const Window root = DefaultRootWindow(d);
    ErrorTrap trap(d);
    if (!longsProperty(d, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty()) {
        // A window manager decides the focus: it is asked as a pager would ask it.
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = 2;
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    } else {
        XRaiseWindow(d, w);
        XSetInputFocus(d, w, RevertToParent, CurrentTime);
    }
    return !trap.failed();
}

bool Keys::focusIsOf(int pid, const std::vector<std::uint64_t>& own) {
    Display* d = display();
    if (!d) return false;
    ErrorTrap trap(d);  // the focused window may be gone by now
    const Window root = DefaultRootWindow(d);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    if (focus == PointerRoot) {
        // Keys go to the window under the pointer.
        Window rootReturn = 0, child = 0;
        int rx = 0, ry = 0, wx = 0, wy = 0;
        unsigned mask = 0;
        XQueryPointer(d, root, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask);
        focus = child;
    }
    if (focus == 0 || focus == root) return false;  // nobody gets the keys, or the desktop
    const auto isOwn = [&own](unsigned long w) {
        return std::find(own.begin(), own.end(), std::uint64_t{w}) != own.end();
    };
    const auto ofPid = [d, pid](Window w) {
        const std::vector<unsigned long> p = longsProperty(d, w, "_NET_WM_PID", XA_CARDINAL);
        return p.size() == 1 && p[0] == static_cast<unsigned long>(pid);
    };
    // From the focused window up to the top level (a frame of a window manager included).
    for (Window w = focus; w != 0 && w != root;) {
        if (isOwn(w) || ofPid(w)) return true;
        for (const unsigned long leader : longsProperty(d, w, "WM_CLIENT_LEADER", XA_WINDOW))
            if (isOwn(leader) || ofPid(static_cast<Window>(leader))) return true;
        Window rootReturn = 0, parent = 0, *list = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, w, &rootReturn, &parent, &list, &count)) break;
        if (list) XFree(list);
        w = parent;
    }
    return false;
}

bool Keys::keysym(std::uint32_t keysym, bool down) {
    if (!available()) return false;
    const KeyCode code = XKeysymToKeycode(display_, static_cast<KeySym>(keysym));
    if (code == 0) return false;
    XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
    XFlush(display_);
    return true;
}

bool Keys::closeWindow(std::uint64_t window) {
    Display* d = display();
    if (!d) return false;
    const auto w = static_cast<Window>(window);
    ErrorTrap trap(d);  // the window may be gone by now
    const Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    Atom* protocols = nullptr;
    int count = 0;
    bool takesPart = false;
    if (XGetWMProtocols(d, w, &protocols, &count)) {
        takesPart = std::find(protocols, protocols + count, deleteWindow) != protocols + count;
        XFree(protocols);
    }
    if (!takesPart) return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(deleteWindow);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XSync(d, False);
    return !trap.failed();
}

void Keys::key(Key key, bool down) {
    if (!available()) return;
    const KeyCode code = XKeysymToKeycode(display_, kSymbols[static_cast<int>(key)]);
    if (code == 0) return;
    XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
    XFlush(display_);
}

}  // namespace romshelf::x11
