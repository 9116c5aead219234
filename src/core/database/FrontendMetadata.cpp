#include "core/database/FrontendMetadata.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <pugixml.hpp>

#include "core/platform/AsciiCase.h"

namespace romshelf {

namespace {

std::optional<double> number(std::string_view s) {
    s = ascii::trimmed(s);
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A share of the best (0-1) as stars, rounded; nothing outside that range.
std::optional<int> starsOf(double share) {
    if (share < 0 || share > 1) return std::nullopt;
    return static_cast<int>(std::lround(share * 5));
}

}  // namespace

FrontendFormat detectFrontendFormat(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes[first] == '<' ? FrontendFormat::EsDe
                                                                  : FrontendFormat::Pegasus;
}

std::optional<std::vector<FrontendGame>> readEsdeGamelist(std::string bytes, std::string& error) {
    pugi::xml_document doc;
    const auto parsed = doc.load_buffer_inplace(bytes.data(), bytes.size(),
                                                pugi::parse_default | pugi::parse_doctype);
    if (!parsed) {
        error = "gamelist.xmlをXMLとして読み取れませんでした。";
        return std::nullopt;
    }
    for (const pugi::xml_node& node : doc.children())
        if (node.type() == pugi::node_doctype && std::strstr(node.value(), "<!ENTITY")) {
            error = "gamelist.xmlはエンティティを宣言しているため、安全のため読み込みません。";
            return std::nullopt;
        }
    const pugi::xml_node root = doc.child("gameList");
    if (!root) {
        error = "gamelist.xmlの形式 (<gameList>) ではありません。";
        return std::nullopt;
    }
    std::vector<FrontendGame> games;
    for (const pugi::xml_node& g : root.children("game")) {
        FrontendGame game;
        if (const std::string_view path = ascii::trimmed(g.child_value("path")); !path.empty())
            game.paths.emplace_back(path);
        game.name = ascii::trimmed(g.child_value("name"));
        game.description = g.child_value("desc");
        game.genre = ascii::trimmed(g.child_value("genre"));
        if (const auto r = number(g.child_value("rating"))) game.stars = starsOf(*r);
        if (const std::string f = ascii::lower(ascii::trimmed(g.child_value("favorite")));
            !f.empty())
            game.favourite = f == "true" || f == "1";
        if (const auto n = number(g.child_value("playcount")); n && *n >= 0 && *n < 1e9)
            game.playCount = static_cast<int>(*n);
        game.lastPlayed = ascii::trimmed(g.child_value("lastplayed"));
        games.push_back(std::move(game));
    }
    return games;
}

std::optional<std::vector<FrontendGame>> readPegasusMetadata(std::string_view text,
                                                             std::string& error) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<FrontendGame> games;
    bool sawKey = false;
    std::string key;                  // the key whose value the indented lines go on with
    std::vector<std::string> values;  // its first line and the lines after
    auto flush = [&] {
        if (key.empty()) return;
        FrontendGame* game = games.empty() ? nullptr : &games.back();
        // A value's lines: joined with spaces, a lone dot as a line break.
        std::string joined;
        for (const std::string& v : values) {
            if (v == ".") {
                joined += "\n";
            } else if (!v.empty()) {
                if (!joined.empty() && joined.back() != '\n') joined += ' ';
                joined += v;
            }
        }
        if (game) {
            if (key == "file" || key == "files") {
                for (const std::string& v : values)
                    if (!v.empty()) game->paths.push_back(v);
            } else if (key == "description" || key == "desc") {
                game->description = joined;
            } else if (key == "genre" || key == "genres") {
                // The first of a list is the category.
                game->genre = std::string(ascii::trimmed(joined.substr(0, joined.find(','))));
            } else if (key == "rating") {
                std::string_view r = ascii::trimmed(joined);
                const bool percent = r.ends_with('%');
                if (percent) r.remove_suffix(1);
                if (const auto v = number(r)) game->stars = starsOf(percent ? *v / 100 : *v);
            } else if (key == "x-favorite" || key == "favorite") {
                game->favourite = ascii::lower(joined) == "true" || joined == "1";
            }
        }
        key.clear();
        values.clear();
    };
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (ascii::trimmed(line).empty() || line.front() == '#') continue;
        if (line.front() == ' ' || line.front() == '\t') {
            if (!key.empty()) values.emplace_back(ascii::trimmed(line));
            continue;
        }
        flush();
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            error = "Pegasusのメタデータファイルとして読み取れない行があります : " +
                    std::string(line.substr(0, 80));
            return std::nullopt;
        }
        sawKey = true;
        key = ascii::lower(ascii::trimmed(line.substr(0, colon)));
        const std::string_view value = ascii::trimmed(line.substr(colon + 1));
        if (key == "game") {
            games.emplace_back();
            games.back().name = value;
            key.clear();
            continue;
        }
        values.emplace_back(value);
    }
    flush();
    if (!sawKey) {
        error = "Pegasusのメタデータファイル (metadata.pegasus.txt) ではありません。";
        return std::nullopt;
    }
    return games;
}

}  // namespace romshelf
