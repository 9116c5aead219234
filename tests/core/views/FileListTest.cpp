#include "core/views/FileList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "FileListFixture.h"
#include "TempFolder.h"
#include "core/views/BuildHelper.h"
#include "core/views/FileListSorter.h"
#include "core/views/SizeText.h"
#include "core/views/SortKeyFile.h"

using namespace romshelf;
namespace fsys = std::filesystem;

namespace {

using V = std::vector<std::string>;
struct FileListTest : romshelf::test::FileListFixture {
    void SetUp() override {
        FileListFixture::SetUp();
        s.categoryNames = {"分類 1", "分類 2", "分類 3", "分類 4", "分類 5", "機種別分類"};
    }
    int addRecord(const std::string& title, const std::string& name, int rating = 0,
                  bool favourite = false) {
        RomRecord r;
        r.fileTitle = title, r.gameName = r.reading = name;
        r.rating = rating, r.favourite = favourite;
        return records.append(r);
    }
    // Column `c` of the rows in display order, joined by '|' (empty for the placeholder row);
    // with `icons`, each with its icon number.
    std::string column(int c, bool icons = false) const {
        std::string out;
        for (const auto& row : list.rows()) {
            if (list.count() == 0) break;
            out += (out.empty() ? "" : "|") + row.cells[static_cast<std::size_t>(c)];
            if (icons) out += ":" + std::to_string(row.icon);
        }
        return out;
    }
    std::string files() const { return column(2); }
};

}  // namespace

// The table's extensions first, then the archive passes; files of one title share its record.
TEST_F(FileListTest, EveryArchiveKindIsListedWithItsIcon) {
    folder(0, "roms/a", {"a.smc", "a.zip", "b.SFC", "notes.txt", "a.cab", "a.rar", "a.7z"});
    dir.makeFolder("roms/a/dir.smc");  // folders are never rows
    const std::string rec = std::to_string(addRecord("a", "エー"));
    list.showAll(s);
    EXPECT_EQ(column(2, true), "a.smc:25|b.SFC:27|a.zip:35|a.cab:37|a.rar:38|a.7z:39");
    EXPECT_EQ(column(0), "エー|b|エー|エー|エー|エー");  // an unregistered file shows its title
    EXPECT_EQ(column(11), rec + "|-1|" + rec + "|" + rec + "|" + rec + "|" + rec);
    EXPECT_EQ(list.title(), "スーパーファミコン : 全ファイル (ファイル数 : 6)");
}

TEST_F(FileListTest, ExtensionPassesPerHardware) {
    folder(0, "roms", {"x.BIN", "y.gen", "z.lzh", "w.txt", "v.doc", "pacman.zip"});
    // Hardware, extra extensions, and what is listed.
    const std::tuple<const char*, decltype(folders.extraExtensions), const char*> cases[] = {
        // The empty extra slot uses no icon number.
        {"MD", {"txt", "", "doc"}, "x.BIN:73|y.gen:75|pacman.zip:77|z.lzh:78|w.txt:0|v.doc:1"},
        // MAME sets are zip files: no archive pass, so a .lzh needs an extra extension.
        {"MAME", {}, "pacman.zip:134"},
        {"MAME", {"lzh"}, "pacman.zip:134|z.lzh:0"},
        // An extra extension that repeats a pass lists the files twice.
        {"MAME", {"zip"}, "pacman.zip:134|pacman.zip:0"},
    };
    for (const auto& [code, extras, listed] : cases) {
        s.code = code;
        folders.extraExtensions = extras;
        list.showAll(s);
        EXPECT_EQ(column(2, true), listed);
    }
}

