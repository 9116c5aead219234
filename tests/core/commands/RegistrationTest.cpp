#include <gtest/gtest.h>

#include <tuple>

#include "AppChecks.h"
#include "core/commands/Registration.h"

namespace romshelf {
namespace {

using V = std::vector<std::string>;

struct RowNotices : ApplicationListener {
    std::vector<int> rows;
    void fileListRowChanged(int row) override { rows.push_back(row); }
};

// FC with its files in roms/, two snap folders, TEMP and save folders, three emulators and the
// category item "rpg".
class RegistrationTest : public test::AppChecks {
protected:
    RegistrationTest() {
        FolderSettings f;
        f.romFolderNames[0] = "FC", f.romFolderPaths[0] = "./roms/";
        f.snapFolderPaths[0] = "./snap1/", f.snapFolderPaths[2] = "./snap2/";
        f.tempFolder = "./temp/", f.saveFolder = "./save/";
        writeFolderSettings("FC", f);
        EmulatorEntries e{};
        e[0] = emulator("FCEUX 2.6", "/bin/true"), e[3] = emulator("fceux", "/bin/true");
        e[4] = emulator("Unset", ""), e[6] = emulator("Nestopia", "/bin/true");
        writeEmulators("FC", e);
        for (const char* name : {"Super_Mario_Bros.nes", "Tetris.nes", "old.nes", "Zelda.nes"})
            dir.write(std::string("roms/") + name, name);
        for (const char* folder : {"snap1", "snap2", "temp", "save"}) dir.makeFolder(folder);
        DataStream s;
        CategoryLists lists;
        lists.items[0] = {"rpg", "ACT"};
        lists.save(s, app.programFolder(), "FC");
    }
    void startWith(const std::vector<RomRecord>& records) {
        if (!records.empty()) writeRecords("FC", records);
        start("FC");
        app.setListener(&notices);
    }
    const FileListRow& row(const std::string& name) const {
        const int r = rowOf(name);
        if (r < 0) throw std::runtime_error("no row " + name);
        return app.fileList().rows()[static_cast<std::size_t>(r)];
    }
    RegistrationModel openFor(const std::string& name) {
        RegistrationModel model(app);
        EXPECT_TRUE(model.open(rowOf(name))) << name;
        return model;
    }
    int recordOf(const std::string& title) const { return app.romTable().findRecordByTitle(title); }

