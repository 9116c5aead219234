#include "DumpCommand.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "RawBytes.h"
#include "TempFolder.h"
#include "app/MainSettings.h"

using namespace romshelf;
using romshelf::test::RawBytes;

namespace {

struct Dump {
    int status;
    std::string out, err;
};

Dump dump(const std::string& path) {
    std::ostringstream out, err;
    int status = cli::dumpDataFile(path, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace

TEST(DumpCommand, MainDataShowsEveryField) {
    romshelf::test::TempFolder dir;
    MainSettings m;
    m.currentHardware = "MD";
    m.customNames[7] = "メガドラ";
    m.recentLaunches[7][4] = {"ソニック", "sonic.md", 2};
    m.setOption(Option::ShowFirstRomFolder, true);
    DataStream s;
    ASSERT_TRUE(saveMainSettings(s, dir.file("MainData.slb"), m));

    Dump d = dump(dir.file("MainData.slb"));
    ASSERT_EQ(d.status, 0) << d.err;
    auto json = nlohmann::json::parse(d.out);
    EXPECT_EQ(json["magic"], "ROMSHELF_MAINDATA");
    const auto& body = json["body"];
    EXPECT_EQ(body["currentHardware"], "MD");
    EXPECT_EQ(body["customNames"].size(), 48u);
    EXPECT_EQ(body["customNames"][7], "メガドラ");
    EXPECT_EQ(body["recentLaunches"][7][4]["fileName"], "sonic.md");
    EXPECT_EQ(body["recentLaunches"][7][4]["folderNumber"], 2);
    EXPECT_EQ(body["options"].size(), 23u);
    EXPECT_EQ(body["options"][22], true);
    EXPECT_EQ(body["reservedFlags"].size(), 42u);
    EXPECT_EQ(body["reservedIntegers"].size(), 26u);
    EXPECT_EQ(body["reservedStrings"].size(), 15u);
    EXPECT_EQ(body["windowSlots"][7]["width"], 328);
}

TEST(DumpCommand, RejectedFilesPrintTheirMessage) {
    romshelf::test::TempFolder dir;
    Dump wrongVersion = dump(dir.write("a.slb", RawBytes().header("ROMSHELF_MAINDATA", 3).bytes()));
    EXPECT_EQ(wrongVersion.status, 2);
    EXPECT_EQ(wrongVersion.out, "");
    EXPECT_NE(wrongVersion.err.find("設定ファイル「MainData.slb」のバージョンが違います。"), std::string::npos);

    Dump truncated = dump(dir.write("b.slb", RawBytes().header("ROMSHELF_MAINDATA", 1).str("FC").bytes()));
    EXPECT_EQ(truncated.status, 2);
    EXPECT_NE(truncated.err.find("設定ファイル「MainData.slb」が異常です。"), std::string::npos);

    EXPECT_EQ(dump(dir.write("c.slb", "not a data file")).status, 2);
    EXPECT_EQ(dump(dir.write("d.slb", RawBytes().header("ROMSHELF_SOMETHINGDATA", 1).bytes())).status, 2);
    EXPECT_EQ(dump(dir.file("missing.slb")).status, 1);
}
