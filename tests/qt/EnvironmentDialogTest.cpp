#include "qt/app/EnvironmentDialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "AppFixture.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/CommandIds.h"
#include "qt/app/MainMenu.h"
#include "qt/views/CFileList.h"

using namespace romshelf;
using namespace Qt::StringLiterals;

namespace {

struct EnvironmentDialogTest : romshelf::test::AppFixture {
    // Ticks grid lines and backup at exit, names MD's class list, picks another list font.
    static void edit(EnvironmentDialog& d) {
        static_cast<QCheckBox*>(d.control(kEnvPageMain, 1))->click();
        static_cast<QCheckBox*>(d.control(kEnvPageOther, 4))->click();
        static_cast<QLineEdit*>(d.control(kEnvPageButtons, 10))->setText(u"メガドラ分類"_s);
        auto* font = static_cast<QComboBox*>(d.control(kEnvPageMain, 9));
        font->setCurrentIndex(3);
        Q_EMIT font->textActivated(font->currentText());
    }
    static void press(EnvironmentDialog& d, const QString& text) {
        for (QPushButton* b : d.findChildren<QPushButton*>())
            if (b->text() == text) return b->click();
        ADD_FAILURE() << "no button " << text.toStdString();
    }
};

}  // namespace

TEST_F(EnvironmentDialogTest, CancelDropsTheEditsAndSavingAppliesThem) {
    setUpHardware("MD");
    app.preferHardware("MD");
    CMainFrame frame(app);
    frame.startUp();
    EXPECT_TRUE(frame.mainMenu()->action(cmd::EnvironmentSettings)->isEnabled());
    const MainSettings before = app.settings();
    {
        EnvironmentDialog d(app, &frame);
        ASSERT_EQ(d.tabs()->count(), kEnvPageCount);
        EXPECT_TRUE(d.thanksButton()->isHidden());
        edit(d);
        press(d, u"キャンセル"_s);
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
    EXPECT_EQ(app.settings(), before);
    EXPECT_FALSE(frame.fileList()->showGrid());

    app.changeSettings([](MainSettings& m) { m.extraOptions[0].flag = true; });  // 50 starts
    EnvironmentDialog d(app, &frame);
    EXPECT_FALSE(d.thanksButton()->isHidden());
    edit(d);
    press(d, u"設定の保存"_s);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(app.settings().option(Option::GridLines));
    EXPECT_TRUE(app.settings().option(Option::BackupAtExit));
    EXPECT_EQ(app.settings().listFontName, "ＭＳ 明朝");
    EXPECT_EQ(app.categoryNames()[kHardwareClassList], "メガドラ分類");
    EXPECT_TRUE(frame.fileList()->showGrid());
    EXPECT_EQ(frame.fileList()->fontName(), "");  // the new font waits for the next start
}
