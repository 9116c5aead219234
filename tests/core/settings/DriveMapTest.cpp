#include "core/settings/DriveMap.h"
#include "core/settings/DriveMapPageModel.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings/PathRules.h"
#include "core/settings/PlusSettings.h"
#include "TempFolder.h"

using namespace romshelf;
using romshelf::test::TempFolder;

namespace {

DriveMapping map(std::string root, std::string folder) {
    return {std::move(root), std::move(folder), DriveSource::User};
}

void link(const std::string& target, const std::string& at) {
    std::filesystem::create_directories(std::filesystem::path(at).parent_path());
    std::filesystem::create_directory_symlink(target, at);
}

}  // namespace

TEST(DriveMap, WindowsPathsAndTheirRootsAreRecognised) {
    EXPECT_TRUE(isWindowsPath("D:\\ROMS\\FC\\"));
    EXPECT_TRUE(isWindowsPath("d:/roms"));
    EXPECT_TRUE(isWindowsPath("D:"));
    EXPECT_TRUE(isWindowsPath("\\\\NAS\\games\\fc\\"));
    EXPECT_TRUE(isWindowsPath("//nas/games"));
    // Drive-relative, a bare server, Linux and relative paths are not.
    EXPECT_FALSE(isWindowsPath("D:roms"));
    EXPECT_FALSE(isWindowsPath("\\\\NAS"));
    EXPECT_FALSE(isWindowsPath("\\\\NAS\\"));
    EXPECT_FALSE(isWindowsPath("/home/user/roms"));
    EXPECT_FALSE(isWindowsPath(".\\roms"));
    EXPECT_FALSE(isWindowsPath("1:\\x"));
    EXPECT_FALSE(isWindowsPath(""));

    EXPECT_EQ(windowsRootOf("d:\\roms\\fc\\"), "D:");
    EXPECT_EQ(windowsRootOf("\\\\NAS\\Games\\fc\\x.nes"), "\\\\NAS\\Games");
    EXPECT_EQ(windowsRootOf("//nas/games/fc"), "\\\\nas\\games");
    EXPECT_EQ(windowsRootOf("/mnt/d"), "");

    EXPECT_EQ(normalisedWindowsRoot("d:"), "D:");
    EXPECT_EQ(normalisedWindowsRoot(" D:\\ "), "D:");
    EXPECT_EQ(normalisedWindowsRoot("//nas/games/"), "\\\\nas\\games");
    EXPECT_EQ(normalisedWindowsRoot("\\\\nas\\games\\fc"), "\\\\nas\\games\\fc");
    // A drive root names no folder below it; a server alone is no share.
    EXPECT_EQ(normalisedWindowsRoot("D:\\ROMS"), "");
    EXPECT_EQ(normalisedWindowsRoot("\\\\nas"), "");
    EXPECT_EQ(normalisedWindowsRoot("E"), "");
}

