#include "core/imports/CsvImport.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/app/Application.h"
#include "core/database/RomTable.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr const char* kWarning = "警告";

// The file's name without a folder (either separator) and without its last extension.
std::string baseTitle(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    const std::size_t dot = path.rfind('.');
    if (dot != std::string_view::npos) path = path.substr(0, dot);
    return std::string(path);
}

RomRecord ownRecord(const CsvRecordReader& r) {
    RomRecord record;
    record.gameName = r.text(0);
    record.reading = r.text(1);
    record.fileTitle = r.text(2);
    record.preferredEmulator = r.integer(3);
    record.rating = std::clamp(r.integer(4), 0, 5);
    for (std::size_t k = 0; k < record.classes.size(); ++k) record.classes[k] = r.text(5 + k);
    record.hardwareClass = r.text(10);
    record.comment = r.text(11);
    record.favourite = r.integer(12) >= 1;
    return record;
}

RomRecord oldRecord(const CsvRecordReader& r) {
    RomRecord record;
    record.gameName = r.text(0);
    record.reading = r.text(2);
    record.fileTitle = baseTitle(r.text(3));
    for (std::size_t k = 0; k < record.classes.size(); ++k) record.classes[k] = r.text(4 + k);
    record.hardwareClass = r.text(9);
    record.comment = r.text(11);
    record.favourite = r.integer(14) >= 1;
    return record;
}

constexpr std::array<std::string_view, 13> kOwnHeader = {
    "ゲーム名",   "ゲーム名読み方", "ファイル名", "優先エミュレータ", "評価",
    "分類 1",     "分類 2",         "分類 3",     "分類 4",           "分類 5",
    "機種別分類", "コメント",       "お気に入り"};

bool isOwnHeader(const CsvRecordReader& reader) {
    for (std::size_t k = 0; k < kOwnHeader.size(); ++k)
        if (reader.text(k) != kOwnHeader[k]) return false;
    return true;
}

// Our own files quote as RFC 4180 says, and have exactly their 13 fields so. A record that does
// not come out whole so was written without escapes, and reads as its writer read it: split at
// every comma, a comma inside a value shifting the fields after it.
bool fieldsFit(std::size_t fields, CsvFormat format, CsvQuoting quoting) {
    if (format == CsvFormat::Old) return fields >= 15;
    return quoting == CsvQuoting::Rfc4180 ? fields == 13 : fields >= 13;
}

std::string resultText(const CsvImportResult& result) {
    std::string text = "リストの読み込みが完了しました。\n\n読み込んだファイル情報の数 : " +
                       std::to_string(result.read.records.size());
    if (result.read.beyondCapacity > 0)
        text += "\n5000件を超えたため読み込まなかった数 : " +
                std::to_string(result.read.beyondCapacity);
    if (result.read.withoutTitle > 0)
        text += "\nファイル名がないため読み込まなかった数 : " +
                std::to_string(result.read.withoutTitle);
    if (!result.backupPath.empty())
        text += "\n\n読み込む前のファイル情報は「" + fs::pathName(result.backupPath) +
                "」に保存しました。";
    return text;
}

}  // namespace

std::optional<std::string> copyRecordsAside(const Application& app, std::string_view purpose) {
    const RomTable& current = app.romTable();
    if (current.count() == 0 && current.overflow().empty()) return std::string();
    const std::string stem =
        app.programFolder().dataFile("RomData_" + app.currentCode() + "_" + std::string(purpose));
    std::string path = stem + ".slb";
    for (int k = 2; fs::pathExists(path); ++k) path = stem + "-" + std::to_string(k) + ".slb";
    DataStream stream;
    if (!current.save(stream, path)) return std::nullopt;
    return path;
}

