#include <gtest/gtest.h>

#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <memory>

#include "FakePorts.h"
#include "QtUi.h"
#include "TempFolder.h"
#include "VirtualPad.h"
#include "qt/app/PadProfileDialog.h"
#include "qt/platform/GamePad.h"

using namespace romshelf;

namespace {

// The dialog on a program folder of its own, with a pad that exists only in this process.
struct PadProfileDialogTest : ::testing::Test {
    test::TempFolder dir;
    test::FakeDesktop desktop;
    std::unique_ptr<test::VirtualPad> pad = std::make_unique<test::VirtualPad>();
    GamePad gamePad{desktop};
    std::unique_ptr<PadProfileDialog> dialog;

    void open() { dialog = std::make_unique<PadProfileDialog>(dir.path(), &gamePad); }
    QString cell(PadControl control, int column) const {
        return dialog->table()->item(dialog->rowOf(control), column)->text();
    }
    bool lit(PadControl control) const {
        return cell(control, PadProfileDialog::kLightColumn) == QStringLiteral("●");
    }
    void setKey(PadControl control, const char* key) {
        dialog->table()
            ->item(dialog->rowOf(control), PadProfileDialog::kKeyColumn)
            ->setText(QString::fromUtf8(key));
    }
};

constexpr PadControl kA = 0, kB = 1, kStart = 6, kDown = 12;
constexpr PadControl kLeftXMinus = 16;  // the left stick pushed left

TEST_F(PadProfileDialogTest, ThePadsHeldControlsLightTheirRows) {
    dir.write("data/pad/Shooter.ini", "[keys]\na = z\n");
    open();
    ASSERT_EQ(gamePad.connected(), 1u);
    EXPECT_FALSE(lit(kB));
    pad->set(SDL_CONTROLLER_BUTTON_B, true);
    gamePad.poll();
    EXPECT_TRUE(lit(kB));
    EXPECT_FALSE(lit(kA));
    pad->axis(SDL_CONTROLLER_AXIS_LEFTX, -32768);
    gamePad.poll();
    EXPECT_TRUE(lit(kLeftXMinus));
    EXPECT_TRUE(lit(kB));
    pad->set(SDL_CONTROLLER_BUTTON_B, false);
    pad->axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    gamePad.poll();
    EXPECT_FALSE(lit(kB));
    EXPECT_FALSE(lit(kLeftXMinus));
}

TEST_F(PadProfileDialogTest, ShowsTheProfileAndSavesTheEditsForTheReaderToReadBack) {
    dir.write("data/pad/Shooter.ini",
              "[keys]\na = z\ndpdown = Down repeat\n[timing]\nrepeatDelay = 250\n");
    dir.write("data/pad/Race.ini", "[keys]\nb = x\n");
    open();
    QListWidget* list = dialog->profileList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Race"));
    list->setCurrentRow(1);
    EXPECT_EQ(cell(kA, PadProfileDialog::kKeyColumn), QStringLiteral("z"));
    EXPECT_EQ(cell(kDown, PadProfileDialog::kKeyColumn), QStringLiteral("Down"));
    EXPECT_EQ(dialog->repeatBox(kDown)->currentIndex(), 2);
    EXPECT_EQ(cell(kB, PadProfileDialog::kKeyColumn), QString());
    EXPECT_EQ(dialog->repeatDelayMs()->value(), 250);

    // B fires x, Start sends Enter, A no more; the turbo a little slower.
    setKey(kB, "x");
    dialog->repeatBox(kB)->setCurrentIndex(1);
    setKey(kStart, "return");
    setKey(kA, "");
    dialog->turboMs()->setValue(80);
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->statusLabel()->text(), QStringLiteral("保存しました。"));

    const PadProfileReading back = loadPadProfile(dir.path(), "Shooter");
    ASSERT_TRUE(back.profile) << back.error->text();
    const std::vector<PadKeyMapping>& m = back.profile->mappings;
    ASSERT_EQ(m.size(), 3u);
    // In the table's order: b, start, dpdown; keysyms as X numbers them.
    EXPECT_EQ(m[0].control, kB);
    EXPECT_EQ(m[0].keysym, 0x78u);
    EXPECT_EQ(m[0].repeat, KeyRepeat::Turbo);
    EXPECT_EQ(m[1].control, kStart);
    EXPECT_EQ(m[1].keysym, 0xff0du);
    EXPECT_EQ(m[1].repeat, KeyRepeat::None);
    EXPECT_EQ(m[2].control, kDown);
    EXPECT_EQ(m[2].keysym, 0xff54u);
    EXPECT_EQ(m[2].repeat, KeyRepeat::Repeat);
    EXPECT_EQ(back.profile->turboMs, 80);
    EXPECT_EQ(back.profile->repeatDelayMs, 250);
    EXPECT_EQ(back.profile->repeatIntervalMs, 50);
    // The other profile is as it was.
    EXPECT_EQ(dir.read("data/pad/Race.ini"), "[keys]\nb = x\n");
}

