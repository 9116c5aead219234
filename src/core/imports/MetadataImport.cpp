#include "core/imports/MetadataImport.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unordered_map>

#include "core/app/Application.h"
#include "core/imports/CsvImport.h"
#include "core/database/FrontendMetadata.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr std::uint64_t kMetadataFileLimit = 64ull * 1024 * 1024;

// Comments are kept with Windows line breaks, as the registration dialog stores them.
std::string windowsBreaks(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

// The file name a path ends in: "./sub/x.zip" -> "x.zip" (either separator).
std::string lastPart(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void fill(Application& app, int index, const FrontendGame& game, bool overwrite) {
    bool genreTaken = false;
    app.editRecord(index, [&](RomRecord& r) {
        const bool plainName = r.gameName.empty() || r.gameName == r.fileTitle;
        if (!game.name.empty() && (overwrite || plainName)) {
            if (r.reading.empty() || r.reading == r.fileTitle || r.reading == r.gameName)
                r.reading = game.name;
            r.gameName = game.name;
        }
        if (!game.description.empty() && (overwrite || r.comment.empty()))
            r.comment = windowsBreaks(game.description);
        if (game.stars && *game.stars > 0 && (overwrite || r.rating == 0)) r.rating = *game.stars;
        if (!game.genre.empty() && (overwrite || r.classes[0].empty())) {
            r.classes[0] = game.genre;
            genreTaken = true;
        }
        if (game.favourite && (overwrite || !r.favourite)) r.favourite = *game.favourite;
    });
    if (genreTaken) app.categoryCommands().addTypedItem(0, game.genre);
}

// ES-DE's "20231005T120000" (local time) in seconds since the epoch; nothing for another text.
std::optional<long long> esdeTime(const std::string& text) {
    std::tm tm{};
    if (text.size() != 15 || text[8] != 'T' ||
        std::sscanf(text.c_str(), "%4d%2d%2dT%2d%2d%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6)
        return std::nullopt;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<long long>(t);
}

// The plays the other frontend counted join the play history, as many as the history lacks (so
// that importing again adds nothing); without the date of the last one nothing is added.
void addPlays(Application& app, const FileListRow& row, const FrontendGame& game) {
    constexpr int kMostPlays = 9999;  // a hostile count must not fill the disk
    const auto when = esdeTime(game.lastPlayed);
    if (!game.playCount || *game.playCount <= 0 || !when) return;
    const PlayKey key = app.playKey(app.currentCode(), row.folderNumber, row.fileName());
    const int known = app.playHistory().stats(key).count;
    for (int k = known; k < std::min(*game.playCount, kMostPlays); ++k)
        app.playHistory().record({key, *when, 0, 0, false});
}

}  // namespace

std::optional<MetadataImportResult> importFrontendMetadata(Application& app,
                                                           const std::string& path, bool overwrite,
                                                           std::string& error) {
    const auto bytes = fs::readFile(path, kMetadataFileLimit);
    if (!bytes) {
        error = "ファイル「" + fs::pathName(path) + "」を読み込めませんでした。";
        return std::nullopt;
    }
    const auto games = detectFrontendFormat(*bytes) == FrontendFormat::EsDe
                           ? readEsdeGamelist(*bytes, error)
                           : readPegasusMetadata(*bytes, error);
    if (!games) return std::nullopt;

    MetadataImportResult result;
    const std::optional<std::string> copy = copyRecordsAside(app, "before-metadata");
    if (!copy) {
        error = "今のファイル情報の控えを保存できませんでした。\n読み込みを中止しました。";
        return std::nullopt;
    }
    result.backupPath = *copy;
    app.showAll();
    // The listed files by name and by title: each game's file is looked up, not searched for.
    std::unordered_map<std::string, int> byName, byTitle;
    const FileListView rows = app.fileList().rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].folderNumber < 0 || rows[i].fileName().empty()) continue;
        byName.try_emplace(rows[i].fileName(), static_cast<int>(i));
        byTitle.try_emplace(fs::pathTitle(rows[i].fileName()), static_cast<int>(i));
    }
    for (const FrontendGame& game : *games) {
        if (game.paths.empty()) {
            ++result.skipped;
            continue;
        }
        int row = -1;
        for (const std::string& p : game.paths) {
            const std::string name = lastPart(p);
            if (const auto it = byName.find(name); it != byName.end())
                row = it->second;
            else if (const auto t = byTitle.find(fs::pathTitle(name)); t != byTitle.end())
                row = t->second;
            if (row >= 0) break;
        }
        if (row < 0) {
            ++result.unmatched;
            if (result.unmatchedNames.size() < 10) result.unmatchedNames.push_back(game.paths[0]);
            continue;
        }
        const FileListRow& listed = app.fileList().rows()[static_cast<std::size_t>(row)];
        int index = listed.recordIndex;
        if (index < 0) {
            RomRecord record;
            record.fileTitle = record.gameName = record.reading = fs::pathTitle(listed.fileName());
            index = app.addRecord(std::move(record));
            if (index < 0) {
                ++result.skipped;
                continue;
            }
        }
        fill(app, index, game, overwrite);
        addPlays(app, listed, game);
        ++result.matched;
    }
    app.categoryCommands().save();
    app.showAll();
    return result;
}

std::string metadataResultText(const MetadataImportResult& result) {
    std::string text =
        "他のフロントエンドの情報を読み込みました。\n\n情報を読み込んだファイル数 : " +
        std::to_string(result.matched) +
        "\nリストにファイルがなかったゲーム数 : " + std::to_string(result.unmatched) +
        "\nファイルの指定がないため除いたゲーム数 : " + std::to_string(result.skipped);
    for (const std::string& name : result.unmatchedNames) text += "\n  " + name;
    if (!result.backupPath.empty())
        text += "\n\n読み込む前のファイル情報は「" + fs::pathName(result.backupPath) +
                "」に保存しました。";
    return text;
}

bool importFrontendMetadataCommand(Application& app) {
    Prompter& prompter = app.prompter();
    if (app.currentCode().empty()) return false;
    const auto path = prompter.chooseOpenFile(
        "gamelist.xml か metadata.pegasus.txt の場所を指定してください", "他のフロントエンドの情報",
        "gamelist.xml *.pegasus.txt metadata.txt", app.browseFolder());
    if (!path || path->empty()) return false;
    app.setBrowseFolder(fs::pathFolder(*path));
    const bool overwrite = prompter.ask(
        "登録済みの情報も読み込んだ内容で上書きしますか？\n"
        "(「いいえ」では空いている項目だけを埋めます)",
        "上書き確認");
    std::string error;
    const auto result = importFrontendMetadata(app, *path, overwrite, error);
    if (!result) {
        prompter.inform(error, "警告");
        return false;
    }
    prompter.inform(metadataResultText(*result), "読み込み完了");
    return true;
}

}  // namespace romshelf
