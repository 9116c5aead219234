#include "qt/launch/EmulatorSettingsDialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QValidator>
#include <memory>

#include "qt/QtText.h"
#include "AppFixture.h"
#include "core/app/Application.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/HardwareBar.h"
#include "qt/app/MainMenu.h"
#include "qt/launch/CommandLineHelpDialog.h"

using namespace romshelf;

namespace {

struct EmulatorSettingsDialogTest : romshelf::test::AppFixture {
    static QStringList items(QComboBox* combo) {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i)
            out << combo->itemText(i);
        return out;
    }
    static QColor background(QLabel* label) { return label->palette().color(QPalette::Window); }
    static bool accepts(QLineEdit* edit, QString text) {
        int pos = 0;
        return edit->validator()->validate(text, pos) == QValidator::Acceptable;
    }
};

}  // namespace

TEST_F(EmulatorSettingsDialogTest, ShowsTheSlotAndItsCapabilities) {
    dir.write("joy/JoyToKey.exe", "");
    dir.write("joy/Game.cfg", "");
    app.changeSettings([](MainSettings& m) { m.toolPaths[0] = "./joy/JoyToKey.exe"; });
    EmulatorDialogModel model = app.settingsCommands().openEmulatorSettings("FC");
    EmulatorSettingsDialog dialog(app, "FC", model);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ファミリーコンピュータのエミュレータ設定"));
    EXPECT_EQ(dialog.emulatorSelector()->count(), 31);
    EXPECT_EQ(dialog.emulatorSelector()->itemText(26), QStringLiteral("ユーザ設定エミュレータ 1"));
    EXPECT_EQ(items(dialog.joyToKeyCombo()),
              (QStringList{QStringLiteral("使用しない"), QStringLiteral("Game")}));

    // VirtuaNES: quoted paths and ZIP files, no special start.
    EXPECT_EQ(dialog.defaultNameLabel()->text(), QStringLiteral("VirtuaNES"));
    EXPECT_EQ(background(dialog.defaultNameLabel()), QColor(Qt::white));
    EXPECT_EQ(dialog.nameEdit()->text(), QStringLiteral("VirtuaNES"));
    EXPECT_EQ(dialog.waitAfterStartEdit()->text(), QStringLiteral("500"));
    EXPECT_FALSE(dialog.waitAfterStartEdit()->isEnabled());
    EXPECT_FALSE(dialog.waitAfterFileDialogEdit()->isEnabled());
    EXPECT_FALSE(dialog.forceActivateCheck()->isEnabled());
    EXPECT_TRUE(dialog.passZipCheck()->isEnabled());
    EXPECT_TRUE(dialog.quotePathCheck()->isEnabled());
    EXPECT_TRUE(dialog.shortPathCheck()->isEnabled());

    dialog.emulatorSelector()->setCurrentIndex(4);  // SMYNES: special start only
    EXPECT_EQ(dialog.defaultNameLabel()->text(), QStringLiteral("SMYNES"));
    EXPECT_EQ(background(dialog.defaultNameLabel()), QColor(Qt::yellow));
    EXPECT_TRUE(dialog.waitAfterStartEdit()->isEnabled());
    EXPECT_TRUE(dialog.forceActivateCheck()->isEnabled());
    EXPECT_FALSE(dialog.passZipCheck()->isEnabled());
    EXPECT_FALSE(dialog.quotePathCheck()->isEnabled());

    EXPECT_TRUE(accepts(dialog.waitAfterStartEdit(), QStringLiteral("1500")));
    EXPECT_FALSE(accepts(dialog.waitAfterStartEdit(), QStringLiteral("15a")));
    EXPECT_FALSE(accepts(dialog.waitAfterFileDialogEdit(), QStringLiteral("-1")));
    EXPECT_TRUE(accepts(dialog.waitAfterFileDialogEdit(), QString()));
}

