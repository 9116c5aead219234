#include "core/commands/DatabaseFill.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <map>
#include <set>

#include "core/app/Application.h"
#include "core/imports/CsvImport.h"
#include "core/commands/DatabaseSources.h"
#include "core/database/CategoryOrganiser.h"
#include "core/platform/FileSystem.h"
#include "core/rename/ContentHash.h"
#include "core/roms/HeaderSkip.h"
#include "core/text/TextCodec.h"
#include "core/platform/LocalTime.h"
#include "core/platform/Progress.h"

namespace romshelf {

namespace {

constexpr std::string_view kGenreNamePrefix = "genreName.";

constexpr std::array<std::string_view, kFillFieldCount> kKeys = {
    "genre", "developer", "publisher", "franchise", "year", "players"};

// The size and CRC-32 of the bytes after the header a file starts with; nothing for a file
// without one, and unread when no game of the database has the size the rest would have.
std::optional<std::pair<std::uint64_t, std::uint32_t>> withoutHeader(const GameDatabase& database,
                                                                     const std::string& path,
                                                                     std::uint64_t size) {
    bool could = false;
    for (const HeaderKind kind :
         {HeaderKind::INes, HeaderKind::Lynx, HeaderKind::Atari7800, HeaderKind::SnesCopier})
        could =
            could || (size > headerLength(kind) && database.mayHaveSize(size - headerLength(kind)));
    if (!could) return std::nullopt;
    std::string head(512, '\0');
    {
        std::ifstream in(path, std::ios::binary);
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    }
    if (detectHeader(head, size) == HeaderKind::None) return std::nullopt;
    const auto id = fileContentIdentity(path, DatSumKinds{false, false});
    if (!id || !id->withoutHeader) return std::nullopt;
    return std::pair{id->withoutHeader->size, id->withoutHeader->crc};
}

std::string datedPurpose() { return localTimeText("before-fill-%Y%m%d-%H%M%S"); }

}  // namespace

std::string_view fillFieldKey(FillField field) { return kKeys[static_cast<std::size_t>(field)]; }

std::optional<FillField> fillFieldOfKey(std::string_view key) {
    if (key == "releaseyear") return FillField::Year;
    if (key == "users") return FillField::Players;
    for (int i = 0; i < kFillFieldCount; ++i)
        if (kKeys[static_cast<std::size_t>(i)] == key) return static_cast<FillField>(i);
    return std::nullopt;
}

FillLists defaultFillLists(const std::array<std::string, kCategoryListCount>& names) {
    static const std::array<std::vector<std::string_view>, kFillFieldCount> kWords = {{
        {"ジャンル"},
        {"メーカー", "開発"},
        {"発売元"},
        {"シリーズ"},
        {"発売年"},
        {"人数"},
    }};
    FillLists lists{-1, -1, -1, -1, -1, -1};
    std::array<bool, kCategoryListCount> taken{};
    for (int field = 0; field < kFillFieldCount; ++field)
        for (int list = 0; list < kCategoryListCount && lists[field] < 0; ++list) {
            if (taken[static_cast<std::size_t>(list)]) continue;
            for (const std::string_view word : kWords[static_cast<std::size_t>(field)])
                if (names[static_cast<std::size_t>(list)].find(word) != std::string::npos) {
                    lists[static_cast<std::size_t>(field)] = list;
                    taken[static_cast<std::size_t>(list)] = true;
                    break;
                }
        }
    return lists;
}

const std::vector<std::pair<std::string_view, std::string_view>>& genreNameTable() {
    static const std::vector<std::pair<std::string_view, std::string_view>> kTable = {
        {"Action", "アクション"},
        {"Action RPG", "アクションRPG"},
        {"Adventure", "アドベンチャー"},
        {"Beat'em Up", "ベルトスクロールアクション"},
        {"Board Game", "ボードゲーム"},
        {"Card Game", "カードゲーム"},
        {"Casino", "カジノ"},
        {"Compilation", "オムニバス"},
        {"Educational", "教育"},
        {"Fighting", "格闘"},
        {"Flight Simulator", "フライトシミュレーター"},
        {"Horror", "ホラー"},
        {"Lightgun Shooter", "ガンシューティング"},
        {"Mahjong", "麻雀"},
        {"Maze", "迷路"},
        {"Music", "音楽"},
        {"Party", "パーティー"},
        {"Pinball", "ピンボール"},
        {"Platform", "プラットフォームアクション"},
        {"Puzzle", "パズル"},
        {"Quiz", "クイズ"},
        {"Racing", "レース"},
        {"Rhythm", "リズム"},
        {"Role-Playing", "ロールプレイング"},
        {"Shoot'em Up", "シューティング"},
        {"Shooter", "シューティング"},
        {"Simulation", "シミュレーション"},
        {"Sports", "スポーツ"},
        {"Stealth", "ステルス"},
        {"Strategy", "ストラテジー"},
        {"Survival Horror", "サバイバルホラー"},
        {"Tactical Role-Playing", "シミュレーションRPG"},
        {"Trivia", "クイズ"},
        {"Visual Novel", "ノベル"},
    };
    return kTable;
}

GenreNames builtInGenreNames() {
    GenreNames names;
    for (const auto& [english, japanese] : genreNameTable()) names.emplace_back(english, japanese);
    return names;
}

std::string japaneseGenre(std::string_view genre) {
    for (const auto& [english, japanese] : genreNameTable())
        if (english == genre) return std::string(japanese);
    return std::string(genre);
}

std::string japaneseGenre(std::string_view genre, const GenreNames& names) {
    for (const auto& [english, japanese] : names)
        if (english == genre) return japanese;
    return std::string(genre);
}

GenreNames genreNames(const PlusSettings& settings) {
    GenreNames names;
    for (const auto& [key, value] : settings.unknown)
        if (key.starts_with(kGenreNamePrefix) && key.size() > kGenreNamePrefix.size())
            names.emplace_back(key.substr(kGenreNamePrefix.size()), value);
    return names.empty() ? builtInGenreNames() : names;
}

void setGenreNames(const GenreNames& names, PlusSettings& settings) {
    auto& entries = settings.unknown;
    std::erase_if(entries,
                  [](const auto& entry) { return entry.first.starts_with(kGenreNamePrefix); });
    if (names == builtInGenreNames()) return;
    for (const auto& [english, japanese] : names)
        if (!english.empty())
            entries.emplace_back(std::string(kGenreNamePrefix) + english, japanese);
}

std::string fillValue(const GameFacts& game, FillField field, const FillOptions& options) {
    switch (field) {
        case FillField::Genre:
            return options.originalGenreNames ? game.genre
                                              : japaneseGenre(game.genre, options.genreNames);
        case FillField::Developer:
            return game.developer;
        case FillField::Publisher:
            return game.publisher;
        case FillField::Franchise:
            return game.franchise;
        case FillField::Year:
            return game.releaseYear && *game.releaseYear > 0 ? std::to_string(*game.releaseYear)
                                                             : std::string();
        case FillField::Players:
            return game.users && *game.users > 0 ? std::to_string(*game.users) + "人"
                                                 : std::string();
    }
    return {};
}

std::string_view matchedByWord(MatchedBy by) {
    static constexpr std::string_view kWords[] = {"crc", "crc-without-header", "name", "none"};
    return kWords[static_cast<int>(by)];
}

FillPlan planFill(const GameDatabase& database, const IdentityJob& job, const RomTable& table,
                  IdentityCache& cache, const FillOptions& options, const FillStep& step) {
    FillPlan plan;
    plan.matches.reserve(job.files.size());
    // The values already planned for a title: a second file of the title changes nothing more.
    std::unordered_map<std::string, std::array<bool, kCategoryListCount>> planned;
    for (std::size_t i = 0; i < job.files.size(); ++i) {
        const ListedFile file = job.files[i];
        if (step && !step(i, file.name)) {
            plan.cancelled = true;
            break;
        }
        const std::string path = job.pathOf(file);
        FillMatch match{file.name, MatchedBy::None, {}};
        const GameFacts* game = nullptr;
        if (const auto id =
                path.empty() ? std::nullopt : currentIdentity(cache, path, options.hashLimit)) {
            game = database.findByContents(id->size, id->crc);
            if (game) {
                match.by = MatchedBy::Crc;
            } else if (const auto rest = withoutHeader(database, path, id->size)) {
                game = database.findByContents(rest->first, rest->second);
                if (game) match.by = MatchedBy::CrcWithoutHeader;
            }
        }
        const std::string title = fs::pathTitle(file.name);
        if (!game && (game = database.findByTitle(title))) match.by = MatchedBy::Name;
        if (game) match.game = game->name;
        if (match.by == MatchedBy::None)
            ++plan.notFound;
        else if (match.by == MatchedBy::Name)
            ++plan.byName;
        else
            ++plan.byCrc;
        plan.matches.push_back(std::move(match));
        if (!game) continue;
        const int record = table.findRecordByTitle(title);
        auto slot = planned.try_emplace(title).first;
        for (int f = 0; f < kFillFieldCount; ++f) {
            const int list = options.lists[static_cast<std::size_t>(f)];
            if (list < 0 || list >= kCategoryListCount) continue;
            if (slot->second[static_cast<std::size_t>(list)]) continue;
            const FillField field = static_cast<FillField>(f);
            std::string value = fillValue(*game, field, options);
            if (value.empty()) continue;
            const std::string old = record >= 0 ? categoryField(table[record], list) : "";
            if (old == value || (!old.empty() && !options.overwrite)) continue;
            slot->second[static_cast<std::size_t>(list)] = true;
            plan.changes.push_back({file.name, title, record, field, list, old, std::move(value)});
        }
    }
    countFilledRecords(plan);
    return plan;
}

void countFilledRecords(FillPlan& plan) {
    std::set<std::string> titles;
    plan.records = plan.newRecords = 0;
    for (const FillChange& change : plan.changes)
        if (titles.insert(change.title).second) {
            ++plan.records;
            if (change.record < 0) ++plan.newRecords;
        }
}

std::optional<std::vector<std::string>> fillDatabaseFiles(Application& app,
                                                          const std::vector<std::string>& sources,
                                                          std::string& error) {
    const std::string& code = app.currentCode();
    if (code.empty()) {
        error = "機種が選ばれていません。";
        return std::nullopt;
    }
    // A place the user named that is not there is named back, not taken for an empty one.
    for (const std::string& source : sources)
        if (!fs::pathExists(source)) {
            error = "「" + source + "」が見つかりませんでした。";
            return std::nullopt;
        }
    std::vector<std::string> files = gameDatabaseFiles(
        code, sources.empty() ? retroArchDatabaseFolders() : sources, app.plusSettings());
    if (files.empty()) {
        error = "「" + app.displayName(code) + "」のデータベースファイルが見つかりませんでした。";
        return std::nullopt;
    }
    return files;
}

FillPlan planListedFill(Application& app, const GameDatabase& database,
                        const FillOptions& options) {
    app.showAll();
    IdentityJob job;
    job.hardware = app.currentCode();
    const auto& paths = app.folders().folders.romFolderPaths;
    job.romFolders.assign(paths.begin(), paths.end());
    for (const FileListRow& row : app.fileList().rows())
        if (row.folderNumber >= 0 && row.folderNumber < static_cast<int>(paths.size()) &&
            !paths[static_cast<std::size_t>(row.folderNumber)].empty())
            job.files.add(row.fileName(), row.folderNumber, row.recordIndex >= 0);
    Progress& progress = app.host().progress;
    const int total = static_cast<int>(job.files.size());
    progress.begin("データベースから情報を取得", total, kDoneOfTotal);
    FillPlan plan =
        planFill(database, job, app.romTable(), app.recordFollowing().cache(), options,
                 [&](std::size_t done, const std::string& file) {
                     progress.step(static_cast<int>(done), file + " を照合中…");
                     return !stopRequested(progress, app.prompter(), "情報の取得を中止しますか？");
                 });
    // The sums read from the files are kept for the next run.
    app.recordFollowing().flushKept();
    progress.step(total, "");
    progress.end();
    return plan;
}

std::optional<FillRun> applyFill(Application& app, const FillPlan& plan,
                                 const std::vector<bool>& keep, std::string& error) {
    FillRun run;
    run.plan = plan;
    run.plan.changes.clear();
    for (std::size_t i = 0; i < plan.changes.size(); ++i)
        if (keep.empty() || (i < keep.size() && keep[i]))
            run.plan.changes.push_back(plan.changes[i]);
    countFilledRecords(run.plan);
    if (run.plan.changes.empty()) return run;

    const std::optional<std::string> copy = copyRecordsAside(app, datedPurpose());
    if (!copy) {
        error = "今のファイル情報の控えを保存できませんでした。\n情報の取得を中止しました。";
        return std::nullopt;
    }
    run.backupPath = *copy;
    std::unordered_map<std::string, int> made;  // titles that got a record now
    std::array<std::set<std::string>, kCategoryListCount> values;
    for (const FillChange& change : run.plan.changes) {
        int index = change.record;
        if (index < 0) {
            auto [it, isNew] = made.try_emplace(change.title, -1);
            if (isNew) {
                RomRecord record;
                record.fileTitle = record.gameName = record.reading = change.title;
                it->second = app.addRecord(std::move(record));
                if (it->second < 0) ++run.withoutRoom;
            }
            index = it->second;
        }
        if (index < 0) continue;
        app.editRecord(index,
                       [&](RomRecord& r) { categoryField(r, change.list) = change.newValue; });
        values[static_cast<std::size_t>(change.list)].insert(change.newValue);
    }
    // New items in the order the organiser's sort gives, after the user's own.
    for (int list = 0; list < kCategoryListCount; ++list) {
        std::vector<std::string> added(values[static_cast<std::size_t>(list)].begin(),
                                       values[static_cast<std::size_t>(list)].end());
        std::stable_sort(added.begin(), added.end(),
                         [](const std::string& a, const std::string& b) {
                             return text::cp932Form(a) < text::cp932Form(b);
                         });
        for (const std::string& item : added) app.categoryCommands().addTypedItem(list, item);
    }
    run.written = app.categoryCommands().save();
    app.showAll();
    return run;
}

std::optional<FillRun> fillFromDatabases(Application& app, const std::vector<std::string>& sources,
                                         const FillOptions& options, bool dryRun,
                                         std::string& error) {
    const auto files = fillDatabaseFiles(app, sources, error);
    if (!files) return std::nullopt;
    const std::optional<GameDatabase> database = loadGameDatabase(*files, error);
    if (!database) return std::nullopt;
    FillPlan plan = planListedFill(app, *database, options);
    if (plan.cancelled) {
        error = "情報の取得を中止しました。";
        return std::nullopt;
    }
    if (dryRun) return FillRun{std::move(plan), false, {}, 0};
    return applyFill(app, plan, {}, error);
}

std::string fillSummary(const FillPlan& plan) {
    return "records filled " + std::to_string(plan.records) + " (new " +
           std::to_string(plan.newRecords) + ")\tfields filled " +
           std::to_string(plan.changes.size()) + "\tmatched by CRC " + std::to_string(plan.byCrc) +
           "\tby name " + std::to_string(plan.byName) + "\tnot found " +
           std::to_string(plan.notFound);
}

const GameFacts* knownGame(const GameDatabase& database, IdentityCache& cache,
                           const std::string& path, std::string_view fileName) {
    if (!path.empty())
        if (const auto cached = cachedIdentity(cache, path))
            if (const GameFacts* game = database.findByContents(cached->size, cached->crc))
                return game;
    return database.findByTitle(fs::pathTitle(fileName));
}

std::string databaseFactsText(const GameFacts& game) {
    std::string facts;
    if (game.releaseYear && *game.releaseYear > 0)
        facts += "発売年 : " + std::to_string(*game.releaseYear) + "\n";
    if (game.users && *game.users > 0) facts += "人数 : " + std::to_string(*game.users) + "人\n";
    if (facts.empty() && game.description.empty()) return {};
    std::string text = "ゲームデータベース : " + game.name + "\n" + facts;
    if (!game.description.empty()) text += "\n" + game.description;
    return text;
}

std::string fillReportText(const FillPlan& plan) {
    return "情報を入れたファイル情報: " + std::to_string(plan.records) + "件 (新規 " +
           std::to_string(plan.newRecords) +
           "件)\n入れた項目: " + std::to_string(plan.changes.size()) +
           "\nCRCで一致したファイル: " + std::to_string(plan.byCrc) +
           "\n名前で一致したファイル: " + std::to_string(plan.byName) +
           "\n見つからなかったファイル: " + std::to_string(plan.notFound);
}

}  // namespace romshelf
