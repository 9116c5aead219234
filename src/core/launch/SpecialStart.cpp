#include "core/launch/SpecialStart.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

struct SchemeOf {
    std::string_view code;
    int slot;
    int scheme;  // -1: no keys
};

// Every other emulator uses scheme 0.
constexpr std::array kSchemes = {
    SchemeOf{"FC", 4, 4},  SchemeOf{"FC", 7, 0},    SchemeOf{"FC", 14, 10},  SchemeOf{"SFC", 12, 9},
    SchemeOf{"N64", 0, 2}, SchemeOf{"N64", 1, 3},   SchemeOf{"PCE", 4, 0},   SchemeOf{"PCE", 5, 14},
    SchemeOf{"PCE", 9, 1}, SchemeOf{"PCE", 10, 15}, SchemeOf{"MSYS", 4, 12}, SchemeOf{"MD", 3, 6},
    SchemeOf{"MD", 4, 11}, SchemeOf{"MD", 5, 1},    SchemeOf{"MD", 6, 2},    SchemeOf{"GB", 2, 1},
    SchemeOf{"GB", 6, 0},  SchemeOf{"GB", 9, 2},    SchemeOf{"GB", 10, 2},   SchemeOf{"GB", 17, 8},
    SchemeOf{"WS", 0, 2},  SchemeOf{"WS", 1, 0},    SchemeOf{"GG", 4, 13},   SchemeOf{"NGP", 1, 5},
    SchemeOf{"NGP", 3, 2}, SchemeOf{"PC98", 0, 7},  SchemeOf{"PC98", 1, -1},
};

// The scheme's steps after the preamble. A word is a key token or, from three characters on,
// text; "<path>", "<folder>" and "<name>" stand for the file, "<wait2>" and "<300>" for waits,
// "<front>" for bringing the window forward.
constexpr std::array<std::string_view, 16> kSteps = {
    "<wait2> <front> <path>",
    "% F L <wait2> <path>",
    "% F O <wait2> <path>",
    "% F O <wait2> <path> F5",
    "% F D <wait2> <path>",
    "% F L <wait2> <path> % F R",
    "% F L <wait2> <path> ENTER",
    "ENTER",
    "f O <wait2> <path>",
    "% F ENTER <wait2> <folder> <300> <name>",
    "f L <wait2> <folder> <300> <name>",
    "% F G ENTER <wait2> <folder> <300> <name>",
    "% F ENTER <wait2> <folder> <300> <name>",
    "% F A <wait2> <folder> <300> <name>",
    "% ENTER L <wait2> <path>",
    "F5 <wait2> <path>",
};

struct Step {
    enum Kind { Wait, Front, Press, Release, Paste } kind;
    int ms = 0;
    Key key = Key::Enter;
    std::string text;
};

class Steps {
public:
    std::vector<Step> list;

    void wait(int ms) { list.push_back({Step::Wait, std::max(ms, 0), Key::Enter, {}}); }
    void front() { list.push_back({Step::Front, 0, Key::Enter, {}}); }
    void press(Key k) { list.push_back({Step::Press, 0, k, {}}); }
    void release(Key k) { list.push_back({Step::Release, 0, k, {}}); }
    void tap(Key k) { press(k), release(k); }

    // One key token, or a text pasted and confirmed.
    void token(std::string_view t) {
        if (t == "ENTER") return tap(Key::Enter);
        if (t == "DOWN") return tap(Key::Down);
        if (t.size() >= 3) {
            list.push_back({Step::Paste, 0, Key::Enter, std::string(t)});
            return;
        }
        if (t.empty()) return;
        if (t.size() == 2 && t[0] == 'F') {
            if (t == "F1") tap(Key::F1);
            if (t == "F5") tap(Key::F5);
            return;
        }
        const char last = t.back();
        const std::optional<Key> held = last == '%'   ? std::optional(Key::Alt)
                                        : last == '@' ? std::optional(Key::Ctrl)
                                                      : std::nullopt;
        if (held) press(*held);
        // The menu letters; "f" and "l" are Alt+F and Alt+L.
        constexpr std::string_view kLetters = "ADFGLOR";
        constexpr std::array kLetterKeys = {Key::A, Key::D, Key::F, Key::G, Key::L, Key::O, Key::R};
        if (const std::size_t k = kLetters.find(t[0]); k != std::string_view::npos) {
            tap(kLetterKeys[k]);
        } else if (t[0] == 'f' || t[0] == 'l') {
            press(Key::Alt);
            tap(t[0] == 'f' ? Key::F : Key::L);
            release(Key::Alt);
        }
        if (held) release(*held);
        wait(100);
    }
};

