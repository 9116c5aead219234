#include "core/rename/RenameCompanions.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "TempFolder.h"

using namespace romshelf;
using namespace romshelf::test;

namespace {

using Files = std::map<std::string, std::string>;  // path under the test folder -> bytes

Files filesUnder(const TempFolder& dir) {
    Files files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
        if (entry.is_regular_file() && !entry.is_symlink()) {
            const std::string path = entry.path().string().substr(dir.path().size());
            files[path] = dir.read(path);
        }
    return files;
}

// Snaps in slots 0, 2 and 4 (4 is a link to 0: one folder named twice), TEMP and saves; "rom/"
// is none of them. Every file holds its first name, so that a swap of contents shows.
const struct {
    const char* name;
    std::string oldName, newName;
    int record;  // the record of "Game (J)", or -1
    std::vector<std::string> before;
    Files moved = {};  // new path -> old path; every other file stays
    std::vector<std::string> left = {};
    const char* title = "Game (J)";  // of the record afterwards
    const char* recent = "Game (J).nes";
} kCases[] = {
    {"snaps, TEMP and save follow; a taken name is left",
     "Game (J).nes",
     "Game (Japan).nes",
     1,
     {"snap0/Game (J).bmp", "snap2/Game (J).png", "snap2/Game (J)x.bmp", "snap2/Game (J).d/in",
      "temp/Game (J).nes", "save/Game (J).srm", "save/Game (J).st0", "save/Game (Japan).st0",
      "rom/Game (J).bmp"},
     {{"snap0/Game (Japan).bmp", "snap0/Game (J).bmp"},
      {"snap2/Game (Japan).png", "snap2/Game (J).png"},
      {"temp/Game (Japan).nes", "temp/Game (J).nes"},
      {"save/Game (Japan).srm", "save/Game (J).srm"}},
     {"save/Game (J).st0"},
     "Game (Japan)",
     "Game (Japan).nes"},
    {"glob characters are plain characters",
     "Mario [!] *?.nes",
     "Mario.nes",
     -1,
     {"snap0/Mario [!] *?.bmp", "snap0/Mario [!] zz.bmp", "snap0/Mario [a] *?.bmp"},
     {{"snap0/Mario.bmp", "snap0/Mario [!] *?.bmp"}}},
    {"a folder named twice renames once",
     "Game.nes",
     "Game.v2.nes",
     -1,
     {"snap0/Game.bmp"},
     {{"snap0/Game.v2.bmp", "snap0/Game.bmp"}}},
    // Nothing at all happens for these (an empty base would match every ".*" name).
    {"equal names", "Game (J).nes", "Game (J).nes", 1, {"snap0/Game (J).bmp", "snap0/.bmp"}},
    {"no old name", "", "X.nes", 1, {"snap0/Game (J).bmp", "snap0/.bmp"}},
    {"no new name", "Game (J).nes", "", 1, {"snap0/Game (J).bmp", "snap0/.bmp"}},
    {"empty old base", ".nes", "X.nes", 1, {"snap0/Game (J).bmp", "snap0/.bmp"}},
    {"empty new base", "Game (J).nes", ".nes", 1, {"snap0/Game (J).bmp", "snap0/.bmp"}},
};

}  // namespace

TEST(RenameCompanions, FilesNamedAfterTheRomTakeItsNewNameWithoutReplacingAny) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        FolderSettings folders;
        folders.snapFolderPaths[0] = dir.makeFolder("snap0");
        folders.snapFolderPaths[2] = dir.makeFolder("snap2");
        std::filesystem::create_directory_symlink(dir.file("snap0"), dir.file("snap4"));
        folders.snapFolderPaths[4] = dir.file("snap4/");
        folders.tempFolder = dir.makeFolder("temp");
        folders.saveFolder = dir.makeFolder("save");
        for (const std::string& file : c.before) dir.write(file, file);
        RomTable records;
        for (const char* title : {"Other", "Game (J)"}) {
            RomRecord r;
            r.fileTitle = title;
            records.append(r);
        }
        RecentLaunches recent{};
        recent[0].fileName = "Game (J).nes", recent[2].fileName = "Other.nes";
        CompanionPlaces places{folders, records, recent};

        const CompanionReport report = renameCompanions(places, c.oldName, c.newName, c.record);
        Files after = c.moved;
        for (const std::string& file : c.before) after[file] = file;
        for (const auto& [to, from] : c.moved) after.erase(from);
        EXPECT_EQ(filesUnder(dir), after);
        EXPECT_EQ(report.renamed, static_cast<int>(c.moved.size()));
        std::vector<std::string> left;
        for (const std::string& path : c.left) left.push_back(dir.file(path));
        EXPECT_EQ(report.leftInPlace, left);
        EXPECT_EQ(records.findRecordByTitle(c.title), 1);  // the key lookups follow too
        EXPECT_EQ(recent[0].fileName, c.recent);
        EXPECT_TRUE(recent[1].empty());
        EXPECT_EQ(recent[2].fileName, "Other.nes");
    }
}

// A companion that cannot take its new name (one byte too long for the file system, which stops
// root too) is reported and stays; a FIFO of that name is no companion and is not reported.
TEST(RenameCompanions, ACompanionThatCannotBeMovedIsReportedAsFailed) {
    TempFolder dir;
    FolderSettings folders;
    folders.snapFolderPaths[0] = dir.makeFolder("snap");
    folders.tempFolder = dir.makeFolder("temp");
    dir.write("snap/Game.png", "shot");
    dir.write("temp/Game.sram", "save");
    ASSERT_EQ(::mkfifo(dir.file("temp/Game.fifo").c_str(), 0600), 0);
    RomTable records;
    RecentLaunches recent{};
    CompanionPlaces places{folders, records, recent};
    const std::string title(251, 'x');  // with ".png" 255 bytes, the longest name; ".sram" 256

    const CompanionReport report = renameCompanions(places, "Game.nes", title + ".nes", -1);
    EXPECT_EQ(report.renamed, 1);
    EXPECT_EQ(dir.read("snap/" + title + ".png"), "shot");
    EXPECT_EQ(report.failed, std::vector<std::string>{dir.file("temp/Game.sram")});
    EXPECT_TRUE(report.leftInPlace.empty());
    EXPECT_EQ(dir.read("temp/Game.sram"), "save");
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("temp/Game.fifo")));
}

TEST(RenameCompanions, TheMessageNamesTenFilesAndCountsTheRest) {
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i) paths.push_back("/s/" + std::to_string(i) + ".bmp");
    const std::string message = companionsLeftMessage(paths);
    EXPECT_TRUE(message.starts_with(
        "次のファイルは同じ名前のファイルが既にあるため、名前を変えていません。\n\n/s/0.bmp\n"));
    EXPECT_NE(message.find("/s/9.bmp\nほか 2 件"), std::string::npos) << message;
    EXPECT_EQ(message.find("/s/10.bmp"), std::string::npos);
    EXPECT_TRUE(companionsLeftMessage({"/s/a.bmp"}).ends_with("\n/s/a.bmp"));
}
