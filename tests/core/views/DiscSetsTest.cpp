#include "core/views/DiscSets.h"

#include <gtest/gtest.h>

#include <tuple>

#include "TempFolder.h"
#include "core/views/DetailPanes.h"
#include "core/views/FileList.h"

using namespace romshelf;
using V = std::vector<std::string>;

// Real-world names, and names that only look like discs.
TEST(DiscSets, TheDiscPartOfATitle) {
    // title, set title, word, letter, number, of ("" set title: no disc part)
    const std::tuple<const char*, const char*, const char*, bool, int, int> cases[] = {
        {"Ys II (Japan) (Disk 1 of 2) [!]", "Ys II (Japan) [!]", "disk", false, 1, 2},
        {"Final Fantasy VII (Japan) (Disc 2)", "Final Fantasy VII (Japan)", "disc", false, 2, 0},
        {"Xak (1989)(Micro Cabin)(Disk 3 of 4)", "Xak (1989)(Micro Cabin)", "disk", false, 3, 4},
        {"Dragon Slayer (1985)(Falcom)(Disk B)", "Dragon Slayer (1985)(Falcom)", "disk", true, 2,
         0},
        {"Thexder (Side B)", "Thexder", "side", true, 2, 0},
        {"Snatcher (DISK1)", "Snatcher", "disk", false, 1, 0},
        {"(Disk 2) Sorcerian", "Sorcerian", "disk", false, 2, 0},
        {"Rance (Disk 1 of 2) (Side A)", "Rance (Disk 1 of 2)", "side", true, 1, 0},
        {"Disc Station Vol. 1 (Japan)", "", "", false, 0, 0},
        {"Pro Yakyuu (Disk Magazine)", "", "", false, 0, 0},
        {"Game (Disk)", "", "", false, 0, 0},
        {"Game (Diskette 1)", "", "", false, 0, 0},
        {"Game (Disk 1000)", "", "", false, 0, 0},
        {"Game (Disk 1 of)", "", "", false, 0, 0},
        {"Game (Disk 1 of 2", "", "", false, 0, 0},
        {"(Disk 1)", "", "", false, 0, 0},
    };
    for (const auto& [title, set, word, letter, number, of] : cases) {
        const std::optional<DiscPart> part = parseDiscPart(title);
        ASSERT_EQ(part.has_value(), *set != '\0') << title;
        if (!part) continue;
        EXPECT_EQ(setTitleOf(title, *part), set) << title;
        EXPECT_EQ(part->word, word) << title;
        EXPECT_EQ(part->letter, letter) << title;
        EXPECT_EQ(part->number, number) << title;
        EXPECT_EQ(part->of, of) << title;
    }
}

// Which names of one folder make sets: "name:disc indexes" per set, '|' between sets.
TEST(DiscSets, SetsAmongTheNamesOfAFolder) {
    const std::pair<V, std::string> cases[] = {
        {{"Ys (Disk 2 of 2).d88", "Ys (Disk 1 of 2).d88", "Other.d88"}, "Ys.d88:1,0"},
        {{"T (Disk 1 of 2).zip", "T (Disk 2 of 2).ZIP"}, "T.zip:0,1"},
        {{"A (Disc 1).cue", "A (Disc 2).cue", "B (Side A).d88", "B (Side B).d88"},
         "A.cue:0,1|B.d88:2,3"},
        {{"G (Disk 1).d88", "G (Disk 3).d88"}, "G.d88:0,1"},  // disc 2 missing: still a set
        {{"G (Disk 1 of 2).d88"}, ""},                        // a lone disc
        {{"G (Disk 1).d88", "G (Side B).d88"}, ""},           // disks and sides mixed
        {{"G (Disk A).d88", "G (Disk 2).d88"}, ""},           // letters and numbers mixed
        {{"G (Disk 1 of 2).d88", "G (Disk 2 of 3).d88"}, ""},
        {{"G (Disk 1).d88", "G (Disk 2).fdi"}, ""},
        {{"G (Disk 1).d88", "G (Disk1).d88"}, ""},            // disc 1 twice
        {{"G (Disk 1).d88", "G (Disk 2).d88", "G.d88"}, ""},  // the set's name is a file's
        {{"Disc Station 1.d88", "Disc Station 2.d88"}, ""},
    };
    for (const auto& [names, expected] : cases) {
        const std::vector<std::string_view> views(names.begin(), names.end());
        std::string got;
        for (const DiscSet& set : findDiscSets(views)) {
            got += (got.empty() ? "" : "|") + set.name + ":";
            for (std::size_t k = 0; k < set.discs.size(); ++k)
                got += (k ? "," : "") + std::to_string(set.discs[k]);
        }
        EXPECT_EQ(got, expected) << names.front();
    }
}

