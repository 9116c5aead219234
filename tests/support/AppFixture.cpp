#include "AppFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace romshelf::test {

void AppFixture::setUpHardware(const std::string& code, const std::string& romFolder) {
    FolderSettings f;
    f.romFolderNames[0] = code;
    f.romFolderPaths[0] = romFolder.empty() ? "./roms/" + code + "/" : romFolder;
    writeFolderSettings(code, f);
}

void AppFixture::writeFolderSettings(const std::string& code, const FolderSettings& settings) {
    DataStream s;
    ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("data/Folder_" + code + ".slb"), settings));
}

void AppFixture::writeEmulators(const std::string& code, const EmulatorEntries& entries) {
    DataStream s;
    ASSERT_TRUE(saveEmulatorFile(s, dir.file("data/Emulator_" + code + ".slb"), entries));
}

void AppFixture::writeRecords(const std::string& code, const std::vector<RomRecord>& records) {
    RomTable table;
    for (const RomRecord& r : records) table.append(r);
    DataStream s;
    ASSERT_TRUE(table.save(s, dir.file("data/RomData_" + code + ".slb")));
}

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
