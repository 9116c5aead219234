#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "AppFixture.h"
#include "core/settings/HardwareTable.h"
#include "QtUi.h"
#include "qt/app/BulkRegistrationDialog.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/CategoryOrganiserDialog.h"
#include "qt/app/CommandIds.h"
#include "qt/app/EnvironmentDialog.h"
#include "qt/app/FolderSettingsDialog.h"
#include "qt/app/MainMenu.h"
#include "qt/app/RegistrationDialog.h"
#include "qt/launch/EmulatorSettingsDialog.h"
#include "qt/views/CDataBase.h"
#include "qt/views/CFileData.h"
#include "qt/views/CFileList.h"
#include "qt/views/CSnap.h"
#include "qt/views/FileListModel.h"

using namespace romshelf;

namespace {

class RegistrationView : public test::AppFixture {
protected:
    RegistrationView() {
        setUpHardware("SFC", "./roms/");
        dir.write("roms/Final_Fight.sfc", "ROM");
        dir.write("roms/Zelda.sfc", "ROM");
        DataStream s;
        CategoryLists lists;
        lists.items[0] = {"ACT", "RPG"};
        lists.items[1] = {"1人用", "2人用"};
        lists.save(s, app.programFolder(), "SFC");
        app.preferHardware("SFC");
    }
    static int rowOf(const Application& a, const std::string& name) {
        const FileListView rows = a.fileList().rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].fileName() == name) return static_cast<int>(i);
        return -1;
    }
    template <class T>
    static T* in(RegistrationDialog* d, int id) {
        return qobject_cast<T*>(d->control(id));
    }
    static std::string cell(CFileList* list, int row, int column) {
        return list->model()->index(row, column).data().toString().toStdString();
    }
};

