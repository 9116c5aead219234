#pragma once

#include <string>
#include <vector>

#include "TempFolder.h"

namespace romshelf::test {

// The stand-in emulator (record-args) built beside the tests.
std::string recordArgsProgram();

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
