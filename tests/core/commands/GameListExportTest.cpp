#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "AppChecks.h"
#include "core/imports/CsvImport.h"
#include "core/commands/GameListExport.h"
#include "core/text/TextCodec.h"

namespace romshelf {
namespace {

const std::string kStars(56, '*');
const std::string kHeader =
    kStars + "\n\t\tファミリーコンピュータ (ファイル数 : 3)\n" + kStars + "\n\n";
const std::string kCsvHeader =
    "\"ゲーム名\",\"ゲーム名読み方\",\"ファイル名\",\"優先エミュレータ\",\"評価\",\"分類 1\","
    "\"分類 2\",\"分類 3\",\"分類 4\",\"分類 5\",\"機種別分類\",\"コメント\",\"お気に入り\"\n";

std::string cp932(const std::string& utf8) { return text::toCp932(utf8).value(); }

// FC with Alpha.nes (registered with every field), Beta.nes (a bare record) and Gamma.nes (none).
class GameListTest : public test::AppChecks {
protected:
    GameListTest() {
        setUpHardware("FC");
        dir.write("roms/FC/Alpha.nes", std::string(1500, 'a'));
        dir.write("roms/FC/Beta.nes", std::string(10, 'b'));
        dir.write("roms/FC/Gamma.nes", "");
        writeRecords("FC", {alpha(), beta()});
        start("FC");
    }
    static RomRecord alpha() {
        RomRecord r = record("Alpha", "Alpha");
        r.reading = "あるふぁ", r.rating = 2, r.classes[0] = "RPG", r.hardwareClass = "ディスク";
        r.comment = "He said \"hi\", then\nleft", r.favourite = true, r.preferredEmulator = 1;
        return r;
    }
    static RomRecord beta() {
        RomRecord r = record("Beta", "Beta");
        r.reading = "べーた";
        return r;
    }
    std::map<std::string, RomRecord> table() const {
        std::map<std::string, RomRecord> byTitle;
        for (int i = 0; i < app.romTable().count(); ++i)
            byTitle[app.romTable()[i].fileTitle] = app.romTable()[i];
        return byTitle;
    }
    // Runs the own or old import of `file` with the question answered yes.
    std::optional<CsvImportResult> import(const std::string& file, CsvFormat format) {
        prompter.answer(true);
        prompter.pickFile(file);
        prompter.clear();
        return importCsv(app, format);
    }
    std::string written(const GameListOptions& o) {
        const auto path = createGameList(app, o);
        return path ? dir.read(path->substr(dir.path().size())) : "(not written)";
    }
};

GameListOptions options(std::function<void(GameListOptions&)> set) {
    GameListOptions o;
    set(o);
    return o;
}

TEST_F(GameListTest, TextListsMatchTheLayoutByteForByte) {
    // What is chosen, the options, and the entries written below the header.
    const std::tuple<const char*, GameListOptions, std::string> cases[] = {
        {"no item", {}, "・Alpha\n・Beta\n・Gamma\n"},
        {"line break without items", options([](auto& o) { o.secondLine = true; }),
         "・Alpha\n・Beta\n・Gamma\n"},
        {"file name and rating", options([](auto& o) { o.fileName = o.rating = true; }),
         "・Alpha (Alpha.nes : ★★)\n・Beta (Beta.nes)\n・Gamma (Gamma.nes)\n"},
        {"an empty category still gives the parentheses",
         options([](auto& o) { o.categories[1] = true; }), "・Alpha ()\n・Beta ()\n・Gamma ()\n"},
        {"sizes and blank lines", options([](auto& o) { o.fileSize = o.blankLines = true; }),
         "・Alpha (1 KB)\n\n・Beta (10 Byte)\n\n・Gamma (0 Byte)\n\n"},
        {"second line", options([](auto& o) {
             o.secondLine = o.categories[0] = o.hardwareClass = o.fileName = true;
         }),
         "・Alpha\n\t (Alpha.nes : RPG : ディスク)\n・Beta\n\t (Beta.nes)\n・Gamma\n\t (Gamma.nes)\n"},
    };
    for (auto [name, o, entries] : cases) {
        o.folder = dir.makeFolder("out") + "//";
        prompter.clear();
        EXPECT_EQ(written(o), cp932(kHeader + entries)) << name;
        EXPECT_TRUE(prompter.shownOnce("リストの作成が完了しました。", "リスト作成完了")) << name;
        EXPECT_TRUE(std::filesystem::exists(dir.file("out/gamelist_fc.txt"))) << name;
    }
}

TEST_F(GameListTest, CsvHoldsTheRegisteredRowsQuotedAsRfc4180) {
    GameListOptions o = initialGameListOptions(app);
    EXPECT_EQ(o.folder + "/", dir.path());
    o.csv = o.fileName = o.blankLines = true;  // the text options play no part
    EXPECT_EQ(written(o),
              cp932(kCsvHeader +
                    "\"Alpha\",\"あるふぁ\",\"Alpha\",1,2,\"RPG\",\"\",\"\",\"\",\"\",\"ディスク\","
                    "\"He said \"\"hi\"\", then\nleft\",1\n"
                    "\"Beta\",\"べーた\",\"Beta\",-1,0,\"\",\"\",\"\",\"\",\"\",\"\",\"\",0\n"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("gamelist_fc.csv")));
}

TEST_F(GameListTest, UnwritableFolderIsTold) {
    GameListOptions o;
    o.folder = dir.file("missing/folder");
    EXPECT_FALSE(createGameList(app, o));
    EXPECT_TRUE(prompter.shownOnce("リストの作成に失敗しました。"));
}

TEST_F(GameListTest, CsvRoundTripKeepsEveryFieldAndSavesTheReplacedRecords) {
    // Breaks as the dialog stores them, and a bare line feed (alpha's), come back unchanged.
    app.editRecord(1, [](RomRecord& r) { r.comment = "UTF-8 だけの字 🎮\r\n落ち物\r\n"; });
    GameListOptions o = initialGameListOptions(app);
    o.csv = true;
    const auto path = createGameList(app, o);
    ASSERT_TRUE(path);
    EXPECT_TRUE(dir.read("gamelist_fc.csv").starts_with(text::kUtf8Marker));
    const auto before = table();
    app.editRecord(0, [](RomRecord& r) { r.comment = "changed"; });
    const auto edited = table();

    const auto result = import(*path, CsvFormat::Own);
    ASSERT_TRUE(result);
    EXPECT_EQ(table(), before);
    EXPECT_TRUE(boxes()[0].starts_with(
        "[ファミリーコンピュータの上書き確認] RomshelfPlus!! で出力したCSVファイルを読み込むことが"
        "できます。\n読み込むとファイル情報が上書きされますが、いいですか？\n\n※ CSVデータ中に "
        "\" や , が含まれている場合、\n    正しくデータが読み込まれない恐れがあります。"));
    EXPECT_EQ(std::tie(prompter.filePickers.back().pattern,
                       prompter.filePickers.back().filterDescription),
              std::tuple("gamelist_fc.csv", "RomshelfPlus!! CSVファイル(gamelist_fc.csv)"));
    EXPECT_TRUE(boxes().back().starts_with("[リスト読み込み完了] "));
    EXPECT_NE(lastBox().find("RomData_FC_before-csv.slb"), std::string::npos);
    // The copy holds the records as they were just before, the new ones are saved at once.
    RomTable copy;
    DataStream s;
    ASSERT_EQ(copy.load(s, result->backupPath, prompter), LoadResult::Loaded);
    EXPECT_EQ(copy[0], edited.at("Alpha"));
    EXPECT_EQ(savedRecords("FC").count(), 2);
    // The pickers open where the last file was chosen; the next copy takes a new name.
    ASSERT_TRUE(import(*path, CsvFormat::Own));
    EXPECT_EQ(prompter.filePickers.back().startFolder + "/", dir.path());
    EXPECT_TRUE(std::filesystem::exists(dir.file("data/RomData_FC_before-csv-2.slb")));
    EXPECT_EQ(table(), before);
}

TEST_F(GameListTest, PredecessorCsvImportsItsFields) {
    const std::string line1 =
        "\"Alpha Quest\",\"x\",\"あるふぁ\",\"C:\\roms\\Alpha.nes\",\"a\",\"b\",\"c\",\"d\","
        "\"e\",\"クラス\",\"x\",\"two\r\r\nlines\",\"x\",\"x\",1\r\n";
    const std::string line2 =
        "\"Beta\",\"\",\"べーた\",\"Beta.zip\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
        "0,\"more\",\"fields\"\r\n";
    dir.write("list_fc.csv", cp932(line1 + line2));
    ASSERT_TRUE(import(dir.file("list_fc.csv"), CsvFormat::Old));
    EXPECT_EQ(prompter.filePickers.back().filterDescription, "旧Romshelf CSVファイル(list_fc.csv)");
    RomRecord a = record("Alpha", "Alpha Quest");
    a.reading = "あるふぁ", a.classes = {"a", "b", "c", "d", "e"}, a.hardwareClass = "クラス";
    a.comment = "two\r\nlines", a.favourite = true;
    EXPECT_EQ(table(), (std::map<std::string, RomRecord>{{"Alpha", a}, {"Beta", beta()}}));
    EXPECT_EQ(app.fileList().rows()[0].gameName(), "Alpha Quest");
}

TEST_F(GameListTest, OwnCsvWithoutEscapesReadsAsBefore) {
    // A value ending in a quote and one holding a comma, written unescaped.
    const std::string csv =
        kCsvHeader +
        "\"Say \"Hi\"\",\"\",\"Alpha\",-1,0,\"\",\"\",\"\",\"\",\"\",\"\","
        "\"multi\nline\",1\n"
        "\"Comma, The\",\"\",\"Beta\",0,3,\"\",\"\",\"\",\"\",\"\",\"\",\"\",0\n";
    std::string error;
    const auto read = readCsvRecords(cp932(csv), CsvFormat::Own, error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->records.size(), 2u);
    const RomRecord &a = read->records[0], &b = read->records[1];
    EXPECT_EQ(std::tie(a.gameName, a.comment), std::tuple("Say \"Hi\"", "multi\nline"));
    // A quoted comma stays in its value.
    EXPECT_EQ(std::tie(b.gameName, b.fileTitle, b.rating), std::tuple("Comma, The", "Beta", 3));
}

TEST_F(GameListTest, MalformedCsvChangesNothing) {
    const std::string good = "\"G\",\"\",\"Zeta\",-1,0,\"\",\"\",\"\",\"\",\"\",\"\",\"\",0\n";
    // What is wrong, the file's bytes, and how the message about it starts.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"unclosed quote",
         kCsvHeader + good +
             "\"G\",\"\",\"Eta\",-1,0,\"\",\"\",\"\",\"\",\"\","
             "\"\",\"never closed,0\n",
         "3 行目から始まる項目の引用符"},
        {"10 MB line", kCsvHeader + std::string(10 << 20, 'x') + "\n" + good, "2 行目が長すぎます"},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "CSVファイルではありません"},
        {"old layout in the own import",
         "\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\",\"i\",\"j\",\"k\",\"l\",\"m\",1,2\n",
         "1 行目が RomshelfPlus!! のCSVファイルの見出しではありません"},
        {"a field missing",
         kCsvHeader + good + "\"G\",\"\",\"X\",-1,0,\"\",\"\",\"\",\"\",\"\",\"\"\n",
         "3 行目の項目数が 11 です"},
        {"header only", kCsvHeader, "CSVファイルに読み込めるファイル情報がありません"},
    };
    const auto before = table();
    for (const auto& [name, bytes, message] : cases) {
        dir.write("bad.csv", text::toCp932(bytes).value_or(bytes));
        EXPECT_FALSE(import(dir.file("bad.csv"), CsvFormat::Own)) << name;
        ASSERT_EQ(prompter.boxes().size(), 2u) << name;
        EXPECT_TRUE(lastBox().starts_with(message)) << name << ": " << lastBox();
        EXPECT_EQ(table(), before) << name;
        EXPECT_FALSE(std::filesystem::exists(dir.file("data/RomData_FC_before-csv.slb")));
    }
}

