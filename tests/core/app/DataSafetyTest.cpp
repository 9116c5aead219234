// Nothing the user owns is lost: refused files are kept, saves keep the file's mode and links,
// failed saves are told, and a crashed save's leftovers are cleared.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>

#include "AppFixture.h"

using namespace romshelf;
namespace fsys = std::filesystem;

namespace {

struct DataSafetyTest : romshelf::test::AppFixture {
    std::string mainData() const { return dir.file("data/MainData.slb"); }
    std::string savedMainData() {
        MainSettings m;
        m.customNames[0] = "ファミコン";
        DataStream s;
        EXPECT_TRUE(saveMainSettings(s, mainData(), m));
        return dir.read("data/MainData.slb");
    }
    std::vector<std::string> copiesOf(const std::string& name) const {
        std::vector<std::string> found;
        for (const auto& e : fsys::directory_iterator(dir.file("data")))
            if (e.path().filename().string().starts_with(name + ".broken-"))
                found.push_back(e.path().string());
        return found;
    }
};

}  // namespace

TEST_F(DataSafetyTest, ARefusedFileIsKeptBesideItBeforeItIsRewritten) {
    const std::string good = savedMainData();
    const std::string cut = good.substr(0, good.size() - 1);  // missing only its last byte
    dir.write("data/MainData.slb", cut);
    EXPECT_EQ(app.loadMainSettings(), LoadResult::Rejected);
    ASSERT_EQ(copiesOf("MainData.slb").size(), 1u);
    const std::string copy = copiesOf("MainData.slb")[0];
    ASSERT_EQ(prompter.boxes().size(), 1u);
    EXPECT_NE(prompter.boxes()[0].text.find(copy), std::string::npos);  // the message names it

    app.startUp();
    EXPECT_TRUE(app.shutDown());
    EXPECT_NE(dir.read("data/MainData.slb"), cut);             // still refused, still rewritten…
    EXPECT_EQ(dir.read(copy.substr(dir.path().size())), cut);  // …but kept

    // Refused again with the same bytes: the copy already there serves.
    dir.write("data/MainData.slb", cut);
    app.loadMainSettings();
    EXPECT_EQ(copiesOf("MainData.slb").size(), 1u);

    // Records read with bytes after them are kept too, without a word.
    setUpHardware("FC");
    writeRecords("FC", {record("Mario")});
    dir.write("data/RomData_FC.slb", dir.read("data/RomData_FC.slb") + "tail");
    prompter.clear();
    start("FC");
    EXPECT_EQ(app.romTable().count(), 1);
    EXPECT_TRUE(prompter.boxes().empty());
    EXPECT_EQ(copiesOf("RomData_FC.slb").size(), 1u);
}

TEST_F(DataSafetyTest, SavesKeepTheFilesModeAndWriteThroughLinks) {
    savedMainData();
    ::chmod(mainData().c_str(), 0600);
    app.loadMainSettings();
    app.startUp();
    ASSERT_TRUE(app.shutDown());
    struct stat st {};
    ASSERT_EQ(::stat(mainData().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // The data file is a link to a file kept elsewhere: the file is updated, the link stays.
    const std::string elsewhere = dir.file("sync/MainData.slb");
    dir.makeFolder("sync");
    fsys::rename(mainData(), elsewhere);
    fsys::create_symlink("../sync/MainData.slb", mainData());
    app.changeSettings([](MainSettings& m) { m.customNames[1] = "スーファミ"; });
    ASSERT_TRUE(app.shutDown());
    EXPECT_TRUE(fsys::is_symlink(mainData()));
    EXPECT_EQ(savedSettings(elsewhere).customNames[1], "スーファミ");
}

TEST_F(DataSafetyTest, SavesThatFailAreToldOnceWithTheirFilesAndReasons) {
    setUpHardware("FC");
    start("FC");
    app.addRecord(record("Mario"));
    // Folders where the files should go.
    dir.makeFolder("data/MainData.slb");
    dir.makeFolder("data/RomData_FC.slb");
    EXPECT_FALSE(app.shutDown());
    ASSERT_EQ(prompter.boxes().size(), 1u);
    const std::string& text = prompter.boxes()[0].text;
    for (const std::string& told : {dir.file("data/MainData.slb"), dir.file("data/RomData_FC.slb"),
                                    std::string("同じ名前のフォルダがあります")})
        EXPECT_NE(text.find(told), std::string::npos) << text;
    EXPECT_EQ(prompter.boxes()[0].title, "警告");
}

TEST_F(DataSafetyTest, ACrashedSavesLeftoversAreRemovedAtStartUp) {
    const std::string old = dir.write("data/.romshelf-part-0123456789abcdef", "half a file");
    const std::string fresh = dir.write("data/.romshelf-part-fedcba9876543210", "being written");
    const std::string other = dir.write("data/.romshelf-part-notours", "kept");
    const struct utimbuf longAgo { 1000000000, 1000000000 };
    ::utime(old.c_str(), &longAgo);
    ::utime(other.c_str(), &longAgo);
    app.startUp();
    EXPECT_FALSE(fsys::exists(old));
    EXPECT_TRUE(fsys::exists(fresh));  // another instance may be saving it right now
    EXPECT_TRUE(fsys::exists(other));
}