TEST(DiscSets, APlaylistNamesTheFilesOfItsOwnFolder) {
    EXPECT_EQ(playlistEntries("#EXTM3U\r\nGame (Disc 1).cue\r\n\r\n./Game (Disc 2).cue  \n"
                              "sub/x.cue\nC:\\dir\\y.cue\n# comment"),
              (V{"Game (Disc 1).cue", "Game (Disc 2).cue"}));
}

namespace {

struct DiscListTest : ::testing::Test {
    romshelf::test::TempFolder dir;
    FolderSettings folders;
    RomTable records;
    CategoryLists lists;
    FileList list;
    FileListSources s;

    void SetUp() override {
        s.code = "X68";
        s.folders = &folders;
        s.records = &records;
        s.lists = &lists;
        s.neverSort = true;
    }
    void folder(int n, const std::string& name, const V& files) {
        folders.romFolderPaths[static_cast<std::size_t>(n)] = dir.makeFolder(name);
        for (const auto& f : files) dir.write(name + "/" + f, f.substr(0, 3));
    }
    // "file:icon:game name" per row in scan order.
    std::string rows() const {
        std::string out;
        for (const auto& row : list.rows())
            out += (out.empty() ? "" : "|") + std::string(row.fileName()) + ":" +
                   std::to_string(row.icon) + ":" + std::string(row.gameName());
        return out;
    }
};

}  // namespace

TEST_F(DiscListTest, ASetIsOneRowWithTheRecordOfItsTitle) {
    folder(0, "a",
           {"Akumajou (Disk 1 of 2).xdf", "Akumajou (Disk 2 of 2).xdf", "Solo (Disk 1 of 2).xdf",
            "Thing.xdf", "Gradius (Disk 1).zip", "Gradius (Disk 2).zip"});
    folder(1, "b", {"Solo (Disk 2 of 2).xdf"});  // another folder's disc joins nothing
    RomRecord r;
    r.fileTitle = "Akumajou", r.gameName = "悪魔城ドラキュラ";
    records.append(r);
    // Off: every file is a row (folders of the list listed again after the option changed).
    for (bool on : {false, true, false}) {
        s.discSets = on;
        list.showAll(s);
        EXPECT_EQ(rows(), on ? "Akumajou.xdf:143:悪魔城ドラキュラ|Solo (Disk 1 of 2).xdf:143:Solo "
                               "(Disk 1 of 2)|Thing.xdf:143:Thing|Gradius.zip:148:Gradius|Solo "
                               "(Disk 2 of 2).xdf:143:Solo (Disk 2 of 2)"
                             : "Akumajou (Disk 1 of 2).xdf:143:Akumajou (Disk 1 of 2)|Akumajou "
                               "(Disk 2 of 2).xdf:143:Akumajou (Disk 2 of 2)|Solo (Disk 1 of "
                               "2).xdf:143:Solo (Disk 1 of 2)|Thing.xdf:143:Thing|Gradius (Disk "
                               "1).zip:148:Gradius (Disk 1)|Gradius (Disk 2).zip:148:Gradius (Disk "
                               "2)|Solo (Disk 2 of 2).xdf:143:Solo (Disk 2 of 2)")
            << on;
        EXPECT_EQ(list.count(), on ? 5 : 7);
    }
    // The file-information window counts every disc: "xdf" twice, 3 bytes each.
    s.discSets = true;
    list.showAll(s);
    LoadedFolders loaded;
    loaded.folders = folders;
    const DetailSources details{loaded, records, {}, false, false};
    EXPECT_EQ(rowFileSize(list.rows()[0], details), 6u);
    EXPECT_EQ(fileInfoTexts(list.rows()[0], details).status,
              "Akumajou.xdf (ディスク 2 枚) - ファイルサイズ : 6 Byte");
}

TEST_F(DiscListTest, APlaylistIsARowAndHidesTheFilesItNames) {
    s.code = "PS";
    folders.extraExtensions[0] = "cue";
    folder(0, "ps", {"FF (Disc 1).cue", "FF (Disc 2).cue", "FF (Disc 3).cue", "Other.cue"});
    dir.write("ps/FF.m3u", "#EXTM3U\nff (disc 1).CUE\nFF (Disc 2).cue\n");
    list.showAll(s);
    EXPECT_EQ(rows(),
              "FF (Disc 1).cue:0:FF (Disc 1)|FF (Disc 2).cue:0:FF (Disc 2)|FF (Disc "
              "3).cue:0:FF (Disc 3)|Other.cue:0:Other");
    s.discSets = true;
    list.showAll(s);
    // Disc 3 is not in the playlist, and alone it is no set.
    EXPECT_EQ(rows(), "FF (Disc 3).cue:0:FF (Disc 3)|Other.cue:0:Other|FF.m3u:0:FF");
    // A playlist an extension pass lists is listed once.
    folders.extraExtensions[1] = "m3u";
    list.showAll(s);
    EXPECT_EQ(rows(), "FF (Disc 3).cue:0:FF (Disc 3)|Other.cue:0:Other|FF.m3u:1:FF");
}