TEST_F(FileListTest, EmptyResultsShowThePlaceholder) {
    list.showAll(s);
    ASSERT_EQ(list.rows().size(), 1u);
    EXPECT_EQ(list.count(), 0);
    const auto& cells = list.rows()[0].cells;
    EXPECT_EQ(cells[0] + " " + cells[10] + " " + cells[11], "ファイルがありません -1 -1");
    EXPECT_EQ(list.title(), "スーパーファミコン : 全ファイル (ファイル数 : 0)");

    folder(0, "roms/a", {"a.smc"});
    list.showFiltered(s, FolderWindowKind::RomFolder, 7, "");  // an empty slot
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.rows()[0].folderNumber, kPlaceholderFolder);
    EXPECT_EQ(list.title(), "スーパーファミコン :  / フォルダ (ファイル数 : 0)");
}

TEST_F(FileListTest, SearchRules) {
    folder(0, "roms", {"xabcx.smc", "mario.smc", "fav.smc", "plain.smc"});
    addRecord("mario", "Super Mario", 3);
    addRecord("fav", "Favourite", 0, true);
    addRecord("plain", "Plain");
    const std::string any(kNoCondition), registered(kRegisteredItem);
    // Typed text, rating, favourite state, field, and what is found.
    const std::tuple<std::string, std::string, std::string, int, const char*> cases[] = {
        // An unregistered file matches by its upper-cased title while no condition is set.
        {"abc", any, any, 0, "xabcx.smc"},
        {"abc", "", any, 0, "xabcx.smc"},  // "未登録" is not a condition
        {"abc", "★", any, 0, ""},
        {"mario", any, any, 0, "mario.smc"},
        // Not favourites: registered non-favourites and unregistered files.
        {"", any, "", 0, "mario.smc|plain.smc|xabcx.smc"},
        {"", any, registered, 0, "fav.smc"},
        {"", any, any, 3, "fav.smc|mario.smc|plain.smc"},  // comments: none unregistered
    };
    for (const auto& [typed, rating, favourite, field, found] : cases) {
        SearchCriteria c;
        std::tie(c.typed, c.rating, c.favourite, c.field) =
            std::tie(typed, rating, favourite, field);
        c.classes.fill(any);
        list.showSearchResult(s, c);
        EXPECT_EQ(files(), found) << typed << rating << favourite;
        if (typed == "abc" && rating == any) {
            EXPECT_EQ(list.title(), "スーパーファミコン : abc / 検索結果 (ファイル数 : 1)");
        }
    }
}

TEST_F(FileListTest, FolderWindowSelections) {
    folder(0, "r0", {"a.smc"});
    folder(1, "r1", {"b.smc", "c.smc"});
    lists.items[1] = {"RPG", "ACT"};
    const int a = addRecord("a", "A", 2);
    records.edit(a, [](RomRecord& r) { r.classes[1] = "ACT"; });
    addRecord("b", "B", 0, true);
    using K = FolderWindowKind;
    // Kind, item, label, what is found, and the kind's name in the title (nullptr: unchecked).
    const std::tuple<K, int, std::string, const char*, const char*> cases[] = {
        {K::RomFolder, 1, "Folder 2", "b.smc|c.smc", "フォルダ"},
        {K::Rating, 2, "★★", "a.smc", nullptr},
        {K::Rating, 0, "未登録", "b.smc|c.smc", nullptr},
        {categoryKind(1), 2, "ACT", "a.smc", "分類 2"},
        {categoryKind(1), 0, "未登録", "b.smc|c.smc", nullptr},  // empty or unregistered
        {categoryKind(1), 9, "gone", "", nullptr},               // an item that no longer exists
        {K::Favourites, 1, "登録済み", "b.smc", "お気に入り"},
        {K::Favourites, 0, "未登録", "a.smc|c.smc", nullptr},
    };
    for (const auto& [kind, item, label, found, kindName] : cases) {
        list.showFiltered(s, kind, item, label);
        EXPECT_EQ(files(), found) << label;
        if (kindName) {
            EXPECT_EQ(list.title(), "スーパーファミコン : " + label + " / " + kindName +
                                        " (ファイル数 : " + std::to_string(list.count()) + ")");
        }
    }
}