TEST_F(RegistrationView, AGameRegisteredThroughTheDialogShowsEverywhereAndAfterARestart) {
    {
        CMainFrame frame(app);
        frame.startUp();
        CFileList* list = frame.fileList();
        RegistrationDialog* dialog = frame.registrationDialog();
        const int row = rowOf(app, "Final_Fight.sfc");
        test::clickRow(list, row, Qt::RightButton);
        ASSERT_TRUE(dialog->isVisible());
        EXPECT_EQ(in<QLineEdit>(dialog, 1111)->text(), QStringLiteral("Final Fight"));
        EXPECT_EQ(in<QLineEdit>(dialog, 1112)->text(), QStringLiteral("sfc"));
        // A file in the only ROM folder: packed or deleted, but moved nowhere.
        for (const auto& [name, enabled] :
             {std::pair{"compress", true}, {"move", false}, {"delete", true}})
            EXPECT_EQ(dialog->fileOperationButton(QString::fromUtf8(name))->isEnabled(), enabled);
        EXPECT_EQ(qobject_cast<QPushButton*>(dialog->control(1121))->text(),
                  QStringLiteral("分類 2の整理"));

        in<QLineEdit>(dialog, 1111)->setText(QStringLiteral("ファイナルファイト"));
        in<QLineEdit>(dialog, 1110)->setText(QStringLiteral("ふぁいなるふぁいと"));
        in<QComboBox>(dialog, 1138)->setCurrentIndex(5);
        in<QComboBox>(dialog, 1113)->setCurrentIndex(1);  // ACT
        // 分類 1の整理 adds an item to the list; the field keeps its choice.
        test::withModal<CategoryOrganiserDialog>(
            [&] { qobject_cast<QPushButton*>(dialog->control(1114))->click(); },
            [](CategoryOrganiserDialog& organiser) {
                qobject_cast<QLineEdit*>(organiser.control(1164))->setText(QStringLiteral("SLG"));
                qobject_cast<QPushButton*>(organiser.control(1165))->click();
                qobject_cast<QPushButton*>(organiser.control(1))->click();
            });
        EXPECT_EQ(in<QComboBox>(dialog, 1113)->count(), 4);  // 指定しない, ACT, RPG, SLG
        EXPECT_EQ(in<QComboBox>(dialog, 1113)->currentText(), QStringLiteral("ACT"));
        in<QComboBox>(dialog, 1120)->setEditText(QStringLiteral("協力"));  // typed: a new item
        in<QPlainTextEdit>(dialog, 1130)->setPlainText(QStringLiteral("名作\n二行目"));
        in<QCheckBox>(dialog, 1149)->setChecked(true);
        QTest::mouseClick(qobject_cast<QPushButton*>(dialog->control(1)), Qt::LeftButton);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(prompter.boxes().empty());

        EXPECT_EQ(cell(list, row, 0), "ファイナルファイト");
        EXPECT_EQ(cell(list, row, 3), "★★★★★");
        EXPECT_EQ(cell(list, row, 5), "協力");
        EXPECT_EQ(frame.fileDataView()->texts().gameName, "ファイナルファイト");
        EXPECT_EQ(frame.fileDataView()->texts().categories[0], "ACT");
        EXPECT_EQ(frame.databaseView()->text(), QStringLiteral("名作\n二行目"));
        EXPECT_EQ(app.categoryLists().items[1],
                  (std::vector<std::string>{"1人用", "2人用", "協力"}));
        EXPECT_EQ(app.categoryLists().items[0], (std::vector<std::string>{"ACT", "RPG", "SLG"}));

        // The comment is stored with CR LF and shown again with its break.
        const RomRecord& stored = app.romTable()[app.romTable().findRecordByTitle("Final_Fight")];
        EXPECT_EQ(stored.comment, "名作\r\n二行目");

        // Opened again and closed: nothing is saved.
        test::clickRow(list, row, Qt::RightButton);
        EXPECT_EQ(in<QPlainTextEdit>(dialog, 1130)->toPlainText(), QStringLiteral("名作\n二行目"));
        in<QLineEdit>(dialog, 1111)->setText(QStringLiteral("捨てる"));
        dialog->close();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(cell(list, row, 0), "ファイナルファイト");
        ASSERT_TRUE(app.shutDown());
        app.setListener(nullptr);
    }
    test::FakePorts again;
    Application restarted(ProgramFolder(dir.path()), again.host());
    ASSERT_EQ(restarted.loadMainSettings(), LoadResult::Loaded);
    CMainFrame frame(restarted);
    frame.startUp();
    const int row = rowOf(restarted, "Final_Fight.sfc");
    ASSERT_GE(row, 0);
    test::clickRow(frame.fileList(), row);
    EXPECT_EQ(cell(frame.fileList(), row, 1), "ふぁいなるふぁいと");
    EXPECT_EQ(frame.fileDataView()->texts().rating, "★★★★★");
    EXPECT_EQ(frame.databaseView()->text(), QStringLiteral("名作\n二行目"));
    EXPECT_EQ(restarted.categoryLists().items[1].back(), "協力");
    const RomRecord& r =
        restarted.romTable()[restarted.romTable().findRecordByTitle("Final_Fight")];
    EXPECT_TRUE(r.favourite);
    EXPECT_EQ(r.classes[0], "ACT");
}

TEST_F(RegistrationView, AFileButtonCommitsWhatWasTypedForTheFileUnderItsNewName) {
    CMainFrame frame(app);
    frame.startUp();
    test::clickRow(frame.fileList(), rowOf(app, "Zelda.sfc"), Qt::RightButton);
    RegistrationDialog* dialog = frame.registrationDialog();
    in<QPlainTextEdit>(dialog, 1130)->setPlainText(QStringLiteral("詰まったら地下へ"));
    prompter.answer(true);   // pack
    prompter.answer(false);  // keep the source
    dialog->fileOperationButton(QStringLiteral("compress"))->click();
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_GE(rowOf(app, "Zelda.zip"), 0);
    const int record = app.romTable().findRecordByTitle("Zelda");
    ASSERT_GE(record, 0);
    EXPECT_EQ(app.romTable()[record].comment, "詰まったら地下へ");
}

