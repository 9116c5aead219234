#include "cli/CleanTempCommand.h"
#include "cli/CliSupport.h"
#include "cli/DumpCommand.h"
#include "cli/LaunchCommand.h"
#include "cli/ListCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <tuple>

#include "AppFixture.h"
#include "DataFileFixtures.h"
#include "LaunchFixture.h"
#include "core/settings/MainSettings.h"

using namespace romshelf;
using namespace romshelf::test;
using V = std::vector<std::string>;

namespace {

struct CliRun {
    int status;
    std::string out, err;
    bool printed(const std::string& text) const { return out.find(text) != std::string::npos; }
};

template <class Command, class Args>
CliRun run(Command command, const Args& args) {
    std::ostringstream out, err;
    const int status = command(args, out, err);
    return {status, out.str(), err.str()};
}

CliRun dump(const std::string& path) { return run(cli::dumpDataFile, path); }

struct DumpCommand : DataFileTest {
    // The JSON printed for `bytes` saved as `file`; null when the dump failed.
    nlohmann::json dumped(const std::string& file, const std::string& bytes) {
        const CliRun d = dump(dir.write(file, bytes));
        EXPECT_EQ(d.status, 0) << file << ": " << d.err;
        return d.status == 0 ? nlohmann::json::parse(d.out) : nlohmann::json();
    }
};

// MD with ROM folder 1 at roms/ and the stand-in emulator Gens, named relative to the program
// folder as the program's own settings name it.
struct LaunchCommand : AppFixture {
    std::string emu = installRecorder(dir.file("emu/gens"));
    void SetUp() override { setUpLaunch("MD", emulator("Gens", "./emu/gens", "--fs $P")); }
    V args(V more, const std::string& code = "MD", const std::string& folder = "") {
        more.insert(more.begin(),
                    {"--program-folder", folder.empty() ? dir.path() : folder, "--hardware", code});
        return more;
    }
    CliRun list(V more = {}, const std::string& code = "MD") {
        return run(cli::listFiles, args(more, code));
    }
    CliRun launch(V more) { return run(cli::launchFile, args(more)); }
};
using ListCommand = LaunchCommand;

// Runs the rest of a test from another current folder and comes back at the end.
struct InCurrentFolder {
    std::filesystem::path old = std::filesystem::current_path();
    explicit InCurrentFolder(const std::string& folder) { std::filesystem::current_path(folder); }
    ~InCurrentFolder() { std::filesystem::current_path(old); }
};

// The rows `list` printed, each split into its cells.
std::vector<V> listedRows(const std::string& out) {
    std::vector<V> rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream cellStream(line);
        rows.emplace_back();
        for (std::string cell; std::getline(cellStream, cell, '\t');) rows.back().push_back(cell);
    }
    return rows;
}

}  // namespace

TEST_F(DumpCommand, MainDataShowsEveryField) {
    MainSettings m;
    m.currentHardware = "MD";
    m.customNames[7] = "メガドラ";
    m.recentLaunches[7][4] = {"ソニック", "sonic.md", 2};
    m.setOption(Option::ShowFirstRomFolder, true);
    ASSERT_TRUE(saveMainSettings(stream, dir.file("saved.slb"), m));
    auto json = dumped("MainData.slb", dir.read("saved.slb"));
    EXPECT_EQ(json["magic"], "ROMSHELF_MAINDATA");
    auto& body = json["body"];
    EXPECT_EQ(std::tuple(body["currentHardware"], body["customNames"][7],
                         body["recentLaunches"][7][4]["fileName"], body["options"][22],
                         body["reservedIntegers"].size(), body["reservedStrings"].size(),
                         body["windowSlots"][7]["width"]),
              std::tuple("MD", "メガドラ", "sonic.md", true, 26u, 15u, 328));
}

