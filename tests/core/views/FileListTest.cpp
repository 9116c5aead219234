#include "core/views/FileList.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "TempFolder.h"
#include "core/views/FileListSorter.h"
#include "core/views/SizeText.h"

using namespace romshelf;

namespace {

struct FileListTest : ::testing::Test {
    romshelf::test::TempFolder dir;
    FolderSettings folders;
    RomTable records;
    CategoryLists lists;
    FileList list;
    FileListSources s;

    void SetUp() override {
        s.code = "SFC";
        s.hardwareName = "スーパーファミコン";
        s.folders = &folders;
        s.records = &records;
        s.lists = &lists;
        s.categoryNames = {"分類 1", "分類 2", "分類 3", "分類 4", "分類 5", "機種別分類"};
        s.noHavePath = dir.file("data/NoHave_SFC.txt");
    }
    std::string folder(int n, const std::string& name) {
        folders.romFolderPaths[static_cast<std::size_t>(n)] = dir.makeFolder(name);
        return folders.romFolderPaths[static_cast<std::size_t>(n)];
    }
    void file(const std::string& path) { dir.write(path, "rom"); }
    int addRecord(const std::string& title, const std::string& name, int rating = 0,
                  bool favourite = false) {
        RomRecord r;
        r.fileTitle = title;
        r.gameName = name;
        r.reading = name;
        r.rating = rating;
        r.favourite = favourite;
        return records.append(r);
    }
    std::vector<std::string> column(int c) const {
        std::vector<std::string> out;
        for (const auto& row : list.rows()) out.push_back(row.cells[static_cast<std::size_t>(c)]);
        return out;
    }
    const FileListRow* rowOf(const std::string& fileName) const {
        for (const auto& row : list.rows())
            if (row.cells[2] == fileName) return &row;
        return nullptr;
    }
};

using V = std::vector<std::string>;

}  // namespace

TEST_F(FileListTest, FilesOfOneTitleShareTheirRecord) {
    folder(0, "roms/a");
    file("roms/a/a.smc");
    file("roms/a/a.zip");
    file("roms/a/b.SFC");
    file("roms/a/notes.txt");
    dir.makeFolder("roms/a/dir.smc");  // folders are never rows
    const int rec = addRecord("a", "エー");
    s.neverSort = true;
    list.showAll(s);
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(column(2), (V{"a.smc", "b.SFC", "a.zip"}));  // table passes first, archives after
    const FileListRow* smc = rowOf("a.smc");
    const FileListRow* zip = rowOf("a.zip");
    EXPECT_EQ(smc->cells[0], "エー");
    EXPECT_EQ(zip->cells[0], "エー");
    EXPECT_EQ(smc->cells[11], std::to_string(rec));
    EXPECT_EQ(zip->recordIndex, rec);
    EXPECT_EQ(smc->icon, 25);
    EXPECT_EQ(zip->icon, 35);
    EXPECT_EQ(rowOf("b.SFC")->icon, 27);
    EXPECT_EQ(rowOf("b.SFC")->cells[0], "b");  // unregistered: its title
    EXPECT_EQ(rowOf("b.SFC")->cells[11], "-1");
    EXPECT_EQ(smc->cells[10], "0");
    EXPECT_EQ(list.title(), "スーパーファミコン : 全ファイル (ファイル数 : 3)");
    EXPECT_EQ(list.frameTitle(), "ファイルリスト - スーパーファミコン : 全ファイル (ファイル数 : 3)");
    EXPECT_EQ(list.mainTitle(false), "Romshelf Plus !!");
    EXPECT_EQ(list.mainTitle(true), "Romshelf Plus !! - " + list.title());
}

