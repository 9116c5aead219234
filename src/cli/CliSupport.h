#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/StreamPrompter.h"
#include "core/app/Application.h"
#include "core/app/Host.h"

namespace romshelf::cli {

std::optional<int> parseNumber(const std::string& text);

// An application on a program folder (the located one when empty) with `code` (the saved one
// when empty) as the current hardware, started the way the program starts, without building the
// start list. On failure `exitStatus` says why (64 an unknown code, 2 no such hardware set up)
// and `err` tells the user what to do.
struct OpenedApplication {
    std::unique_ptr<StreamPrompter> prompter;
    std::unique_ptr<HeadlessPorts> ports;
    std::unique_ptr<Application> app;
    int exitStatus = 0;
};
OpenedApplication openHardware(const std::string& programFolder, const std::string& code,
                               std::ostream& err, bool answerYes = false);

}  // namespace romshelf::cli
