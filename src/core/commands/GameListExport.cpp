#include "core/commands/GameListExport.h"

#include "core/app/Application.h"
#include "core/app/RowDetails.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/text/CsvField.h"
#include "core/text/TextCodec.h"
#include "core/views/SizeText.h"

namespace romshelf {

namespace {

constexpr const char* kCsvHeader =
    "\"ゲーム名\",\"ゲーム名読み方\",\"ファイル名\",\"優先エミュレータ\",\"評価\",\"分類 1\","
    "\"分類 2\",\"分類 3\",\"分類 4\",\"分類 5\",\"機種別分類\",\"コメント\",\"お気に入り\"\n";

std::string csvContents(const Application& app) {
    std::string out = kCsvHeader;
    const RomTable& records = app.romTable();
    for (const FileListRow& row : app.fileList().rows()) {
        if (row.recordIndex < 0 || row.recordIndex >= records.count()) continue;
        const RomRecord& r = records[row.recordIndex];
        const auto& cells = row.cells;
        appendCsvField(out, cells[0], true);
        out += ',';
        appendCsvField(out, cells[1], true);
        out += ',';
        appendCsvField(out, fs::pathTitle(cells[2]), true);
        out += ',' + std::to_string(r.preferredEmulator) + ',' + std::to_string(r.rating);
        for (std::size_t k = 4; k <= 9; ++k) {
            out += ',';
            appendCsvField(out, cells[k], true);
        }
        out += ',';
        appendCsvField(out, r.comment, true);
        out += r.favourite ? ",1\n" : ",0\n";
    }
    return out;
}

std::string textContents(Application& app, const GameListOptions& o) {
    const FileListView rows = app.fileList().rows();
    const std::string stars(56, '*');
    std::string out = stars + "\n\t\t" + app.displayName(app.currentCode()) +
                      " (ファイル数 : " + std::to_string(rows.size()) + ")\n" + stars + "\n\n";
    const bool any = o.anyItem();
    const DetailSources sources = detailSources(app);
    for (const FileListRow& row : rows) {
        std::string entry = "・" + row.cells[0];
        if (any && o.secondLine) entry += "\n\t";
        if (any) entry += " (";
        bool first = true;
        auto add = [&](std::string_view item) {
            if (!first) entry += " : ";
            entry += item;
            first = false;
        };
        if (o.fileName) add(row.cells[2]);
        // The placeholder and unowned rows have no file to measure: no size is given for them.
        if (o.fileSize) {
            if (!rowFilePath(row, sources).empty()) add(sizeText(rowFileSize(row, sources)));
        }
        if (o.rating && !row.cells[3].empty()) add(row.cells[3]);
        for (std::size_t k = 0; k < o.categories.size(); ++k)
            if (o.categories[k] && !row.cells[4 + k].empty()) add(row.cells[4 + k]);
        if (o.hardwareClass && !row.cells[9].empty()) add(row.cells[9]);
        if (any) entry += ")";
        if (o.blankLines) entry += "\n";
        out += entry + "\n";
    }
    return out;
}

// Text files end their lines the platform's way.
std::string withPlatformLineEnds(std::string text) {
#ifdef _WIN32
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
#else
    return text;
#endif
}

}  // namespace

bool GameListOptions::anyItem() const {
    bool any = fileName || fileSize || rating || hardwareClass;
    for (const bool on : categories) any = any || on;
    return any;
}

bool canCreateGameList(const Application& app) {
    return !app.currentCode().empty() && !app.fileList().rows().empty();
}

GameListOptions initialGameListOptions(const Application& app) {
    GameListOptions o;
    o.folder = app.programFolder().pathWithoutSlash();
    return o;
}

std::string gameListPath(std::string_view folder, std::string_view code, bool csv) {
    while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    std::string path(folder);
    if (path != "/") path += '/';
    return path + "gamelist_" + ascii::lower(code) + (csv ? ".csv" : ".txt");
}

std::string gameListContents(Application& app, const GameListOptions& options) {
    return options.csv ? csvContents(app) : textContents(app, options);
}

std::optional<std::string> createGameList(Application& app, const GameListOptions& options,
                                          const std::function<void(bool)>& waiting) {
    if (!canCreateGameList(app)) return std::nullopt;
    const std::string path = gameListPath(options.folder, app.currentCode(), options.csv);
    if (waiting) waiting(true);
    const std::string contents = gameListContents(app, options);
    const std::string bytes =
        withPlatformLineEnds(options.utf8 ? contents : text::encodeTextFile(contents));
    const bool written = !options.folder.empty() && fs::writeFileAtomically(path, bytes);
    if (waiting) waiting(false);
    if (!written) {
        app.prompter().inform("リストの作成に失敗しました。", "警告");
        return std::nullopt;
    }
    app.prompter().inform("リストの作成が完了しました。", "リスト作成完了");
    return path;
}

}  // namespace romshelf
