#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/ImageDecoder.h"

namespace romshelf {

// A key that can be pressed on the user's behalf (the special start's keystrokes).
enum class Key { Enter, Down, F1, F5, Alt, Ctrl, A, D, F, G, L, O, R, V };

// The key's name in logs and tests: "Enter", "Alt", "F5", "A".
const char* keyName(Key key);

// The desktop around the program: documents opened with the user's application, the trash, the
// clipboard, and the windows of other programs (special start, capture tool). A desktop that
// lacks a service answers false or nullopt, and the caller tells the user.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Opens a document or folder with the application the user chose for it.
    virtual bool open(const std::string& path) = 0;
    virtual bool moveToTrash(const std::string&) { return false; }
    virtual bool setClipboardText(const std::string&) { return false; }
    virtual std::optional<std::string> clipboardText() { return std::nullopt; }
    // Windows of other programs and keys pressed on the user's behalf, for the special start.
    // A desktop without them (no X11 display, a terminal) says so here and does nothing below.
    virtual bool keysAvailable() { return false; }
    // The top-level window that process `pid` shows, once it shows one.
    virtual std::optional<std::uint64_t> windowOfProcess(int) { return std::nullopt; }
    // The shown top-level window with this title.
    virtual std::optional<std::uint64_t> windowTitled(const std::string&) { return std::nullopt; }
    // Brings the window to the front with the keyboard focus.
    virtual bool activateWindow(std::uint64_t) { return false; }
    // Asks the window to close, as its close button does (WM_DELETE_WINDOW); false when it
    // cannot be asked.
    virtual bool closeWindow(std::uint64_t) { return false; }
    // Whether the window with the keyboard focus (or the top-level window around it) is one of
    // this program's own; false where that cannot be told.
    virtual bool focusIsOurs() { return false; }
    // Whether the window with the keyboard focus (or the top-level window around it) is one of
    // process `pid`'s; false for ours and where that cannot be told.
    virtual bool focusIsOfProcess(int) { return false; }
    // Keys go to whatever window has the focus. The clipboard text stays ours to paste until
    // something else takes the clipboard.
    virtual void pressKey(Key) {}
    virtual void releaseKey(Key) {}
    // Any key, by its X keysym (a pad profile's keys); false when it cannot be pressed.
    virtual bool keysym(std::uint32_t, bool /*down*/) { return false; }
    // The client area of the window in front.
    virtual std::optional<DecodedImage> grabForegroundWindow() { return std::nullopt; }
};

// xdg-open, for programs without a window toolkit; nothing else.
class XdgDesktop : public Desktop {
public:
    bool open(const std::string& path) override;
};

}  // namespace romshelf
