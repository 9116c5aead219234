#include "qt/app/CategoryOrganiserDialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "AppFixture.h"
#include "core/app/Application.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

V texts(QWidget* list) {
    V items;
    auto* tree = static_cast<QTreeWidget*>(list);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        items.push_back(tree->topLevelItem(i)->text(0).toStdString());
    return items;
}

using CategoryOrganiserDialogTest = romshelf::test::AppFixture;

}  // namespace

TEST_F(CategoryOrganiserDialogTest, ButtonsEditsAndEnterWorkOnTheOrganiser) {
    setUpHardware("MD");
    RomRecord sonic;
    sonic.fileTitle = "Sonic";
    sonic.classes[0] = "ACT";
    writeRecords("MD", {sonic});
    CategoryLists lists;
    lists.items[0] = {"ACT", "RPG"};
    DataStream s;
    lists.save(s, app.programFolder(), "MD");
    start("MD");

    CategoryOrganiserDialog d(app, 0);
    d.show();
    EXPECT_EQ(d.windowTitle().toStdString(), "分類 1の項目を整理");
    auto click = [&](int id) { static_cast<QPushButton*>(d.control(id))->click(); };
    auto* current = static_cast<QTreeWidget*>(d.control(1152));
    auto* rename = static_cast<QLineEdit*>(d.control(1161));
    auto* add = static_cast<QLineEdit*>(d.control(1164));
    current->setCurrentItem(current->topLevelItem(1));
    EXPECT_EQ(rename->text().toStdString(), "RPG");
    click(1167);  // ↑
    click(1155);  // →: RPG goes, ACT is selected
    EXPECT_EQ(texts(d.control(1154)), V{"RPG"});
    EXPECT_EQ(rename->text().toStdString(), "ACT");

    // Enter in the add edit adds, in the rename edit renames (the records too); the dialog stays.
    add->setFocus();
    QTest::keyClicks(add, QStringLiteral("SLG"));
    QTest::keyClick(add, Qt::Key_Return);
    rename->setFocus();
    rename->setText(QStringLiteral("アクション"));
    QTest::keyClick(rename, Qt::Key_Return);
    EXPECT_EQ(texts(current), (V{"アクション", "SLG"}));
    EXPECT_EQ(app.romTable()[0].classes[0], "アクション");
    EXPECT_TRUE(d.isVisible());
    click(1159);  // ソート
    // Enter anywhere else confirms the list.
    current->setFocus();
    QTest::keyClick(current, Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(app.categoryLists().items[0], (V{"SLG", "アクション"}));
}
