#include "cli/GameListCommand.h"

#include <gtest/gtest.h>

#include <sstream>

#include "AppFixture.h"
#include "core/text/TextCodec.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// FC with Alpha.nes (a record with a comment that needs quoting) and Beta.nes (none).
struct GameListCommand : test::AppFixture {
    GameListCommand() {
        setUpHardware("FC", "./roms/");
        dir.write("roms/Alpha.nes", "a");
        dir.write("roms/Beta.nes", "b");
        RomRecord alpha = record("Alpha", "Alpha");
        alpha.reading = "Alpha";
        alpha.rating = 3;
        alpha.comment = "a \"quoted\", two-line\ncomment";
        writeRecords("FC", {alpha});
    }
    // Runs the command on the program folder; its printed lines, the messages in `err`.
    std::string run(int (*command)(const V&, std::ostream&, std::ostream&), V args,
                    int status = 0) {
        args.insert(args.end(), {"--program-folder", dir.path()});
        std::ostringstream out, errors;
        EXPECT_EQ(command(args, out, errors), status) << errors.str();
        err = errors.str();
        return out.str();
    }
    std::string err;
};

TEST_F(GameListCommand, WritesTheListedRowsWithTheChosenItems) {
    dir.makeFolder("out");
    EXPECT_EQ(run(cli::gameListCommand, {"--hardware", "FC", "--items", "file,rating,cat1",
                                         "--second-line", "--out", dir.file("out")}),
              dir.file("out/gamelist_fc.txt") + "\n");
    const std::string stars(56, '*');
    EXPECT_EQ(text::decodeTextFile(dir.read("out/gamelist_fc.txt")),
              stars + "\n\t\tファミリーコンピュータ (ファイル数 : 2)\n" + stars +
                  "\n\n・Alpha\n\t (Alpha.nes : ★★★)\n・Beta\n\t (Beta.nes)\n");
    // Only the rows of a list mode, CSV into the program folder.
    EXPECT_EQ(run(cli::gameListCommand, {"--hardware", "FC", "--csv", "unregistered"}),
              dir.file("gamelist_fc.csv") + "\n");
    EXPECT_EQ(std::ranges::count(dir.read("gamelist_fc.csv"), '\n'), 1);
    run(cli::gameListCommand, {"--hardware", "FC", "--items", "file,colour"}, 64);
    run(cli::gameListCommand, {"--csv"}, 64);
}

TEST_F(GameListCommand, CsvComesBackThroughTheImport) {
    run(cli::gameListCommand, {"--hardware", "FC", "--csv"});
    run(cli::importCsvCommand, {"--hardware", "FC", dir.file("gamelist_fc.csv")}, 1);
    EXPECT_NE(err.find("-> no"), std::string::npos) << err;
    EXPECT_EQ(
        run(cli::importCsvCommand, {"--hardware", "FC", dir.file("gamelist_fc.csv"), "--yes"}),
        "1 records read\nreplaced records saved to " + dir.file("data/RomData_FC_before-csv.slb") +
            "\n");
    Application reopened(ProgramFolder(dir.path()), ports.host());
    reopened.preferHardware("FC");
    reopened.startUp();
    ASSERT_EQ(reopened.romTable().count(), 1);
    EXPECT_EQ(reopened.romTable()[0].comment, "a \"quoted\", two-line\ncomment");
    EXPECT_EQ(reopened.romTable()[0].rating, 3);
    // The older layout in the own import is refused and changes nothing.
    dir.write("list_fc.csv",
              "\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\",\"i\",\"j\",\"k\","
              "\"l\",\"m\",1,2\n");
    run(cli::importCsvCommand, {"--hardware", "FC", dir.file("list_fc.csv"), "--yes"}, 1);
    EXPECT_NE(err.find("見出しではありません"), std::string::npos) << err;
    run(cli::importCsvCommand, {"--hardware", "FC"}, 64);
    run(cli::importCsvCommand, {"--hardware", "FC", "a.csv", "--sideways"}, 64);
}

}  // namespace