TEST_F(GameListTest, RecordsBeyondTheTableAreLeftOutAndCounted) {
    std::string csv = kCsvHeader;
    for (int i = 0; i < 5003; ++i)
        csv +=
            "\"G\",\"\",\"T" + std::to_string(i) + "\",-1,0,\"\",\"\",\"\",\"\",\"\",\"\",\"\",0\n";
    csv += "\"No file\",\"\",\"\",-1,0,\"\",\"\",\"\",\"\",\"\",\"\",\"\",0\n";
    dir.write("big.csv", cp932(csv));
    const auto result = import(dir.file("big.csv"), CsvFormat::Own);
    ASSERT_TRUE(result);
    EXPECT_EQ(app.romTable().count(), 5000);
    EXPECT_EQ(app.romTable()[4999].fileTitle, "T4999");
    const std::string text = lastBox();
    EXPECT_NE(text.find("5000件を超えたため読み込まなかった数 : 3"), std::string::npos) << text;
    EXPECT_NE(text.find("ファイル名がないため読み込まなかった数 : 1"), std::string::npos) << text;
}

TEST(CsvRecordReader, ReadsQuotedValuesNumbersAndLineEnds) {
    const auto rfc = CsvQuoting::Rfc4180;
    // Breaks inside values keep their CR (doubled ones, as Windows text mode writes them, read as
    // one); a quote inside an unquoted value is a character of it, and the row stays whole.
    CsvRecordReader reader(
        "\r\n\"a\"\"b\",\"c,d\",\"5\", -12x,\"e\r\r\nf\ng\r\n\",5\" disk\r\n"
        "last,x\"y\"\nz",
        CsvFormat::Own);
    ASSERT_EQ(reader.readRecord(rfc), CsvRecordReader::Result::Record);
    EXPECT_EQ(reader.line(), 2);
    EXPECT_EQ(reader.fieldCount(), 6u);
    EXPECT_EQ((std::vector<std::string>{reader.text(0), reader.text(1), reader.text(4),
                                        reader.text(5), reader.text(6)}),
              (std::vector<std::string>{"a\"b", "c,d", "e\r\nf\ng\r\n", "5\" disk", ""}));
    // A quoted number is none; a field past the end reads as -1.
    EXPECT_EQ((std::vector<int>{reader.integer(2), reader.integer(3), reader.integer(5),
                                reader.integer(6)}),
              (std::vector<int>{0, -12, 5, -1}));
    ASSERT_EQ(reader.readRecord(rfc), CsvRecordReader::Result::Record);
    EXPECT_EQ(std::tuple(reader.line(), reader.text(0), reader.text(1)),
              std::tuple(6, "last", "x\"y\""));
    ASSERT_EQ(reader.readRecord(rfc), CsvRecordReader::Result::Record);
    EXPECT_EQ(std::tuple(reader.line(), reader.text(0)), std::tuple(7, "z"));
    EXPECT_EQ(reader.readRecord(rfc), CsvRecordReader::Result::End);
    // Read without escapes, a comment over lines keeps the breaks the file gives it.
    CsvRecordReader unescaped("\"a\",,,,,,\"b\r\nc\nd\",,,,,,,,", CsvFormat::Old);
    ASSERT_EQ(unescaped.readRecord(CsvQuoting::Unescaped), CsvRecordReader::Result::Record);
    EXPECT_EQ(std::tuple(unescaped.fieldCount(), unescaped.text(6)), std::tuple(15u, "b\r\nc\nd"));
    // A value longer than a record may hold is cut on a character.
    const std::string value = "\"" + std::string(12286, 'x') + "あ\"";
    CsvRecordReader longValue(value, CsvFormat::Own);
    ASSERT_EQ(longValue.readRecord(rfc), CsvRecordReader::Result::Record);
    EXPECT_EQ(longValue.text(0), std::string(12286, 'x'));
}

}  // namespace
}  // namespace romshelf
