#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TempFolder.h"

namespace romshelf::test {

// A program built with the project ("romshelf", "romshelf-cli"; "../tests/record-args" is the
// stand-in emulator built beside the tests).
inline std::string builtProgram(const std::string& name) {
    const char* bin = std::getenv("ROMSHELF_BIN_DIR");
    return std::string(bin ? bin : "build/bin") + "/" + name;
}

// Copies the stand-in to `path` (made executable) and returns the path.
inline std::string installRecorder(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::filesystem::copy_file(builtProgram("../tests/record-args"), path,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

struct Recorded {
    bool ran = false;
    std::string workingFolder;
    std::vector<std::string> argv;  // argv[0] included
};
// What the stand-in at `path` recorded (waits a little for a process that was not waited for).
inline Recorded readRecord(const std::string& path, int waitMilliseconds = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    for (;; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        std::ifstream in(path + ".record", std::ios::binary);
        const std::string data{std::istreambuf_iterator<char>(in), {}};
        if (!data.empty() && data.back() == '\0') {  // written whole: each part ends in a NUL
            Recorded r;
            r.ran = true;
            std::istringstream parts(data);
            std::getline(parts, r.workingFolder, '\0');
            for (std::string arg; std::getline(parts, arg, '\0');) r.argv.push_back(arg);
            return r;
        }
        if (std::chrono::steady_clock::now() >= end) return {};
    }
}

// What Wine's Z: drive makes of a Linux path: the drive, then the path with backslashes.
inline std::string onZ(const std::string& linuxPath) {
    std::string out = "Z:" + linuxPath;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

}  // namespace romshelf::test
