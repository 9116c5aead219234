#pragma once

#include "core/app/Host.h"
#include "qt/app/ProgressDialog.h"
#include "qt/app/QtPrompter.h"
#include "qt/platform/QtClock.h"
#include "qt/platform/QtDesktop.h"
#include "qt/platform/QtImageDecoder.h"
#include "qt/platform/QtProcessRunner.h"
#include "qt/platform/QtWindowControl.h"
#include "qt/platform/SdlSoundPlayer.h"

namespace romshelf {

// The window program's ports.
class QtHost {
public:
    Host host() {
        return Host{prompter, progress, processes, desktop, sound, images, clock, windows};
    }

    QtPrompter prompter;
    ProgressDialog progress;
    QtProcessRunner processes;
    QtDesktop desktop;
    SdlSoundPlayer sound;
    QtImageDecoder images;
    QtClock clock;
    QtWindowControl windows;
};

}  // namespace romshelf