TEST_F(FileListTest, UnregisteredSnaplessAndUnownedRows) {
    folder(0, "r", {"a.smc", "b.smc", "c.smc"});
    addRecord("a", "A");
    list.showUnregistered(s);
    EXPECT_EQ(files(), "b.smc|c.smc");
    EXPECT_EQ(list.title(), "スーパーファミコン : 未登録ファイル (ファイル数 : 2)");

    list.showWithoutSnap(s);  // no snap folder: every file
    EXPECT_EQ(list.count(), 3);
    s.snapFolder = dir.makeFolder("snap");
    dir.write("snap/A.png", "x");  // "a.*" ignores letter case
    dir.write("snap/b.old.bmp", "x");
    list.showWithoutSnap(s);
    EXPECT_EQ(files(), "c.smc");
    EXPECT_EQ(list.title(), "スーパーファミコン : 非スナップファイル (ファイル数 : 1)");

    // Unowned titles: with the option on, after the files, grey rows of folder -2.
    dir.write("data/NoHave_SFC.txt", "a\r\nzz\r\n\r\n");
    s.listMissingFiles = true;
    list.showAll(s);
    EXPECT_EQ(files(), "a.smc|b.smc|c.smc|a|zz");
    EXPECT_EQ(column(0), "A|b|c|A|zz");  // the record's data
    EXPECT_EQ(column(10), "0|0|0|-2|-2");
    EXPECT_EQ(list.rows()[3].folderNumber, kUnownedFolder);
    EXPECT_EQ(list.rows()[4].icon, 1);
    EXPECT_EQ(list.label(), "全ファイル + 未所有ファイル");
    // A line longer than any file name is shown cut, its title no longer than its name.
    dir.write("data/NoHave_SFC.txt", std::string(70000, 'L') + "\n");
    list.showAll(s);
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(list.rows()[3].fileName().size(), FileListRow::kLongestName);
    EXPECT_EQ(list.rows()[3].gameName().size(), FileListRow::kLongestName);
    EXPECT_EQ(list.rows()[3].cells[2], std::string(FileListRow::kLongestName, 'L'));
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
    EXPECT_EQ(files(), "editor.sh|manual.pdf");
    EXPECT_EQ(column(0), "editor|manual");
    EXPECT_EQ(column(10), "0|3");
    list.showFiltered(s, FolderWindowKind::RomFolder, 0, "x");
    EXPECT_EQ(list.count(), 0);
}

TEST_F(FileListTest, NamesWithShellCharactersStayIntact) {
    folder(0, "roms/a b",
           {"a \"quoted\" name.smc", "$(rm -rf x).smc", "semi;colon&.smc", "한국어 게임.smc",
            "back\\slash.smc", "ゲーム (J) [!].smc"});
    list.showAll(s);  // a folder is listed in byte order of its names
    EXPECT_EQ(files(),
              "$(rm -rf x).smc|a \"quoted\" name.smc|back\\slash.smc|semi;colon&.smc|"
              "ゲーム (J) [!].smc|한국어 게임.smc");
}

TEST_F(FileListTest, SortingByColumns) {
    folder(0, "r", {"1.smc", "2.smc", "3.smc", "4.smc"});
    addRecord("1", "さくら");
    addRecord("2", "アイス");
    addRecord("3", "あいす");
    addRecord("4", "かき");
    s.neverSort = false;
    list.showAll(s);  // ascending game names; アイス = あいす keep their scan order
    EXPECT_EQ(column(0), "アイス|あいす|かき|さくら");
    list.clickColumn(0, s);  // the first click on a column sorts it descending
    EXPECT_EQ(column(0), "さくら|かき|アイス|あいす");
    list.clickColumn(0, s);
    EXPECT_EQ(column(0), "アイス|あいす|かき|さくら");

    s.kanaSensitive = true;  // byte order: hiragana first
    list.showAll(s);
    EXPECT_EQ(column(0), "あいす|かき|さくら|アイス");

    list.clickColumn(2, s);  // file names descending; other columns keep their direction
    EXPECT_EQ(column(2), "4.smc|3.smc|2.smc|1.smc");
    EXPECT_EQ(list.direction(0), SortDirection::Ascending);
    list.showAll(s);  // a rebuild sorts by the remembered column
    EXPECT_EQ(column(2), "4.smc|3.smc|2.smc|1.smc");

    // A rebuild of the same rows keeps their order; a changed cell sorts anew, though the file
    // names and the record titles stayed.
    s.kanaSensitive = false;
    list.clickColumn(0, s);
    list.clickColumn(0, s);
    EXPECT_EQ(column(0), "アイス|あいす|かき|さくら");
    list.showAll(s);
    EXPECT_EQ(column(0), "アイス|あいす|かき|さくら");
    records.edit(3, [](RomRecord& r) { r.gameName = "あ"; });
    list.showAll(s);
    EXPECT_EQ(column(0), "あ|アイス|あいす|さくら");

    s.neverSort = true;
    list.clickColumn(0, s);
    EXPECT_EQ(column(0), "あ|アイス|あいす|さくら");
    list.showAll(s);  // scan order
    EXPECT_EQ(column(2), "1.smc|2.smc|3.smc|4.smc");
}