// A file is refused with its kind's message: a file under one of the program's names (matched
// as Windows matches them) by that name, even when it holds something else or too little even
// for a header; any other file, or a kept copy, by its magic.
TEST_F(DumpCommand, RefusedFilesPrintTheirMessage) {
    ASSERT_TRUE(saveMainSettings(stream, dir.file("saved.slb"), MainSettings()));
    const std::string mainData = dir.read("saved.slb");
    const char* broken = "設定ファイル「MainData.slb」が異常です。";
    const char* noKind = "not a data file this program can read";
    // The file (nullptr: none), its bytes, the exit status and the message printed.
    const std::tuple<const char*, std::string, int, const char*> cases[] = {
        {"a.slb", RawBytes().header("ROMSHELF_MAINDATA", 3).bytes(), 2,
         "設定ファイル「MainData.slb」のバージョンが違います。"},
        {"a.slb", RawBytes().header("ROMSHELF_MAINDATA", 1).str("FC").bytes(), 2, broken},
        {"a.slb", RawBytes().header("ROMSHELF_CLASSDATA", 1).i32(5).bytes(), 2,
         "機種別分類設定ファイルが異常です。"},
        {"a.slb", RawBytes().header("ROMSHELF_EMULATORDATA", 1).strs(4).bytes(), 2,
         "エミュレータ設定ファイルが異常です。"},
        {"a.slb", "not a data file", 2, noKind},
        {"a.slb", RawBytes().header("ROMSHELF_SOMETHINGDATA", 1).bytes(), 2, noKind},
        {"a.slb", "", 2, noKind},
        {nullptr, "", 2, "cannot open"},  // a file that cannot be read
        {"Folder_X.slb", mainData, 2, "フォルダ設定ファイルが異常です。"},
        {"MainData.slb", rawFolderFile({}), 2, broken},
        {"ClassData_FC.slb", RawBytes().header("ROMSHELF_CLASS1DATA", 1).i32(0).bytes(), 2,
         "機種別分類設定ファイルが異常です。"},
        {"Folder_FC.slb", "", 2, "フォルダ設定ファイルが異常です。"},
        {"MainData.slb", "\x11\x00", 2, broken},
        {"RomData_FC.slb", RawBytes().i32(16).raw("ROMSHELF_ROM").bytes(), 2,
         "ロム情報ファイルが異常です。"},
        {"ClassData3.slb", "", 2, "分類3設定ファイルが異常です。"},
        {"maindata.SLB", mainData, 0, ""},
        {"Folder_FC.slb.broken-20260101-000000", mainData, 0, ""},
    };
    for (const auto& [name, bytes, status, message] : cases) {
        const std::string file = std::string("t/") + (name ? name : "missing.slb");
        const CliRun d = dump(name ? dir.write(file, bytes) : dir.file(file));
        EXPECT_EQ(d.status, status) << file << ": " << d.err;
        EXPECT_NE(d.err.find(message), std::string::npos) << file << ": " << d.err;
        if (status == 0)
            EXPECT_EQ(nlohmann::json::parse(d.out)["magic"], "ROMSHELF_MAINDATA") << file;
        else
            EXPECT_EQ(d.out, "") << file;
        std::filesystem::remove(dir.file(file));
    }
}

TEST_F(DumpCommand, FolderRomCategoryAndLayoutFiles) {
    RawFolderStrings s{};
    s[6] = "\x83\x66\x83\x42\x83\x58\x83\x4e";  // ディスク
    s[7] = "./roms/fd/";
    s[513] = "/tmp/x/";
    auto folder = dumped("Folder_PC98.slb", rawFolderFile(s))["body"];
    EXPECT_EQ(std::tuple(folder["romFolders"][3]["name"], folder["romFolders"][3]["path"],
                         folder["tempFolder"]),
              std::tuple("ディスク", "./roms/fd/", "/tmp/x/"));

    // Records with an empty title are shown as they are stored.
    auto rom = dumped("RomData_FC.slb", rawRomFile({{""}, {"Game", 70, 3, 1}}));
    const auto game = rom["body"]["records"][1];
    EXPECT_EQ(std::tuple(rom["body"]["count"], rom["body"]["records"][0]["fileTitle"],
                         game["fileTitle"], game["preferredEmulator"], game["favourite"]),
              std::tuple(2, "", "Game", 70, true));

    const std::string classes =
        RawBytes().header("ROMSHELF_CLASS3DATA", 1).i32(2).str("RPG").str("\x83\x41").bytes();
    EXPECT_EQ(dumped("ClassData3.slb", classes)["body"]["items"][1], "ア");

    // The window layout: rectangles, show states and visible flags of slots 1..7.
    const std::string layout =
        RawBytes().header("ROMSHELF_WINDOWDATA", 2).i32s(27, 5).i32(9).i32s(7, 2).i32s(7).bytes();
    auto slots = dumped("WindowPosition.slb", layout)["body"]["windowSlots"];
    EXPECT_EQ(std::tuple(slots[7]["height"], slots[1]["showState"], slots[7]["visible"]),
              std::tuple(9, 2, 0));
}