std::optional<CsvRecords> readCsvRecords(std::string_view bytes, CsvFormat format,
                                         std::string& error) {
    const std::optional<std::string> text = decodeCsvText(bytes);
    if (!text) {
        error = "CSVファイルではありません (テキストにない制御文字が含まれています)。";
        return std::nullopt;
    }
    using Result = CsvRecordReader::Result;
    CsvRecordReader reader(*text, format);
    CsvRecords out;
    bool header = format == CsvFormat::Own;
    while (true) {
        Result result = reader.readRecord(CsvQuoting::Rfc4180);
        const std::string line = std::to_string(reader.line()) + " 行目";
        if (result == Result::End) break;
        // A quote never closed or an endless record is no list, whichever way it is read.
        if (result == Result::UnclosedQuote) {
            error = line + "から始まる項目の引用符 (\") が閉じられていません。";
            return std::nullopt;
        }
        if (result == Result::TooLong) {
            error = line + "が長すぎます (1 MB を超えています)。";
            return std::nullopt;
        }
        const std::size_t fields = reader.fieldCount();
        if (!fieldsFit(fields, format, CsvQuoting::Rfc4180)) {
            reader.rewind();
            result = reader.readRecord(CsvQuoting::Unescaped);
            if (result == Result::TooLong) {
                error = line + "が長すぎます (1 MB を超えています)。";
                return std::nullopt;
            }
            if (!fieldsFit(reader.fieldCount(), format, CsvQuoting::Unescaped)) {
                error = line + "の項目数が " + std::to_string(fields) + " です (" +
                        (format == CsvFormat::Own ? "13" : "15 以上") + " のはずです)。";
                return std::nullopt;
            }
        }
        if (std::exchange(header, false)) {
            if (isOwnHeader(reader)) continue;
            error = line + "が RomshelfPlus!! のCSVファイルの見出しではありません。";
            return std::nullopt;
        }
        RomRecord record = format == CsvFormat::Own ? ownRecord(reader) : oldRecord(reader);
        if (record.fileTitle.empty())
            ++out.withoutTitle;
        else if (static_cast<int>(out.records.size()) >= RomTable::kCapacity)
            ++out.beyondCapacity;
        else
            out.records.push_back(std::move(record));
    }
    return out;
}

std::optional<CsvImportResult> importCsv(Application& app, CsvFormat format) {
    if (app.currentCode().empty()) return std::nullopt;
    Prompter& prompter = app.prompter();
    const bool own = format == CsvFormat::Own;
    if (!prompter.ask(std::string(own ? "RomshelfPlus!! で出力したCSVファイルを読み込むことが"
                                        "できます。"
                                      : "旧Romshelfで出力したCSVファイルを読み込むことができま"
                                        "す。") +
                          "\n読み込むとファイル情報が上書きされますが、いいですか？\n\n※ "
                          "CSVデータ中に \" や , が含まれている場合、\n    "
                          "正しくデータが読み込まれない恐れがあります。",
                      app.displayName(app.currentCode()) + "の上書き確認"))
        return std::nullopt;
    const std::string code = ascii::lower(app.currentCode());
    const std::string name = (own ? "gamelist_" : "list_") + code + ".csv";
    const auto path = prompter.chooseOpenFile(
        "CSVファイルを指定してください。",
        (own ? "RomshelfPlus!! CSVファイル(" : "旧Romshelf CSVファイル(") + name + ")", name,
        app.browseFolder());
    if (!path || path->empty()) return std::nullopt;
    std::string folder = fs::pathFolder(*path);
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    app.setBrowseFolder(folder);

    const auto size = fs::fileSize(*path);
    if (size && *size > kCsvFileLimit) {
        prompter.inform("CSVファイルが大きすぎます。\n読み込みを中止しました。", kWarning);
        return std::nullopt;
    }
    const auto bytes = fs::readFile(*path, kCsvFileLimit);
    if (!bytes) {
        prompter.inform("CSVファイルを開けませんでした。", kWarning);
        return std::nullopt;
    }
    std::string error;
    auto read = readCsvRecords(*bytes, format, error);
    if (!read) {
        prompter.inform(error + "\nファイル情報は変更していません。", kWarning);
        return std::nullopt;
    }
    if (read->records.empty()) {
        prompter.inform(
            "CSVファイルに読み込めるファイル情報がありません。\n"
            "ファイル情報は変更していません。",
            kWarning);
        return std::nullopt;
    }
    CsvImportResult result;
    const std::optional<std::string> copy = copyRecordsAside(app, "before-csv");
    if (!copy) {
        prompter.inform(
            "今のファイル情報の控えを保存できませんでした。\n"
            "読み込みを中止しました。",
            kWarning);
        return std::nullopt;
    }
    result.backupPath = *copy;
    result.read = std::move(*read);
    app.replaceRecords(result.read.records);
    // The replaced records are on disk only in the copy: the new ones are saved at once.
    app.saveRecords();
    app.showAll();
    prompter.inform(resultText(result), "リスト読み込み完了");
    return result;
}

}  // namespace romshelf
