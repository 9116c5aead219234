// romshelf-cli list's filters by the names' tags and one file per game, run in-process on a
// program folder of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "AppFixture.h"
#include "cli/ListCommand.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

struct ListTagsCommand : test::AppFixture {
    void SetUp() override {
        setUpHardware("SFC", "./roms/");
        for (const char* name :
             {"Zelda no Densetsu (Japan) [b].sfc", "Legend of Zelda, The (USA).sfc",
              "Legend of Zelda, The (Europe) (En,Fr,De).sfc",
              "Zelda no Densetsu (Japan) (Beta).sfc", "Rockman X (Japan).sfc",
              "Mega Man X (USA) (Rev 1).sfc", "Mega Man X (USA).sfc", "Tetris (World) (Proto).sfc",
              "Action 52 (USA) (Unl).sfc", "Plain.sfc"})
            dir.write(std::string("roms/") + name, name);
    }
    // The file names list prints with `args`, '|' between them; the status in `status`.
    std::string listed(V args) {
        args.insert(args.end(), {"--program-folder", dir.path(), "--hardware", "SFC"});
        std::ostringstream out, errors;
        status = cli::listFiles(args, out, errors);
        err = errors.str();
        std::string names;
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);) {
            const std::size_t start = line.find('\t', line.find('\t') + 1) + 1;
            const std::size_t end = line.find('\t', start);
            names += (names.empty() ? "" : "|") + line.substr(start, end - start);
        }
        return names;
    }
    int status = -1;
    std::string err;
};

}  // namespace

TEST_F(ListTagsCommand, RegionLanguageAndStatusFilters) {
    EXPECT_EQ(listed({"--region", "Japan"}),
              "Rockman X (Japan).sfc|Zelda no Densetsu (Japan) (Beta).sfc|"
              "Zelda no Densetsu (Japan) [b].sfc");
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(err.find(" / Japan (ファイル数 : 3)"), std::string::npos) << err;
    EXPECT_EQ(listed({"--region", "japan", "--no-status"}), "Rockman X (Japan).sfc");
    // Several regions: any of them; a language the name gives or its region speaks.
    EXPECT_EQ(listed({"--region", "Europe", "--region", "World"}),
              "Legend of Zelda, The (Europe) (En,Fr,De).sfc|Tetris (World) (Proto).sfc");
    EXPECT_EQ(listed({"--language", "Fr"}), "Legend of Zelda, The (Europe) (En,Fr,De).sfc");
    EXPECT_EQ(listed({"--language", "En", "--no-status"}),
              "Legend of Zelda, The (Europe) (En,Fr,De).sfc|Legend of Zelda, The (USA).sfc|"
              "Mega Man X (USA).sfc|Mega Man X (USA) (Rev 1).sfc");
    // Search and the filters together.
    EXPECT_EQ(listed({"search", "zelda", "--field", "file", "--no-status"}),
              "Legend of Zelda, The (Europe) (En,Fr,De).sfc|Legend of Zelda, The (USA).sfc");
    // What no tag names is refused, in one line naming the option.
    EXPECT_EQ(listed({"--region", "Atlantis"}), "");
    EXPECT_EQ(status, 64);
    EXPECT_EQ(err,
              "romshelf-cli: --region: needs a region of the names' tags (Japan, USA, Europe, "
              "World, ...), not Atlantis\n");
    EXPECT_EQ(listed({"--language", "Klingon"}), "");
    EXPECT_EQ(status, 64);
    EXPECT_NE(err.find("romshelf-cli: --language: "), std::string::npos) << err;
    // A missing value takes no option for one.
    listed({"--region"});
    EXPECT_EQ(status, 64);
    EXPECT_TRUE(err.starts_with("romshelf-cli: --region: ")) << err;
}

TEST_F(ListTagsCommand, OnePerGameByTitleThenByTheDat) {
    // Default order Japan, World, USA, Europe; the latest revision; Zelda no Densetsu has no
    // good release: its beta before its bad dump.
    EXPECT_EQ(listed({"--one-per-game"}),
              "Action 52 (USA) (Unl).sfc|Legend of Zelda, The (USA).sfc|"
              "Mega Man X (USA) (Rev 1).sfc|Plain.sfc|Rockman X (Japan).sfc|"
              "Tetris (World) (Proto).sfc|Zelda no Densetsu (Japan) (Beta).sfc");
    EXPECT_EQ(status, 0) << err;

    // With the hardware's DAT, clones go with their parents; the region order of the settings
    // picks among them, and --no-status leaves the prototype out.
    const std::string dat = dir.write(
        "snes.dat",
        "<?xml version=\"1.0\"?>\n<datafile><header><name>SNES</name></header>\n"
        "<game name=\"Legend of Zelda, The (USA)\"><description>z</description>"
        "<rom name=\"z.sfc\" size=\"1\" crc=\"00000001\"/></game>\n"
        "<game name=\"Zelda no Densetsu (Japan)\" cloneof=\"Legend of Zelda, The (USA)\">"
        "<description>z</description><rom name=\"j.sfc\" size=\"1\" crc=\"00000002\"/></game>\n"
        "<game name=\"Legend of Zelda, The (Europe) (En,Fr,De)\" "
        "cloneof=\"Legend of Zelda, The (USA)\"><description>z</description>"
        "<rom name=\"e.sfc\" size=\"1\" crc=\"00000003\"/></game>\n"
        "<game name=\"Mega Man X (USA)\"><description>m</description>"
        "<rom name=\"m.sfc\" size=\"1\" crc=\"00000004\"/></game>\n"
        "<game name=\"Rockman X (Japan)\" cloneof=\"Mega Man X (USA)\"><description>r"
        "</description><rom name=\"r.sfc\" size=\"1\" crc=\"00000005\"/></game>\n"
        "</datafile>\n");
    dir.write("data/romshelf-plus.ini", "renameDat.SFC=" + dat + "\n");
    EXPECT_EQ(listed({"--one-per-game", "--no-status"}),
              "Legend of Zelda, The (USA).sfc|Plain.sfc|Rockman X (Japan).sfc");
    EXPECT_EQ(status, 0) << err;
    const std::string settings = "renameDat.SFC=" + dat + "\nregionOrder=Europe,USA\n";
    dir.write("data/romshelf-plus.ini", settings);
    EXPECT_EQ(listed({"--one-per-game"}),
              "Action 52 (USA) (Unl).sfc|Legend of Zelda, The (Europe) (En,Fr,De).sfc|"
              "Mega Man X (USA) (Rev 1).sfc|Plain.sfc|Tetris (World) (Proto).sfc|"
              "Zelda no Densetsu (Japan) (Beta).sfc");
    // Without the option every file again; a listing changed no setting.
    const std::string all = listed({});
    EXPECT_EQ(std::count(all.begin(), all.end(), '|'), 9) << all;
    EXPECT_EQ(dir.read("data/romshelf-plus.ini"), settings);
}