// Bytes left after the end of the data are read by the program too (it keeps a copy of the file
// first): the dump still prints the file, and says how many bytes it did not show.
TEST_F(DumpCommand, BytesAfterTheEndOfTheDataAreCounted) {
    const RawBytes rename = RawBytes()
                                .header("ROMSHELF_RENAMEDATA", 1)
                                .str("FC")
                                .str("Game (J)")
                                .i32(-8)
                                .i32(0x1234)
                                .i32s(3, -2)
                                .str("")
                                .i32(0)
                                .str("EOF");
    const RawBytes classes = RawBytes().header("ROMSHELF_CLASS1DATA", 1).i32(1).str("RPG");
    // The file, its bytes, and what the dump says on stderr.
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"Rename_FC.dat", rename.bytes(), ""},
        {"Rename_FC.dat", rename.bytes() + "after",
         "5 bytes after the end of the data were not read\n"},
        {"Rename_FC.dat", RawBytes(rename).str("Next").bytes(),
         "9 bytes after the end of the data were not read\n"},
        {"ClassData1.slb", classes.bytes() + std::string(1, '\0'),
         "1 bytes after the end of the data were not read\n"},
    };
    for (const auto& [file, bytes, message] : cases) {
        const CliRun d = dump(dir.write(file, bytes));
        EXPECT_EQ(std::tie(d.status, d.err), std::tuple(0, message)) << file;
        const auto body = nlohmann::json::parse(d.out)["body"];
        if (std::string_view(file) == "ClassData1.slb")
            EXPECT_EQ(body["items"], nlohmann::json({"RPG"}));
        else
            EXPECT_EQ(std::tuple(body["hardware"], body["records"].size(),
                                 body["records"][0]["name"], body["records"][0]["size"],
                                 body["records"][0]["crc"], body["records"][0]["sum3"]),
                      std::tuple("FC", 1u, "Game (J)", -8, 0x1234, -2));
    }
}

TEST_F(DumpCommand, EmulatorFileShowsEveryBlock) {
    RawEmulatorBlocks b{};
    b[4] = rawBlock("\x83G\x83~\x83\x85", ".\\emu\\smynes.exe");
    b[4].specialStart = b[4].options[11] = 1;
    b[4].waitAfterFileDialog = 250;
    b[63].reservedStrings[4] = "kept?";
    b[63].reservedIntegers[7] = 9;
    auto emulators = dumped("Emulator_FC.slb", rawEmulatorFile(b))["body"]["emulators"];
    ASSERT_EQ(emulators.size(), 64u);
    const auto& smynes = emulators[4];
    // The executable as stored, not made absolute.
    EXPECT_EQ(std::tuple(smynes["name"], smynes["executable"], smynes["specialStart"],
                         smynes["waitAfterFileDialog"], smynes["options"][11],
                         emulators[63]["reservedStrings"][4], emulators[63]["reservedIntegers"][7]),
              std::tuple("エミュ", ".\\emu\\smynes.exe", true, 250, true, "kept?", 9));
}

TEST_F(ListCommand, PrintsTheRowsOfAHardware) {
    setUpHardware("GB", "./roms/");
    dir.write("roms/Tetris (W).gb", "x");
    dir.write("roms/ポケモン 赤.gb", "x");
    RomRecord r = record("Tetris (W)", "テトリス");
    r.rating = 4;
    writeRecords("GB", {r});
    auto gb = [&](V more) { return list(more, "GB"); };

    const CliRun all = gb({});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.err, "ゲームボーイ : 全ファイル (ファイル数 : 2)\n");
    EXPECT_EQ(all.out,
              "テトリス\t\tTetris (W).gb\t★★★★\t\t\t\t\t\t\t0\t0\n"
              "ポケモン 赤\tポケモン 赤\tポケモン 赤.gb\t\t\t\t\t\t\t\t0\t-1\n");
    EXPECT_EQ(listedRows(gb({"unregistered"}).out).at(0).at(0), "ポケモン 赤");
    const CliRun search = gb({"search", "ぷよぷよ"});
    // Nothing on stdout when nothing matches; the hint is on stderr.
    EXPECT_EQ(search.err,
              "ゲームボーイ : ぷよぷよ / 検索結果 (ファイル数 : 0)\n"
              "romshelf-cli: list: ファイルがありません (no file matches)\n");
    EXPECT_EQ(search.out, "");
    const CliRun byFile = gb({"search", "tetris", "--field", "file"});
    EXPECT_EQ(listedRows(byFile.out).at(0).at(2), "Tetris (W).gb") << byFile.err;

    const CliRun bogus = gb({"search", "tetris", "--field", "bogus"});
    EXPECT_EQ(bogus.status, 64);
    EXPECT_NE(bogus.err.find("bogus"), std::string::npos) << bogus.err;  // names the field
    EXPECT_EQ(bogus.out, "");
    const CliRun notSetUp = list({}, "FC");
    EXPECT_EQ(notSetUp.status, 2);
    EXPECT_NE(notSetUp.err.find("フォルダ設定"), std::string::npos) << notSetUp.err;  // what to do
    EXPECT_EQ(list({}, "XX").status, 64);
    EXPECT_EQ(gb({"rating", "9"}).status, 64);
}

