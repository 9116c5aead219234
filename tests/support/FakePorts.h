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
    bool open(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
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
    void whenFinished(int pid, std::function<void(int)> then) override {
        use().whenFinished(pid, std::move(then));
    }
    void terminate(int pid) override { use().terminate(pid); }
};

// Records what a loop showed ("begin TITLE TOTAL", "step DONE ITEM", "end") and presses
// "キャンセル" while the scripted items are shown.
struct ScriptedProgress : Progress {
    std::vector<std::string> calls;
    std::vector<int> pressAt;  // values of `done`
    bool requested = false;
    int clears = 0;
    void begin(const std::string& title, int total, std::string_view) override {
        calls.push_back("begin " + title + " " + std::to_string(total));
        requested = false;
    }
    void step(int done, const std::string& item) override {
        calls.push_back("step " + std::to_string(done) + " " + item);
        if (std::find(pressAt.begin(), pressAt.end(), done) != pressAt.end()) requested = true;
    }
    bool cancelRequested() const override { return requested; }
    void clearCancelRequest() override {
        requested = false;
        ++clears;
    }
    void end() override { calls.push_back("end"); }
};

struct FakePorts {
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    SwitchableRunner processes;
    FakeDesktop desktop;
    FakeSound sound;
    NoImageDecoder images;
    SystemClock clock;  // nothing in the core waits on it yet
    FakeWindows windows;
    Host host() {
        return Host{prompter, progress, processes, desktop, sound, images, clock, windows};
    }
};

}  // namespace romshelf::test
