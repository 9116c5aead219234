#include "qt/launch/EmulatorSettingsDialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QValidator>
#include <filesystem>
#include <tuple>

#include "AppFixture.h"
#include "QtUi.h"
#include "qt/QtText.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/HardwareBar.h"
#include "qt/app/MainMenu.h"

using namespace romshelf;
using namespace Qt::StringLiterals;

using EmulatorSettingsDialogTest = romshelf::test::AppFixture;

TEST_F(EmulatorSettingsDialogTest, ShowsTheSlotAndItsCapabilities) {
    dir.write("joy/JoyToKey.exe", "");
    dir.write("joy/Game.cfg", "");
    app.changeSettings([](MainSettings& m) { m.toolPaths[0] = "./joy/JoyToKey.exe"; });
    EmulatorDialogModel model = app.settingsCommands().openEmulatorSettings("FC");
    EmulatorSettingsDialog dialog(app, "FC", model);
    EXPECT_EQ(dialog.emulatorSelector()->count(), 31);
    ASSERT_EQ(dialog.joyToKeyCombo()->count(), 2);
    EXPECT_EQ(dialog.joyToKeyCombo()->itemText(1), u"Game"_s);
    EXPECT_EQ(dialog.nameEdit()->text(), u"VirtuaNES"_s);
    EXPECT_EQ(dialog.waitAfterStartEdit()->text(), u"500"_s);

    // Waits and forced activation for special starts only (the marker turns yellow); ZIP
    // files and quoted paths where the emulator takes them.
    const std::tuple<int, const char*, bool, bool, bool> rows[] = {
        {0, "VirtuaNES", false, true, true}, {4, "SMYNES", true, false, false}};
    for (const auto& [item, name, special, zip, quote] : rows) {
        dialog.emulatorSelector()->setCurrentIndex(item);
        EXPECT_EQ(dialog.defaultNameLabel()->text().toStdString(), name);
        EXPECT_EQ(dialog.defaultNameLabel()->palette().color(QPalette::Window),
                  QColor(special ? Qt::yellow : Qt::white));
        EXPECT_EQ(dialog.waitAfterStartEdit()->isEnabled(), special);
        EXPECT_EQ(dialog.waitAfterFileDialogEdit()->isEnabled(), special);
        EXPECT_EQ(dialog.forceActivateCheck()->isEnabled(), special);
        EXPECT_EQ(dialog.passZipCheck()->isEnabled(), zip);
        EXPECT_EQ(dialog.quotePathCheck()->isEnabled(), quote);
    }
    // The waits take digits only.
    auto accepts = [](QLineEdit* edit, QString text) {
        int pos = 0;
        return edit->validator()->validate(text, pos) == QValidator::Acceptable;
    };
    EXPECT_TRUE(accepts(dialog.waitAfterStartEdit(), u"1500"_s));
    EXPECT_FALSE(accepts(dialog.waitAfterStartEdit(), u"15a"_s));
    EXPECT_FALSE(accepts(dialog.waitAfterFileDialogEdit(), u"-1"_s));
    EXPECT_TRUE(accepts(dialog.waitAfterFileDialogEdit(), QString()));
}

TEST_F(EmulatorSettingsDialogTest, EditsAreSavedWithTheTableFlags) {
    EmulatorDialogModel model = app.settingsCommands().openEmulatorSettings("FC");
    EmulatorSettingsDialog dialog(app, "FC", model);
    dialog.quotePathCheck()->setChecked(true);
    dialog.executableEdit()->setText(qs(dir.file("emu/VirtuaNES")));
    dialog.relativeButton()->click();
    EXPECT_EQ(dialog.executableEdit()->text(), u"./emu/VirtuaNES"_s);

    dialog.emulatorSelector()->setCurrentIndex(4);
    dialog.nameEdit()->setText(QString());
    dialog.waitAfterStartEdit()->setText(QString());
    dialog.forceActivateCheck()->setChecked(true);
    prompter.pickFile("/opt/smynes/smynes");
    dialog.browseButton()->click();
    EXPECT_EQ(dialog.executableEdit()->text(), u"/opt/smynes/smynes"_s);

    dialog.emulatorSelector()->setCurrentIndex(0);  // the first slot's edits were kept
    EXPECT_EQ(dialog.executableEdit()->text(), u"./emu/VirtuaNES"_s);
    EXPECT_TRUE(dialog.quotePathCheck()->isChecked());
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    // Slot 4's name as the user cleared it.
    const EmulatorEntries saved = stored(loadEmulatorFile, dir.file("data/Emulator_FC.slb"));
    EXPECT_EQ(
        std::tuple(saved[0].executable, saved[0].options[kQuotePath], saved[4].name,
                   saved[4].executable, saved[4].waitAfterStart, saved[4].options[kForceActivate]),
        std::tuple("./emu/VirtuaNES", true, "", "/opt/smynes/smynes", 0, true));
}

