#include "qt/app/ProgressDialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace romshelf;

// One loop as the user sees it: the lines and the bar follow the steps, "キャンセル" and the
// close button only raise the request, and the other windows take no input meanwhile.
TEST(ProgressDialogTest, ShowsTheLoopAndRaisesTheCancelRequest) {
    QLineEdit other;
    other.show();
    ProgressDialog progress;
    progress.begin("リネームの進行状況", 4, kDoneOfTotal);
    QDialog* window = progress.window();
    ASSERT_NE(window, nullptr);
    auto part = [&](const char* name) { return window->findChild<QWidget*>(QLatin1String(name)); };
    auto text = [&](const char* name) { return static_cast<QLabel*>(part(name))->text(); };
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(text("title"), QStringLiteral("リネームの進行状況"));

    progress.step(2, "a.nes の情報を取得中…");
    EXPECT_EQ(static_cast<QProgressBar*>(part("bar"))->value(), 2);
    EXPECT_EQ(text("counts"), QStringLiteral("処理済みのファイル数 2 / 処理するファイル総数 4"));
    EXPECT_EQ(text("item"), QStringLiteral("a.nes の情報を取得中…"));

    QTest::keyClicks(&other, QStringLiteral("typed during the loop"));
    EXPECT_TRUE(other.text().isEmpty());

    EXPECT_FALSE(progress.cancelRequested());
    QTest::mouseClick(part("cancel"), Qt::LeftButton);
    EXPECT_TRUE(progress.cancelRequested());
    progress.clearCancelRequest();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(progress.cancelRequested());
    progress.clearCancelRequest();

    progress.end();
    EXPECT_EQ(progress.window(), nullptr);
    QTest::keyClicks(&other, QStringLiteral("after"));
    EXPECT_EQ(other.text(), QStringLiteral("after"));
}
