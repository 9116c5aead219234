#include "core/settings/FolderSettings.h"
#include "core/settings/DriveMap.h"

#include <gtest/gtest.h>

#include "DataFileFixtures.h"

using namespace romshelf;
using romshelf::test::RawBytes;
using romshelf::test::rawFolderFile;

namespace {

struct FolderSettingsTest : romshelf::test::DataFileTest {
    LoadResult load(const std::string& name, FolderSettings& into) {
        prompter.clear();
        return loadFolderSettingsFile(stream, dir.file(name), prompter, into);
    }
};

}  // namespace

TEST_F(FolderSettingsTest, AWindowsFileIsKeptAsTypedAndUsedAbsolute) {
    romshelf::test::RawFolderStrings s{};
    s[0] = "\x83\x74\x83\x40\x83\x7e\x83\x52\x83\x93";  // ファミコン
    s[1] = ".\\roms\\fc";
    s[3] = ".\\roms\\fc2\\";
    s[499] = "/mnt/roms/last";  // ROM folder 250
    s[501] = "./snap/fc";       // snap folder 1
    s[510] = ".\\roms\\fc2";    // rename-OK folder: ROM folder 2
    s[513] = ".\\roms\\fc\\";   // TEMP = ROM folder 1
    s[515] = "unf";
    const std::string bytes = rawFolderFile(s);
    dir.write("Folder_FC.slb", bytes);
    FolderSettings stored;
    ASSERT_EQ(load("Folder_FC.slb", stored), LoadResult::Loaded);
    const LoadedFolders loaded = resolveLoadedFolders(stored, dir.path(), false);
    const FolderSettings& f = loaded.folders;
    // Extensions are taken as they are.
    EXPECT_EQ(std::tuple(f.romFolderNames[0], f.romFolderPaths[0], f.romFolderPaths[249],
                         f.snapFolderPaths[0], f.extraExtensions[0], f.tempFolder),
              std::tuple("ファミコン", dir.path() + "roms/fc/", "/mnt/roms/last/",
                         dir.path() + "snap/fc/", "unf", dir.path() + "temp/"));
    EXPECT_EQ(std::tuple(loaded.renameOkNumber, loaded.renameFailedNumber, loaded.duplicateNumber),
              std::tuple(1, -1, -1));

    // Saved again unchanged, the file is byte for byte what was read: the paths stay as typed.
    ASSERT_TRUE(saveFolderSettingsFile(stream, dir.file("again.slb"), stored));
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

TEST(FolderSettings, WindowsPathsLeadThroughTheDriveMapAndAnUnmappedTempIsReplaced) {
    const DriveMap drives({{"D:", "/mnt/d/", DriveSource::User}}, {});
    FolderSettings f;
    f.romFolderPaths[0] = "D:\\ROMS\\FC\\";  // not on disk: kept as written
    f.romFolderPaths[1] = "\\\\NAS\\fc\\";
    f.snapFolderPaths[0] = "d:\\snap";
    f.renameOkFolder = "D:\\ROMS\\FC\\";
    for (const char* temp : {"E:\\TEMP\\", "D:\\TEMP"}) {
        f.tempFolder = temp;
        const LoadedFolders loaded = resolveLoadedFolders(f, "/opt/r/", false, &drives);
        EXPECT_EQ(loaded.folders.romFolderPaths[0], "/mnt/d/ROMS/FC/");
        EXPECT_EQ(loaded.folders.romFolderPaths[1], "\\\\NAS\\fc\\");
        EXPECT_EQ(loaded.folders.snapFolderPaths[0], "/mnt/d/snap/");
        EXPECT_EQ(loaded.renameOkNumber, 0);
        // TEMP is unpacked into: where it leads nowhere, the program's own is used.
        EXPECT_EQ(loaded.folders.tempFolder,
                  std::string(temp)[0] == 'E' ? "/opt/r/temp/" : "/mnt/d/TEMP/");
    }
}

TEST_F(FolderSettingsTest, MissingOrBrokenFilesGiveEmptySettings) {
    const std::string good = rawFolderFile({});
    dir.write("cut.slb", good.substr(0, good.size() - 1));
    dir.write("v2.slb", RawBytes().header("ROMSHELF_FOLDERDATA", 2).bytes());
    const std::pair<const char*, const char*> cases[] = {
        {"cut.slb", "フォルダ設定ファイルが異常です。\nデータを読み込めません。"},
        {"v2.slb", "フォルダ設定ファイルのバージョンが違います。\nデータを読み込めません。"},
        {"none.slb", nullptr},  // a missing file is silent
    };
    for (const auto& [file, message] : cases) {
        FolderSettings f;
        f.romFolderPaths[0] = "kept?";
        EXPECT_EQ(load(file, f), message ? LoadResult::Rejected : LoadResult::Missing) << file;
        EXPECT_TRUE(f == FolderSettings{}) << file;
        EXPECT_TRUE(message ? warnedOnce(message) : prompter.boxes().empty()) << file;
    }
}