TEST_F(RegistrationView, TheBulkDialogStartsUnchangedAndAppliesToTheSelection) {
    CMainFrame frame(app);
    frame.startUp();
    BulkRegistrationDialog dialog(app, {0, 1}, &frame);
    for (int id : {1138, 1113, 1120, 1122, 1124, 1126, 1128, 1129})
        EXPECT_EQ(qobject_cast<QComboBox*>(dialog.control(id))->currentText(),
                  QStringLiteral("変更しない"))
            << id;
    for (const char* name : {"compress", "decompress", "move", "delete"})
        EXPECT_TRUE(dialog.fileOperationButton(QString::fromUtf8(name))->isEnabled());
    qobject_cast<QComboBox*>(dialog.control(1113))->setCurrentIndex(3);  // RPG
    qobject_cast<QComboBox*>(dialog.control(1129))->setCurrentIndex(2);  // お気に入りに追加
    QTest::mouseClick(qobject_cast<QPushButton*>(dialog.control(1)), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (const char* title : {"Final_Fight", "Zelda"}) {
        const int i = app.romTable().findRecordByTitle(title);
        ASSERT_GE(i, 0) << title;
        EXPECT_EQ(app.romTable()[i].classes[0], "RPG");
        EXPECT_TRUE(app.romTable()[i].favourite);
        EXPECT_EQ(app.romTable()[i].rating, 0);
    }
    EXPECT_EQ(app.romTable()[app.romTable().findRecordByTitle("Final_Fight")].gameName,
              "Final Fight");
}

TEST_F(RegistrationView, ARenamedCategoryShowsAtOnceWhereverTheRecordIsShown) {
    RomRecord zelda = record("Zelda", "ゼルダ");
    zelda.classes[0] = "RPG";
    writeRecords("SFC", {zelda});
    CMainFrame frame(app);
    frame.startUp();
    const int row = rowOf(app, "Zelda.sfc");
    test::clickRow(frame.fileList(), row, Qt::RightButton);
    RegistrationDialog* dialog = frame.registrationDialog();
    ASSERT_TRUE(dialog->isVisible());
    test::withModal<CategoryOrganiserDialog>(
        [&] { in<QPushButton>(dialog, 1114)->click(); },
        [](CategoryOrganiserDialog& organiser) {
            auto* current = qobject_cast<QTreeWidget*>(organiser.control(1152));
            current->setCurrentItem(current->topLevelItem(1));  // RPG
            qobject_cast<QLineEdit*>(organiser.control(1161))->setText(QStringLiteral("ロープレ"));
            qobject_cast<QPushButton*>(organiser.control(1162))->click();
            qobject_cast<QPushButton*>(organiser.control(1))->click();
        });
    EXPECT_EQ(cell(frame.fileList(), row, 4), "ロープレ");
    EXPECT_EQ(frame.fileDataView()->texts().categories[0], "ロープレ");
    // The open record follows: saving it now keeps the new name.
    EXPECT_EQ(in<QComboBox>(dialog, 1113)->currentText(), QStringLiteral("ロープレ"));
}

TEST_F(RegistrationView, BulkRegistrationAndFolderSettingsKeepTheSelectedFiles) {
    CMainFrame frame(app);
    frame.startUp();
    CFileList* list = frame.fileList();
    const auto selected = [&] {
        std::vector<std::string> names;
        for (const QModelIndex& i : list->selectionModel()->selectedRows())
            names.push_back(cell(list, i.row(), 2));
        std::ranges::sort(names);
        return names;
    };
    const std::vector<std::string> both{"Final_Fight.sfc", "Zelda.sfc"};
    list->selectAll();
    test::withModal<BulkRegistrationDialog>(
        [&] { test::clickRow(list, rowOf(app, "Zelda.sfc"), Qt::RightButton); },
        [](BulkRegistrationDialog& bulk) {
            qobject_cast<QComboBox*>(bulk.control(1113))->setCurrentIndex(3);  // RPG
            qobject_cast<QPushButton*>(bulk.control(1))->click();
        });
    EXPECT_EQ(selected(), both);
    EXPECT_EQ(frame.fileDataView()->texts().categories[0], "RPG");

    test::clickRow(list, rowOf(app, "Zelda.sfc"));
    const int folderCommand = hardwareTable()[hardwareIndexOf("SFC")].folderCommand;
    test::withModal<FolderSettingsDialog>(
        [&] { frame.mainMenu()->action(folderCommand)->trigger(); },
        [](FolderSettingsDialog& folders) { folders.accept(); });
    EXPECT_EQ(selected(), std::vector<std::string>{"Zelda.sfc"});
    EXPECT_EQ(frame.fileDataView()->texts().gameName, "Zelda");
}

// The game name being typed shows in the list at once; until it is saved it is only drawn: the
// record keeps its name, and closing the dialog brings the stored name back.
TEST_F(RegistrationView, ANameTypedButNotSavedIsDrawnInItsRow) {
    CMainFrame frame(app);
    frame.startUp();
    CFileList* list = frame.fileList();
    RegistrationDialog* dialog = frame.registrationDialog();
    const int row = rowOf(app, "Zelda.sfc"), other = rowOf(app, "Final_Fight.sfc");
    const std::string stored = cell(list, row, 0), otherStored = cell(list, other, 0);
    test::clickRow(list, row, Qt::RightButton);
    ASSERT_TRUE(dialog->isVisible());
    auto* name = in<QLineEdit>(dialog, 1111);
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Link"));
    EXPECT_EQ(cell(list, row, 0), "Link");
    EXPECT_EQ(cell(list, other, 0), otherStored);
    EXPECT_EQ(app.romTable().findRecordByTitle("Zelda"), -1);  // nothing saved
    dialog->reject();
    EXPECT_EQ(cell(list, row, 0), stored);

    // Typed again and saved: the saved name stays.
    test::clickRow(list, row, Qt::RightButton);
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Zelda no Densetsu"));
    EXPECT_EQ(cell(list, row, 0), "Zelda no Densetsu");
    dialog->accept();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(cell(list, row, 0), "Zelda no Densetsu");
    const int record = app.romTable().findRecordByTitle("Zelda");
    ASSERT_GE(record, 0);
    EXPECT_EQ(app.romTable()[record].gameName, "Zelda no Densetsu");

    // Typed for one row, the dialog then opened for another: the first row shows its own again.
    const int zelda = rowOf(app, "Zelda.sfc"), finalFight = rowOf(app, "Final_Fight.sfc");
    test::clickRow(list, finalFight, Qt::RightButton);
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Typed"));
    EXPECT_EQ(cell(list, finalFight, 0), "Typed");
    test::clickRow(list, zelda, Qt::RightButton);
    EXPECT_EQ(cell(list, finalFight, 0), otherStored);
    EXPECT_EQ(cell(list, zelda, 0), "Zelda no Densetsu");
}

// Saving the emulator settings reads the records again and rebuilds the rows, saving the
// environment settings clears the panes: the selected file stays selected and the panes show it.
TEST_F(RegistrationView, SavedEmulatorAndEnvironmentSettingsKeepTheSelectionAndThePanes) {
    RomRecord zelda = record("Zelda", "ゼルダの伝説");
    zelda.comment = "トライフォースを集める";
    writeRecords("SFC", {zelda});
    CMainFrame frame(app);
    frame.startUp();
    CFileList* list = frame.fileList();
    test::clickRow(list, rowOf(app, "Zelda.sfc"));
    const auto shown = [&] {
        std::vector<std::string> seen;
        for (const QModelIndex& i : list->selectionModel()->selectedRows())
            seen.push_back(cell(list, i.row(), 2));
        seen.push_back(frame.fileDataView()->texts().gameName);
        seen.push_back(frame.databaseView()->text().toStdString());
        seen.push_back(frame.snapView()->model().caption());
        seen.push_back(frame.snapView()->model().selected() ? "snap selected" : "no snap");
        return seen;
    };
    const std::vector<std::string> zeldaShown = {
        "Zelda.sfc", "ゼルダの伝説", "トライフォースを集める", "ゼルダの伝説", "snap selected"};
    ASSERT_EQ(shown(), zeldaShown);

    const int emulatorCommand = hardwareTable()[hardwareIndexOf("SFC")].emulatorCommand;
    test::withModal<EmulatorSettingsDialog>(
        [&] { frame.mainMenu()->action(emulatorCommand)->trigger(); },
        [](EmulatorSettingsDialog& emulators) { emulators.accept(); });
    EXPECT_EQ(shown(), zeldaShown);

    test::withModal<EnvironmentDialog>(
        [&] { frame.mainMenu()->action(cmd::EnvironmentSettings)->trigger(); },
        [](EnvironmentDialog& environment) { environment.accept(); });
    EXPECT_EQ(shown(), zeldaShown);

    // Cancelled, nothing changes either.
    test::withModal<EnvironmentDialog>(
        [&] { frame.mainMenu()->action(cmd::EnvironmentSettings)->trigger(); },
        [](EnvironmentDialog& environment) { environment.reject(); });
    EXPECT_EQ(shown(), zeldaShown);
}

}  // namespace
