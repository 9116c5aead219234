// romshelf-cli disc-sets: the option set, saved and read back, and what list and optimise make of
// it.
#include <gtest/gtest.h>

#include <sstream>

#include "AppFixture.h"
#include "cli/DiscSetsCommand.h"
#include "cli/ListCommand.h"
#include "cli/OptimiseCommand.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

struct DiscSetsCommand : test::AppFixture {
    template <class Command>
    int call(Command command, V args) {
        args.insert(args.end(), {"--program-folder", dir.path(), "--hardware", "X68"});
        std::ostringstream out, errors;
        const int status = command(args, out, errors);
        printed = out.str(), err = errors.str();
        return status;
    }
    // The file names list prints, '|' between them.
    std::string listed() {
        EXPECT_EQ(call(cli::listFiles, {}), 0) << err;
        std::string names;
        std::istringstream lines(printed);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t start = line.find('\t', line.find('\t') + 1) + 1;
            const std::size_t end = line.find('\t', start);
            names += (names.empty() ? "" : "|") + line.substr(start, end - start);
        }
        return names;
    }
    std::string printed, err;
};

}  // namespace

TEST_F(DiscSetsCommand, SetsSavesAndPrintsTheOption) {
    dir.write("roms/Ys (Disk 1 of 2).xdf", "1");
    dir.write("roms/Ys (Disk 2 of 2).xdf", "2");
    setUpHardware("X68", "./roms/");
    EXPECT_EQ(call(cli::discSetsCommand, {}), 0);
    EXPECT_EQ(printed, "disc-sets off\n");
    EXPECT_EQ(listed(), "Ys (Disk 1 of 2).xdf|Ys (Disk 2 of 2).xdf");
    EXPECT_EQ(call(cli::discSetsCommand, {"on"}), 0);
    EXPECT_EQ(printed, "disc-sets on\n");
    EXPECT_NE(dir.read("data/romshelf-plus.ini").find("discSets=1\n"), std::string::npos);
    EXPECT_EQ(listed(), "Ys.xdf");
    // Wrong words change nothing.
    for (const V& wrong : {V{"yes"}, V{"on", "off"}}) {
        EXPECT_EQ(call(cli::discSetsCommand, wrong), 64);
        EXPECT_EQ(err, "romshelf-cli: " + wrong.back() +
                           (wrong.size() == 1 ? ": disc-sets takes on or off\n"
                                              : ": unexpected argument\n"));
    }
    EXPECT_EQ(call(cli::discSetsCommand, {}), 0);
    EXPECT_EQ(printed, "disc-sets on\n");
}

// Records of a set and of its discs stay whichever way the discs are listed.
TEST_F(DiscSetsCommand, OptimiseKeepsTheRecordsOfASetAndOfItsDiscs) {
    dir.write("roms/Ys (Disk 1 of 2).xdf", "1");
    dir.write("roms/Ys (Disk 2 of 2).xdf", "2");
    setUpHardware("X68", "./roms/");
    for (const char* setting : {"off", "on"}) {
        RomRecord set = record("Ys", "イース"), disc = record("Ys (Disk 2 of 2)", "イース 2"),
                  gone = record("Gone (Disk 1 of 2)", "消えた");
        set.rating = disc.rating = gone.rating = 3;
        writeRecords("X68", {set, disc, gone});
        ASSERT_EQ(call(cli::discSetsCommand, {setting}), 0);
        EXPECT_EQ(call(cli::optimise, {"--yes"}), 0) << err;
        EXPECT_EQ(printed, "1 records deleted\n") << setting;
        ASSERT_EQ(savedRecords("X68").count(), 2) << setting;
    }
}
