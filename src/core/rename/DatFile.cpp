#include "core/rename/DatFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

bool isHex(std::string_view s) {
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

std::string lowerHexOf(std::string_view s, std::size_t digits) {
    if (s.size() != digits || !isHex(s)) return {};
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::optional<std::uint32_t> parseCrc(std::string_view s) {
    if (s.size() != 8 || !isHex(s)) return std::nullopt;
    std::uint32_t value = 0;
    std::from_chars(s.data(), s.data() + s.size(), value, 16);
    return value;
}

std::optional<std::uint64_t> parseSize(std::string_view s) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

// The fields of one rom entry, whichever format named them.
DatRom romOf(std::string game, std::string_view name, std::string_view size, std::string_view crc,
             std::string_view md5, std::string_view sha1, std::string_view status) {
    DatRom rom;
    rom.game = std::move(game);
    rom.name = name;
    rom.size = parseSize(size);
    rom.crc = parseCrc(crc);
    rom.md5 = lowerHexOf(md5, 32);
    rom.sha1 = lowerHexOf(sha1, 40);
    rom.nodump = status == "nodump";
    return rom;
}

DatMerging mergingOf(std::string_view word) {
    if (word == "full" || word == "merged") return DatMerging::Full;
    if (word == "none" || word == "nonmerged" || word == "unmerged") return DatMerging::None;
    return DatMerging::Split;
}

// A game once per name: a DAT that lists one twice keeps the first.
void addGame(DatFile& dat, std::unordered_set<std::string>& seen, DatGame game) {
    if (seen.insert(game.name).second) dat.games.push_back(std::move(game));
}

void setSkipper(DatFile& dat, std::string skipper) {
    dat.skipper = std::move(skipper);
    dat.header = headerKindOfSkipper(dat.skipper);
}

std::string notADat(const std::string& shown) {
    return "DATファイル「" + shown +
           "」は読み取れませんでした。\n読めるのはLogiqx XML形式とclrmamepro形式のDATファイルです。";
}

std::optional<DatFile> parseXml(std::string& bytes, const std::string& shown, std::string& error) {
    // The parser never recurses and never expands entities of its own; the DOCTYPE is kept so
    // that a file declaring entities (entity bombs, external entities) can be refused whole.
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer_inplace(
        bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_doctype);
    if (!parsed) {
        error = "DATファイル「" + shown + "」はXMLとして読み取れませんでした。";
        return std::nullopt;
    }
    for (const pugi::xml_node& node : doc.children()) {
        if (node.type() == pugi::node_doctype && std::strstr(node.value(), "<!ENTITY")) {
            error = "DATファイル「" + shown +
                    "」はエンティティを宣言しているため、安全のため読み込みません。";
            return std::nullopt;
        }
    }
    const pugi::xml_node root = doc.document_element();
    const std::string_view rootName = root.name();
    if (rootName != "datafile" && rootName != "mame") {
        error = "DATファイル「" + shown + "」はLogiqx形式のDATファイルではありません。";
        return std::nullopt;
    }
    DatFile dat;
    const pugi::xml_node header = root.child("header");
    dat.name = header.child_value("name");
    dat.version = header.child_value("version");
    setSkipper(dat, header.child("clrmamepro").attribute("header").as_string());
    dat.merging = mergingOf(header.child("clrmamepro").attribute("forcemerging").as_string());
    std::unordered_set<std::string> seen;
    for (const pugi::xml_node& game : root.children()) {
        const std::string_view kind = game.name();
        if (kind != "game" && kind != "machine") continue;
        const std::string gameName = game.attribute("name").as_string();
        addGame(dat, seen,
                {gameName, game.child_value("description"), game.attribute("cloneof").as_string(),
                 game.attribute("romof").as_string()});
        for (const pugi::xml_node& rom : game.children("rom")) {
            dat.roms.push_back(romOf(
                gameName, rom.attribute("name").as_string(), rom.attribute("size").as_string(),
                rom.attribute("crc").as_string(), rom.attribute("md5").as_string(),
                rom.attribute("sha1").as_string(), rom.attribute("status").as_string()));
            dat.roms.back().merge = rom.attribute("merge").as_string();
        }
    }
    return dat;
}

// The clrmamepro text format: words, "quoted strings" and parentheses.
class Tokens {
public:
    explicit Tokens(std::string_view text) : text_(text) {}
    // The next token; nullopt at the end. `paren` for '(' and ')'.
    struct Token {
        std::string text;
        bool paren = false;
    };
    std::optional<Token> next() {
        while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
        if (pos_ >= text_.size()) return std::nullopt;
        const char c = text_[pos_];
        if (c == '(' || c == ')') {
            ++pos_;
            return Token{std::string(1, c), true};
        }
        std::string word;
        if (c == '"') {
            // To the closing quote; a quote cannot be inside (none of these DATs escapes one).
            const std::size_t end = text_.find('"', pos_ + 1);
            if (end == std::string_view::npos) {
                broken_ = true;
                pos_ = text_.size();
                return std::nullopt;
            }
            word = text_.substr(pos_ + 1, end - pos_ - 1);
            pos_ = end + 1;
            return Token{std::move(word), false};
        }
        const std::size_t start = pos_;
        // A word ends at a blank, a parenthesis or a quote; any other byte (a NUL too) is part
        // of it, so that every token moves on.
        while (pos_ < text_.size() && !isBlank(text_[pos_]) && text_[pos_] != '(' &&
               text_[pos_] != ')' && text_[pos_] != '"')
            ++pos_;
        return Token{std::string(text_.substr(start, pos_ - start)), false};
    }
    bool broken() const { return broken_; }

private:
    static bool isBlank(char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    bool broken_ = false;
};

// One block's key-value pairs; a nested block's value is its own pairs. Two levels deep at most
// (game ( rom ( … ) )): deeper nesting is no DAT of this kind.
struct Block {
    std::vector<std::pair<std::string, std::string>> values;
    // The nested blocks and their keys, side by side (a pair cannot hold the type being made).
    std::vector<std::string> blockKeys;
    std::vector<Block> blocks;
    std::string_view value(std::string_view key) const {
        for (const auto& [k, v] : values)
            if (k == key) return v;
        return {};
    }
};

bool readBlock(Tokens& tokens, Block& block, int depth) {
    for (;;) {
        auto key = tokens.next();
        if (!key) return false;  // the block never closed
        if (key->paren) return key->text == ")";
        auto value = tokens.next();
        if (!value) return false;
        if (value->paren && value->text == "(") {
            if (depth >= 2) return false;
            Block inner;
            if (!readBlock(tokens, inner, depth + 1)) return false;
            block.blockKeys.push_back(std::move(key->text));
            block.blocks.push_back(std::move(inner));
        } else if (value->paren) {
            return false;
        } else {
            block.values.emplace_back(std::move(key->text), std::move(value->text));
        }
    }
}

// The first value of `key` among `pairs`; empty when there is none.
std::string_view valueOf(const DatTextBlock::Pairs& pairs, std::string_view key) {
    for (const auto& [k, v] : pairs)
        if (k == key) return v;
    return {};
}

std::optional<DatFile> parseText(std::string_view text, const std::string& shown,
                                 std::string& error) {
    DatFile dat;
    std::unordered_set<std::string> seen;
    bool sawHeader = false, sawGame = false;
    const bool read = forEachDatTextBlock(
        text, shown,
        [&](const DatTextBlock& block) {
            if (block.kind == "clrmamepro") {
                sawHeader = true;
                dat.name = block.value("name");
                dat.version = block.value("version");
                setSkipper(dat, std::string(block.value("header")));
                dat.merging = mergingOf(block.value("forcemerging"));
            } else if (block.kind == "game" || block.kind == "machine" ||
                       block.kind == "resource") {
                sawGame = true;
                const std::string game(block.value("name"));
                addGame(dat, seen,
                        {game, std::string(block.value("description")),
                         std::string(block.value("cloneof")), std::string(block.value("romof"))});
                for (const auto& [key, rom] : block.blocks) {
                    if (key != "rom") continue;
                    const std::string_view status = valueOf(rom, "status");
                    dat.roms.push_back(romOf(game, valueOf(rom, "name"), valueOf(rom, "size"),
                                             valueOf(rom, "crc"), valueOf(rom, "md5"),
                                             valueOf(rom, "sha1"),
                                             status.empty() ? valueOf(rom, "flags") : status));
                    dat.roms.back().merge = valueOf(rom, "merge");
                }
            }
        },
        error);
    if (!read) return std::nullopt;
    if (!sawHeader && !sawGame) {
        error = notADat(shown);
        return std::nullopt;
    }
    return dat;
}

}  // namespace

std::string_view DatTextBlock::value(std::string_view key) const { return valueOf(values, key); }

bool forEachDatTextBlock(std::string_view text, const std::string& shown,
                         const std::function<void(const DatTextBlock&)>& each, std::string& error) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    Tokens tokens(text);
    while (auto kind = tokens.next()) {
        const auto open = tokens.next();
        Block block;
        if (kind->paren || !open || !open->paren || open->text != "(" ||
            !readBlock(tokens, block, 1)) {
            error = notADat(shown);
            return false;
        }
        DatTextBlock out;
        out.kind = std::move(kind->text);
        out.values = std::move(block.values);
        for (std::size_t b = 0; b < block.blocks.size(); ++b)
            out.blocks.emplace_back(std::move(block.blockKeys[b]),
                                    std::move(block.blocks[b].values));
        each(out);
    }
    if (tokens.broken()) {
        error = notADat(shown);
        return false;
    }
    return true;
}

std::optional<DatFile> parseDat(std::string bytes, const std::string& shown, std::string& error) {
    std::size_t start = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (start < bytes.size() && std::strchr(" \t\r\n", bytes[start]) && bytes[start]) ++start;
    if (start < bytes.size() && bytes[start] == '<') return parseXml(bytes, shown, error);
    return parseText(std::string_view(bytes).substr(start), shown, error);
}

std::optional<std::string> readDatBytes(const std::string& path, std::string& error) {
    const std::string shown = fs::pathName(path);
    // Checked before reading, so a FIFO is never opened and a huge file never loaded.
    if (!fs::fileExists(path)) {
        error = "DATファイル「" + shown + "」を開けませんでした。";
        return std::nullopt;
    }
    if (const auto size = fs::fileSize(path); size && *size > kDatSizeLimit) {
        error = "DATファイル「" + shown + "」は大きすぎるため読み込めません（512MBまで）。";
        return std::nullopt;
    }
    std::optional<std::string> bytes = fs::readFile(path, kDatSizeLimit);
    if (!bytes) {
        error = "DATファイル「" + shown + "」を読み込めませんでした。";
        return std::nullopt;
    }
    return bytes;
}

std::optional<DatFile> readDatFile(const std::string& path, std::string& error) {
    std::optional<std::string> bytes = readDatBytes(path, error);
    if (!bytes) return std::nullopt;
    return parseDat(std::move(*bytes), fs::pathName(path), error);
}

std::size_t romsWithoutSize(const std::vector<DatRom>& roms) {
    return static_cast<std::size_t>(
        std::count_if(roms.begin(), roms.end(), [](const DatRom& r) { return !r.size; }));
}

std::string writeLogiqxDat(const LogiqxHeader& header, const std::vector<DatRom>& roms) {
    // A DAT that lists a game twice, or a rom twice in a game, gives it once: grouped by game
    // name in first-seen order, each rom once by name and CRC.
    std::vector<std::string> order;
    std::unordered_map<std::string, std::vector<const DatRom*>> byGame;
    std::set<std::tuple<std::string_view, std::string_view, std::optional<std::uint32_t>>> seen;
    for (const DatRom& rom : roms) {
        if (!rom.size) continue;
        if (!seen.emplace(rom.game, rom.name, rom.crc).second) continue;
        auto [it, isNew] = byGame.try_emplace(rom.game);
        if (isNew) order.push_back(rom.game);
        it->second.push_back(&rom);
    }
    pugi::xml_document doc;
    auto decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    doc.append_child(pugi::node_doctype)
        .set_value(
            "datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
            "\"http://www.logiqx.com/Dats/datafile.dtd\"");
    pugi::xml_node root = doc.append_child("datafile");
    pugi::xml_node head = root.append_child("header");
    // The DTD's order: name, description, version, date, author, then the clrmamepro element.
    head.append_child("name").text() = header.name.c_str();
    head.append_child("description").text() =
        (header.description.empty() ? header.name : header.description).c_str();
    head.append_child("version").text() = header.version.c_str();
    if (!header.date.empty()) head.append_child("date").text() = header.date.c_str();
    head.append_child("author").text() = header.author.c_str();
    if (!header.skipper.empty())
        head.append_child("clrmamepro").append_attribute("header") = header.skipper.c_str();
    for (const std::string& name : order) {
        pugi::xml_node game = root.append_child("game");
        game.append_attribute("name") = name.c_str();
        game.append_child("description").text() = name.c_str();
        for (const DatRom* rom : byGame[name]) {
            pugi::xml_node r = game.append_child("rom");
            r.append_attribute("name") = rom->name.c_str();
            r.append_attribute("size") = std::to_string(*rom->size).c_str();
            if (rom->crc) {
                char crc[9];
                std::snprintf(crc, sizeof crc, "%08x", *rom->crc);
                r.append_attribute("crc") = crc;
            }
            // The DTD's attribute order: sha1 before md5.
            if (!rom->sha1.empty()) r.append_attribute("sha1") = rom->sha1.c_str();
            if (!rom->md5.empty()) r.append_attribute("md5") = rom->md5.c_str();
            if (rom->nodump) r.append_attribute("status") = "nodump";
        }
    }
    std::ostringstream out;
    doc.save(out, "\t", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

}  // namespace romshelf