// search takes the search dialog's choices, and refuses what the dialog does not offer.
TEST_F(ListCommand, SearchTakesTheDialogsChoices) {
    setUpHardware("GB", "./roms/");
    for (const char* file : {"roms/Mario (J).gb", "roms/ﾏﾘｵ2.gb", "roms/Zelda.gb"})
        dir.write(file, "x");
    RomRecord mario = record("Mario (J)", "マリオ"), zelda = record("Zelda", "ゼルダ");
    mario.rating = zelda.rating = 3;
    mario.classes[0] = "ACT";
    mario.favourite = true;
    zelda.classes[0] = "RPG";
    zelda.hardwareClass = "携帯";
    writeRecords("GB", {mario, zelda});
    CategoryLists lists;
    lists.items[0] = {"ACT", "RPG"};
    lists.items[kHardwareClassList] = {"携帯"};
    DataStream stream;
    lists.save(stream, ProgramFolder(dir.path()), "GB");
    // The arguments after "search", and the file names found (sorted) or the exit status.
    const std::pair<V, std::string> cases[] = {
        {{"まりお"}, "Mario (J).gb|ﾏﾘｵ2.gb|"},  // the hiragana finds both katakana forms
        {{"まりお", "--rating", "3"}, "Mario (J).gb|"},
        {{"", "--category", "1", "RPG"}, "Zelda.gb|"},
        {{"", "--category", "1", "未登録"}, "ﾏﾘｵ2.gb|"},
        {{"", "--class", "携帯", "--favourite", "unset"}, "Zelda.gb|"},
        {{"", "--favourite", "no"}, "Zelda.gb|ﾏﾘｵ2.gb|"},
        {{"", "--favourite", "yes", "--rating", "0"}, ""},
        {{"", "--category", "1", "FPS"}, "status 2"},  // not an item of 分類 1
        {{"", "--rating", "6"}, "status 64"},          // a usage error
        {{"", "--favourite", "maybe"}, "status 64"},
    };
    for (const auto& [more, found] : cases) {
        V args{"search"};
        args.insert(args.end(), more.begin(), more.end());
        const CliRun run = list(args, "GB");
        std::vector<std::string> names;
        for (const V& row : listedRows(run.out))
            if (row.at(10) != "-1") names.push_back(row.at(2) + "|");
        std::ranges::sort(names);
        std::string got = run.status ? "status " + std::to_string(run.status) : "";
        for (const auto& n : names) got += n;
        EXPECT_EQ(got, found) << more.size() << more.back();
    }
    EXPECT_EQ(list({"all", "--rating", "3"}, "GB").status, 64);  // a choice without a search
}

