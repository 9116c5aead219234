#include "cli/SetCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "AppFixture.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

struct SetCommand : test::AppFixture {
    void SetUp() override {
        setUpHardware("FC", "./roms/");
        EmulatorEntries e{};
        e[2] = emulator("Nestopia", "/bin/true");
        writeEmulators("FC", e);
        dir.write("roms/Super_Mario.nes", "a");
        dir.write("roms/old.nes", "b");
        dir.write("roms/taken.nes", "c");
        dir.makeFolder("snap");
        writeRecords("FC", {record("old", "Old Game")});
    }
    int set(V args) {
        args.insert(args.begin(), {"--program-folder", dir.path(), "--hardware", "FC"});
        std::ostringstream out, errors;
        const int status = cli::setFileInfo(args, out, errors);
        printed = out.str();
        err = errors.str();
        return status;
    }
    // The record of `title` as saved, or nullopt.
    std::optional<RomRecord> saved(const std::string& title) {
        RomTable table;
        DataStream s;
        test::ScriptedPrompter quiet;
        table.load(s, dir.file("data/RomData_FC.slb"), quiet);
        const int i = table.findRecordByTitle(title);
        return i < 0 ? std::nullopt : std::optional(table[i]);
    }
    std::string printed, err;
};

TEST_F(SetCommand, EditsAreSavedAndRefusalsSayWhy) {
    struct Case {
        V args;
        int status;
    };
    for (const Case& c : std::vector<Case>{
             {{"missing.nes"}, 1},
             {{"old.nes", "--rating", "6"}, 64},
             {{"old.nes", "--category", "7", "x"}, 64},
             {{"old.nes", "--emulator", "Unknown"}, 64},
             {{"old.nes", "--rename", "x:y", "--yes"}, 1},
             {{"old.nes", "--rename", "taken", "--yes"}, 1},
             {{"old.nes", "--rename", "new"}, 1},  // answered no: the name stays
             {{"old.nes", "--clear"}, 1},
         }) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        EXPECT_EQ(set(c.args), c.status) << err;
        EXPECT_TRUE(std::filesystem::exists(dir.file("roms/old.nes")));
        ASSERT_TRUE(saved("old"));
        EXPECT_EQ(saved("old")->gameName, "Old Game");
    }

    EXPECT_EQ(set({"Super_Mario.nes"}), 0) << err;
    EXPECT_EQ(saved("Super_Mario")->gameName, "Super Mario");
    EXPECT_EQ(set({"Super_Mario.nes", "--name", "Super_Mario", "--reading", "Super_Mario"}), 0);
    EXPECT_FALSE(saved("Super_Mario"));  // nothing beyond the title: dropped

    dir.write("snap/old.png", "p");
    EXPECT_EQ(set({"old.nes", "--rename", "new", "--rating", "3", "--category", "2", "RPG",
                   "--class", "Disk", "--comment", "a\\nb", "--favourite", "yes", "--emulator",
                   "Nestopia", "--yes"}),
              0)
        << err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("roms/new.nes")));
    EXPECT_TRUE(printed.starts_with("Old Game\t\tnew.nes\t★★★\t\tRPG\t"));
    const std::optional<RomRecord> r = saved("new");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->classes[1], "RPG");
    EXPECT_EQ(r->hardwareClass, "Disk");
    EXPECT_EQ(r->comment, "a\nb");
    EXPECT_TRUE(r->favourite);
    EXPECT_EQ(r->preferredEmulator, 2);

    EXPECT_EQ(set({"new.nes", "--clear", "--yes"}), 0);
    EXPECT_FALSE(saved("new"));
}

}  // namespace
