#include "qt/platform/X11Capture.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <bit>
#include <cstdint>

#include "core/pictures/BmpReader.h"

// Xlib last: its macros (None, KeyPress, Status, …) would rename Qt's own words.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "qt/platform/X11Support.h"

namespace romshelf::x11 {

namespace {

Window netActiveWindow(Display* d, Window root) {
    const std::vector<unsigned long> w = longsProperty(d, root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
    return w.size() == 1 ? static_cast<Window>(w[0]) : 0;
}

// The window in front; 0 when there is none.
Window activeWindow(Display* d) {
    const Window root = DefaultRootWindow(d);
    if (const Window w = netActiveWindow(d, root)) return w;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    if (focus == 0 || focus == PointerRoot || focus == root) return 0;
    // Toolkits often focus a window inside their top-level one: the whole window is captured.
    for (int depth = 0; depth < 64; ++depth) {
        Window rootOut = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, focus, &rootOut, &parent, &children, &count)) return 0;
        if (children) XFree(children);
        if (parent == root || parent == 0) return focus;
        focus = parent;
    }
    return 0;
}

// A channel of a true-colour pixel, scaled to 8 bits.
std::uint8_t channel(unsigned long pixel, unsigned long mask) {
    const int shift = std::countr_zero(mask);
    const unsigned long top = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / top);
}

// Copies `image` into `out` at (left, top).
bool copyPixels(XImage* image, DecodedImage& out, int left, int top) {
    if (!image->red_mask || !image->green_mask || !image->blue_mask) return false;
    for (int y = 0; y < image->height; ++y) {
        std::uint8_t* d = out.rgb.data() + 3 * (std::size_t{1} * (top + y) * out.width + left);
        for (int x = 0; x < image->width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            *d++ = channel(p, image->red_mask);
            *d++ = channel(p, image->green_mask);
            *d++ = channel(p, image->blue_mask);
        }
    }
    return true;
}

std::optional<DecodedImage> grabWindow(Display* d, Window w) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable || a.width <= 0 ||
        a.height <= 0 || std::int64_t{a.width} * a.height > kMaxPicturePixels)
        return std::nullopt;
    DecodedImage out{a.width, a.height,
                     std::vector<std::uint8_t>(std::size_t{3} * a.width * a.height)};
    int left = 0, top = 0;
    XImage* image = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!image) {
        // A window partly off the screen has no image of its own: the part on the screen, on
        // black.
        Window child = 0;
        int x = 0, y = 0;
        if (!XTranslateCoordinates(d, w, a.root, 0, 0, &x, &y, &child)) return std::nullopt;
        left = std::max(0, -x);
        top = std::max(0, -y);
        const int width = std::min(a.width - left, WidthOfScreen(a.screen) - x - left);
        const int height = std::min(a.height - top, HeightOfScreen(a.screen) - y - top);
        if (width <= 0 || height <= 0) return std::nullopt;
        image = XGetImage(d, a.root, x + left, y + top, width, height, AllPlanes, ZPixmap);
        if (!image) return std::nullopt;
    }
    const bool copied = copyPixels(image, out, left, top);
    XDestroyImage(image);
    return copied ? std::optional(std::move(out)) : std::nullopt;
}

// The modifier bit of Num Lock, which the key must be grabbed with too; 0 when unmapped.
unsigned numLockMask(Display* d) {
    const KeyCode numLock = XKeysymToKeycode(d, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(d);
    unsigned mask = 0;
    for (int m = 0; map && numLock && m < 8; ++m)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[m * map->max_keypermod + k] == numLock) mask = 1u << m;
    if (map) XFreeModifiermap(map);
    return mask;
}

}  // namespace

bool available() { return QGuiApplication::platformName() == QStringLiteral("xcb"); }

std::optional<DecodedImage> grabActiveWindow() {
    if (!available()) return std::nullopt;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return std::nullopt;
    std::optional<DecodedImage> image;
    {
        ErrorTrap trap(d);
        if (const Window w = activeWindow(d)) image = grabWindow(d, w);
        // A window that went away half-way gives no picture, not a half-made one.
        if (trap.failed()) image.reset();
    }
    XCloseDisplay(d);
    return image;
}

HotKey::HotKey(QObject* parent) : QObject(parent) {
    if (!available() || !(display_ = XOpenDisplay(nullptr))) return;
    // Alt + PrintScreen is Sys_Req on keyboards that have a key of its own for it.
    for (const KeySym sym : {XK_Print, XK_Sys_Req}) {
        const unsigned code = XKeysymToKeycode(display_, sym);
        if (code != 0 && std::ranges::count(keycodes_, code) == 0) keycodes_.push_back(code);
    }
    // A grab names the exact modifiers: the key is taken with Caps Lock and Num Lock on too.
    const unsigned numLock = numLockMask(display_);
    for (const unsigned locks : {0u, unsigned{LockMask}, numLock, LockMask | numLock})
        if (std::ranges::count(modifiers_, Mod1Mask | locks) == 0)
            modifiers_.push_back(Mod1Mask | locks);
    notifier_ = new QSocketNotifier(ConnectionNumber(display_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &HotKey::readEvents);
}

HotKey::~HotKey() {
    if (!display_) return;
    delete notifier_;
    setGrab(false);
    XCloseDisplay(display_);
}

bool HotKey::grab(bool on) {
    if (!display_ || keycodes_.empty()) return false;
    if (on == grabbed_) return true;
    grabbed_ = setGrab(on) && on;
    // Taken in part (another program holds one of the combinations): given back whole.
    if (on && !grabbed_) setGrab(false);
    return grabbed_ == on;
}

bool HotKey::setGrab(bool on) {
    const Window root = DefaultRootWindow(display_);
    ErrorTrap trap(display_);
    for (const unsigned code : keycodes_)
        for (const unsigned mods : modifiers_)
            if (on)
                XGrabKey(display_, static_cast<int>(code), mods, root, False, GrabModeAsync,
                         GrabModeAsync);
            else
                XUngrabKey(display_, static_cast<int>(code), mods, root);
    return !trap.failed();
}

void HotKey::readEvents() {
    bool pressedNow = false;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        // Only the grabbed combinations reach this connection; a held key repeats its press.
        if (event.type == KeyPress && grabbed_ && (event.xkey.state & Mod1Mask) &&
            std::ranges::count(keycodes_, event.xkey.keycode) > 0)
            pressedNow = true;
    }
    if (pressedNow) Q_EMIT pressed();
}

}  // namespace romshelf::x11