TEST_F(LaunchCommand, DryRunPrintsTheArgumentsAndARealRunStartsThem) {
    const std::string rom = dir.write("roms/Sonic & Knuckles (W).md", "x");
    const CliRun dry = launch({"--dry-run", "--row", "0"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_TRUE(dry.printed("Gens を起動します。")) << dry.out;
    EXPECT_FALSE(readRecord(emu, 200).ran);
    ASSERT_EQ(launch({"--folder", "0", "Sonic & Knuckles (W).md"}).status, 0);
    EXPECT_EQ(readRecord(emu).argv, (V{emu, "--fs", rom}));

    // --row counts the rows `list` prints, whatever the list shows first in the program.
    FolderSettings f;
    f.romFolderPaths[0] = "./roms/";
    f.romFolderPaths[3] = "./roms2/";
    writeFolderSettings("MD", f);
    dir.write("roms2/0first.md", "x");
    MainSettings m;
    m.setOption(Option::ShowFirstRomFolder, true);
    DataStream s;
    ASSERT_TRUE(saveMainSettings(s, dir.file("data/MainData.slb"), m));
    ASSERT_EQ(listedRows(list().out).at(0).at(0), "0first");
    const CliRun second = launch({"--dry-run", "--row", "0"});
    EXPECT_TRUE(second.printed("0first.md が指定されました。")) << second.out;

    // Errors go to stderr, the results alone to stdout.
    const CliRun missing = launch({"--folder", "0", "missing.md"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("指定されたROMファイルが見つかりません。"), std::string::npos);
    EXPECT_FALSE(missing.printed("指定されたROMファイルが見つかりません。"));
    EXPECT_EQ(launch({"--emulator", "Nope", "--row", "0"}).status, 2);
    const CliRun past = launch({"--row", "9"});
    EXPECT_EQ(std::tuple(past.status, past.out), std::tuple(2, ""));
    EXPECT_NE(past.err.find("no row 9: the list has"), std::string::npos) << past.err;
}

// A row's cells are checked for characters to escape a word at a time, with short cells packed
// into one word: a tab, line break or backslash is escaped wherever it stands, in a cell of any
// length, and nothing else changes (other control characters, DEL, UTF-8).
TEST(ListRows, EveryEscapeIsFoundWhereverItStandsInACell) {
    const std::pair<char, std::string> escapes[] = {
        {'\t', "\\t"}, {'\n', "\\n"}, {'\r', "\\r"}, {'\\', "\\\\"}};
    for (std::size_t length = 1; length <= 20; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            for (const auto& [c, escaped] : escapes) {
                std::string cell(length, 'x');
                cell[at] = c;
                const std::string expected =
                    std::string(at, 'x') + escaped + std::string(length - at - 1, 'x');
                for (std::size_t column = 0; column < 3; ++column) {
                    std::vector<std::string> cells = {"", "abcdefghij", "é"};
                    cells[column] = cell;
                    std::string out = "kept";
                    cli::appendEscapedRow(cells, out);
                    cells[column] = expected;
                    EXPECT_EQ(out, "kept" + cells[0] + "\t" + cells[1] + "\t" + cells[2] + "\n")
                        << length << " " << at << " " << int(c) << " " << column;
                }
            }
        }
    }
    // Cells of every length up to beyond the short copies, each byte its own, side by side.
    for (std::size_t length = 0; length <= 70; ++length) {
        std::string cell;
        for (std::size_t i = 0; i < length; ++i)
            cell += static_cast<char>('!' + (i * 7 + length) % 90);
        std::replace(cell.begin(), cell.end(), '\\', '/');  // no escape in these
        const std::vector<std::string> cells = {cell, std::string(length % 5, 'q'), cell};
        std::string out = "kept";
        cli::appendEscapedRow(cells, out);
        EXPECT_EQ(out, "kept" + cell + "\t" + cells[1] + "\t" + cell + "\n") << length;
    }
    // Bytes beside the escaped ones: the last control character, space, DEL and UTF-8.
    const std::vector<std::string_view> plain = {
        "\x1f", " ", "\x7f~[]", "ドラゴン (J) 1", "", "\x01\x02\x03\x04\x05\x06\x07\x08\x0b"};
    std::string out;
    cli::appendEscapedRow(plain, out);
    EXPECT_EQ(out, "\x1f\t \t\x7f~[]\tドラゴン (J) 1\t\t\x01\x02\x03\x04\x05\x06\x07\x08\x0b\n");
    EXPECT_EQ(cli::unescapeText(cli::escapeText("a\\b\tc\rd\ne")), "a\\b\tc\rd\ne");
}

// Tabs, line breaks and backslashes in names: `list` prints them escaped, one row a line, and
// `launch --folder` takes the printed name back.
TEST_F(LaunchCommand, NamesWithTabsAndLineBreaksGoThereAndBack) {
    const std::pair<std::string, std::string> files[] = {
        // the name, as printed
        {"A\tb.md", "A\\tb.md"},
        {"B\nc\r.md", "B\\nc\\r.md"},
        {"C\\t.md", "C\\\\t.md"},  // a backslash before a t stays a backslash and a t
        {"D a longer name with\ta tab.md", "D a longer name with\\ta tab.md"},
        {"E other control \x01 characters.md", "E other control \x01 characters.md"},
    };
    for (const auto& f : files) dir.write("roms/" + f.first, "x");
    const CliRun listed = list();
    const auto rows = listedRows(listed.out);
    ASSERT_EQ(rows.size(), std::size(files)) << listed.out << listed.err;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 12u) << listed.out;
        EXPECT_EQ(rows[i][2], files[i].second);
        const CliRun dry = launch({"--dry-run", "--folder", "0", files[i].second});
        EXPECT_EQ(dry.status, 0) << files[i].second << ": " << dry.out;
        EXPECT_TRUE(dry.printed("argv: " + dir.path() + "roms/" + files[i].second + "\n"))
            << dry.out;
    }
    ASSERT_EQ(launch({"--folder", "0", files[1].second}).status, 0);
    EXPECT_EQ(readRecord(emu).argv, (V{emu, "--fs", dir.path() + "roms/" + files[1].first}));
}