TEST(DriveMap, WindowsPathsLeadToTheirFolderMatchedWithoutLetterCase) {
    TempFolder disk;
    disk.write("Roms/Famicom/Super Mario Bros. (Japan).nes", "x");
    disk.write("Roms/ファミコン/ゼルダの伝説.fds", "x");
    const DriveMap drives({map("D:", disk.path())}, {});

    EXPECT_EQ(drives.toLinux("D:\\ROMS\\FAMICOM\\"), disk.file("Roms/Famicom/"));
    EXPECT_EQ(drives.toLinux("d:/roms/famicom"), disk.file("Roms/Famicom"));
    EXPECT_EQ(drives.toLinux("D:\\roms\\famicom\\SUPER MARIO BROS. (JAPAN).NES"),
              disk.file("Roms/Famicom/Super Mario Bros. (Japan).nes"));
    // Names beyond ASCII match as they are.
    EXPECT_EQ(drives.toLinux("D:\\ROMS\\ファミコン\\ゼルダの伝説.fds"),
              disk.file("Roms/ファミコン/ゼルダの伝説.fds"));
    // The drive alone is its folder.
    EXPECT_EQ(drives.toLinux("D:\\"), disk.path());
    EXPECT_EQ(drives.toLinux("D:"), disk.path());
    // A part not on disk is kept as written, and so is everything after it.
    EXPECT_EQ(drives.toLinux("D:\\Roms\\NoSuch\\FAMICOM\\"), disk.file("Roms/NoSuch/FAMICOM/"));
    // ".." and "." go up and stay; at the drive's root ".." stays there, as on Windows, so a
    // stored path never leads above the mapped folder.
    EXPECT_EQ(drives.toLinux("D:\\Roms\\Famicom\\..\\.\\ファミコン\\"),
              disk.file("Roms/ファミコン/"));
    EXPECT_EQ(drives.toLinux("D:\\..\\..\\etc\\passwd"), disk.file("etc/passwd"));
    EXPECT_EQ(drives.toLinux("D:\\Roms\\..\\..\\.."), disk.path());
    // Another drive, a share and a Linux path are not this map's.
    EXPECT_EQ(drives.toLinux("E:\\Roms\\"), std::nullopt);
    EXPECT_EQ(drives.toLinux("\\\\D:\\Roms"), std::nullopt);
    EXPECT_EQ(drives.toLinux("/mnt/d/Roms"), std::nullopt);
}

TEST(DriveMap, TheDeepestShareMappingWinsAndTheUsersOwnOverridesWhatWasFound) {
    const DriveMap drives({map("\\\\NAS\\games\\fc", "/srv/fc"), map("d:", "/mnt/user-d/")},
                          {{"\\\\nas\\games", "/run/gvfs/games/", DriveSource::DesktopShare},
                           {"D:", "/mnt/wine-d/", DriveSource::WinePrefix},
                           {"C:", "/root/.wine/drive_c", DriveSource::WinePrefix}});
    EXPECT_EQ(drives.toLinux("\\\\Nas\\Games\\FC\\x.nes"), "/srv/fc/x.nes");
    EXPECT_EQ(drives.toLinux("\\\\nas\\games\\sfc\\"), "/run/gvfs/games/sfc/");
    EXPECT_EQ(drives.toLinux("//NAS/GAMES/sfc"), "/run/gvfs/games/sfc");
    EXPECT_EQ(drives.toLinux("\\\\other\\games\\fc\\"), std::nullopt);
    EXPECT_EQ(drives.toLinux("D:\\x"), "/mnt/user-d/x");

    ASSERT_NE(drives.find("D:\\"), nullptr);
    EXPECT_EQ(drives.find("d:")->folder, "/mnt/user-d/");
    EXPECT_EQ(drives.find("d:")->source, DriveSource::User);
    // Folders get their trailing '/'.
    EXPECT_EQ(drives.find("C:")->folder, "/root/.wine/drive_c/");
    EXPECT_EQ(drives.mappings().size(), 4u);
    EXPECT_EQ(drives.find("E:"), nullptr);
}