    RowNotices notices;
};

TEST_F(RegistrationTest, AcceptingAnUnregisteredFileUnchangedRegistersItOnlyWhenItsNameChanged) {
    // The file, the option to keep underscores, the name shown, and whether accepting registers.
    const std::tuple<const char*, bool, const char*, bool> cases[] = {
        {"Super_Mario_Bros.nes", false, "Super Mario Bros", true},
        {"Super_Mario_Bros.nes", true, "Super_Mario_Bros", false},
        {"Tetris.nes", false, "Tetris", false}};
    for (const auto& [file, keepUnderscores, shown, registered] : cases) {
        SCOPED_TRACE(file);
        std::filesystem::remove(dir.file("data/RomData_FC.slb"));
        app.changeSettings(
            [&](MainSettings& m) { m.setOption(Option::KeepUnderscores, keepUnderscores); });
        startWith({});
        RegistrationModel model = openFor(file);
        const RegistrationFields& f = model.fields;
        EXPECT_EQ(std::tie(f.gameName, f.reading, f.categories[0]),
                  std::tuple(shown, shown, "指定しない"));
        EXPECT_TRUE(model.accept());
        EXPECT_FALSE(model.isOpen());
        EXPECT_EQ(std::tuple(app.romTable().count(), row(file).cells[0], row(file).recordIndex),
                  std::tuple(registered ? 1 : 0, shown, registered ? 0 : -1));
        EXPECT_TRUE(prompter.boxes().empty());
    }
}

TEST_F(RegistrationTest, ARegisteredFileShowsItsRecordAndTheEditIsCommittedInPlace) {
    RomRecord r = record("Zelda", "ゼルダ");
    r.reading = "ぜるだ", r.rating = 9, r.classes[1] = "ADV", r.comment = "古い\r\n説明\rと\n行";
    r.preferredEmulator = 3;  // "fceux": the first item beginning so, in any case, is slot 0's
    startWith({r});
    RegistrationModel model = openFor("Zelda.nes");
    RegistrationFields& f = model.fields;
    EXPECT_EQ(model.emulatorItems(), (V{"指定しない", "FCEUX 2.6", "fceux", "Nestopia"}));
    // The edit box shows line feeds; the record holds CR LF, as Windows shows breaks.
    EXPECT_EQ(
        std::tie(f.gameName, f.emulator, f.rating, f.categories[0], f.categories[1], f.comment),
        std::tuple("ゼルダ", 1, 0, "指定しない", "ADV", "古い\n説明\nと\n行"));

    f.gameName = "ゼルダの伝説", f.emulator = 3, f.rating = 4, f.favourite = true;
    f.comment = "一\n二\r\n\n";
    f.categories[0] = "RPG";  // "rpg" is listed: no item, but RPG is stored
    f.categories[1] = "指定しない", f.categories[5] = "Disk";
    ASSERT_TRUE(model.accept());
    const RomRecord& s = app.romTable()[0];
    EXPECT_EQ(std::tie(s.gameName, s.preferredEmulator, s.rating, s.classes[0], s.classes[1],
                       s.hardwareClass, s.favourite, s.comment),
              std::tuple("ゼルダの伝説", 6, 4, "RPG", "", "Disk", true, "一\r\n二\r\n\r\n"));
    EXPECT_EQ(app.categoryLists().items[0], (V{"rpg", "ACT"}));
    EXPECT_EQ(app.categoryLists().items[5], (V{"Disk"}));
    const auto& cells = row("Zelda.nes").cells;
    EXPECT_EQ((V{cells[0], cells[3], cells[4], cells[9]}),
              (V{"ゼルダの伝説", "★★★★", "RPG", "Disk"}));
    EXPECT_EQ(notices.rows, std::vector<int>{rowOf("Zelda.nes")});

    // Everything back to the file's own title: the record is emptied, the file unregistered.
    model.open(rowOf("Zelda.nes"));
    model.fields = {"Zelda", "nes", "Zelda", "Zelda", 0, 0, {}, "", false};
    model.fields.categories.fill("指定しない");
    ASSERT_TRUE(model.accept());
    EXPECT_EQ(recordOf("Zelda"), -1);
    EXPECT_EQ(row("Zelda.nes").cells[kColumnRecordIndex], "-1");
    EXPECT_EQ(row("Zelda.nes").cells[3], "");
}

// A name with a symbol, or one already taken, is refused and nothing is committed; "No" to the
// question then puts the old name back and commits the rest.
TEST_F(RegistrationTest, ARefusedNameCommitsNothingUntilNoKeepsTheOldName) {
    startWith({record("old", "Old")});
    RegistrationModel model(app);
    for (const std::string title :
         {"a.b", "x:y", "a\\b", "a?b", "a\"b", "a<b", "a>b", "a|b", "a*b", "a/b", "Tetris"}) {
        SCOPED_TRACE(title);
        prompter.clear();
        ASSERT_TRUE(model.open(rowOf("old.nes")));
        model.fields.title = title, model.fields.gameName = "Changed";
        prompter.answer(true);
        EXPECT_FALSE(model.accept());
        EXPECT_TRUE(model.isOpen());
        EXPECT_EQ(model.fields.title, title);
        ASSERT_EQ(boxes().size(), 2u);
        EXPECT_EQ(boxes()[0],
                  "[ファイル名変更確認] ファイル名が変更されています。\nリネームしますか？");
        EXPECT_TRUE(boxes()[1].starts_with(
            title == "Tetris" ? "[警告] 「Tetris.nes」"
                              : "[警告] ファイル名に記号が入っているのでリネームできません。"))
            << boxes()[1];
        EXPECT_EQ(std::tuple(dir.read("roms/old.nes"), dir.read("roms/Tetris.nes")),
                  std::tuple("old.nes", "Tetris.nes"));
        EXPECT_EQ(app.romTable()[0].gameName, "Old");
    }
    prompter.answer(false);
    EXPECT_TRUE(model.accept());
    EXPECT_EQ(model.fields.title, "old");
    EXPECT_EQ(app.romTable()[0].gameName, "Changed");
    EXPECT_EQ(dir.read("roms/old.nes"), "old.nes");
}

TEST_F(RegistrationTest, RenamingMovesTheCompanionsAndKeepsTheRecord) {
    for (const char* f : {"snap1/old.png", "snap2/old.png", "snap2/old.bmp", "temp/old.sav",
                          "save/old.srm", "snap1/older.png"})
        dir.write(f, f);
    startWith({record("old", "Old")});
    RegistrationModel model = openFor("old.nes");
    const int shown = model.row();
    model.fields.title = "new", model.fields.comment = "renamed";
    prompter.answer(true);
    ASSERT_TRUE(model.accept());
    for (const char* f : {"roms/new.nes", "snap1/new.png", "snap2/new.png", "snap2/new.bmp",
                          "temp/new.sav", "save/new.srm", "snap1/older.png"})
        EXPECT_TRUE(has(f)) << f;
    for (const char* f : {"roms/old.nes", "snap1/old.png", "temp/old.sav"})
        EXPECT_FALSE(has(f)) << f;
    EXPECT_EQ(recordOf("old"), -1);
    ASSERT_EQ(recordOf("new"), 0);
    EXPECT_EQ(std::tie(app.romTable()[0].comment, app.romTable()[0].gameName),
              std::tuple("renamed", "Old"));
    EXPECT_EQ(app.fileList().rows()[static_cast<std::size_t>(shown)].fileName(), "new.nes");
    // The new key is on disk at once, beside the renamed file.
    EXPECT_EQ(savedRecords("FC").findRecordByTitle("new"), 0);
}

TEST_F(RegistrationTest, ClearingAsksFirst) {
    startWith({record("Zelda", "ゼルダ")});
    for (const bool yes : {false, true}) {
        prompter.clear();
        RegistrationModel model = openFor("Zelda.nes");
        prompter.answer(yes);
        EXPECT_EQ(model.clear(), yes);
        EXPECT_TRUE(
            prompter.shownOnce("登録してある情報を削除しますか？", "ファイル削除確認", true));
        EXPECT_EQ(recordOf("Zelda"), yes ? -1 : 0);
        EXPECT_EQ(row("Zelda.nes").cells[0], yes ? "Zelda" : "ゼルダ");
    }
}

TEST_F(RegistrationTest, BulkApplyRegistersEveryFileAndBulkClearCountsThem) {
    startWith({record("Zelda", "ゼルダ")});
    const std::vector<int> rows = {rowOf("Super_Mario_Bros.nes"), rowOf("Tetris.nes"),
                                   rowOf("Zelda.nes")};
    const auto rec = [&](const char* title) -> const RomRecord& {
        return app.romTable()[recordOf(title)];
    };
    EXPECT_EQ(applyBulkRegistration(app, rows, {}), 3);
    ASSERT_EQ(app.romTable().count(), 3);
    EXPECT_EQ(std::tie(rec("Super_Mario_Bros").gameName, rec("Super_Mario_Bros").reading,
                       rec("Tetris").gameName, rec("Zelda").gameName),
              std::tuple("Super Mario Bros", "Super Mario Bros", "Tetris", "ゼルダ"));

    BulkChoices choices;
    choices.rating = 2, choices.favourite = true;
    choices.categories[0] = "ACT", choices.categories[5] = "";
    EXPECT_EQ(applyBulkRegistration(app, {rowOf("Tetris.nes"), rowOf("Zelda.nes")}, choices), 2);
    const RomRecord& zelda = rec("Zelda");
    EXPECT_EQ(std::tie(zelda.rating, zelda.classes[0], zelda.favourite, zelda.gameName),
              std::tuple(2, "ACT", true, "ゼルダ"));
    EXPECT_EQ(row("Tetris.nes").cells[3], "★★");
    EXPECT_EQ(rec("Super_Mario_Bros").rating, 0);

    prompter.answer(false);
    EXPECT_EQ(clearBulkRegistration(app, rows), std::nullopt);
    prompter.clear();
    prompter.answer(true);
    int closed = 0;
    const std::vector<int> clearing = {rowOf("old.nes"), rowOf("Tetris.nes"), rowOf("Zelda.nes")};
    EXPECT_EQ(clearBulkRegistration(app, clearing, [&] { ++closed; }), 2);
    EXPECT_EQ(closed, 1);
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1],
              "[初期化完了確認] ファイル情報の初期化が完了しました。\n\n初期化したファイル数 : 2");
    EXPECT_EQ(recordOf("Zelda"), -1);
    EXPECT_EQ(row("Zelda.nes").cells[0], "Zelda");
    EXPECT_NE(recordOf("Super_Mario_Bros"), -1);
}

