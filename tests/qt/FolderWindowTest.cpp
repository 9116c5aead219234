#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "QtUi.h"
#include "ShelfFixture.h"
#include "qt/app/CMainFrame.h"
#include "qt/app/CommandIds.h"
#include "qt/app/MainMenu.h"
#include "qt/app/SearchDialog.h"
#include "qt/app/ToolWindowFrame.h"
#include "qt/views/CFileData.h"
#include "qt/views/CFileList.h"
#include "qt/views/CFolder.h"

using namespace romshelf;
using namespace Qt::StringLiterals;

namespace {

struct FolderWindowView : test::ShelfFixture {
    std::unique_ptr<CMainFrame> frame;
    CFolder* folder = nullptr;
    void SetUp() override {
        setUpShelf();
        app.preferHardware("SFC");
        frame = std::make_unique<CMainFrame>(app);
        frame->startUp();
        folder = frame->folderView();
    }
    QString title() const { return frame->toolWindow(kSlotFolder)->windowTitle(); }
};

}  // namespace

TEST_F(FolderWindowView, ListsKindsAndAClickNarrowsTheFileList) {
    const std::string everything = shown();
    EXPECT_EQ(title(), u"フォルダウィンドウ : フォルダ (項目数 : 2)"_s);
    EXPECT_EQ(folder->list()->item(1, 1)->text(), u"4"_s);  // the hidden number cell
    EXPECT_EQ(folder->list()->geometry().size(), QSize(CFolder::kListWidth, folder->height()));

    // A click clears the detail windows first.
    Q_EMIT frame->fileList()->selectionShown(0);
    EXPECT_FALSE(frame->fileDataView()->texts().gameName.empty());
    test::clickRow(folder->list(), 1);
    EXPECT_EQ(shown(), "blank.sfc|jump.sfc");
    EXPECT_TRUE(frame->fileDataView()->texts().gameName.empty());

    QTest::mouseClick(folder->kindButton(FolderWindowKind::Rating), Qt::LeftButton);
    EXPECT_EQ(title(), u"フォルダウィンドウ : 評価"_s);
    EXPECT_EQ(folder->list()->item(3, 0)->text(), u"★★★"_s);

    QTest::mouseClick(folder->kindButton(categoryKind(1)), Qt::LeftButton);
    EXPECT_EQ(title(), u"フォルダウィンドウ : 分類 2 (項目数 : 4)"_s);
    // The organiser drops SLG and puts ACT first: the list follows, numbers and all.
    CategoryOrganiser organiser = app.categoryCommands().open(1);
    organiser.selectCurrent(2);
    organiser.moveToDelete();
    organiser.sort();
    app.categoryCommands().apply(organiser);
    EXPECT_EQ(title(), u"フォルダウィンドウ : 分類 2 (項目数 : 3)"_s);
    test::clickRow(folder->list(), 1);
    EXPECT_EQ(app.fileList().label() + " " + shown(), "ACT jump.sfc");
    QTest::mouseClick(folder->showAllButton(), Qt::LeftButton);
    EXPECT_EQ(shown(), everything);

    // New category names: the button and the title follow; a switch lists the folders again.
    app.changeSettings([](MainSettings& m) { m.categoryNames[1] = "ジャンル"; });
    frame->categoryNamesChanged();
    EXPECT_EQ(folder->kindButton(categoryKind(1))->text(), u"ジャンル"_s);
    EXPECT_EQ(title(), u"フォルダウィンドウ : ジャンル (項目数 : 3)"_s);
    frame->folderWindowReset();
    EXPECT_EQ(title(), u"フォルダウィンドウ : フォルダ (項目数 : 2)"_s);
}

TEST_F(FolderWindowView, TheSearchDialogOpensEmptyAndFindsKatakanaTypedInHiragana) {
    test::withModal<SearchDialog>(
        [&] { QTest::mouseClick(folder->searchButton(), Qt::LeftButton); },
        [](SearchDialog& d) {
            EXPECT_TRUE(d.fieldButton(0)->isChecked());
            EXPECT_EQ(d.combo(SearchDialogModel::Category1 + 1)->count(), 5);
            d.combo(SearchDialogModel::Rating)->setCurrentIndex(4);  // ★★★
            d.textEdit()->setText(u"まりお"_s);
            QTest::mouseClick(d.startButton(), Qt::LeftButton);
        });
    EXPECT_EQ(shown(), "jump.sfc");
    EXPECT_EQ(app.fileList().title(), "スーパーファミコン : まりお / 検索結果 (ファイル数 : 1)");

    // Ctrl+F opens it again with nothing kept; "未登録" is handed over as the empty text.
    test::withModal<SearchDialog>([&] { frame->mainMenu()->action(cmd::Search)->trigger(); },
                                  [](SearchDialog& d) {
                                      EXPECT_TRUE(d.textEdit()->text().isEmpty());
                                      EXPECT_EQ(d.combo(SearchDialogModel::Rating)->currentIndex(),
                                                0);
                                      d.combo(SearchDialogModel::Category1 + 1)->setCurrentIndex(1);
                                      d.accept();
                                  });
    EXPECT_EQ(shown(), "blank.sfc|loose.sfc|stray.sfc");
    EXPECT_EQ(app.fileList().criteria().classes[1], "");
}