TEST(DriveMap, LinuxPathsUnderAMappedFolderAreKeptInWindowsForm) {
    const DriveMap drives({map("D:", "/mnt/d/"), map("\\\\NAS\\games", "/mnt/nas/")},
                          {{"Z:", "/", DriveSource::WinePrefix},
                           {"\\\\NAS\\games\\fc", "/mnt/nas/fc/", DriveSource::CifsMount}});
    EXPECT_EQ(drives.toWindows("/mnt/d/ROMS/FC/"), "D:\\ROMS\\FC\\");
    EXPECT_EQ(drives.toWindows("/mnt/d/ROMS/FC/mario.nes"), "D:\\ROMS\\FC\\mario.nes");
    EXPECT_EQ(drives.toWindows("/mnt/d"), "D:\\");
    EXPECT_EQ(drives.toWindows("/mnt/d/"), "D:\\");
    EXPECT_EQ(drives.toWindows("/mnt/nas/fc/x.nes"), "\\\\NAS\\games\\fc\\x.nes");
    EXPECT_EQ(drives.toWindows("/mnt/nas/sfc/"), "\\\\NAS\\games\\sfc\\");
    // The deepest mapped folder gives the form.
    const DriveMap nested({map("D:", "/mnt/d/"), map("E:", "/mnt/d/e/")}, {});
    EXPECT_EQ(nested.toWindows("/mnt/d/e/x.nes"), "E:\\x.nes");
    EXPECT_EQ(nested.toWindows("/mnt/d/f/x.nes"), "D:\\f\\x.nes");
    // A neighbour whose name only begins like a mapped folder is not under it.
    EXPECT_EQ(drives.toWindows("/mnt/dx/roms/"), std::nullopt);
    // Wine's whole-disk Z: would make every path a Windows one: it is not used for keeping.
    EXPECT_EQ(drives.toWindows("/home/user/roms/"), std::nullopt);
    EXPECT_EQ(drives.toWindows("./roms/"), std::nullopt);

    // A Windows program still gets every path, through Z: where nothing else maps it.
    EXPECT_EQ(drives.forWindowsProgram("/home/user/my roms/ゲーム.nes"),
              "Z:\\home\\user\\my roms\\ゲーム.nes");
    EXPECT_EQ(drives.forWindowsProgram("/mnt/d/a.nes"), "D:\\a.nes");
    const DriveMap rootOnY({}, {{"Y:", "/", DriveSource::WinePrefix}});
    EXPECT_EQ(rootOnY.forWindowsProgram("/tmp/a.nes"), "Y:\\tmp\\a.nes");
    EXPECT_EQ(DriveMap().forWindowsProgram("/tmp/a.nes"), "Z:\\tmp\\a.nes");

    // What the folder dialog keeps: Windows form under a mapping, the path itself elsewhere.
    EXPECT_EQ(paths::storedForm("/mnt/d/ROMS/", &drives), "D:\\ROMS\\");
    EXPECT_EQ(paths::storedForm("/home/user/roms/", &drives), "/home/user/roms/");
    EXPECT_EQ(paths::storedForm("/mnt/d/ROMS/", nullptr), "/mnt/d/ROMS/");
}

TEST(DriveMap, StoredWindowsPathsResolveThroughTheMapOrStayAsStored) {
    TempFolder disk;
    disk.write("ROMS/FC/a.nes", "x");
    const DriveMap drives({map("D:", disk.path())}, {});
    const std::string program = "/opt/romshelf/";
    EXPECT_EQ(paths::resolveFolderPath("d:\\roms\\fc", program, &drives), disk.file("ROMS/FC/"));
    EXPECT_EQ(paths::resolveFilePath("D:\\Roms\\Fc\\A.NES", program, &drives),
              disk.file("ROMS/FC/a.nes"));
    // Unmapped, a drive or share path is never joined to the program folder.
    EXPECT_EQ(paths::resolveFolderPath("E:\\ROMS\\FC\\", program, &drives), "E:\\ROMS\\FC\\");
    EXPECT_EQ(paths::resolveFolderPath("\\\\NAS\\games\\fc\\", program, &drives),
              "\\\\NAS\\games\\fc\\");
    EXPECT_EQ(paths::resolveFilePath("\\\\NAS\\emu\\x.exe", program, nullptr),
              "\\\\NAS\\emu\\x.exe");
    // Relative paths keep their rule.
    EXPECT_EQ(paths::resolveFolderPath(".\\roms\\fc", program, &drives), "/opt/romshelf/roms/fc/");
}

