#include <gtest/gtest.h>

#include <filesystem>

#include "AppFixture.h"
#include "core/app/Registration.h"

namespace romshelf {
namespace {

struct RowNotices : ApplicationListener {
    std::vector<int> rows;
    void fileListRowChanged(int row) override { rows.push_back(row); }
};

// FC with its files in roms/, two snap folders, TEMP and save folders, three emulators and the
// category item "rpg".
class RegistrationTest : public test::AppFixture {
protected:
    RegistrationTest() {
        FolderSettings f;
        f.romFolderNames[0] = "FC";
        f.romFolderPaths[0] = "./roms/";
        f.snapFolderPaths[0] = "./snap1/";
        f.snapFolderPaths[2] = "./snap2/";
        f.tempFolder = "./temp/";
        f.saveFolder = "./save/";
        writeFolderSettings("FC", f);
        EmulatorEntries e{};
        e[0] = emulator("FCEUX 2.6", "/bin/true");
        e[3] = emulator("fceux", "/bin/true");
        e[4] = emulator("Unset", "");
        e[6] = emulator("Nestopia", "/bin/true");
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
    int rowOf(const std::string& name) const {
        const FileListView rows = app.fileList().rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].fileName() == name) return static_cast<int>(i);
        ADD_FAILURE() << "no row " << name;
        return -1;
    }
    const FileListRow& row(const std::string& name) const {
        return app.fileList().rows()[static_cast<std::size_t>(rowOf(name))];
    }
    RegistrationModel openFor(const std::string& name) {
        RegistrationModel model(app);
        EXPECT_TRUE(model.open(rowOf(name)));
        return model;
    }
    int recordOf(const std::string& title) const { return app.romTable().findRecordByTitle(title); }

