#include "core/rename/DatImport.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <pugixml.hpp>
#include <string_view>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

bool isHex(std::string_view s) {
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

std::optional<std::uint32_t> parseCrc(std::string_view s) {
    if (s.size() != 8 || !isHex(s)) return std::nullopt;
    std::uint32_t value = 0;
    std::from_chars(s.data(), s.data() + s.size(), value, 16);
    return value;
}

// Sizes are kept in 32 bits: one of 4 GiB or more would wrap and match the wrong files (exactly
// 4 GiB every empty one), so it reads as no size.
std::optional<std::uint32_t> parseSize(std::string_view s) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() ||
        value > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// "dir\\sub/Game (Japan).nes" -> "Game (Japan)". DATs of disc sets use either separator.
std::string recordName(std::string_view romName) {
    const auto slash = romName.find_last_of("/\\");
    if (slash != std::string_view::npos) romName.remove_prefix(slash + 1);
    const auto dot = romName.rfind('.');
    if (dot != std::string_view::npos) romName = romName.substr(0, dot);
    return std::string(romName);
}

std::string lowerHex(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

void readRom(const pugi::xml_node& rom, DatImport& dat) {
    const std::string_view status = rom.attribute("status").as_string();
    const auto size = parseSize(rom.attribute("size").as_string());
    const auto crc = parseCrc(rom.attribute("crc").as_string());
    const std::string_view romName = rom.attribute("name").as_string();
    std::string name = recordName(romName);
    // What is left after the folders may still be no file title (".", "..", a control character).
    if (status == "nodump" || !size || !crc || !isUsableRenameTitle(name)) {
        ++dat.skipped;
        // A rom known not to be dumped is left out as expected; any other is named.
        if (status != "nodump" && !romName.empty()) dat.skippedNames.emplace_back(romName);
        return;
    }
    RenameRecord record;
    record.name = std::move(name);
    record.identity.size = static_cast<std::int32_t>(*size);
    record.identity.crc = static_cast<std::int32_t>(*crc);
    record.identity.sum1 = record.identity.sum2 = record.identity.sum3 = kUnknownProbeSum;
    const std::string_view sha1 = rom.attribute("sha1").as_string();
    if (sha1.size() == 40 && isHex(sha1)) record.sha1 = lowerHex(sha1);
    dat.records.push_back(std::move(record));
}

}  // namespace

std::string skippedRomNamesText(const DatImport& dat, std::size_t shown) {
    if (dat.skippedNames.empty()) return {};
    std::string text = "\n除いたROM : ";
    for (std::size_t i = 0; i < dat.skippedNames.size() && i < shown; ++i)
        text += (i > 0 ? "、" : "") + dat.skippedNames[i];
    if (dat.skippedNames.size() > shown)
        text += " ほか " + std::to_string(dat.skippedNames.size() - shown) + " 件";
    return text;
}

std::optional<DatImport> readLogiqxDat(const std::string& path, std::string& error) {
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

    // The parser never recurses and never expands entities of its own; the DOCTYPE is kept so
    // that a file declaring entities (entity bombs, external entities) can be refused whole.
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer_inplace(
        bytes->data(), bytes->size(), pugi::parse_default | pugi::parse_doctype);
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

    DatImport dat;
    dat.datName = root.child("header").child_value("name");
    for (const pugi::xml_node& game : root.children()) {
        const std::string_view kind = game.name();
        if (kind != "game" && kind != "machine") continue;
        for (const pugi::xml_node& rom : game.children("rom")) readRom(rom, dat);
    }
    return dat;
}

}  // namespace romshelf