TEST(DriveMap, DrivesAreFoundInTheWinePrefixTheDesktopsSharesAndTheMountTable) {
    TempFolder home;
    const std::string prefix = home.file("wine/");
    std::filesystem::create_directories(prefix + "drive_c/Program Files");
    std::filesystem::create_directories(home.file("roms"));
    std::filesystem::create_directories(home.file("nas-games"));
    link("../drive_c", prefix + "dosdevices/c:");
    link(home.file("roms"), prefix + "dosdevices/d:");
    link("/", prefix + "dosdevices/z:");
    // The raw device behind a drive and a link to nothing are no folders.
    std::filesystem::create_symlink("/dev/null", prefix + "dosdevices/c::");
    link(home.file("gone"), prefix + "dosdevices/e:");
    link(home.file("nas-games"), prefix + "dosdevices/unc/NAS/games");

    const std::string gvfs = home.file("gvfs/");
    std::filesystem::create_directories(gvfs + "smb-share:server=fileserver,share=music,user=bob");
    std::filesystem::create_directories(gvfs + "sftp:host=example");
    std::filesystem::create_directories(gvfs + "smb-share:server=nas,share=games");
    home.write("mounts",
               "/dev/sda1 / ext4 rw,relatime 0 0\n"
               "//fileserver/roms /mnt/my\\040roms cifs rw,vers=3.0 0 0\n"
               "//box/emu/fc /mnt/emu smb3 rw 0 0\n"
               "proc /proc proc rw 0 0\n");

    DriveSearchPlaces places;
    places.winePrefix = prefix;
    places.gvfsFolder = gvfs;
    places.mountTable = home.file("mounts");
    const std::vector<DriveMapping> found = findDrives(places);

    const DriveMap drives({}, found);
    ASSERT_NE(drives.find("C:"), nullptr);
    EXPECT_EQ(drives.find("C:")->folder, prefix + "drive_c/");
    EXPECT_EQ(drives.find("C:")->source, DriveSource::WinePrefix);
    EXPECT_EQ(drives.find("D:")->folder, home.file("roms/"));
    EXPECT_EQ(drives.find("Z:")->folder, "/");
    EXPECT_EQ(drives.find("E:"), nullptr);
    ASSERT_NE(drives.find("\\\\NAS\\games"), nullptr);
    // The prefix's own share link comes first: the desktop's mount of the same share is not used.
    EXPECT_EQ(drives.find("\\\\nas\\games")->folder, home.file("nas-games/"));
    EXPECT_EQ(drives.find("\\\\nas\\games")->source, DriveSource::WinePrefix);
    ASSERT_NE(drives.find("\\\\fileserver\\music"), nullptr);
    EXPECT_EQ(drives.find("\\\\fileserver\\music")->folder,
              gvfs + "smb-share:server=fileserver,share=music,user=bob/");
    EXPECT_EQ(drives.find("\\\\fileserver\\music")->source, DriveSource::DesktopShare);
    ASSERT_NE(drives.find("\\\\fileserver\\roms"), nullptr);
    EXPECT_EQ(drives.find("\\\\fileserver\\roms")->folder, "/mnt/my roms/");
    EXPECT_EQ(drives.find("\\\\fileserver\\roms")->source, DriveSource::CifsMount);
    ASSERT_NE(drives.find("\\\\box\\emu\\fc"), nullptr);
    EXPECT_EQ(drives.find("\\\\box\\emu\\fc")->folder, "/mnt/emu/");
    EXPECT_EQ(found.size(), 7u);

    // Nowhere to look: nothing found, nothing fails.
    EXPECT_TRUE(findDrives(DriveSearchPlaces{}).empty());
    places.mountTable = home.file("no-such-table");
    places.gvfsFolder = home.file("no-gvfs/");
    places.winePrefix = home.file("no-prefix/");
    EXPECT_TRUE(findDrives(places).empty());
}

