#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePorts.h"
#include "TempFolder.h"
#include "core/app/Application.h"

namespace romshelf::test {

// A program folder of its own with an application on fake ports: the shared setting for tests of
// whole commands.
class AppFixture : public ::testing::Test {
protected:
    AppFixture() { app.createFolders(); }

    // Writes data/Folder_<code>.slb with ROM folder 1 at `romFolder` (relative to the program
    // folder) named after the code.
    void setUpHardware(const std::string& code, const std::string& romFolder = "");
    void writeFolderSettings(const std::string& code, const FolderSettings& settings);
    void writeEmulators(const std::string& code, const EmulatorEntries& entries);
    // Records with these titles in data/RomData_<code>.slb.
    void writeRecords(const std::string& code, const std::vector<RomRecord>& records);
    static RomRecord record(const std::string& title, const std::string& name = "");
    // Makes `code` current and starts up as the program does.
    void start(const std::string& code);
    // The system log's lines as written.
    std::vector<std::string> log() const;

    TempFolder dir;
    FakePorts ports;
    ScriptedPrompter& prompter = ports.prompter;
    Application app{ProgramFolder(dir.path()), ports.host()};
};

}  // namespace romshelf::test
