#include "LaunchFixture.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace romshelf::test {

std::string recordArgsProgram() {
    const char* bin = std::getenv("ROMSHELF_BIN_DIR");
    const std::filesystem::path tests =
        std::filesystem::path(bin ? bin : "build/bin").parent_path() / "tests";
    return (tests / "record-args").string();
}

std::string installRecorder(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::filesystem::copy_file(recordArgsProgram(), path,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

Recorded readRecord(const std::string& path, int waitMilliseconds) {
    const std::string file = path + ".record";
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    Recorded r;
    for (;;) {
        std::ifstream in(file, std::ios::binary);
        if (in) {
            std::stringstream ss;
            ss << in.rdbuf();
            const std::string data = ss.str();
            if (!data.empty() && data.back() == '\0') {
                std::vector<std::string> parts;
                std::size_t start = 0;
                for (std::size_t i = 0; i < data.size(); ++i) {
                    if (data[i] == '\0') {
                        parts.push_back(data.substr(start, i - start));
                        start = i + 1;
                    }
                }
                r.ran = true;
                r.workingFolder = parts.empty() ? "" : parts[0];
                r.argv.assign(parts.begin() + (parts.empty() ? 0 : 1), parts.end());
                return r;
            }
        }
        if (std::chrono::steady_clock::now() >= end) return r;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace romshelf::test