TEST_F(RegistrationTest, AnUnownedTitleCanBeEditedButNotRenamed) {
    dir.write("data/NoHave_FC.txt", "Lost.Game\n");
    app.changeSettings([](MainSettings& m) { m.setOption(Option::ListMissingFiles, true); });
    startWith({});
    RegistrationModel model = openFor("Lost.Game");
    EXPECT_FALSE(model.canRename());
    EXPECT_EQ(std::tie(model.fields.title, model.fields.extension), std::tuple("Lost.Game", ""));
    model.fields.title = "Other", model.fields.rating = 1;
    EXPECT_TRUE(model.accept());
    EXPECT_TRUE(prompter.boxes().empty());
    ASSERT_EQ(recordOf("Lost.Game"), 0);
    EXPECT_EQ(app.romTable()[0].rating, 1);
    EXPECT_EQ(row("Lost.Game").cells[3], "★");
    EXPECT_FALSE(model.open(-1));
}

// A file operation of the dialog commits what was typed, for the file under its new name.
TEST_F(RegistrationTest, PackingFromTheDialogCommitsItsValuesForTheArchive) {
    startWith({});
    RegistrationModel model = openFor("Zelda.nes");
    EXPECT_FALSE(model.canMove());  // one ROM folder only
    model.fields.gameName = "ゼルダの伝説";
    answers({true, false});  // pack, keep the source
    ASSERT_TRUE(model.compressOrDecompress());
    EXPECT_FALSE(model.isOpen());
    EXPECT_EQ(model.oldExtension(), "zip");
    EXPECT_EQ(row("Zelda.zip").gameName(), "ゼルダの伝説");
    EXPECT_EQ(row("Zelda.nes").gameName(), "ゼルダの伝説");  // the same title
    EXPECT_FALSE(model.moveTo(0));
}

}  // namespace
}  // namespace romshelf
