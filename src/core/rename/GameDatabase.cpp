#include "core/rename/GameDatabase.h"

#include "core/platform/FileSystem.h"
#include "core/rename/DatFields.h"
#include "core/rename/RetroArchDb.h"
#include "core/text/TextCodec.h"

namespace romshelf {

namespace {

// What was empty in `into` takes `from`'s value.
void fillEmpty(GameFacts& into, const GameFacts& from) {
    for (auto [a, b] : {std::pair{&into.name, &from.name},
                        {&into.romName, &from.romName},
                        {&into.description, &from.description},
                        {&into.genre, &from.genre},
                        {&into.developer, &from.developer},
                        {&into.publisher, &from.publisher},
                        {&into.franchise, &from.franchise},
                        {&into.serial, &from.serial}})
        if (a->empty()) *a = *b;
    if (!into.size) into.size = from.size;
    if (!into.crc) into.crc = from.crc;
    if (!into.releaseYear) into.releaseYear = from.releaseYear;
    if (!into.releaseMonth) into.releaseMonth = from.releaseMonth;
    if (!into.users) into.users = from.users;
}

bool isRdb(const std::string& path) {
    const std::string name = fs::pathName(path);
    return name.size() > 4 && text::toUpper(name.substr(name.size() - 4)) == ".RDB";
}

}  // namespace

std::optional<std::size_t> GameDatabase::sameGame(const GameFacts& game) const {
    if (game.crc) {
        const auto [from, to] = byCrc_.equal_range(*game.crc);
        for (auto it = from; it != to; ++it) {
            const GameFacts& known = games_[it->second];
            if (!game.size || !known.size || *game.size == *known.size) return it->second;
        }
        return std::nullopt;
    }
    if (!game.serial.empty())
        if (const auto it = bySerial_.find(game.serial); it != bySerial_.end()) return it->second;
    if (!game.name.empty())
        if (const auto it = byTitle_.find(game.name); it != byTitle_.end()) return it->second;
    return std::nullopt;
}

void GameDatabase::index(std::size_t i) {
    const GameFacts& game = games_[i];
    if (game.crc) byCrc_.emplace(*game.crc, i);
    if (game.crc && game.size) sizes_.insert(*game.size);
    if (game.crc && !game.size) anyWithoutSize_ = true;
    if (!game.serial.empty()) bySerial_.try_emplace(game.serial, i);
    if (!game.name.empty()) byTitle_.try_emplace(game.name, i);
    if (!game.romName.empty()) byTitle_.try_emplace(fs::pathTitle(game.romName), i);
}

void GameDatabase::add(std::vector<GameFacts> games) {
    for (GameFacts& game : games) {
        if (const auto same = sameGame(game)) {
            fillEmpty(games_[*same], game);
            index(*same);
            continue;
        }
        games_.push_back(std::move(game));
        index(games_.size() - 1);
    }
}

const GameFacts* GameDatabase::findByContents(std::uint64_t size, std::uint32_t crc) const {
    const auto [from, to] = byCrc_.equal_range(crc);
    for (auto it = from; it != to; ++it)
        if (const GameFacts& game = games_[it->second]; !game.size || *game.size == size)
            return &game;
    return nullptr;
}

const GameFacts* GameDatabase::findByTitle(std::string_view title) const {
    const auto it = byTitle_.find(std::string(title));
    return it == byTitle_.end() ? nullptr : &games_[it->second];
}

std::optional<GameDatabase> loadGameDatabase(const std::vector<std::string>& files,
                                             std::string& error) {
    GameDatabase database;
    for (const std::string& file : files) {
        auto games = isRdb(file) ? readRetroArchDb(file, error) : readFieldDat(file, error);
        if (!games) return std::nullopt;
        database.add(std::move(*games));
    }
    return database;
}

}  // namespace romshelf