TEST_F(FileListTest, ExtensionPassesPerHardware) {
    s.code = "MD";
    folder(0, "md");
    file("md/x.BIN");
    file("md/y.gen");
    file("md/z.lzh");
    file("md/w.txt");
    file("md/v.doc");
    folders.extraExtensions = {"txt", "", "doc"};
    s.neverSort = true;
    list.showAll(s);
    EXPECT_EQ(column(2), (V{"x.BIN", "y.gen", "z.lzh", "w.txt", "v.doc"}));
    EXPECT_EQ(rowOf("x.BIN")->icon, 73);
    EXPECT_EQ(rowOf("z.lzh")->icon, 78);
    EXPECT_EQ(rowOf("w.txt")->icon, 0);
    EXPECT_EQ(rowOf("v.doc")->icon, 1);  // the empty slot uses no number

    // MAME sets are zip files: no archive pass, so a .lzh needs an extra extension.
    s.code = "MAME";
    folders.extraExtensions = {};
    file("md/pacman.zip");
    list.showAll(s);
    EXPECT_EQ(column(2), (V{"pacman.zip"}));
    EXPECT_EQ(rowOf("pacman.zip")->icon, 134);
    folders.extraExtensions[0] = "lzh";
    list.showAll(s);
    EXPECT_EQ(column(2), (V{"pacman.zip", "z.lzh"}));

    // An extra extension that repeats a pass lists the files twice.
    folders.extraExtensions[0] = "zip";
    list.showAll(s);
    EXPECT_EQ(list.count(), 2);
}

TEST_F(FileListTest, EmptyResultsShowThePlaceholder) {
    list.showAll(s);
    ASSERT_EQ(list.rows().size(), 1u);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.rows()[0].cells[0], "ファイルがありません");
    EXPECT_EQ(list.rows()[0].cells[10], "-1");
    EXPECT_EQ(list.rows()[0].cells[11], "-1");
    EXPECT_EQ(list.title(), "スーパーファミコン : 全ファイル (ファイル数 : 0)");

    folder(0, "roms/a");
    file("roms/a/a.smc");
    list.showFiltered(s, FolderWindowKind::RomFolder, 7, "");  // an empty slot
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.rows()[0].folderNumber, kPlaceholderFolder);
    EXPECT_EQ(list.title(), "スーパーファミコン :  / フォルダ (ファイル数 : 0)");
}

TEST_F(FileListTest, SearchRules) {
    folder(0, "roms");
    for (const char* f : {"xabcx.smc", "mario.smc", "fav.smc", "plain.smc"}) file(std::string("roms/") + f);
    s.neverSort = true;
    SearchCriteria c;
    c.typed = "abc";
    c.rating = c.favourite = std::string(kNoCondition);
    c.classes.fill(std::string(kNoCondition));
    // No record at all: the upper-cased title of an unregistered file matches.
    list.showSearchResult(s, c);
    EXPECT_EQ(column(2), (V{"xabcx.smc"}));
    EXPECT_EQ(list.title(), "スーパーファミコン : abc / 検索結果 (ファイル数 : 1)");
    c.rating = "";  // "未登録": still found
    list.showSearchResult(s, c);
    EXPECT_EQ(list.count(), 1);
    c.rating = "★";
    list.showSearchResult(s, c);
    EXPECT_EQ(list.count(), 0);

    addRecord("mario", "Super Mario", 3);
    addRecord("fav", "Favourite", 0, true);
    addRecord("plain", "Plain", 0, false);
    c = SearchCriteria{};
    c.rating = std::string(kNoCondition);
    c.classes.fill(std::string(kNoCondition));
    c.typed = "mario";
    c.favourite = std::string(kNoCondition);
    list.showSearchResult(s, c);
    EXPECT_EQ(column(2), (V{"mario.smc"}));
    c.typed = "";
    c.favourite = "";  // not favourites: registered non-favourites and unregistered files
    list.showSearchResult(s, c);
    EXPECT_EQ(column(2), (V{"mario.smc", "plain.smc", "xabcx.smc"}));
    c.favourite = std::string(kRegisteredItem);
    list.showSearchResult(s, c);
    EXPECT_EQ(column(2), (V{"fav.smc"}));
    c.favourite = std::string(kNoCondition);
    c.field = 3;  // comments: unregistered files have none
    list.showSearchResult(s, c);
    EXPECT_EQ(column(2), (V{"fav.smc", "mario.smc", "plain.smc"}));
}

