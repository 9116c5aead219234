#include "core/settings/PathRules.h"

#include <gtest/gtest.h>

using namespace romshelf::paths;

namespace {
const std::string kProgram = "/opt/romshelf/";
}

TEST(PathRules, PathsAreResolvedOnLoad) {
    EXPECT_EQ(resolveFolderPath("", kProgram), "");
    // Relative paths, typed here or written on Windows with backslashes.
    EXPECT_EQ(resolveFolderPath("./roms/fc", kProgram), "/opt/romshelf/roms/fc/");
    EXPECT_EQ(resolveFolderPath("./roms/fc/", kProgram), "/opt/romshelf/roms/fc/");
    EXPECT_EQ(resolveFolderPath(".\\roms\\fc", kProgram), "/opt/romshelf/roms/fc/");
    EXPECT_EQ(resolveFolderPath(".\\roms\\fc\\", kProgram), "/opt/romshelf/roms/fc/");
    EXPECT_EQ(resolveFolderPath("..\\games\\sfc", kProgram), "/opt/games/sfc/");
    EXPECT_EQ(resolveFolderPath("roms/../../x/./y", kProgram), "/opt/x/y/");
    // ".." above the root stays at the root.
    EXPECT_EQ(resolveFolderPath("../../../../x", kProgram), "/x/");
    // Absolute paths are only given their one trailing separator, never canonicalised.
    EXPECT_EQ(resolveFolderPath("/data/roms/fc", kProgram), "/data/roms/fc/");
    EXPECT_EQ(resolveFolderPath("/", kProgram), "/");
    // A path naming no root is the program folder's too, whatever folder a command runs in.
    EXPECT_EQ(resolveFolderPath("roms\\fc", kProgram), "/opt/romshelf/roms/fc/");
    // Names with characters that end in 0x5C in CP932 are UTF-8 here and stay intact.
    EXPECT_EQ(resolveFolderPath("./ソフト/表", kProgram), "/opt/romshelf/ソフト/表/");
    EXPECT_EQ(resolveFolderPath(".\\ソフト\\表\\", kProgram), "/opt/romshelf/ソフト/表/");
    // File paths get no trailing separator.
    EXPECT_EQ(resolveFilePath("", kProgram), "");
    EXPECT_EQ(resolveFilePath("/usr/bin/fceux", kProgram), "/usr/bin/fceux");
    EXPECT_EQ(resolveFilePath(".\\emu\\nes.exe", kProgram), "/opt/romshelf/emu/nes.exe");
    EXPECT_EQ(resolveFilePath("emu/nes", kProgram), "/opt/romshelf/emu/nes");
    EXPECT_EQ(resolveFilePath("C:\\emu.exe", kProgram), "C:\\emu.exe");  // not a path here
}

TEST(PathRules, RelativeAndAbsoluteConversionsRoundTrip) {
    EXPECT_EQ(makeRelative("/opt/romshelf/roms/fc/", kProgram), "./roms/fc/");
    EXPECT_EQ(makeRelative("/opt/romshelf/roms/fc", kProgram), "./roms/fc");
    EXPECT_EQ(makeRelative("/opt/games/sfc/", kProgram), "../games/sfc/");
    EXPECT_EQ(makeRelative("/srv/x", kProgram), "../../srv/x");
    EXPECT_EQ(makeRelative("/opt/romshelf/", kProgram), "./");
    // Already relative, empty or not a path of this system: unchanged.
    EXPECT_EQ(makeRelative("./roms/", kProgram), "./roms/");
    EXPECT_EQ(makeRelative("", kProgram), "");
    EXPECT_EQ(makeRelative("D:\\roms", kProgram), "D:\\roms");

    EXPECT_EQ(makeAbsolute("./roms/fc/", kProgram), "/opt/romshelf/roms/fc/");
    EXPECT_EQ(makeAbsolute("../games/sfc", kProgram), "/opt/games/sfc");
    EXPECT_EQ(makeAbsolute("/abs/path/", kProgram), "/abs/path/");
    for (const char* p : {"/opt/romshelf/a b/c/", "/opt/x/", "/y/ゲーム/"})
        EXPECT_EQ(makeAbsolute(makeRelative(p, kProgram), kProgram), p);
}

TEST(PathRules, RowNamesComeFromTheLastComponent) {
    EXPECT_EQ(lastComponentTitle("D:\\games\\snes"), "snes");
    EXPECT_EQ(lastComponentTitle("D:\\games\\snes\\"), "");
    EXPECT_EQ(lastComponentTitle("/games/Super Famicom v1.1"), "Super Famicom v1");
    EXPECT_EQ(lastComponentTitle("ファミコン"), "ファミコン");
}
