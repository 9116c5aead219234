#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/app/Host.h"
#include "ScriptedPrompter.h"

namespace romshelf::test {

// Ports that record what the core asked of them. Processes really start (the stand-in emulator
// records its arguments); a wait blocks as in the command-line companion.

// Records what was asked, and passes it on to real windows when a test has them.
struct FakeWindows : WindowControl {
    std::vector<std::string> events;
    WindowControl* forward = nullptr;
    void minimiseMainWindow() override {
        events.push_back("minimise");
        if (forward) forward->minimiseMainWindow();
    }
    void restoreMainWindow(ShowState state) override {
        events.push_back("restore " + std::to_string(static_cast<int>(state)));
        if (forward) forward->restoreMainWindow(state);
    }
    void hide(ModelessWindow window) override {
        events.push_back("hide registration");
        if (forward) forward->hide(window);
    }
};

struct FakeDesktop : Desktop {
    std::vector<std::string> opened;
    Desktop* screen = nullptr;  // a real one, for a test that grabs windows
    bool opens = true;          // false: no application to open anything with
    bool open(const std::string& path) override {
        opened.push_back(path);
        return opens;
    }
    // Keys and windows, when a test turns them on. What was done goes into `events` ("down Alt",
    // "up F", "front 7", "paste TEXT", "find WSCamp"); a process shows window 7 once it has been
    // looked for `pollsBeforeWindow` times, never when that is negative. While `ourFocus`, the
    // focus is in our own window, until a window is brought forward (unless `frontKeepsOurs`).
    bool keys = false;
    int pollsBeforeWindow = 0;
    bool ourFocus = false, frontKeepsOurs = false;
    std::vector<std::string> events;
    bool keysAvailable() override { return keys; }
    bool focusIsOurs() override { return ourFocus; }
    std::optional<std::uint64_t> windowOfProcess(int) override {
        if (pollsBeforeWindow < 0) return std::nullopt;
        if (pollsBeforeWindow-- > 0) return std::nullopt;
        return 7;
    }
    std::optional<std::uint64_t> windowTitled(const std::string& title) override {
        events.push_back("find " + title);
        return 9;
    }
    bool activateWindow(std::uint64_t window) override {
        events.push_back("front " + std::to_string(window));
        ourFocus = ourFocus && frontKeepsOurs;
        return true;
    }
    bool closes = true;  // false: windows cannot be asked to close
    bool closeWindow(std::uint64_t window) override {
        events.push_back("close " + std::to_string(window));
        return closes;
    }
    bool setClipboardText(const std::string& text) override {
        events.push_back("paste " + text);
        return true;
    }
    void pressKey(Key key) override { events.push_back(std::string("down ") + keyName(key)); }
    void releaseKey(Key key) override { events.push_back(std::string("up ") + keyName(key)); }
    std::optional<DecodedImage> grabForegroundWindow() override {
        return screen ? screen->grabForegroundWindow() : std::nullopt;
    }
};

struct FakeSound : SoundPlayer {
    int stops = 0;
    std::vector<std::string> calls;  // "play <path>", "stop"
    bool play(const std::string& path) override {
        calls.push_back("play " + path);
        return false;
    }
    void stop() override {
        ++stops;
        calls.push_back("stop");
    }
};

// Real processes unless a test puts another runner in.
struct SwitchableRunner : ProcessRunner {
    PosixProcessRunner posix;
    ProcessRunner* target = nullptr;
    ProcessRunner& use() { return target ? *target : posix; }
    std::optional<int> start(const std::vector<std::string>& argv,
                             const std::string& folder) override {
        return use().start(argv, folder);
    }
    void whenFinished(int pid, std::function<void(const ProcessEnd&)> then) override {
        use().whenFinished(pid, std::move(then));
    }
    bool watchesInBackground() const override {
        return target ? target->watchesInBackground() : posix.watchesInBackground();
    }
    void terminate(int pid) override { use().terminate(pid); }
    void kill(int pid) override { use().kill(pid); }
};

// Records what a loop showed ("begin TITLE TOTAL", "step DONE ITEM", "end") and presses
// "キャンセル" while the scripted items are shown.
struct ScriptedProgress : Progress {
    std::vector<std::string> calls;
    std::vector<int> pressAt;  // values of `done`
    bool requested = false;
    int clears = 0;
    std::function<void(int done)> onStep;  // a look at the loop's state at each step
    void begin(const std::string& title, int total, std::string_view) override {
        calls.push_back("begin " + title + " " + std::to_string(total));
        requested = false;
    }
    void step(int done, const std::string& item) override {
        calls.push_back("step " + std::to_string(done) + " " + item);
        if (std::find(pressAt.begin(), pressAt.end(), done) != pressAt.end()) requested = true;
        if (onStep) onStep(done);
    }
    bool cancelRequested() const override { return requested; }
    void clearCancelRequest() override {
        requested = false;
        ++clears;
    }
    void end() override { calls.push_back("end"); }
};

// Delays as the command-line companion runs them (slept, at once), or, once a test gives it a
// journal, written there as "wait MS" and run without sleeping; while `queue` is on they wait
// for runQueued() instead, as they wait for the event loop in the window.
struct TestClock : Clock {
    SystemClock system;
    std::vector<std::string>* journal = nullptr;
    bool queue = false;
    std::vector<std::function<void()>> queued;
    std::int64_t skewMs = 0;  // moves the clock on without waiting
    std::int64_t nowMs() const override { return system.nowMs() + skewMs; }
    void after(int ms, std::function<void()> then) override {
        if (!journal) return system.after(ms, std::move(then));
        journal->push_back("wait " + std::to_string(ms));
        if (queue)
            queued.push_back(std::move(then));
        else
            then();
    }
    void runQueued() {
        queue = false;
        while (!queued.empty()) {
            std::function<void()> next = std::move(queued.front());
            queued.erase(queued.begin());
            next();
        }
    }
};

struct FakePorts {
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    SwitchableRunner processes;
    FakeDesktop desktop;
    FakeSound sound;
    NoImageDecoder images;
    TestClock clock;
    FakeWindows windows;
    Host host() {
        return Host{prompter, progress, processes, desktop, sound, images, clock, windows};
    }
};

}  // namespace romshelf::test
