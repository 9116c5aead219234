#pragma once

#include "core/platform/Clock.h"
#include "core/platform/Desktop.h"
#include "core/platform/ImageDecoder.h"
#include "core/platform/ProcessRunner.h"
#include "core/platform/Progress.h"
#include "core/platform/Prompter.h"
#include "core/platform/SoundPlayer.h"
#include "core/platform/WindowControl.h"

namespace romshelf {

// The ports through which the core reaches the user and the system. The program that runs the
// core builds them (the window's Qt/X11 ones, the terminal's, the tests' fakes) and they outlive
// the application.
struct Host {
    Prompter& prompter;
    Progress& progress;
    ProcessRunner& processes;
    Desktop& desktop;
    SoundPlayer& sound;
    ImageDecoder& images;
    Clock& clock;
    WindowControl& windows;
};

// The ports of a program without windows, around a prompter of its own: programs are started
// without an event loop (a wait blocks) and away from our terminal and output (a caller that
// reads our output must not wait for the game to end), documents open with xdg-open, nothing
// is shown.
class HeadlessPorts {
public:
    Host host(Prompter& prompter) {
        return Host{prompter, progress, processes, desktop, sound, images, clock, windows};
    }

    SilentProgress progress;
    PosixProcessRunner processes{ChildStdio::Null};
    XdgDesktop desktop;
    SilentSoundPlayer sound;
    NoImageDecoder images;
    SystemClock clock;
    NoWindows windows;
};

}  // namespace romshelf
