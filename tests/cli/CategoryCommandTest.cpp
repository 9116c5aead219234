#include "cli/CategoryCommand.h"
#include "cli/DumpCommand.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "AppFixture.h"

using namespace romshelf;
using namespace romshelf::test;
using V = std::vector<std::string>;

namespace {

// FC and MD set up, GB not; category 1 and FC's class list name ACT and RPG; every record's
// category 2 is ACT, its hardware class its category 1.
struct CategoryCommand : AppFixture {
    void SetUp() override {
        setUpHardware("FC");
        setUpHardware("MD");
        writeRecords("FC", {rec("Mario", "ACT"), rec("Zelda", "RPG")});
        writeRecords("MD", {rec("Sonic", "ACT"), rec("Gunstar", "STG")});
        writeRecords("GB", {rec("Kirby", "ACT")});
        CategoryLists lists;
        lists.items[0] = lists.items[kHardwareClassList] = {"ACT", "RPG"};
        DataStream s;
        lists.save(s, app.programFolder(), "FC");
    }
    static RomRecord rec(const std::string& title, const std::string& category1) {
        RomRecord r;
        r.fileTitle = title;
        r.classes = {category1, "ACT"};
        r.hardwareClass = category1;
        return r;
    }
    // The list printed by `category ARGS` on FC.
    std::string category(V args, int status = 0) {
        args.insert(args.begin(), {"--program-folder", dir.path(), "--hardware", "FC"});
        std::ostringstream out, errors;
        EXPECT_EQ(cli::organiseCategory(args, out, errors), status) << errors.str();
        err = errors.str();
        return out.str();
    }
    nlohmann::json dumped(const std::string& file) {
        std::ostringstream out, errors;
        EXPECT_EQ(cli::dumpDataFile(dir.file("data/" + file), out, errors), 0) << errors.str();
        return nlohmann::json::parse(out.str())["body"];
    }
    // Category `k` (0-4) of the records of RomData_<code>.slb, as dump prints them.
    V stored(const std::string& code, int k = 0) {
        V values;
        const nlohmann::json body = dumped("RomData_" + code + ".slb");
        for (const auto& r : body["records"]) values.push_back(r["classes"][k]);
        return values;
    }
    std::string err;
};

// Stops new files in `folder`: by its mode, or for root (whom modes do not stop) by the immutable
// flag. Undone when it ends, so that the temporary folder can go.
struct LockedFolder {
    std::string path;
    bool locked = change(true);
    ~LockedFolder() { change(false); }
    bool change(bool lock) {
        if (::geteuid() != 0) return ::chmod(path.c_str(), lock ? 0555 : 0755) == 0;
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = lock ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (fd >= 0) ::close(fd);
        return ok;
    }
};

}  // namespace

TEST_F(CategoryCommand, DeleteKeepsRecordsFindMissingBringsValuesBackRenameReachesAllHardware) {
    EXPECT_EQ(category({"delete", "1", "ACT"}), "RPG\n");
    EXPECT_EQ(dumped("ClassData1.slb")["items"], nlohmann::json({"RPG"}));
    EXPECT_EQ(stored("FC"), (V{"ACT", "RPG"}));
    // In hardware order (FC, MD, GB), each file's records in order.
    EXPECT_EQ(category({"find-missing", "1"}), "RPG\nACT\nSTG\n");

    EXPECT_EQ(category({"rename", "1", "ACT", "アクション"}), "RPG\nアクション\nSTG\n");
    EXPECT_EQ(stored("FC"), (V{"アクション", "RPG"}));
    EXPECT_EQ(stored("MD"), (V{"アクション", "STG"}));
    EXPECT_EQ(stored("GB"), V{"アクション"});
    EXPECT_EQ(stored("MD", 1), (V{"ACT", "ACT"}));  // category 2 keeps its ACT
    EXPECT_EQ(dumped("ClassData1.slb")["items"], nlohmann::json({"RPG", "アクション", "STG"}));

    EXPECT_EQ(category({"rename", "1", "RPG", "STG"}, 1), "");
    EXPECT_EQ(err, "既に同名の項目が存在しています。\n");
    EXPECT_EQ(category({"move", "1", "STG", "up", "5"}), "STG\nRPG\nアクション\n");
    EXPECT_EQ(category({"sort", "1"}), "RPG\nSTG\nアクション\n");
}

TEST_F(CategoryCommand, CancelKeepsRenamedRecordsAndTheHardwareClassStaysInMemory) {
    start("FC");
    CategoryCommands& commands = app.categoryCommands();
    CategoryOrganiser o = commands.open(0);
    o.selectCurrent(0);
    o.renameText = "アクション";
    EXPECT_EQ(commands.rename(o), CategoryCommands::RenameResult::Renamed);
    // Not applied (the dialog is cancelled): the list keeps ACT, the records keep アクション.
    EXPECT_EQ(app.categoryLists().items[0], (V{"ACT", "RPG"}));
    EXPECT_EQ(app.romTable()[0].classes[0], "アクション");
    EXPECT_EQ(stored("FC"), (V{"アクション", "RPG"}));

    // The hardware class: only the current records change, and a moved item comes back when a
    // record uses it.
    CategoryOrganiser cls = commands.open(kHardwareClassList);
    cls.selectCurrent(0);
    cls.renameText = "アクション";
    EXPECT_EQ(commands.rename(cls), CategoryCommands::RenameResult::Renamed);
    EXPECT_EQ(app.romTable()[0].hardwareClass, "アクション");
    EXPECT_EQ(dumped("RomData_MD.slb")["records"][0]["hardwareClass"], "ACT");
    cls.moveToDelete();
    EXPECT_EQ(commands.addMissing(cls), 1);
    EXPECT_EQ(cls.current(), (V{"RPG", "アクション"}));
    EXPECT_TRUE(prompter.boxes().empty());
}

TEST_F(CategoryCommand, ABrokenFileStaysAsItWasAndAnUnwritableOneKeepsTheOldName) {
    dir.write("data/RomData_MD.slb", "garbage");
    // GB's file lies in a folder that takes no new file (a save writes one beside it first).
    dir.write("elsewhere/RomData_GB.slb", dir.read("data/RomData_GB.slb"));
    std::filesystem::remove(dir.file("data/RomData_GB.slb"));
    std::filesystem::create_symlink("../elsewhere/RomData_GB.slb", dir.file("data/RomData_GB.slb"));
    {
        LockedFolder lock{dir.file("elsewhere")};
        if (!lock.locked) GTEST_SKIP() << "no way to make a folder refuse new files here";
        EXPECT_EQ(category({"rename", "1", "ACT", "アクション"}, 1), "");
    }
    EXPECT_EQ(dir.read("data/RomData_MD.slb"), "garbage");
    EXPECT_TRUE(err.starts_with("ロム情報ファイルが異常です。")) << err;
    EXPECT_NE(err.find("「ACT」のまま"), std::string::npos) << err;
    EXPECT_NE(err.find("ゲームボーイ\n" + dir.file("data/RomData_GB.slb")), std::string::npos);
    EXPECT_EQ(stored("GB"), V{"ACT"});
    EXPECT_EQ(stored("FC"), (V{"アクション", "RPG"}));
    EXPECT_EQ(dumped("ClassData1.slb")["items"], nlohmann::json({"ACT", "RPG"}));

    // Once the file can be written, the same rename finishes the work.
    EXPECT_EQ(category({"rename", "1", "ACT", "アクション"}), "アクション\nRPG\n");
    EXPECT_EQ(stored("GB"), V{"アクション"});
}