TEST_F(FileListTest, FolderWindowSelections) {
    folder(0, "r0");
    folder(1, "r1");
    file("r0/a.smc");
    file("r1/b.smc");
    file("r1/c.smc");
    lists.items[1] = {"RPG", "ACT"};
    const int a = addRecord("a", "A", 2);
    records.edit(a, [](RomRecord& r) { r.classes[1] = "ACT"; });
    addRecord("b", "B", 0, true);
    s.neverSort = true;

    list.showFiltered(s, FolderWindowKind::RomFolder, 1, "Folder 2");
    EXPECT_EQ(column(2), (V{"b.smc", "c.smc"}));
    EXPECT_EQ(list.title(), "スーパーファミコン : Folder 2 / フォルダ (ファイル数 : 2)");
    list.showFiltered(s, FolderWindowKind::Rating, 2, "★★");
    EXPECT_EQ(column(2), (V{"a.smc"}));
    list.showFiltered(s, FolderWindowKind::Rating, 0, "未登録");
    EXPECT_EQ(column(2), (V{"b.smc", "c.smc"}));
    list.showFiltered(s, categoryKind(1), 2, "ACT");
    EXPECT_EQ(column(2), (V{"a.smc"}));
    EXPECT_EQ(list.title(), "スーパーファミコン : ACT / 分類 2 (ファイル数 : 1)");
    list.showFiltered(s, categoryKind(1), 0, "未登録");  // empty value or unregistered
    EXPECT_EQ(column(2), (V{"b.smc", "c.smc"}));
    list.showFiltered(s, categoryKind(1), 9, "gone");  // an item that no longer exists
    EXPECT_EQ(list.count(), 0);
    list.showFiltered(s, FolderWindowKind::Favourites, 1, "登録済み");
    EXPECT_EQ(column(2), (V{"b.smc"}));
    EXPECT_EQ(list.title(), "スーパーファミコン : 登録済み / お気に入り (ファイル数 : 1)");
    list.showFiltered(s, FolderWindowKind::Favourites, 0, "未登録");
    EXPECT_EQ(column(2), (V{"a.smc", "c.smc"}));
}

TEST_F(FileListTest, UnregisteredSnaplessAndUnownedRows) {
    folder(0, "r");
    file("r/a.smc");
    file("r/b.smc");
    file("r/c.smc");
    addRecord("a", "A");
    s.neverSort = true;
    list.showUnregistered(s);
    EXPECT_EQ(column(2), (V{"b.smc", "c.smc"}));
    EXPECT_EQ(list.title(), "スーパーファミコン : 未登録ファイル (ファイル数 : 2)");

    list.showWithoutSnap(s);  // no snap folder: every file
    EXPECT_EQ(list.count(), 3);
    folders.snapFolderPaths[0] = dir.makeFolder("snap");
    dir.write("snap/A.png", "x");  // "a.*" ignores letter case
    dir.write("snap/b.old.bmp", "x");
    s.snapFolder = folders.snapFolderPaths[0];
    list.showWithoutSnap(s);
    EXPECT_EQ(column(2), (V{"c.smc"}));
    EXPECT_EQ(list.title(), "スーパーファミコン : 非スナップファイル (ファイル数 : 1)");

    // Unowned titles: with the option on, after the files, grey rows of folder -2.
    dir.write("data/NoHave_SFC.txt", "a\r\nzz\r\n\r\n");
    s.listMissingFiles = true;
    list.showAll(s);
    EXPECT_EQ(column(2), (V{"a.smc", "b.smc", "c.smc", "a", "zz"}));
    EXPECT_EQ(list.rows()[3].cells[0], "A");  // the record's data
    EXPECT_EQ(list.rows()[3].folderNumber, kUnownedFolder);
    EXPECT_EQ(list.rows()[3].cells[10], "-2");
    EXPECT_EQ(list.rows()[4].icon, 1);
    EXPECT_EQ(list.label(), "全ファイル + 未所有ファイル");
    s.listMissingFiles = false;
    list.showAll(s);
    EXPECT_EQ(list.label(), "全ファイル");
}

TEST_F(FileListTest, OtherSoftwareListsItsLocations) {
    s.code = "HARD";
    s.otherSoftware = true;
    folders.romFolderPaths[0] = dir.write("apps/editor.sh", "#!/bin/sh");
    folders.romFolderPaths[1] = dir.file("apps/missing.sh");
    folders.romFolderPaths[3] = dir.write("docs/manual.pdf", "%PDF");
    list.showAll(s);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(rowOf("manual.pdf")->cells[10], "3");
    EXPECT_EQ(rowOf("editor.sh")->cells[0], "editor");
    list.showFiltered(s, FolderWindowKind::RomFolder, 0, "x");
    EXPECT_EQ(list.count(), 0);
}

