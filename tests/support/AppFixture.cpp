#include "AppFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace romshelf::test {

void AppFixture::writeZip(const std::string& zip,
                          const std::vector<std::pair<std::string, std::string>>& members) {
    TempFolder pack;
    std::string command = "cd '" + pack.path() + "' && zip -q '" + dir.file(zip) + "'";
    for (const auto& [name, bytes] : members) {
        pack.write(name, bytes);
        command += " '" + name + "'";
    }
    std::filesystem::create_directories(std::filesystem::path(dir.file(zip)).parent_path());
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

int AppFixture::pidOf(const std::string& program) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary), status;
        std::string argv0, line;
        if (!std::getline(cmdline, argv0, '\0') || argv0 != program) continue;
        status.open(entry.path() / "status");
        while (std::getline(status, line))
            if (line.starts_with("State:") && line.find('Z') == std::string::npos)
                return std::atoi(entry.path().filename().c_str());
    }
    return 0;
}

}  // namespace romshelf::test