    RowNotices notices;
};

TEST_F(RegistrationTest, AcceptingAnUnregisteredFileUnchangedRegistersItOnlyWhenItsNameChanged) {
    struct Case {
        const char* file;
        bool keepUnderscores;
        const char* shown;
        bool registered;
    };
    for (const Case& c : {Case{"Super_Mario_Bros.nes", false, "Super Mario Bros", true},
                          Case{"Super_Mario_Bros.nes", true, "Super_Mario_Bros", false},
                          Case{"Tetris.nes", false, "Tetris", false}}) {
        SCOPED_TRACE(c.file);
        std::filesystem::remove(dir.file("data/RomData_FC.slb"));
        app.changeSettings(
            [&](MainSettings& m) { m.setOption(Option::KeepUnderscores, c.keepUnderscores); });
        startWith({});
        RegistrationModel model = openFor(c.file);
        EXPECT_EQ(model.fields.gameName, c.shown);
        EXPECT_EQ(model.fields.reading, c.shown);
        EXPECT_EQ(model.fields.categories[0], "指定しない");
        EXPECT_TRUE(model.accept());
        EXPECT_FALSE(model.isOpen());
        EXPECT_EQ(app.romTable().count(), c.registered ? 1 : 0);
        EXPECT_EQ(row(c.file).cells[0], c.shown);
        EXPECT_EQ(row(c.file).recordIndex, c.registered ? 0 : -1);
        EXPECT_TRUE(prompter.boxes().empty());
    }
}

TEST_F(RegistrationTest, ARegisteredFileShowsItsRecordAndTheEditIsCommittedInPlace) {
    RomRecord r = record("Zelda", "ゼルダ");
    r.reading = "ぜるだ";
    r.preferredEmulator = 3;  // "fceux": the first item beginning so, in any case, is slot 0's
    r.rating = 9;
    r.classes[1] = "ADV";
    r.comment = "old";
    startWith({r});
    RegistrationModel model = openFor("Zelda.nes");
    EXPECT_EQ(model.fields.gameName, "ゼルダ");
    EXPECT_EQ(model.emulatorItems(),
              (std::vector<std::string>{"指定しない", "FCEUX 2.6", "fceux", "Nestopia"}));
    EXPECT_EQ(model.fields.emulator, 1);
    EXPECT_EQ(model.fields.rating, 0);
    EXPECT_EQ(model.fields.categories[0], "指定しない");
    EXPECT_EQ(model.fields.categories[1], "ADV");

    model.fields.gameName = "ゼルダの伝説";
    model.fields.emulator = 3;
    model.fields.rating = 4;
    model.fields.categories[0] = "RPG";  // "rpg" is listed: no item, but RPG is stored
    model.fields.categories[1] = "指定しない";
    model.fields.categories[5] = "Disk";
    model.fields.favourite = true;
    ASSERT_TRUE(model.accept());
    const RomRecord& stored = app.romTable()[0];
    EXPECT_EQ(stored.gameName, "ゼルダの伝説");
    EXPECT_EQ(stored.preferredEmulator, 6);
    EXPECT_EQ(stored.rating, 4);
    EXPECT_EQ(stored.classes[0], "RPG");
    EXPECT_EQ(stored.classes[1], "");
    EXPECT_EQ(stored.hardwareClass, "Disk");
    EXPECT_TRUE(stored.favourite);
    EXPECT_EQ(app.categoryLists().items[0], (std::vector<std::string>{"rpg", "ACT"}));
    EXPECT_EQ(app.categoryLists().items[5], (std::vector<std::string>{"Disk"}));
    const FileListRow& shown = row("Zelda.nes");
    EXPECT_EQ(shown.cells[0], "ゼルダの伝説");
    EXPECT_EQ(shown.cells[3], "★★★★");
    EXPECT_EQ(shown.cells[4], "RPG");
    EXPECT_EQ(shown.cells[9], "Disk");
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

TEST_F(RegistrationTest, ANameWithASymbolIsRefusedAndNothingIsCommitted) {
    startWith({record("old", "Old")});
    for (const char* title :
         {"a.b", "x:y", "a\\b", "a?b", "a\"b", "a<b", "a>b", "a|b", "a*b", "a/b"}) {
        SCOPED_TRACE(title);
        prompter.clear();
        RegistrationModel model = openFor("old.nes");
        model.fields.title = title;
        model.fields.gameName = "Changed";
        prompter.answer(true);
        EXPECT_FALSE(model.accept());
        EXPECT_TRUE(model.isOpen());
        EXPECT_EQ(model.fields.title, title);
        ASSERT_EQ(prompter.boxes().size(), 2u);
        EXPECT_EQ(prompter.boxes()[0].text, "ファイル名が変更されています。\nリネームしますか？");
        EXPECT_EQ(prompter.boxes()[0].title, "ファイル名変更確認");
        EXPECT_EQ(prompter.boxes()[1].text, "ファイル名に記号が入っているのでリネームできません。");
        EXPECT_EQ(prompter.boxes()[1].title, "警告");
        EXPECT_TRUE(std::filesystem::exists(dir.file("roms/old.nes")));
        EXPECT_EQ(app.romTable()[0].gameName, "Old");
    }
}

TEST_F(RegistrationTest, RenamingMovesTheCompanionsAndKeepsTheRecord) {
    for (const char* f : {"snap1/old.png", "snap2/old.png", "snap2/old.bmp", "temp/old.sav",
                          "save/old.srm", "snap1/older.png"})
        dir.write(f, f);
    startWith({record("old", "Old")});
    RegistrationModel model = openFor("old.nes");
    const int shown = model.row();
    model.fields.title = "new";
    model.fields.comment = "renamed";
    prompter.answer(true);
    ASSERT_TRUE(model.accept());
    for (const char* f : {"roms/new.nes", "snap1/new.png", "snap2/new.png", "snap2/new.bmp",
                          "temp/new.sav", "save/new.srm", "snap1/older.png"})
        EXPECT_TRUE(std::filesystem::exists(dir.file(f))) << f;
    for (const char* f : {"roms/old.nes", "snap1/old.png", "temp/old.sav"})
        EXPECT_FALSE(std::filesystem::exists(dir.file(f))) << f;
    EXPECT_EQ(recordOf("old"), -1);
    ASSERT_EQ(recordOf("new"), 0);
    EXPECT_EQ(app.romTable()[0].comment, "renamed");
    EXPECT_EQ(app.romTable()[0].gameName, "Old");
    EXPECT_EQ(app.fileList().rows()[static_cast<std::size_t>(shown)].fileName(), "new.nes");
    // The new key is on disk at once, beside the renamed file.
    RomTable saved;
    DataStream s;
    ASSERT_EQ(saved.load(s, dir.file("data/RomData_FC.slb"), prompter), LoadResult::Loaded);
    EXPECT_EQ(saved.findRecordByTitle("new"), 0);
}

TEST_F(RegistrationTest, ATakenNameIsRefusedAndNoAnswerKeepsTheOldName) {
    startWith({record("old", "Old")});
    RegistrationModel model = openFor("old.nes");
    model.fields.title = "Tetris";
    model.fields.gameName = "Changed";
    prompter.answer(true);
    EXPECT_FALSE(model.accept());
    EXPECT_TRUE(model.isOpen());
    EXPECT_TRUE(prompter.boxes().back().text.starts_with("「Tetris.nes」"));
    EXPECT_EQ(dir.read("roms/old.nes"), "old.nes");
    EXPECT_EQ(dir.read("roms/Tetris.nes"), "Tetris.nes");
    EXPECT_EQ(app.romTable()[0].gameName, "Old");

    // "No" puts the old name back and commits the rest.
    prompter.answer(false);
    EXPECT_TRUE(model.accept());
    EXPECT_EQ(model.fields.title, "old");
    EXPECT_EQ(app.romTable()[0].gameName, "Changed");
    EXPECT_EQ(dir.read("roms/old.nes"), "old.nes");
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
    EXPECT_EQ(applyBulkRegistration(app, rows, {}), 3);
    ASSERT_EQ(app.romTable().count(), 3);
    const RomRecord& mario = app.romTable()[recordOf("Super_Mario_Bros")];
    EXPECT_EQ(mario.gameName, "Super Mario Bros");
    EXPECT_EQ(mario.reading, "Super Mario Bros");
    EXPECT_EQ(app.romTable()[recordOf("Tetris")].gameName, "Tetris");
    EXPECT_EQ(app.romTable()[recordOf("Zelda")].gameName, "ゼルダ");

    BulkChoices choices;
    choices.rating = 2;
    choices.categories[0] = "ACT";
    choices.categories[5] = "";
    choices.favourite = true;
    EXPECT_EQ(applyBulkRegistration(app, {rowOf("Tetris.nes"), rowOf("Zelda.nes")}, choices), 2);
    const RomRecord& zelda = app.romTable()[recordOf("Zelda")];
    EXPECT_EQ(zelda.rating, 2);
    EXPECT_EQ(zelda.classes[0], "ACT");
    EXPECT_TRUE(zelda.favourite);
    EXPECT_EQ(zelda.gameName, "ゼルダ");
    EXPECT_EQ(row("Tetris.nes").cells[3], "★★");
    EXPECT_EQ(app.romTable()[recordOf("Super_Mario_Bros")].rating, 0);

    prompter.answer(false);
    EXPECT_EQ(clearBulkRegistration(app, rows), std::nullopt);
    prompter.clear();
    prompter.answer(true);
    int closed = 0;
    EXPECT_EQ(
        clearBulkRegistration(app, {rowOf("old.nes"), rowOf("Tetris.nes"), rowOf("Zelda.nes")},
                              [&] { ++closed; }),
        2);
    EXPECT_EQ(closed, 1);
    ASSERT_EQ(prompter.boxes().size(), 2u);
    EXPECT_EQ(prompter.boxes()[1].text,
              "ファイル情報の初期化が完了しました。\n\n初期化したファイル数 : 2");
    EXPECT_EQ(prompter.boxes()[1].title, "初期化完了確認");
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
    EXPECT_EQ(model.fields.title, "Lost.Game");
    EXPECT_EQ(model.fields.extension, "");
    model.fields.title = "Other";
    model.fields.rating = 1;
    EXPECT_TRUE(model.accept());
    EXPECT_TRUE(prompter.boxes().empty());
    ASSERT_EQ(recordOf("Lost.Game"), 0);
    EXPECT_EQ(app.romTable()[0].rating, 1);
    EXPECT_EQ(row("Lost.Game").cells[3], "★");
    EXPECT_EQ(model.open(-1), false);
}

// A file operation of the dialog commits what was typed, for the file under its new name.
TEST_F(RegistrationTest, PackingFromTheDialogCommitsItsValuesForTheArchive) {
    startWith({});
    RegistrationModel model = openFor("Zelda.nes");
    EXPECT_FALSE(model.canMove());  // one ROM folder only
    model.fields.gameName = "ゼルダの伝説";
    prompter.answer(true);   // pack
    prompter.answer(false);  // keep the source
    ASSERT_TRUE(model.compressOrDecompress());
    EXPECT_FALSE(model.isOpen());
    EXPECT_EQ(model.oldExtension(), "zip");
    EXPECT_EQ(row("Zelda.zip").gameName(), "ゼルダの伝説");
    EXPECT_EQ(row("Zelda.nes").gameName(), "ゼルダの伝説");  // the same title
    EXPECT_FALSE(model.moveTo(0));
}

}  // namespace
}  // namespace romshelf
