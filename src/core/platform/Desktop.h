#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/ImageDecoder.h"

namespace romshelf {

// A key of a synthesised keystroke sequence: a key name as the desktop knows it ("Return",
// "ctrl+v", "alt+f"), held for `holdMs`.
struct KeyStroke {
    std::string key;
    int holdMs = 0;
};

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
    // The top-level window that process `pid` shows, once it shows one.
    virtual std::optional<std::uint64_t> windowOfProcess(int) { return std::nullopt; }
    virtual bool sendKeys(std::uint64_t, const std::vector<KeyStroke>&) { return false; }
    // The client area of the window in front.
    virtual std::optional<DecodedImage> grabForegroundWindow() { return std::nullopt; }
};

// xdg-open, for programs without a window toolkit; nothing else.
class XdgDesktop : public Desktop {
public:
    bool open(const std::string& path) override;
};

}  // namespace romshelf