// The collation keys are kept in a file between runs; only whole files of the same rules count.
TEST_F(FileListTest, CollationKeysAreKeptBetweenRuns) {
    folder(0, "r", {"1.smc", "2.smc", "3.smc"});
    addRecord("1", "さくら");
    addRecord("2", "かき");
    addRecord("3", "アイス");
    s.neverSort = false;
    const std::string keyFile = dir.file("cache/sortkeys.bin");
    const std::string stamp = text::JapaneseCollator().versionStamp();
    const auto sortedBy = [&](const std::string* bytes) {
        if (bytes) dir.write("cache/sortkeys.bin", *bytes);
        FileList fresh;
        fresh.setSortKeyFile(keyFile);
        fresh.showAll(s);
        V names;
        for (const auto& row : fresh.rows()) names.push_back(row.cells[0]);
        return names;
    };
    // Keys that no collation would give prove that the file's keys are the ones used.
    SortKeyCache planted;
    planted.insert("さくら", "\x01", false);
    planted.insert("かき", "\x02", false);
    planted.insert("アイス", "\x03", false);
    const std::string bytes = sortKeyFileBytes(planted, stamp);
    EXPECT_EQ(sortedBy(&bytes), (V{"さくら", "かき", "アイス"}));

    // A file of the older layout (each cell and key after their sizes, no table) is ignored,
    // and written again in the new one.
    std::string older = "RSSORTK1";
    const auto u32 = [&](std::size_t v) {
        for (int b = 0; b < 4; ++b) older += static_cast<char>((v >> (8 * b)) & 0xFF);
    };
    u32(stamp.size());
    older += stamp;
    u32(3);
    for (const auto& [cell, key] : {std::pair<std::string, std::string>{"さくら", "\x01"},
                                    {"かき", "\x02"},
                                    {"アイス", "\x03"}}) {
        u32(cell.size());
        u32(key.size());
        older += cell + key;
    }
    const V collated = {"アイス", "かき", "さくら"};
    EXPECT_EQ(sortedBy(&older), collated);
    {
        FileList later;
        later.setSortKeyFile(keyFile);
        later.showAll(s);
        ASSERT_TRUE(later.saveSortKeys());
        EXPECT_EQ(dir.read("cache/sortkeys.bin").substr(0, 8), "RSSORTK2");
        EXPECT_EQ(sortedBy(nullptr), collated);
    }

    // Damaged or foreign files are ignored whole: another stamp, bytes after the end, a byte
    // changed.
    const std::string foreign = sortKeyFileBytes(planted, stamp + "x");
    std::string changed = bytes;
    changed[changed.size() - 1] ^= 1;
    for (const std::string& bad : {foreign, bytes + "!", changed})
        EXPECT_EQ(sortedBy(&bad), collated);

    // Written when keys were added, and only then.
    fsys::remove(keyFile);
    list.setSortKeyFile(keyFile);
    list.showAll(s);
    ASSERT_TRUE(list.saveSortKeys());
    EXPECT_EQ(sortedBy(nullptr), collated);
    fsys::remove(keyFile);
    list.showAll(s);
    ASSERT_TRUE(list.saveSortKeys());
    EXPECT_FALSE(fsys::exists(keyFile));
    dir.write("r/4.smc", "rom");
    list.showAll(s);
    ASSERT_TRUE(list.saveSortKeys());
    SortKeyCache reread;
    EXPECT_EQ(loadSortKeyFile(keyFile, stamp, reread), 4u);
}

