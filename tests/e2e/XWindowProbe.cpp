// Watches a program started by someone else on the X display: finds the process that was handed
// ARGUMENT, waits for its window (by _NET_WM_PID), grabs the window until COLOUR (RRGGBB) covers
// most of it, then closes the window as its close button would and waits for the process to end.
// Prints what it saw, a line per step; exit status 0 when every step succeeded.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

// True once `condition` holds; false after 30 seconds.
bool waitFor(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}

std::vector<std::string> argumentsOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), {}};
    std::vector<std::string> args;
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t end = all.find('\0', at);
        args.push_back(all.substr(at, end - at));
        at = end == std::string::npos ? all.size() : end + 1;
    }
    return args;
}

// A process that was given `argument` (a zombie has no arguments left, so it is never found).
std::optional<pid_t> processGiven(const std::string& argument) {
    DIR* proc = ::opendir("/proc");
    if (!proc) return std::nullopt;
    std::optional<pid_t> found;
    while (const dirent* entry = ::readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0 || pid == ::getpid()) continue;
        const auto args = argumentsOf(pid);
        for (std::size_t i = 1; i < args.size() && !found; ++i)
            if (args[i] == argument) found = pid;
        if (found) break;
    }
    ::closedir(proc);
    return found;
}

bool ended(pid_t pid) {
    if (::kill(pid, 0) != 0) return true;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t paren = line.rfind(')');
    return paren == std::string::npos || line.compare(paren + 1, 3, " Z ") == 0;
}

std::optional<long> windowPid(Display* display, Window window) {
    const Atom property = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<long> pid;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data && format == 32 && count == 1)
        pid = *reinterpret_cast<long*>(data);
    if (data) XFree(data);
    return pid;
}

// A viewable window of `pid` anywhere below `parent`.
Window windowOf(Display* display, Window parent, long pid) {
    Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (windowPid(display, children[i]) == pid &&
            XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable)
            found = children[i];
        else
            found = windowOf(display, children[i], pid);
    }
    if (children) XFree(children);
    return found;
}

// The colour at the middle of the last grab, to tell what was there instead.
unsigned long lastCentre = 0;

unsigned channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long value = (pixel & mask) >> shift, max = mask >> shift;
    return static_cast<unsigned>(value * 255 / max);
}

// The share (0-1) of the window's pixels within a few steps of `rgb` on each channel.
double colourShare(Display* display, Window window, unsigned long rgb) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return 0;
    // Only the part on the screen can be read: a window may be larger than it, or reach past it.
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child);
    const int left = std::max(x, 0), top = std::max(y, 0);
    const int width = std::min(x + attributes.width, WidthOfScreen(attributes.screen)) - left;
    const int height = std::min(y + attributes.height, HeightOfScreen(attributes.screen)) - top;
    if (width <= 0 || height <= 0) return 0;
    // Read from the screen where the window is: what the user sees of it.
    XImage* image = XGetImage(display, attributes.root, left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return 0;
    const int want[3] = {static_cast<int>(rgb >> 16 & 255), static_cast<int>(rgb >> 8 & 255),
                         static_cast<int>(rgb & 255)};
    long matching = 0;
    for (int row = 0; row < image->height; ++row)
        for (int column = 0; column < image->width; ++column) {
            const unsigned long p = XGetPixel(image, column, row);
            const int got[3] = {static_cast<int>(channel(p, image->red_mask)),
                                static_cast<int>(channel(p, image->green_mask)),
                                static_cast<int>(channel(p, image->blue_mask))};
            bool close = true;
            for (int c = 0; c < 3; ++c) close = close && std::abs(got[c] - want[c]) <= 8;
            matching += close;
        }
    const unsigned long centre = XGetPixel(image, image->width / 2, image->height / 2);
    lastCentre = channel(centre, image->red_mask) << 16 | channel(centre, image->green_mask) << 8 |
                 channel(centre, image->blue_mask);
    const double share = static_cast<double>(matching) / (image->width * image->height);
    XDestroyImage(image);
    return share;
}

// As the window manager's close button: WM_DELETE_WINDOW when the window takes it.
void closeWindow(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: x-window-probe ARGUMENT RRGGBB\n");
        return 64;
    }
    const unsigned long rgb = std::strtoul(argv[2], nullptr, 16);
    std::optional<pid_t> pid;
    if (!waitFor([&] { return (pid = processGiven(argv[1])).has_value(); })) {
        std::printf("no process was given %s\n", argv[1]);
        return 1;
    }
    std::printf("pid %d\n", static_cast<int>(*pid));
    for (const std::string& arg : argumentsOf(*pid)) std::printf("argv: %s\n", arg.c_str());

    // A window that goes away between two requests is an error to note, not the end of the probe.
    XSetErrorHandler([](Display*, XErrorEvent* error) {
        std::printf("X error %d\n", static_cast<int>(error->error_code));
        return 0;
    });
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::printf("no X display\n");
        return 1;
    }
    Window window = 0;
    if (!waitFor([&] { return (window = windowOf(display, DefaultRootWindow(display), *pid)); })) {
        std::printf("no window with _NET_WM_PID %d\n", static_cast<int>(*pid));
        ::kill(*pid, SIGKILL);
        return 1;
    }
    XWindowAttributes found;
    XGetWindowAttributes(display, window, &found);
    std::printf("window found\n%dx%d, depth %d\n", found.width, found.height, found.depth);
    double share = 0;
    const bool painted = waitFor([&] { return (share = colourShare(display, window, rgb)) > 0.5; });
    std::printf("colour %06lx covers %d%% of the window (its middle: %06lx)\n", rgb,
                static_cast<int>(share * 100), lastCentre);

    closeWindow(display, window);
    const bool closed = waitFor([&] { return ended(*pid); });
    std::printf(closed ? "closed\n" : "still running after the close\n");
    if (!closed) ::kill(*pid, SIGKILL);
    XCloseDisplay(display);
    return painted && closed ? 0 : 1;
}
