#include "core/rename/DatFields.h"

#include <charconv>

#include "core/platform/FileSystem.h"
#include "core/rename/DatFile.h"

namespace romshelf {

namespace {

template <class T>
std::optional<T> numberOf(std::string_view text, int base = 10) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<int> smallNumber(std::string_view text) {
    const auto n = numberOf<int>(text);
    if (n && *n < 0) return std::nullopt;
    return n;
}

// The game's own fields; a later key of the same name is passed over, as the DAT reader does.
GameFacts factsOf(const DatTextBlock& game) {
    GameFacts facts;
    facts.name = game.value("comment");
    if (facts.name.empty()) facts.name = game.value("name");
    facts.description = game.value("description");
    facts.genre = game.value("genre");
    facts.developer = game.value("developer");
    facts.publisher = game.value("publisher");
    facts.franchise = game.value("franchise");
    facts.serial = game.value("serial");
    facts.releaseYear = smallNumber(game.value("releaseyear"));
    facts.releaseMonth = smallNumber(game.value("releasemonth"));
    facts.users = smallNumber(game.value("users"));
    return facts;
}

std::string_view valueIn(const DatTextBlock::Pairs& pairs, std::string_view key) {
    for (const auto& [k, v] : pairs)
        if (k == key) return v;
    return {};
}

}  // namespace

std::optional<std::vector<GameFacts>> parseFieldDat(std::string_view text, const std::string& shown,
                                                    std::string& error) {
    std::vector<GameFacts> games;
    // A ROM DAT in XML holds no game facts: say what is read instead of "no DAT".
    const std::size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (first != std::string_view::npos && text[first] == '<') {
        error = "DATファイル「" + shown +
                "」はXML形式です。ゲームの情報を読めるのは、clrmamepro形式の項目別DATファイル"
                "（genre、developer、releaseyear など）です。";
        return std::nullopt;
    }
    const bool read = forEachDatTextBlock(
        text, shown,
        [&](const DatTextBlock& block) {
            if (block.kind != "game" && block.kind != "machine") return;
            const GameFacts facts = factsOf(block);
            bool anyRom = false;
            for (const auto& [key, rom] : block.blocks) {
                if (key != "rom") continue;
                GameFacts entry = facts;
                entry.crc = numberOf<std::uint32_t>(valueIn(rom, "crc"), 16);
                if (valueIn(rom, "crc").size() != 8) entry.crc.reset();
                entry.size = numberOf<std::uint64_t>(valueIn(rom, "size"));
                entry.romName = valueIn(rom, "name");
                if (const std::string_view serial = valueIn(rom, "serial"); !serial.empty())
                    entry.serial = serial;
                anyRom = true;
                games.push_back(std::move(entry));
            }
            if (!anyRom) games.push_back(facts);
        },
        error);
    if (!read) return std::nullopt;
    return games;
}

std::optional<std::vector<GameFacts>> readFieldDat(const std::string& path, std::string& error) {
    const std::optional<std::string> bytes = readDatBytes(path, error);
    if (!bytes) return std::nullopt;
    return parseFieldDat(*bytes, fs::pathName(path), error);
}

}  // namespace romshelf
