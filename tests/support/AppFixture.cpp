#include "AppFixture.h"

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

RomRecord AppFixture::record(const std::string& title, const std::string& name) {
    RomRecord r;
    r.fileTitle = title;
    r.gameName = name;
    return r;
}

void AppFixture::start(const std::string& code) {
    app.preferHardware(code);
    app.startUp();
}

std::vector<std::string> AppFixture::log() const {
    return {app.systemLog().lines().begin(), app.systemLog().lines().end()};
}

}  // namespace romshelf::test
