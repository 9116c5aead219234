#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
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
    void setUpHardware(const std::string& code, const std::string& romFolder = "") {
        FolderSettings f;
        f.romFolderNames[0] = code;
        f.romFolderPaths[0] = romFolder.empty() ? "./roms/" + code + "/" : romFolder;
        writeFolderSettings(code, f);
    }
    void writeFolderSettings(const std::string& code, const FolderSettings& settings) {
        DataStream::forgetSeen(dir.file("data/Folder_" + code + ".slb"));
        DataStream s;
        ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("data/Folder_" + code + ".slb"), settings));
    }
    void writeEmulators(const std::string& code, const EmulatorEntries& entries) {
        DataStream::forgetSeen(dir.file("data/Emulator_" + code + ".slb"));
        DataStream s;
        ASSERT_TRUE(saveEmulatorFile(s, dir.file("data/Emulator_" + code + ".slb"), entries));
    }
    // `code` with ROM folder 1 at roms/ and these emulators (or this one in slot 0).
    void setUpLaunch(const std::string& code, const EmulatorEntries& entries) {
        setUpHardware(code, "./roms/");
        writeEmulators(code, entries);
    }
    void setUpLaunch(const std::string& code, const EmulatorEntry& slot0) {
        setUpLaunch(code, EmulatorEntries{slot0});
    }
    static EmulatorEntry emulator(const std::string& name, const std::string& executable,
                                  const std::string& commandLine = "") {
        EmulatorEntry e;
        e.name = name, e.executable = executable, e.commandLine = commandLine;
        return e;
    }
    // Records with these titles in data/RomData_<code>.slb.
    void writeRecords(const std::string& code, const std::vector<RomRecord>& records) {
        RomTable table;
        for (const RomRecord& r : records) table.append(r);
        // Written as another program writes it, whatever this process read of it before.
        DataStream::forgetSeen(dir.file("data/RomData_" + code + ".slb"));
        DataStream s;
        ASSERT_TRUE(table.save(s, dir.file("data/RomData_" + code + ".slb")));
    }
    // data/RomData_<code>.slb as saved.
    RomTable savedRecords(const std::string& code) {
        RomTable table;
        DataStream s;
        EXPECT_EQ(table.load(s, dir.file("data/RomData_" + code + ".slb"), prompter),
                  LoadResult::Loaded);
        return table;
    }
    static RomRecord record(const std::string& title, const std::string& name = "") {
        RomRecord r;
        r.fileTitle = title, r.gameName = name;
        return r;
    }
    // Writes the (name, bytes) members into the ZIP file `zip` (relative to the program folder).
    void writeZip(const std::string& zip,
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
    // Makes `code` current and starts up as the program does.
    void start(const std::string& code) {
        app.preferHardware(code);
        app.startUp();
    }
    // The system log's lines as written, and whether one of them is `line`.
    std::vector<std::string> log() const {
        return {app.systemLog().lines().begin(), app.systemLog().lines().end()};
    }
    bool logged(const std::string& line) const { return std::ranges::count(log(), line) > 0; }
    // The data file at `path` as `load` reads it; a file that does not load fails the test.
    template <class T>
    static T stored(LoadResult (*load)(DataStream&, const std::string&, Prompter&, T&),
                    const std::string& path) {
        T value{};
        DataStream s;
        ScriptedPrompter quiet;
        EXPECT_EQ(load(s, path, quiet, value), LoadResult::Loaded) << path;
        return value;
    }
    // MainData.slb (or the settings file at `path`) as saved.
    MainSettings savedSettings(const std::string& path = "") {
        return stored(loadMainSettings, path.empty() ? app.mainDataPath() : path);
    }
    // A live (not zombie) process started as `program`; 0 when there is none.
    static int pidOf(const std::string& program) {
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

    TempFolder dir;
    FakePorts ports;
    ScriptedPrompter& prompter = ports.prompter;
    Application app{ProgramFolder(dir.path()), ports.host()};
};

}  // namespace romshelf::test
