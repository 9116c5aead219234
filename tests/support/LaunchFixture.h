#pragma once

#include <string>
#include <vector>

#include "TempFolder.h"

namespace romshelf::test {

// A program built with the project ("romshelf", "romshelf-cli"; "../tests/record-args" is the
// stand-in emulator built beside the tests).
std::string builtProgram(const std::string& name);

// Copies the stand-in to `path` (made executable) and returns the path.
std::string installRecorder(const std::string& path);

struct Recorded {
    bool ran = false;
    std::string workingFolder;
    std::vector<std::string> argv;  // argv[0] included
};
// What the stand-in at `path` recorded (waits a little for a process that was not waited for).
Recorded readRecord(const std::string& path, int waitMilliseconds = 3000);

}  // namespace romshelf::test