TEST(FileListSort, OnlyTheFirst63BytesCount) {
    text::JapaneseCollator collator;
    auto key = [&](const std::string& cell, bool kana) {
        return fileListSortKey(cell, kana, collator);
    };
    const std::string base(63, 'a');
    std::string kanji;  // 31 double-byte characters take 62 bytes; the 32nd no longer counts
    for (int i = 0; i < 31; ++i) kanji += "漢";
    for (bool kana : {false, true}) {
        EXPECT_EQ(key(base + "x", kana), key(base + "y", kana));
        EXPECT_NE(key(base.substr(1) + "x", kana), key(base.substr(1) + "y", kana));
        EXPECT_EQ(key(kanji + "あ", kana), key(kanji + "い", kana));
        EXPECT_NE(key(kanji.substr(3) + "あ", kana), key(kanji.substr(3) + "い", kana));
    }
}

// Keys alike in their first sixteen bytes are told apart by the rest, then by their sizes (a key
// before any longer one it begins, zero bytes and all); equal keys keep their rows' order, sorted
// on one thread or on two.
TEST(FileListSort, KeysAlikeAtTheStartAreOrderedByTheRest) {
    const std::string head = "0123456789abcdef";
    const std::vector<std::string> held = {head + "Z", head + "A", head,
                                           head + "A", "0",        std::string("0\0\5", 3)};
    const std::vector<std::string_view> keys(held.begin(), held.end());
    using O = std::vector<std::uint32_t>;
    BuildHelper helper;
    for (BuildHelper* h : {static_cast<BuildHelper*>(nullptr), &helper}) {
        EXPECT_EQ(orderOfSortKeys(keys, false, h), (O{4, 5, 2, 1, 3, 0}));
        EXPECT_EQ(orderOfSortKeys(keys, true, h), (O{0, 1, 3, 2, 5, 4}));
    }
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

// Large lists are scanned and keyed on two threads, and sorted by the ranks of the key file when
// every key comes from it: each way must give the order one thread computing every key gives,
// equal keys (ぷよ and プヨ) in scan order.
// A rebuild takes the listings of folders that read the same from the build before; the records
// are looked up again when a title changed in between, and read again in any case.
// Texts of any length are kept whole, however many rows share the store: a long comment pasted
// into a record among short ones.
TEST_F(FileListTest, ARecordsTextLongerThanTheStoresBlocksShowsWhole) {
    folder(0, "r", {"a.smc", "b.smc", "c.smc"});
    addRecord("a", "エー");
    const std::string longName(100 * 1024, 'z');
    addRecord("b", longName);
    addRecord("c", "シー");
    for (int twice = 0; twice < 2; ++twice) {
        list.showAll(s);
        EXPECT_EQ(column(0), "エー|" + longName + "|シー");
    }
}

TEST_F(FileListTest, ARebuildFollowsTheRecordsThatChangedInBetween) {
    for (int n = 0; n < 9; ++n) {
        const std::string k = std::to_string(n);
        folder(n, "f" + k, {"a" + k + ".sfc", "b" + k + ".sfc"});
    }
    const int a0 = addRecord("a0", "エー");
    auto firstFour = [&] {
        list.showAll(s);
        std::string names = column(0);
        for (int bars = 0, i = 0; i < static_cast<int>(names.size()); ++i)
            if (names[static_cast<std::size_t>(i)] == '|' && ++bars == 4)
                return names.substr(0, static_cast<std::size_t>(i));
        return names;
    };
    EXPECT_EQ(firstFour(), "エー|b0|a1|b1");
    records.setFileTitle(a0, "b0");
    EXPECT_EQ(firstFour(), "a0|エー|a1|b1");
    addRecord("a1", "ワン");
    EXPECT_EQ(firstFour(), "a0|エー|ワン|b1");
    records.edit(a0, [](RomRecord& r) { r.gameName = "ビー"; });
    EXPECT_EQ(firstFour(), "a0|ビー|ワン|b1");
    records.deleteRecords({a0});
    EXPECT_EQ(firstFour(), "a0|b0|ワン|b1");
    // Only the files without a record, twice, after a folder changed: the second build starts
    // from the first one's listing, which holds more matches than rows.
    const std::string added = dir.write("f1/c1.sfc", "rom");
    for (int twice = 0; twice < 2; ++twice) {
        list.showUnregistered(s);
        EXPECT_EQ(list.count(), 18);
        EXPECT_EQ(files().find("a1.sfc"), std::string::npos);
    }
    fsys::remove(added);
    EXPECT_EQ(firstFour(), "a0|b0|ワン|b1");
    // Another table of records, changed as many times as this one (four): its own records are
    // looked up.
    RomTable other;
    for (const char* title : {"x", "y", "z", "b1"}) {
        RomRecord r;
        r.fileTitle = title;
        r.gameName = std::string("別") + title;
        other.append(r);
    }
    s.records = &other;
    EXPECT_EQ(firstFour(), "a0|b0|a1|別b1");
}

TEST_F(FileListTest, EveryWayOfSortingGivesTheSameOrder) {
    const V words = {"ぷよ", "テトリス", "マリオ", "Zelda", "がんばれ", "ゴエモン", "Mega"};
    for (int f = 0; f < 12; ++f) {
        V names = {"ぷよ-dup.sfc", "プヨ-dup.sfc"};
        for (int i = 0; i < 700; ++i)
            names.push_back(words[static_cast<std::size_t>((i * 7 + f) % 7)] +
                            std::to_string(i * 13 % 997) + "-" + std::to_string(f) + ".sfc");
        folder(f, "f" + std::to_string(f), names);
    }
    list.showAll(s);  // unsorted: folder after folder
    ASSERT_EQ(list.count(), 12 * 702);
    EXPECT_TRUE(std::is_sorted(
        list.rows().begin(), list.rows().end(),
        [](const auto& a, const auto& b) { return a.folderNumber < b.folderNumber; }));
    s.neverSort = false;
    const auto names = [](const FileList& l) {
        V out;
        for (const auto& row : l.rows()) out.push_back(row.fileName());
        return out;
    };
    const std::string keyFile = dir.file("cache/sortkeys.bin");
    // Ascending and descending, from a list that computes every key (on two threads) and from a
    // later start that reads them.
    const auto orders = [&](FileList& l) {
        l.showAll(s);
        const V up = names(l);
        l.clickColumn(0, s);
        const V down = names(l);
        l.clickColumn(0, s);
        return std::pair(up, down);
    };
    FileList fresh;
    fresh.setSortKeyFile(keyFile);
    const auto computed = orders(fresh);
    EXPECT_EQ(orders(fresh), computed);  // every key remembered
    ASSERT_TRUE(fresh.saveSortKeys());
    FileList started;
    started.setSortKeyFile(keyFile);
    EXPECT_EQ(orders(started), computed);
    // A name the file does not know: its key is computed, the rest come from the file. Put in
    // each folder in turn, so that one of the two threads finds it while the other finds none.
    FileList reference;  // keeps the keys it computed
    for (int f = 0; f < 12; ++f) {
        const std::string added = dir.write("f" + std::to_string(f) + "/ぷよ-new.sfc", "rom");
        FileList later;
        later.setSortKeyFile(keyFile);
        EXPECT_EQ(orders(later), orders(reference)) << f;
        fsys::remove(added);
    }
}
