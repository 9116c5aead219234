#pragma once

#include <string>
#include <string_view>

namespace romshelf::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // With a trailing '/'.
    const std::string& path() const { return path_; }
    std::string file(std::string_view relative) const { return path_ + std::string(relative); }

    // Writes a file (creating its folders); returns its path.
    std::string write(std::string_view relative, std::string_view bytes) const;
    std::string read(std::string_view relative) const;
    std::string makeFolder(std::string_view relative) const;

private:
    std::string path_;
};

}  // namespace romshelf::test
