#include "core/platform/Desktop.h"

#include "core/platform/ProcessRunner.h"

namespace romshelf {

bool XdgDesktop::open(const std::string& path) {
    return PosixProcessRunner::spawn({"/usr/bin/xdg-open", path}, {}).has_value();
}

}  // namespace romshelf
