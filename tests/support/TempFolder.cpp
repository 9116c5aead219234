#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace romshelf::test {

TempFolder::TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "romshelf-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::write(std::string_view relative, std::string_view bytes) const {
    std::filesystem::path p = file(relative);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p.string();
}

std::string TempFolder::read(std::string_view relative) const {
    std::ifstream in(file(relative), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string TempFolder::makeFolder(std::string_view relative) const {
    std::filesystem::create_directories(file(relative));
    std::string p = file(relative);
    if (p.back() != '/') p += '/';
    return p;
}

}  // namespace romshelf::test
