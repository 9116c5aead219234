#pragma once

#include "core/platform/Desktop.h"
#include "qt/platform/X11Keys.h"

namespace romshelf {

class QtDesktop : public Desktop {
public:
    bool open(const std::string& path) override;
    // On X11 only; elsewhere nothing is grabbed.
    std::optional<DecodedImage> grabForegroundWindow() override;

    bool setClipboardText(const std::string& text) override;
    // Keys and other programs' windows on X11 only.
    bool keysAvailable() override { return keys_.available(); }
    std::optional<std::uint64_t> windowOfProcess(int pid) override {
        return keys_.windowOfProcess(pid);
    }
    std::optional<std::uint64_t> windowTitled(const std::string& title) override {
        return keys_.windowTitled(title);
    }
    bool activateWindow(std::uint64_t window) override { return keys_.activate(window); }
    bool closeWindow(std::uint64_t window) override { return keys_.closeWindow(window); }
    bool focusIsOurs() override;
    // Never ours: a process id of ours would name our own windows.
    bool focusIsOfProcess(int pid) override;
    bool keysym(std::uint32_t keysym, bool down) override { return keys_.keysym(keysym, down); }
    void pressKey(Key key) override { keys_.key(key, true); }
    void releaseKey(Key key) override { keys_.key(key, false); }

private:
    x11::Keys keys_;
};

}  // namespace romshelf