// Edits are never dropped unasked: picking another profile or closing asks to save them first.
TEST_F(PadProfileDialogTest, UnsavedEditsAreSavedDroppedOrKeptAsTheUserAnswers) {
    dir.write("data/pad/Race.ini", "[keys]\nb = x\n");
    dir.write("data/pad/Shooter.ini", "[keys]\na = z\n");
    open();
    QListWidget* list = dialog->profileList();
    ASSERT_EQ(list->currentItem()->text(), QStringLiteral("Race"));
    // Nothing edited: no question.
    list->setCurrentRow(1);
    list->setCurrentRow(0);
    ASSERT_EQ(list->currentRow(), 0);

    setKey(kA, "space");
    // Cancel: the pick is undone and the edit stays in the table.
    test::withModal<QMessageBox>(
        [&] { list->setCurrentRow(1); },
        [](QMessageBox& box) { box.button(QMessageBox::Cancel)->click(); });
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(cell(kA, PadProfileDialog::kKeyColumn), QStringLiteral("space"));
    EXPECT_EQ(dir.read("data/pad/Race.ini"), "[keys]\nb = x\n");
    // Save: written to the profile it was made on, then the other one is shown.
    test::withModal<QMessageBox>([&] { list->setCurrentRow(1); },
                                 [](QMessageBox& box) { box.button(QMessageBox::Save)->click(); });
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(cell(kA, PadProfileDialog::kKeyColumn), QStringLiteral("z"));
    const PadProfileReading race = loadPadProfile(dir.path(), "Race");
    ASSERT_TRUE(race.profile);
    EXPECT_EQ(race.profile->mappings.size(), 2u);

    // Closing with an edit: Discard leaves the file as it was and closes.
    dialog->turboMs()->setValue(90);
    dialog->show();
    test::withModal<QMessageBox>(
        [&] { dialog->reject(); },
        [](QMessageBox& box) { box.button(QMessageBox::Discard)->click(); });
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dir.read("data/pad/Shooter.ini"), "[keys]\na = z\n");
}

TEST_F(PadProfileDialogTest, AnUnknownKeyIsNotSaved) {
    dir.write("data/pad/Shooter.ini", "[keys]\na = z\n");
    open();
    setKey(kB, "Enterr");
    EXPECT_FALSE(dialog->save());
    EXPECT_EQ(dialog->statusLabel()->text(), QStringLiteral("「b」のキー「Enterr」は知りません"));
    EXPECT_EQ(dir.read("data/pad/Shooter.ini"), "[keys]\na = z\n");
    setKey(kA, "");
    setKey(kB, "");
    EXPECT_FALSE(dialog->save());
    EXPECT_EQ(dir.read("data/pad/Shooter.ini"), "[keys]\na = z\n");
}

TEST_F(PadProfileDialogTest, ANewProfileIsWrittenWhenSavedAndDeletedAfterAsking) {
    open();  // no data/pad yet
    EXPECT_EQ(dialog->profileList()->count(), 0);
    EXPECT_FALSE(dialog->saveButton()->isEnabled());
    test::withModal<QInputDialog>([&] { dialog->addProfile(); },
                                  [](QInputDialog& ask) {
                                      ask.setTextValue(QStringLiteral("横スクロール"));
                                      ask.accept();
                                  });
    ASSERT_EQ(dialog->profileList()->count(), 1);
    EXPECT_TRUE(dialog->saveButton()->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/pad/横スクロール.ini")));
    setKey(kA, "space");
    ASSERT_TRUE(dialog->save());
    const PadProfileReading back = loadPadProfile(dir.path(), "横スクロール");
    ASSERT_TRUE(back.profile);
    ASSERT_EQ(back.profile->mappings.size(), 1u);
    EXPECT_EQ(back.profile->mappings[0].keysym, 0x20u);

    // Asked first; "No" keeps it.
    test::withModal<QMessageBox>([&] { dialog->removeProfile(); },
                                 [](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/pad/横スクロール.ini")));
    test::withModal<QMessageBox>([&] { dialog->removeProfile(); },
                                 [](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/pad/横スクロール.ini")));
    EXPECT_EQ(dialog->profileList()->count(), 0);
}

TEST_F(PadProfileDialogTest, ANameThatCannotBeAFileIsRefused) {
    open();
    test::withModal<QInputDialog>([&] { dialog->addProfile(); },
                                  [](QInputDialog& ask) {
                                      ask.setTextValue(QStringLiteral("../up"));
                                      ask.accept();
                                  });
    EXPECT_EQ(dialog->profileList()->count(), 0);
    EXPECT_EQ(dialog->statusLabel()->text(),
              QStringLiteral("「../up」はプロファイルの名前にできません"));
}

}  // namespace
