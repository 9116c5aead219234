#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "core/platform/Prompter.h"

namespace romshelf::fuzz {

using SilentPrompter = romshelf::SilentPrompter;

// A folder of the process's own, made once, for the files a target reads.
// The collation stamp the sort-key seeds are written under.
inline constexpr const char* kSortKeyStamp = "ja/fuzz/1";

inline const std::string& workFolder() {
    static const std::string folder = [] {
        // Memory-backed when the system has it: the writers flush every file to disk.
        const std::string base = std::filesystem::is_directory("/dev/shm")
                                     ? std::string("/dev/shm")
                                     : std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/romshelf-fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern.data());
        if (!made) std::abort();
        return std::string(made) + "/";
    }();
    return folder;
}

inline std::string writeInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = workFolder() + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

}  // namespace romshelf::fuzz
