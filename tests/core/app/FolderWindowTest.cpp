#include "core/views/FolderWindowModel.h"

#include <gtest/gtest.h>

#include "ShelfFixture.h"

using namespace romshelf;

namespace {

struct FolderWindow : test::ShelfFixture {
    FolderWindowModel window;
    void SetUp() override {
        setUpShelf();
        start("SFC");
    }
    // Lists `kind` and applies the item in `row`, as a click in the window does.
    void choose(FolderWindowKind kind, int row) {
        window.list(kind, app.fileListSources());
        const FolderItem& item = window.items().at(static_cast<std::size_t>(row));
        app.showFiltered(kind, item.number, item.text);
    }
};

}  // namespace

TEST_F(FolderWindow, ListsEachKindWithItsNumbersAndCounts) {
    using Items = std::vector<FolderItem>;
    window.list(FolderWindowKind::RomFolder, app.fileListSources());
    // A folder without a display name is left out; the hidden number is the slot.
    EXPECT_EQ(window.items(), (Items{{"RPG棚", 0}, {"アクション棚", 4}}));
    EXPECT_EQ(window.title(), "フォルダウィンドウ : フォルダ (項目数 : 2)");
    window.list(FolderWindowKind::Rating, app.fileListSources());
    EXPECT_EQ(window.items().size(), 6u);
    EXPECT_EQ(window.items()[3], (FolderItem{"★★★", 3}));
    EXPECT_EQ(window.title(), "フォルダウィンドウ : 評価");
    window.list(categoryKind(1), app.fileListSources());
    EXPECT_EQ(window.items(), (Items{{"未登録", 0}, {"RPG", 1}, {"ACT", 2}, {"SLG", 3}}));
    EXPECT_EQ(window.title(), "フォルダウィンドウ : 分類 2 (項目数 : 4)");
    window.list(FolderWindowKind::Favourites, app.fileListSources());
    EXPECT_EQ(window.items(), (Items{{"未登録", 0}, {"登録済み", 1}}));
    EXPECT_EQ(window.title(), "フォルダウィンドウ : お気に入り");

    // Other software has locations, not folders.
    FileListSources hard = app.fileListSources();
    hard.otherSoftware = true;
    window.list(FolderWindowKind::RomFolder, hard);
    EXPECT_TRUE(window.items().empty());
    EXPECT_EQ(window.title(), "フォルダウィンドウ : フォルダ (項目数 : 0)");
}

TEST_F(FolderWindow, AnItemNarrowsTheFileList) {
    choose(FolderWindowKind::RomFolder, 1);  // the second line is slot 4
    EXPECT_EQ(shown(), "blank.sfc|jump.sfc");
    EXPECT_EQ(app.fileList().title(),
              "スーパーファミコン : アクション棚 / フォルダ (ファイル数 : 2)");
    // "未登録" in category 2: every unregistered file and every record without a category 2.
    choose(categoryKind(1), 0);
    EXPECT_EQ(shown(), "blank.sfc|loose.sfc|stray.sfc");
    EXPECT_EQ(app.fileList().title(), "スーパーファミコン : 未登録 / 分類 2 (ファイル数 : 3)");
    choose(categoryKind(1), 2);
    EXPECT_EQ(shown(), "jump.sfc");
    choose(FolderWindowKind::Rating, 3);  // never an unregistered file
    EXPECT_EQ(shown(), "hero.sfc|jump.sfc");
    // An item no record uses: the placeholder row only.
    choose(categoryKind(1), 3);
    EXPECT_EQ(app.fileList().count(), 0);
    EXPECT_EQ(app.fileList().rows()[0].cells[0], "ファイルがありません");
    EXPECT_EQ(app.fileList().title(), "スーパーファミコン : SLG / 分類 2 (ファイル数 : 0)");
}
