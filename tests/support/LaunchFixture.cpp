#include "LaunchFixture.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace romshelf::test {

std::string builtProgram(const std::string& name) {
    const char* bin = std::getenv("ROMSHELF_BIN_DIR");
    return std::string(bin ? bin : "build/bin") + "/" + name;
}

std::string installRecorder(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::filesystem::copy_file(builtProgram("../tests/record-args"), path,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

Recorded readRecord(const std::string& path, int waitMilliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    for (;; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        std::ifstream in(path + ".record", std::ios::binary);
        const std::string data{std::istreambuf_iterator<char>(in), {}};
        if (!data.empty() && data.back() == '\0') {  // written whole: each part ends in a NUL
            Recorded r{true};
            std::istringstream parts(data);
            std::getline(parts, r.workingFolder, '\0');
            for (std::string arg; std::getline(parts, arg, '\0');) r.argv.push_back(arg);
            return r;
        }
        if (std::chrono::steady_clock::now() >= end) return {};
    }
}

}  // namespace romshelf::test