// Relative ROM folders and emulators belong to the program folder, whatever the current folder
// is, and a program folder given relative is taken from the current folder once: the emulator
// then runs in its own folder.
TEST_F(LaunchCommand, RelativePathsDoNotDependOnTheCurrentFolder) {
    const std::string rom = dir.write("roms/Game.md", "x");
    TempFolder elsewhere;
    elsewhere.write("roms/Decoy.md", "x");
    elsewhere.write("emu/gens", "not a program");
    InCurrentFolder in(elsewhere.path());

    const std::string relative =
        std::filesystem::path(dir.path()).lexically_relative(elsewhere.path()).string();
    for (const std::string& folder :
         {dir.path(), relative, relative.substr(0, relative.size() - 1)}) {
        const CliRun listed = run(cli::listFiles, args({}, "MD", folder));
        const auto rows = listedRows(listed.out);
        ASSERT_EQ(rows.size(), 1u) << folder << ": " << listed.out << listed.err;
        EXPECT_EQ(rows[0].at(2), "Game.md") << folder;
        const CliRun dry = run(cli::launchFile, args({"--dry-run", "--row", "0"}, "MD", folder));
        EXPECT_EQ(dry.status, 0) << folder << ": " << dry.out << dry.err;
        EXPECT_TRUE(dry.printed("working folder: " + dir.path() + "emu/\nargv: " + emu +
                                "\nargv: --fs\nargv: " + rom + "\n"))
            << folder << ": " << dry.out;
    }
    const CliRun started = run(cli::launchFile, args({"--row", "0"}, "MD", relative));
    EXPECT_EQ(started.status, 0) << started.out;
    const auto record = readRecord(emu);
    EXPECT_EQ(record.argv, (V{emu, "--fs", rom}));
    EXPECT_EQ(record.workingFolder + "/", dir.path() + "emu/");
}

// Other software started on a dry run: the plan is printed, and nothing claims it was started.
TEST_F(LaunchCommand, ADryRunOfOtherSoftwareStartsNothing) {
    const std::string tool = installRecorder(dir.file("apps/editor"));
    FolderSettings f;
    f.romFolderPaths[0] = tool;
    writeFolderSettings("HARD", f);
    const CliRun dry = run(cli::launchFile, args({"--dry-run", "--row", "0"}, "HARD"));
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_TRUE(dry.printed("> " + tool + "\n")) << dry.out;
    EXPECT_TRUE(dry.printed("argv: " + tool + "\n")) << dry.out;
    EXPECT_FALSE(dry.printed("正常に起動プロセスが終了しました。")) << dry.out;
    EXPECT_FALSE(readRecord(tool, 200).ran);
}

TEST_F(LaunchCommand, WhatALaunchUnpackedIsRemovedByTheNextClean) {
    writeZip("roms/sonic.zip", {{"sonic.md", "x"}});
    ASSERT_EQ(launch({"--folder", "0", "sonic.zip"}).status, 0);
    ASSERT_TRUE(std::filesystem::exists(dir.file("temp/sonic.md")));
    EXPECT_EQ(run(cli::cleanTemp, args({})).status, 1);  // asked, and no is the answer
    EXPECT_TRUE(std::filesystem::exists(dir.file("temp/sonic.md")));
    const CliRun cleaned = run(cli::cleanTemp, args({"--yes"}));
    EXPECT_EQ(cleaned.status, 0) << cleaned.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("temp/sonic.md")));
}
