#include <gtest/gtest.h>

#include <filesystem>

#include "AppFixture.h"
#include "LaunchFixture.h"
#include "core/app/Application.h"
#include "core/platform/FileSystem.h"

using namespace romshelf;
using romshelf::test::installRecorder;
using romshelf::test::readRecord;
using V = std::vector<std::string>;

namespace {

struct DiscSetLaunchTest : romshelf::test::AppFixture {
    std::string emu;

    void SetUp() override { emu = installRecorder(dir.file("emu/x68 emu")); }
    // X68 with ROM folder 1 at roms/ and the stand-in emulator taking `commandLine`, sets on.
    void setUp(const std::string& commandLine) {
        setUpLaunch("X68", emulator("TestX68", "./emu/x68 emu", commandLine));
        start("X68");
        app.setDiscSets(true);
    }
    // Starts the row of `name` and returns what the emulator got (argv[0] left out).
    V launched(const std::string& name) {
        const FileListView rows = app.fileList().rows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].fileName() != name) continue;
            EXPECT_TRUE(app.launchRow(static_cast<int>(i))) << name;
            const auto rec = readRecord(emu);
            std::filesystem::remove(emu + ".record");
            return V(rec.argv.begin() + (rec.argv.empty() ? 0 : 1), rec.argv.end());
        }
        ADD_FAILURE() << "no row " << name;
        return {};
    }
    std::string contents(const std::string& path) { return fs::readFile(path).value_or("?"); }
};

}  // namespace

TEST_F(DiscSetLaunchTest, ThePlaylistPlaceholderGetsEveryDiscInOrder) {
    dir.write("roms/Ys (Disk 2 of 2).xdf", "2");
    dir.write("roms/Ys (Disk 1 of 2).xdf", "1");
    writeZip("roms/Gradius (Disk 1).zip", {{"Gradius (Disk 1).xdf", "A"}});
    writeZip("roms/Gradius (Disk 2).zip", {{"Gradius (Disk 2).xdf", "B"}});
    dir.write("roms/Other.xdf", "O");
    dir.write("roms/Own.m3u", "Other.xdf\n");
    setUp("-m $M");
    const std::string roms = dir.path() + "roms/", temp = dir.path() + "temp/";
    EXPECT_EQ(launched("Ys.xdf"), (V{"-m", temp + "Ys.m3u"}));
    EXPECT_EQ(contents(temp + "Ys.m3u"),
              roms + "Ys (Disk 1 of 2).xdf\n" + roms + "Ys (Disk 2 of 2).xdf\n");
    EXPECT_TRUE(logged("ディスク 2 枚のセットです。"));
    EXPECT_TRUE(logged("M3Uファイルを作成しました。"));
    EXPECT_EQ(app.recentFileLabels()[0], "&1 Ys");
    // Zipped discs are each unpacked into TEMP, and the playlist names what was unpacked.
    EXPECT_EQ(launched("Gradius.zip"), (V{"-m", temp + "Gradius.m3u"}));
    EXPECT_EQ(contents(temp + "Gradius.m3u"),
              temp + "Gradius (Disk 1).xdf\n" + temp + "Gradius (Disk 2).xdf\n");
    EXPECT_EQ(contents(temp + "Gradius (Disk 2).xdf"), "B");
    // A playlist of the ROM folder is its own $M.
    EXPECT_EQ(launched("Own.m3u"), (V{"-m", roms + "Own.m3u"}));
}

TEST_F(DiscSetLaunchTest, WithoutM3uTheFirstDiscStarts) {
    dir.write("roms/Ys (Disk 2 of 2).xdf", "2");
    dir.write("roms/Ys (Disk 1 of 2).xdf", "1");
    writeZip("roms/Gradius (Disk 1).zip", {{"Gradius (Disk 1).xdf", "A"}});
    writeZip("roms/Gradius (Disk 2).zip", {{"Gradius (Disk 2).xdf", "B"}});
    setUp("-a $P");
    EXPECT_EQ(launched("Ys.xdf"), (V{"-a", dir.path() + "roms/Ys (Disk 1 of 2).xdf"}));
    EXPECT_EQ(launched("Gradius.zip"), (V{"-a", dir.path() + "temp/Gradius (Disk 1).xdf"}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("temp/Gradius (Disk 2).xdf")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("temp/Ys.m3u")));
    // The set's recent-file entry stays while its discs are there.
    EXPECT_EQ(app.recentFileLabels()[1], "&2 Ys");
}