TEST(DiscSets, TheDiscsOfASetOnDisk) {
    romshelf::test::TempFolder dir;
    const std::string folder = dir.makeFolder("roms");
    for (const char* name : {"Ys (Disk 2 of 2).d88", "Ys (Disk 1 of 2).d88", "Lone (Disk 1).d88"})
        dir.write(std::string("roms/") + name, "x");
    EXPECT_EQ(discSetPaths(folder, "Ys.d88"),
              (V{folder + "Ys (Disk 1 of 2).d88", folder + "Ys (Disk 2 of 2).d88"}));
    EXPECT_EQ(discSetPaths(folder, "Lone.d88"), V{});
    EXPECT_EQ(discSetPaths(folder, "Ys.d77"), V{});
}

// Cue sheets and .gdi files as the dumping tools write them: quoted names with blanks, unquoted
// ones, any letter case, CR LF or LF, and names of other folders that are not followed.
TEST(DiscSets, TheTracksASheetNames) {
    EXPECT_EQ(cueSheetFiles("REM GENRE Game\r\n"
                            "FILE \"Game (Japan) (Track 1).bin\" BINARY\r\n"
                            "  TRACK 01 MODE1/2352\r\n"
                            "    INDEX 01 00:00:00\r\n"
                            "file track2.wav WAVE\n"
                            "  TRACK 02 AUDIO\n"
                            "FILE \"..\\other\\Track 3.bin\" BINARY\n"
                            "FILE \"/abs/Track 4.bin\" BINARY\n"
                            "FILE \".\\Track 5.bin\" BINARY\n"
                            "FILE \"unclosed.bin BINARY\n"
                            "FILES x.bin\n"
                            "FILE\n"),
              (V{"Game (Japan) (Track 1).bin", "track2.wav", "Track 5.bin"}));
    EXPECT_EQ(gdiTrackFiles("3\r\n"
                            "1 0 4 2352 track01.bin 0\r\n"
                            "2 600 0 2352 \"track 02.raw\" 0\r\n"
                            "\r\n"
                            "3 45000 4 2352 ../track03.bin 0\r\n"
                            "4 45000\r\n"),
              (V{"track01.bin", "track 02.raw"}));
    EXPECT_EQ(gdiTrackFiles("1 0 4 2352 only-the-count.bin 0\n"), V{});
}

TEST(DiscSets, TheFilesBehindARow) {
    romshelf::test::TempFolder dir;
    const std::string folder = dir.makeFolder("roms");
    dir.write("roms/Game.cue",
              "FILE \"Game (Track 1).bin\" BINARY\nFILE \"Game (Track 2).bin\" "
              "BINARY\nFILE \"GAME (TRACK 1).BIN\" BINARY\n");
    dir.write("roms/Game (Track 1).bin", "1");
    dir.write("roms/Dream.gdi", "2\n1 0 4 2352 d1.bin 0\n2 600 0 2352 Dream.gdi 0\n");
    dir.write("roms/All.m3u", "# discs\nDisc 1.cue\nDisc 2.cue\n");
    dir.write("roms/Disc 1.cue", "FILE \"Disc 1.bin\" BINARY\n");
    dir.write("roms/Disc 1.bin", "d");
    dir.write("roms/Ys (Disk 1 of 2).d88", "a");
    dir.write("roms/Ys (Disk 2 of 2).d88", "b");
    dir.write("roms/Plain.nes", "n");
    auto names = [&](const std::string& row) {
        V found;
        for (const RowFile& f : rowFiles(folder, row)) {
            EXPECT_EQ(f.path, folder + f.name);
            found.push_back(f.name);
        }
        return found;
    };
    // A track named twice (in another letter case) is given once; one not on disk is given.
    EXPECT_EQ(names("Game.cue"), (V{"Game.cue", "Game (Track 1).bin", "Game (Track 2).bin"}));
    // A sheet naming itself does not go round.
    EXPECT_EQ(names("Dream.gdi"), (V{"Dream.gdi", "d1.bin"}));
    // The playlist itself is no dump; its discs and their tracks are.
    EXPECT_EQ(names("All.m3u"), (V{"Disc 1.cue", "Disc 1.bin", "Disc 2.cue"}));
    EXPECT_EQ(names("Ys.d88"), (V{"Ys (Disk 1 of 2).d88", "Ys (Disk 2 of 2).d88"}));
    EXPECT_EQ(names("Plain.nes"), V{"Plain.nes"});
}