TEST_F(EmulatorSettingsDialogTest, EditsAreSavedWithTheTableFlags) {
    EmulatorDialogModel model = app.settingsCommands().openEmulatorSettings("FC");
    EmulatorSettingsDialog dialog(app, "FC", model);
    dialog.quotePathCheck()->setChecked(true);
    dialog.executableEdit()->setText(qs(dir.file("emu/VirtuaNES")));
    dialog.relativeButton()->click();
    EXPECT_EQ(dialog.executableEdit()->text(), QStringLiteral("./emu/VirtuaNES"));

    dialog.emulatorSelector()->setCurrentIndex(4);
    dialog.nameEdit()->setText(QString());
    dialog.waitAfterStartEdit()->setText(QString());
    dialog.forceActivateCheck()->setChecked(true);
    prompter.pickFile("/opt/smynes/smynes");
    dialog.browseButton()->click();
    EXPECT_EQ(dialog.executableEdit()->text(), QStringLiteral("/opt/smynes/smynes"));
    ASSERT_EQ(prompter.filePickers.size(), 1u);
    EXPECT_EQ(prompter.filePickers[0].title, "SMYNESの場所を指定してください");

    dialog.emulatorSelector()->setCurrentIndex(0);
    EXPECT_EQ(dialog.executableEdit()->text(), QStringLiteral("./emu/VirtuaNES"));
    EXPECT_TRUE(dialog.quotePathCheck()->isChecked());
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    EmulatorEntries stored;
    DataStream s;
    ASSERT_EQ(loadEmulatorFile(s, dir.file("data/Emulator_FC.slb"), prompter, stored),
              LoadResult::Loaded);
    EXPECT_EQ(stored[0].executable, "./emu/VirtuaNES");
    EXPECT_TRUE(stored[0].options[kQuotePath]);
    EXPECT_FALSE(stored[0].specialStart);
    EXPECT_EQ(stored[4].name, "");  // cleared by the user
    EXPECT_EQ(stored[4].executable, "/opt/smynes/smynes");
    EXPECT_EQ(stored[4].waitAfterStart, 0);
    EXPECT_EQ(stored[4].waitAfterFileDialog, 500);
    EXPECT_TRUE(stored[4].options[kForceActivate]);
    EXPECT_TRUE(stored[4].specialStart);
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(EmulatorSettingsDialogTest, AFileThatCannotBeWrittenKeepsTheDialogOpen) {
    dir.makeFolder("data/Emulator_MD.slb");
    EmulatorDialogModel model = app.settingsCommands().openEmulatorSettings("MD");
    EmulatorSettingsDialog dialog(app, "MD", model);
    dialog.nameEdit()->setText(QString());
    dialog.setResult(QDialog::Rejected);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_EQ(prompter.boxes()[0].title, "警告");
    EXPECT_EQ(dialog.nameEdit()->text(), QStringLiteral("GENS"));  // the default shown again
}

TEST_F(EmulatorSettingsDialogTest, CommandLineHelp) {
    CommandLineHelpDialog help;
    EXPECT_EQ(help.windowTitle(), QStringLiteral("コマンドライン追記"));
    QStringList texts;
    for (QLabel* label : help.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral(
        "RomshelfPlus!! "
        "では、通常コマンドラインの後にファイルパスを記述しますが、コマンドライン文中に"
        "下記の文字があれば、その文字を対応した文字列に置き換えてエミュレータに渡します。")));
    EXPECT_TRUE(texts.contains(
        QStringLiteral("\n $F : ファイル名に置き換えます\n $T : ファイルタイトルに置き換えます\n "
                       "$P : ファイルパスに置き換えます")));
    auto buttons = help.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("閉じる"));
}

TEST_F(EmulatorSettingsDialogTest, TheMenuCommandOpensTheDialogAndRefillsTheCombo) {
    writeFolderSettings("MD", FolderSettings{});
    dir.write("emu/gens", "");
    app.preferHardware("MD");
    CMainFrame frame(app);
    frame.startUp();
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"未設定"});
    EXPECT_TRUE(frame.mainMenu()->action(32816)->isEnabled());
    EXPECT_FALSE(frame.mainMenu()->action(32841)->isEnabled());  // HARD: another dialog

    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<EmulatorSettingsDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shown = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("メガドライブのエミュレータ設定"));
        dialog->executableEdit()->setText(qs(dir.file("emu/gens")));
        dialog->accept();
    });
    frame.mainMenu()->action(32816)->trigger();
    ASSERT_TRUE(shown);
    EXPECT_EQ(app.emulatorCombo().items, std::vector<std::string>{"GENS"});
    EXPECT_EQ(frame.hardwareBar()->emulatorCombo()->currentText(), QStringLiteral("GENS"));
}
