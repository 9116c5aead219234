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