TEST_F(EmulatorSettingsDialogTest, AFileThatCannotBeWrittenKeepsTheDialogOpen) {
    dir.makeFolder("data/Emulator_MD.slb");
    EmulatorDialogModel model = app.settingsCommands().openEmulatorSettings("MD");
    EmulatorSettingsDialog dialog(app, "MD", model);
    dialog.nameEdit()->setText(QString());
    dialog.setResult(QDialog::Rejected);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(dialog.nameEdit()->text(), u"GENS"_s);  // the default shown again
}

TEST_F(EmulatorSettingsDialogTest, TheMenuCommandOpensTheDialogAndRefillsTheCombo) {
    setUpHardware("MD");
    dir.write("emu/gens", "");
    app.preferHardware("MD");
    CMainFrame frame(app);
    frame.startUp();
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"未設定"});
    EXPECT_TRUE(frame.mainMenu()->action(32816)->isEnabled());

    test::withModal<EmulatorSettingsDialog>(
        [&] { frame.mainMenu()->action(32816)->trigger(); },
        [&](EmulatorSettingsDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), u"メガドライブのエミュレータ設定"_s);
            dialog.executableEdit()->setText(qs(dir.file("emu/gens")));
            dialog.accept();
        });
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"GENS"});
    EXPECT_EQ(frame.hardwareBar()->emulatorCombo()->currentText(), u"GENS"_s);
}

// The installed emulators fill the shown slot like typing; none installed: the button says so.
TEST_F(EmulatorSettingsDialogTest, AnInstalledEmulatorFillsTheShownSlot) {
    const std::string mednafen = dir.write("games/mednafen", "");
    std::filesystem::permissions(mednafen, std::filesystem::perms::owner_all);
    app.settingsCommands().setEmulatorSearchPlaces({{}, {dir.file("games")}, {}});

    EmulatorDialogModel msx = app.settingsCommands().openEmulatorSettings("MSX");
    EmulatorSettingsDialog none(app, "MSX", msx);
    EXPECT_FALSE(none.suggestButton()->isEnabled());
    EXPECT_EQ(none.suggestButton()->toolTip(),
              u"このハードのエミュレータはインストールされていません"_s);

    EmulatorDialogModel model = app.settingsCommands().openEmulatorSettings("FC");
    EmulatorSettingsDialog dialog(app, "FC", model);
    ASSERT_TRUE(dialog.suggestButton()->isEnabled());
    const QList<QAction*> offered = dialog.suggestButton()->menu()->actions();
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered[0]->text(), qs("mednafen  (" + mednafen + ")"));
    dialog.emulatorSelector()->setCurrentIndex(26);  // the first user slot
    offered[0]->trigger();
    EXPECT_EQ(std::tuple(dialog.nameEdit()->text(), dialog.executableEdit()->text(),
                         dialog.commandLineEdit()->text()),
              std::tuple(u"mednafen"_s, qs(mednafen), u"$P"_s));
    dialog.accept();
    const EmulatorEntries saved = stored(loadEmulatorFile, dir.file("data/Emulator_FC.slb"));
    EXPECT_EQ(
        std::tuple(saved[59].name, saved[59].executable, saved[59].commandLine, saved[0].name),
        std::tuple("mednafen", mednafen, "$P", "VirtuaNES"));
}
