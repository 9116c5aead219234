// Stands in for an emulator that reads only the keyboard, on X: opens a window that names its
// process (_NET_WM_PID), takes the focus once the window shows, and writes each key pressed or
// let go in it to "<its own path>.keys", one line each, "down NAME" or "up NAME" with NAME as
// XKeysymToString names the key's unshifted keysym ("z", "Return"), flushed at once. A key held
// down does not repeat in the record. It runs until its window is closed (WM_DELETE_WINDOW) or
// it is ended; its arguments (a ROM path) are ignored.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

std::string ownPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    return std::string(path, static_cast<std::size_t>(n));
}

}  // namespace

int main() {
    const std::string self = ownPath();
    if (self.empty()) return 2;
    std::FILE* record = std::fopen((self + ".keys").c_str(), "w");
    if (!record) return 2;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 3;
    // A held key would otherwise come as press, release, press... from the server's repeat.
    XkbSetDetectableAutoRepeat(d, True, nullptr);
    const Window root = DefaultRootWindow(d);
    const Window w = XCreateSimpleWindow(d, root, 40, 40, 320, 240, 0, 0, 0xffffff);
    XStoreName(d, w, "XKeyRecorder");
    const unsigned long pid = static_cast<unsigned long>(::getpid());
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &deleteWindow, 1);
    XSelectInput(d, w, KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask);
    XMapRaised(d, w);
    std::set<unsigned> down;  // the keys held in the window now
    for (;;) {
        XEvent e{};
        XNextEvent(d, &e);
        if (e.type == MapNotify) {
            // As a launched emulator's window gets the focus, with or without a window manager.
            XSetInputFocus(d, w, RevertToParent, CurrentTime);
            XFlush(d);
        } else if (e.type == FocusOut) {
            down.clear();  // what is let go elsewhere is not ours to hear
        } else if (e.type == KeyPress || e.type == KeyRelease) {
            // The server's repeat of a held key comes as more presses: recorded once.
            if (e.type == KeyPress && !down.insert(e.xkey.keycode).second) continue;
            if (e.type == KeyRelease) down.erase(e.xkey.keycode);
            const char* name = XKeysymToString(XLookupKeysym(&e.xkey, 0));
            std::fprintf(record, "%s %s\n", e.type == KeyPress ? "down" : "up", name ? name : "?");
            std::fflush(record);
        } else if (e.type == ClientMessage &&
                   static_cast<Atom>(e.xclient.data.l[0]) == deleteWindow) {
            break;
        }
    }
    std::fclose(record);
    XCloseDisplay(d);
    return 0;
}
