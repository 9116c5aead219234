#include "cli/EmulatorsCommand.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "AppFixture.h"

using namespace romshelf;

namespace {

// MSX set up, and an openMSX first on PATH (the machine's own places are searched too).
struct EmulatorsCommand : test::AppFixture {
    void SetUp() override {
        setUpHardware("MSX");
        openmsx = dir.write("bin/openmsx", "");
        std::filesystem::permissions(openmsx, std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        oldPath = path ? path : "";
        ::setenv("PATH", (dir.file("bin") + ":" + oldPath).c_str(), 1);
    }
    void TearDown() override { ::setenv("PATH", oldPath.c_str(), 1); }
    int run(std::vector<std::string> args, const std::string& code = "MSX") {
        args.insert(args.begin(), {"--program-folder", dir.path(), "--hardware", code});
        std::ostringstream out, errors;
        const int status = cli::emulatorsCommand(args, out, errors);
        printed = out.str();
        err = errors.str();
        return status;
    }
    std::string openmsx, oldPath, printed, err;
};

}  // namespace

TEST_F(EmulatorsCommand, SuggestsAndFillsASlotThroughTheDialogsCode) {
    ASSERT_EQ(run({"--suggest"}), 0) << err;
    EXPECT_TRUE(printed.starts_with("openMSX\t" + openmsx + "\t$P\n")) << printed;

    ASSERT_EQ(run({"--set", "2", "openMSX"}), 0) << err;
    EXPECT_EQ(printed, "2\topenMSX\t" + openmsx + "\t$P\n");
    const EmulatorEntries saved = stored(loadEmulatorFile, dir.file("data/Emulator_MSX.slb"));
    EXPECT_EQ(saved[1].executable, openmsx);
    EXPECT_EQ(saved[1].commandLine, "$P");
    // The slot list shows it among the offered slots, one a line, counted from 1.
    ASSERT_EQ(run({}), 0) << err;
    EXPECT_NE(printed.find("\n2\topenMSX\t" + openmsx + "\t$P\n"), std::string::npos) << printed;
    EXPECT_TRUE(printed.starts_with("1\t")) << printed;

    const std::pair<std::vector<std::string>, int> refused[] = {
        {{"--set", "2", "mednafen"}, 1},  // no such emulator for MSX
        {{"--set", "50", "openMSX"}, 1},  // a slot MSX does not offer
        {{"--set", "0", "openMSX"}, 64}, {{"--set", "x", "openMSX"}, 64}, {{"--set", "2"}, 64},
        {{"--frobnicate"}, 64},
    };
    for (const auto& [args, status] : refused) EXPECT_EQ(run(args), status) << args[0] << err;
    EXPECT_EQ(run({"--suggest"}, "GB"), 2);  // no folder settings
}