TEST_F(FileListTest, NamesWithShellCharactersStayIntact) {
    folder(0, "roms/a b");
    const V names = {"$(rm -rf x).smc", "a \"quoted\" name.smc", "semi;colon&.smc", "한국어 게임.smc",
                     "back\\slash.smc", "ゲーム (J) [!].smc"};
    for (const auto& n : names) file("roms/a b/" + n);
    list.showAll(s);
    V found = column(2);
    std::sort(found.begin(), found.end());
    V expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
}

TEST_F(FileListTest, SortingByColumns) {
    folder(0, "r");
    for (const char* f : {"1.smc", "2.smc", "3.smc", "4.smc"}) file(std::string("r/") + f);
    addRecord("1", "さくら");
    addRecord("2", "アイス");
    addRecord("3", "あいす");
    addRecord("4", "かき");
    list.showAll(s);  // ascending game names; アイス = あいす keep their scan order
    EXPECT_EQ(column(0), (V{"アイス", "あいす", "かき", "さくら"}));
    list.clickColumn(0, s);  // the first click on a column sorts it descending
    EXPECT_EQ(column(0), (V{"さくら", "かき", "アイス", "あいす"}));
    list.clickColumn(0, s);
    EXPECT_EQ(column(0), (V{"アイス", "あいす", "かき", "さくら"}));

    s.kanaSensitive = true;  // byte order: hiragana first
    list.showAll(s);
    EXPECT_EQ(column(0), (V{"あいす", "かき", "さくら", "アイス"}));

    list.clickColumn(2, s);  // file names descending; other columns keep their direction
    EXPECT_EQ(column(2), (V{"4.smc", "3.smc", "2.smc", "1.smc"}));
    EXPECT_EQ(list.direction(0), SortDirection::Ascending);
    list.showAll(s);  // a rebuild sorts by the remembered column
    EXPECT_EQ(column(2), (V{"4.smc", "3.smc", "2.smc", "1.smc"}));

    s.neverSort = true;
    list.clickColumn(0, s);
    EXPECT_EQ(column(2), (V{"4.smc", "3.smc", "2.smc", "1.smc"}));
    list.showAll(s);  // scan order
    EXPECT_EQ(column(2), (V{"1.smc", "2.smc", "3.smc", "4.smc"}));
}

TEST(FileListSort, OnlyTheFirst63BytesCount) {
    text::JapaneseCollator collator;
    const std::string base(63, 'a');
    for (bool kana : {false, true}) {
        EXPECT_EQ(fileListSortKey(base + "x", kana, collator), fileListSortKey(base + "y", kana, collator));
        EXPECT_NE(fileListSortKey(base.substr(1) + "x", kana, collator),
                  fileListSortKey(base.substr(1) + "y", kana, collator));
    }
    // 31 double-byte characters take 62 bytes; the 32nd no longer counts.
    std::string kanji;
    for (int i = 0; i < 31; ++i) kanji += "漢";
    EXPECT_EQ(fileListSortKey(kanji + "あ", false, collator), fileListSortKey(kanji + "い", false, collator));
    EXPECT_NE(fileListSortKey(kanji.substr(3) + "あ", false, collator),
              fileListSortKey(kanji.substr(3) + "い", false, collator));
}

TEST(SizeText, UnitsAndSeparators) {
    EXPECT_EQ(sizeText(0), "0 Byte");
    EXPECT_EQ(sizeText(1023), "1023 Byte");
    EXPECT_EQ(sizeText(1024), "1 KB");
    EXPECT_EQ(sizeText(1234 * 1024), "1,234 KB");
    EXPECT_EQ(sizeText(102399ull * 1024), "102,399 KB");
    EXPECT_EQ(sizeText(102400ull * 1024), "100 MB");
    EXPECT_EQ(sizeText(1048576000ull), "1,000 MB");
    EXPECT_EQ(sizeText(123456ull * 1024 * 1024), "123,456 MB");
}