TEST(DriveMap, TheUsersMapAndWineAreKeptInTheProgramsOwnSettingsFile) {
    TempFolder dir;
    const std::string path = dir.write("romshelf-plus.ini",
                                       "discSets=1\n"
                                       "drive.D:=/mnt/d/\n"
                                       "drive.\\\\NAS\\games=/mnt/nas games/\n"
                                       "wine=/opt/proton/bin/wine64\n"
                                       "winePrefix=/home/u/.local/share/wineprefixes/emu\n"
                                       "futureKey=kept\n");
    PlusSettings plus;
    ASSERT_TRUE(loadPlusSettings(path, plus));
    ASSERT_EQ(plus.drives.size(), 2u);
    EXPECT_EQ(plus.drives[0], std::make_pair(std::string("D:"), std::string("/mnt/d/")));
    EXPECT_EQ(plus.drives[1],
              std::make_pair(std::string("\\\\NAS\\games"), std::string("/mnt/nas games/")));
    EXPECT_EQ(plus.wine, "/opt/proton/bin/wine64");
    EXPECT_EQ(plus.winePrefix, "/home/u/.local/share/wineprefixes/emu");
    ASSERT_EQ(plus.unknown.size(), 1u);

    ASSERT_TRUE(savePlusSettings(path, plus));
    PlusSettings again;
    ASSERT_TRUE(loadPlusSettings(path, again));
    EXPECT_EQ(again, plus);
    // Nothing of Wine is written while it is not set.
    PlusSettings bare;
    ASSERT_TRUE(savePlusSettings(path, bare));
    const auto text = dir.read("romshelf-plus.ini");
    EXPECT_EQ(text.find("wine"), std::string::npos);
    EXPECT_EQ(text.find("drive."), std::string::npos);
}

TEST(DriveMapPage, RowsShowTheUsedRootsFirstAndFollowTheUsersChoices) {
    const std::vector<DriveMapping> found = {
        {"C:", "/root/.wine/drive_c/", DriveSource::WinePrefix},
        {"Z:", "/", DriveSource::WinePrefix}};
    DriveMapPageModel page({"D:", "\\\\NAS\\games", "C:"}, found, {{"d:", "/mnt/d"}});
    auto shown = [&] {
        std::vector<std::string> out;
        for (const DriveRow& r : page.rows())
            out.push_back(r.root + "|" + r.folder + "|" + r.source + "|" + (r.used ? "u" : "") +
                          (r.own ? "o" : ""));
        return out;
    };
    EXPECT_EQ(shown(), (std::vector<std::string>{"D:|/mnt/d/|設定|uo", "\\\\NAS\\games|||u",
                                                 "C:|/root/.wine/drive_c/|Wineプレフィックス|u",
                                                 "Z:|/|Wineプレフィックス|"}));
    // The share gets a folder; C: is mapped by the user over what Wine gives.
    page.setFolder(1, "/mnt/nas");
    page.setFolder(2, "/srv/c/");
    EXPECT_EQ(shown()[1], "\\\\NAS\\games|/mnt/nas/|設定|uo");
    EXPECT_EQ(shown()[2], "C:|/srv/c/|設定|uo");
    // Dropped, C: leads where Wine says again; D: has nothing else and shows 未設定.
    page.unset(2);
    page.unset(0);
    EXPECT_EQ(shown()[2], "C:|/root/.wine/drive_c/|Wineプレフィックス|u");
    EXPECT_EQ(shown()[0], "D:|||u");
    // A root of the user's own joins the list; a listed one is found; nonsense is refused.
    EXPECT_EQ(page.addRoot("e:\\"), 3);
    EXPECT_EQ(shown()[3], "E:|||");
    EXPECT_EQ(page.addRoot("//nas/GAMES"), 1);
    EXPECT_EQ(page.addRoot("games"), -1);
    page.setFolder(3, "/media/usb/");
    EXPECT_EQ(page.userMappings(), (std::vector<std::pair<std::string, std::string>>{
                                       {"\\\\NAS\\games", "/mnt/nas/"}, {"E:", "/media/usb/"}}));
    // Out of range does nothing.
    page.setFolder(99, "/x/");
    page.unset(-1);
    EXPECT_EQ(page.rows().size(), 5u);
}
