#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <memory>
#include <string>

#include "AppFixture.h"
#include "qt/app/CMainFrame.h"
#include "qt/views/CFileList.h"
#include "qt/views/FileListModel.h"

using namespace romshelf;

namespace {

// The file list of 25 files g01.sfc … g25.sfc, shown in slices of 4 rows, then 6 a pass.
struct FileListSlices : test::AppFixture {
    static constexpr int kFiles = 25;
    std::unique_ptr<CMainFrame> frame;
    CFileList* list = nullptr;
    FileListModel* model = nullptr;

    void SetUp() override {
        setUpHardware("SFC");
        for (int i = 1; i <= kFiles; ++i) dir.write("roms/SFC/" + file(i), "x");
        app.preferHardware("SFC");
        frame = std::make_unique<CMainFrame>(app);
        frame->startUp();
        list = frame->fileList();
        model = list->listModel();
        model->setSlices(4, 6);
    }
    static std::string file(int i) {
        char name[16];
        std::snprintf(name, sizeof name, "g%02d.sfc", i);
        return name;
    }
    std::string cell(int row) const { return model->index(row, 2).data().toString().toStdString(); }
    // Lets the event loop run until every row is shown.
    bool waitForAllRows() {
        return QTest::qWaitFor([this] { return !model->delivering(); }, 5000);
    }
};

TEST_F(FileListSlices, ALongListComesInSlicesUntilEveryRowIsShownInItsPlace) {
    QSignalSpy done(model, &FileListModel::allRowsShown);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    app.showAll();
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_TRUE(model->delivering());
    EXPECT_EQ(done.count(), 0);
    ASSERT_TRUE(waitForAllRows());
    ASSERT_EQ(model->rowCount(), kFiles);
    // 21 rows after the first 4, six at a time: 6, 6, 6, 3.
    EXPECT_EQ(inserted.count(), 4);
    EXPECT_EQ(done.count(), 1);
    for (int row = 0; row < kFiles; ++row) EXPECT_EQ(cell(row), file(row + 1)) << row;
}

TEST_F(FileListSlices, AShortListIsShownAtOnce) {
    model->setSlices(kFiles, 1);
    QSignalSpy done(model, &FileListModel::allRowsShown);
    app.showAll();
    EXPECT_EQ(model->rowCount(), kFiles);
    EXPECT_FALSE(model->delivering());
    EXPECT_EQ(done.count(), 1);
}

TEST_F(FileListSlices, TheSelectionAndTheCurrentRowStayWhileRowsArrive) {
    app.showAll();
    ASSERT_TRUE(model->delivering());
    list->selectRow(2);
    ASSERT_TRUE(waitForAllRows());
    EXPECT_EQ(list->selectedRow(), 2);
    EXPECT_EQ(list->currentIndex().row(), 2);
    EXPECT_EQ(cell(list->selectedRow()), file(3));
    // Page Down reaches rows that came after the selection was made.
    for (int i = 0; i < 10; ++i) QTest::keyClick(list, Qt::Key_PageDown);
    EXPECT_EQ(list->currentIndex().row(), kFiles - 1);
}

TEST_F(FileListSlices, ASortWhileRowsArriveShowsEveryRowInTheNewOrderWithTheFileSelected) {
    app.showAll();
    ASSERT_TRUE(model->delivering());
    list->selectRow(1);                           // g02.sfc
    list->horizontalHeader()->sectionClicked(2);  // file names, descending first
    // The selected file is in the new order's second-last row: every row is there to hold it.
    EXPECT_EQ(list->selectedRow(), kFiles - 2);
    EXPECT_EQ(cell(list->selectedRow()), file(2));
    ASSERT_TRUE(waitForAllRows());
    ASSERT_EQ(model->rowCount(), kFiles);
    for (int row = 0; row < kFiles; ++row) EXPECT_EQ(cell(row), file(kFiles - row)) << row;
}

TEST_F(FileListSlices, ARebuildWhileRowsArriveShowsOnlyTheNewList) {
    app.showAll();
    ASSERT_TRUE(model->delivering());
    // Three files fewer, and the list built again before the first one's rows are all there.
    for (int i = 23; i <= kFiles; ++i) std::remove(dir.file("roms/SFC/" + file(i)).c_str());
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    app.showAll();
    ASSERT_TRUE(waitForAllRows());
    EXPECT_EQ(model->rowCount(), kFiles - 3);
    // The view was told of the new list's rows after its first four, and of no others.
    int told = 0;
    for (const QList<QVariant>& rows : inserted)
        told += rows.at(2).toInt() - rows.at(1).toInt() + 1;
    EXPECT_EQ(told, kFiles - 3 - 4);
    for (int row = 0; row < kFiles - 3; ++row) EXPECT_EQ(cell(row), file(row + 1)) << row;
    // Nothing of the first delivery comes after it.
    QTest::qWait(50);
    EXPECT_EQ(model->rowCount(), kFiles - 3);
}

TEST_F(FileListSlices, FilesSelectedByNameAreFoundInRowsNotShownYet) {
    app.showAll();
    ASSERT_TRUE(model->delivering());
    CFileList::Selection files;
    files.selected.insert({0, "g20.sfc"});
    files.current = CFileList::FileKey{0, "g20.sfc"};
    EXPECT_TRUE(list->selectFiles(files));
    EXPECT_EQ(list->selectedRow(), 19);
    EXPECT_EQ(list->currentIndex().row(), 19);
}

}  // namespace