std::vector<Step> stepsOf(const SpecialStartJob& job) {
    Steps s;
    if (job.scheme != 0) {
        s.wait(job.waitAfterStart);
        if (job.forceActivate) s.front();
    }
    std::string_view words = kSteps[static_cast<std::size_t>(std::clamp(job.scheme, 0, 15))];
    while (!words.empty()) {
        const std::size_t end = std::min(words.find(' '), words.size());
        const std::string_view w = words.substr(0, end);
        words.remove_prefix(std::min(end + 1, words.size()));
        if (w == "<wait2>")
            s.wait(job.waitAfterFileDialog);
        else if (w == "<300>")
            s.wait(300);
        else if (w == "<front>") {
            if (job.forceActivate) s.front();
        } else if (w == "<path>")
            s.token(job.path);
        else if (w == "<folder>")
            s.token(fs::pathFolder(job.path));
        else if (w == "<name>")
            s.token(fs::pathName(job.path));
        else
            s.token(w);
    }
    return s.list;
}

// A window brought forward through a window manager gets the focus a little later.
constexpr int kFocusSettleMs = 200;

struct Run {
    Desktop& desktop;
    Clock& clock;
    std::optional<std::uint64_t> window;
    std::vector<Step> steps;
    std::size_t next = 0;
    std::function<void(bool)> done;
    bool focusChecked = false;  // for the keys since the last wait
};

void finish(const std::shared_ptr<Run>& run, bool typed) {
    if (run->done) std::exchange(run->done, nullptr)(typed);
}

void advance(const std::shared_ptr<Run>& run);

// Keys go to whatever window has the focus: with our own there, they would walk our menus. The
// emulator's window is brought forward instead; when the focus stays ours, nothing is typed.
void recheckFocus(const std::shared_ptr<Run>& run) {
    if (run->window) run->desktop.activateWindow(*run->window);
    run->clock.after(kFocusSettleMs, [run] {
        if (run->desktop.focusIsOurs()) return finish(run, false);
        advance(run);
    });
}

void advance(const std::shared_ptr<Run>& run) {
    Desktop& d = run->desktop;
    while (run->next < run->steps.size()) {
        const Step& step = run->steps[run->next];
        if ((step.kind == Step::Press || step.kind == Step::Paste) && !run->focusChecked) {
            run->focusChecked = true;
            if (d.focusIsOurs()) return recheckFocus(run);
        }
        ++run->next;
        switch (step.kind) {
            case Step::Wait:
                run->focusChecked = false;
                run->clock.after(step.ms, [run] { advance(run); });
                return;
            case Step::Front:
                run->focusChecked = false;
                if (run->window) d.activateWindow(*run->window);
                break;
            case Step::Press:
                d.pressKey(step.key);
                break;
            case Step::Release:
                d.releaseKey(step.key);
                break;
            case Step::Paste:
                // A clipboard that cannot be set: nothing is pasted, nothing confirmed.
                if (!d.setClipboardText(step.text)) break;
                d.pressKey(Key::Ctrl);
                d.pressKey(Key::V);
                d.releaseKey(Key::V);
                d.releaseKey(Key::Ctrl);
                d.pressKey(Key::Enter);
                d.releaseKey(Key::Enter);
                break;
        }
    }
    finish(run, true);
}

}  // namespace

std::optional<int> specialStartScheme(const std::string& hardwareCode, int slot) {
    for (const SchemeOf& s : kSchemes)
        if (s.code == hardwareCode && s.slot == slot)
            return s.scheme < 0 ? std::nullopt : std::optional(s.scheme);
    return 0;
}

void runSpecialStart(Desktop& desktop, Clock& clock, const SpecialStartJob& job,
                     std::function<void(bool typed)> done) {
    advance(
        std::make_shared<Run>(Run{desktop, clock, job.window, stepsOf(job), 0, std::move(done)}));
}

}  // namespace romshelf
