#include "core/settings/FolderSettings.h"

#include <gtest/gtest.h>

#include <functional>

#include "RawBytes.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"

using namespace romshelf;
using romshelf::test::RawBytes;

namespace {

// Folder_<code>.slb as another program writes it, as its 529 strings in file order: 250 ROM
// (name, path) pairs, 5 snap pairs, then OK 510, failed 511, duplicate 512, TEMP 513, save 514,
// extensions 515-523, media 524-528. Strings are given in their stored form.
std::string rawFolderFile(const std::function<void(std::array<std::string, 529>&)>& fill) {
    std::array<std::string, 529> strings{};
    fill(strings);
    RawBytes b;
    b.header("ROMSHELF_FOLDERDATA", 1);
    for (const auto& str : strings) b.str(str);
    for (int i = 0; i < 45; ++i) b.str("");
    for (int i = 0; i < 20; ++i) b.i32(0);
    return b.bytes();
}

}  // namespace

TEST(FolderSettings, RelativePathsAreStoredAsTypedAndLoadAbsolute) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    DataStream s;
    FolderSettings f;
    f.romFolderNames[0] = "ファミコン";
    f.romFolderPaths[0] = "./roms/fc/";
    f.romFolderPaths[249] = "/mnt/roms/last";
    f.snapFolderPaths[0] = "./snap/fc";
    f.extraExtensions[0] = "unf";
    f.mediaFolderPaths[4] = "../media";
    ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("Folder_FC.slb"), f));

    FolderSettings stored;
    ASSERT_EQ(loadFolderSettingsFile(s, dir.file("Folder_FC.slb"), prompter, stored), LoadResult::Loaded);
    EXPECT_TRUE(stored == f);  // read back exactly as typed

    LoadedFolders loaded = resolveLoadedFolders(stored, dir.path(), false);
    EXPECT_EQ(loaded.folders.romFolderPaths[0], dir.path() + "roms/fc/");
    EXPECT_EQ(loaded.folders.romFolderPaths[249], "/mnt/roms/last/");
    EXPECT_EQ(loaded.folders.snapFolderPaths[0], dir.path() + "snap/fc/");
    EXPECT_EQ(loaded.folders.extraExtensions[0], "unf");  // extensions are taken as they are
    EXPECT_EQ(loaded.folders.tempFolder, dir.path() + "temp/");
    EXPECT_EQ(loaded.folders.romFolderNames[0], "ファミコン");
}

TEST(FolderSettings, AWindowsFileWithTempOnARomFolder) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    std::string bytes = rawFolderFile([](std::array<std::string, 529>& s) {
        s[0] = "\x83\x74\x83\x40\x83\x7e\x83\x52\x83\x93";  // ファミコン
        s[1] = ".\\roms\\fc";
        s[3] = ".\\roms\\fc2\\";
        s[510] = ".\\roms\\fc2";  // rename-OK folder: ROM folder 2
        s[513] = ".\\roms\\fc\\";  // TEMP = ROM folder 1
    });
    dir.write("Folder_FC.slb", bytes);
    DataStream s;
    FolderSettings stored;
    ASSERT_EQ(loadFolderSettingsFile(s, dir.file("Folder_FC.slb"), prompter, stored), LoadResult::Loaded);
    EXPECT_EQ(stored.romFolderPaths[0], ".\\roms\\fc");
    EXPECT_EQ(stored.renameOkFolder, ".\\roms\\fc2");
    LoadedFolders loaded = resolveLoadedFolders(stored, dir.path(), false);
    EXPECT_EQ(loaded.folders.romFolderNames[0], "ファミコン");
    EXPECT_EQ(loaded.folders.romFolderPaths[0], dir.path() + "roms/fc/");
    EXPECT_EQ(loaded.folders.tempFolder, dir.path() + "temp/");
    EXPECT_EQ(loaded.renameOkNumber, 1);
    EXPECT_EQ(loaded.renameFailedNumber, -1);
    EXPECT_EQ(loaded.duplicateNumber, -1);

    // Saved again unchanged, the file is byte for byte what was read.
    ASSERT_TRUE(saveFolderSettingsFile(s, dir.file("again.slb"), stored));
    EXPECT_TRUE(romshelf::test::sameBytes(dir.read("again.slb"), bytes));
}

TEST(FolderSettings, OtherSoftwarePathsNameFiles) {
    FolderSettings f;
    f.romFolderPaths[0] = "/usr/bin/xterm";
    f.romFolderPaths[1] = "/home/u/doc/manual.pdf/";
    LoadedFolders loaded = resolveLoadedFolders(f, "/opt/r/", true);
    EXPECT_EQ(loaded.folders.romFolderPaths[0], "/usr/bin/xterm");
    EXPECT_EQ(loaded.folders.romFolderPaths[1], "/home/u/doc/manual.pdf");
    EXPECT_EQ(loaded.folders.tempFolder, "/opt/r/temp/");
}

TEST(FolderSettings, BrokenFilesGiveEmptySettings) {
    romshelf::test::TempFolder dir;
    romshelf::test::ScriptedPrompter prompter;
    DataStream s;
    FolderSettings f;
    f.romFolderPaths[0] = "kept?";
    const std::string good = rawFolderFile([](auto&) {});
    dir.write("cut.slb", good.substr(0, good.size() - 1));
    EXPECT_EQ(loadFolderSettingsFile(s, dir.file("cut.slb"), prompter, f), LoadResult::Rejected);
    EXPECT_TRUE(f == FolderSettings{});
    EXPECT_EQ(prompter.boxes().back().text, "フォルダ設定ファイルが異常です。\nデータを読み込めません。");
    dir.write("v2.slb", RawBytes().header("ROMSHELF_FOLDERDATA", 2).bytes());
    EXPECT_EQ(loadFolderSettingsFile(s, dir.file("v2.slb"), prompter, f), LoadResult::Rejected);
    EXPECT_EQ(prompter.boxes().back().text,
              "フォルダ設定ファイルのバージョンが違います。\nデータを読み込めません。");
    EXPECT_EQ(loadFolderSettingsFile(s, dir.file("none.slb"), prompter, f), LoadResult::Missing);
    EXPECT_EQ(prompter.boxes().size(), 2u);
}
