#include "core/platform/Desktop.h"

#include "core/platform/ProcessRunner.h"

namespace romshelf {

const char* keyName(Key key) {
    static constexpr const char* kNames[] = {"Enter", "Down", "F1", "F5", "Alt", "Ctrl", "A",
                                             "D",     "F",    "G",  "L",  "O",   "R",    "V"};
    return kNames[static_cast<int>(key)];
}

bool XdgDesktop::open(const std::string& path) {
    return PosixProcessRunner::spawn({"/usr/bin/xdg-open", path}, {}).has_value();
}

}  // namespace romshelf
