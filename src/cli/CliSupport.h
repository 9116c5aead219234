#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/StreamPrompter.h"
#include "core/app/Application.h"

namespace romshelf::cli {

std::optional<int> parseNumber(const std::string& text);

// An application on a program folder (the located one when empty) with `code` (the saved one
// when empty) loaded as the current hardware. On failure `exitStatus` says why: 64 an unknown
// code, 2 no hardware set up.
struct OpenedApplication {
    std::unique_ptr<StreamPrompter> prompter;
    std::unique_ptr<Application> app;
    int exitStatus = 0;
};
OpenedApplication openHardware(const std::string& programFolder, const std::string& code,
                               std::ostream& err);

}  // namespace romshelf::cli
