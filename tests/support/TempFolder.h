#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

namespace romshelf::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder() : TempFolder(std::filesystem::temp_directory_path()) {}
    // Under another folder (another file system, say).
    explicit TempFolder(const std::filesystem::path& under) {
        std::string pattern = (under / "romshelf-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern + "/";
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // With a trailing '/'.
    const std::string& path() const { return path_; }
    std::string file(std::string_view relative) const { return path_ + std::string(relative); }

    // Writes a file (creating its folders); returns its path.
    std::string write(std::string_view relative, std::string_view bytes) const {
        const std::filesystem::path p = file(relative);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    std::string read(std::string_view relative) const {
        std::ifstream in(file(relative), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // With a trailing '/'.
    std::string makeFolder(std::string_view relative) const {
        std::filesystem::create_directories(file(relative));
        const std::string p = file(relative);
        return p.back() == '/' ? p : p + '/';
    }

private:
    std::string path_;
};

}  // namespace romshelf::test
