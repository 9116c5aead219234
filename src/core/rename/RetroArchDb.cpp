#include "core/rename/RetroArchDb.h"

#include <climits>
#include <cstring>
#include <exception>
#include <msgpack.hpp>
#include <string_view>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr std::string_view kMagic{"RARCHDB\0", 8};
constexpr std::size_t kHeaderSize = 16;

// What one game or the metadata may hold. A real game has some thirty keys, texts of a few
// hundred bytes and sums of 20 bytes, never a nested container: anything beyond is refused
// while its header is read, before the parser allocates for what the header claims.
msgpack::unpack_limit limits() {
    return msgpack::unpack_limit(/*array=*/0, /*map=*/256, /*str=*/64 * 1024, /*bin=*/1024,
                                 /*ext=*/0, /*depth=*/1);
}

std::string prefix(const std::string& shown) { return "データベースファイル「" + shown + "」"; }

struct Refusal {
    std::string why;
};

std::string_view keyOf(const msgpack::object& key) {
    if (key.type != msgpack::type::STR) throw Refusal{"に文字列でないキーがあります。"};
    return {key.via.str.ptr, key.via.str.size};
}

std::string textOf(const msgpack::object& value, std::string_view key) {
    // Some converters write the serial as binary: its bytes are the same text.
    if (value.type == msgpack::type::STR) return std::string(value.via.str.ptr, value.via.str.size);
    if (value.type == msgpack::type::BIN) return std::string(value.via.bin.ptr, value.via.bin.size);
    throw Refusal{"の「" + std::string(key) + "」が文字列ではありません。"};
}

std::uint64_t unsignedOf(const msgpack::object& value, std::string_view key) {
    if (value.type != msgpack::type::POSITIVE_INTEGER)
        throw Refusal{"の「" + std::string(key) + "」が0以上の整数ではありません。"};
    return value.via.u64;
}

int smallOf(const msgpack::object& value, std::string_view key) {
    const std::uint64_t n = unsignedOf(value, key);
    if (n > static_cast<std::uint64_t>(INT_MAX))
        throw Refusal{"の「" + std::string(key) + "」が大きすぎます。"};
    return static_cast<int>(n);
}

void binaryOf(const msgpack::object& value, std::string_view key, std::size_t length) {
    if (value.type != msgpack::type::BIN || value.via.bin.size != length)
        throw Refusal{"の「" + std::string(key) + "」が" + std::to_string(length) +
                      "バイトのバイナリではありません。"};
}

GameFacts gameOf(const msgpack::object& map) {
    GameFacts game;
    for (std::uint32_t i = 0; i < map.via.map.size; ++i) {
        const std::string_view key = keyOf(map.via.map.ptr[i].key);
        const msgpack::object& value = map.via.map.ptr[i].val;
        if (key == "name")
            game.name = textOf(value, key);
        else if (key == "rom_name")
            game.romName = textOf(value, key);
        else if (key == "description")
            game.description = textOf(value, key);
        else if (key == "genre")
            game.genre = textOf(value, key);
        else if (key == "developer")
            game.developer = textOf(value, key);
        else if (key == "publisher")
            game.publisher = textOf(value, key);
        else if (key == "franchise")
            game.franchise = textOf(value, key);
        else if (key == "serial")
            game.serial = textOf(value, key);
        else if (key == "size")
            game.size = unsignedOf(value, key);
        else if (key == "users")
            game.users = smallOf(value, key);
        else if (key == "releaseyear")
            game.releaseYear = smallOf(value, key);
        else if (key == "releasemonth")
            game.releaseMonth = smallOf(value, key);
        else if (key == "crc") {
            binaryOf(value, key, 4);
            const auto* b = reinterpret_cast<const unsigned char*>(value.via.bin.ptr);
            game.crc = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                       (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]};
        } else if (key == "md5")
            binaryOf(value, key, 16);
        else if (key == "sha1")
            binaryOf(value, key, 20);
        // Other keys (ratings, the hardware a game uses, …) tell this program nothing.
    }
    return game;
}

msgpack::object_handle unpackAt(std::string_view bytes, std::size_t& offset) {
    return msgpack::unpack(bytes.data(), bytes.size(), offset, nullptr, nullptr, limits());
}

}  // namespace

std::optional<std::vector<GameFacts>> parseRetroArchDb(std::string_view bytes,
                                                       const std::string& shown,
                                                       std::string& error) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, kMagic.size()) != kMagic) {
        error = prefix(shown) + "はRetroArchのデータベースファイルではありません。";
        return std::nullopt;
    }
    std::uint64_t metadataAt = 0;
    for (std::size_t i = 8; i < kHeaderSize; ++i)
        metadataAt = (metadataAt << 8) | static_cast<unsigned char>(bytes[i]);
    if (metadataAt < kHeaderSize || metadataAt >= bytes.size()) {
        error = prefix(shown) + "の情報の位置がファイルの外を指しています。";
        return std::nullopt;
    }
    std::vector<GameFacts> games;
    std::size_t offset = kHeaderSize;
    try {
        // The games up to the nil; each unpack moves on by at least one byte.
        for (;;) {
            if (offset >= metadataAt) throw Refusal{"のゲームの並びが情報の位置を越えています。"};
            const msgpack::object_handle handle = unpackAt(bytes, offset);
            const msgpack::object& object = handle.get();
            if (object.type == msgpack::type::NIL) break;
            if (object.type != msgpack::type::MAP)
                throw Refusal{"の" + std::to_string(games.size() + 1) +
                              "件目のゲームがマップではありません。"};
            games.push_back(gameOf(object));
        }
        if (offset != metadataAt) throw Refusal{"の情報の位置がゲームの並びの終わりと合いません。"};
        const msgpack::object_handle handle = unpackAt(bytes, offset);
        const msgpack::object& metadata = handle.get();
        if (metadata.type != msgpack::type::MAP) throw Refusal{"の情報がマップではありません。"};
        std::optional<std::uint64_t> count;
        for (std::uint32_t i = 0; i < metadata.via.map.size; ++i)
            if (keyOf(metadata.via.map.ptr[i].key) == "count")
                count = unsignedOf(metadata.via.map.ptr[i].val, "count");
        if (!count) throw Refusal{"の情報にゲームの件数がありません。"};
        if (*count != games.size())
            throw Refusal{"の情報のゲームの件数 (" + std::to_string(*count) + ") が実際の件数 (" +
                          std::to_string(games.size()) + ") と合いません。"};
    } catch (const Refusal& refusal) {
        error = prefix(shown) + refusal.why;
        return std::nullopt;
    } catch (const msgpack::insufficient_bytes&) {
        error = prefix(shown) + "は途中で切れています。";
        return std::nullopt;
    } catch (const msgpack::size_overflow&) {
        error = prefix(shown) + "に本物のデータベースにはない大きさの値があります。";
        return std::nullopt;
    } catch (const std::exception&) {
        error = prefix(shown) + "はMessagePackとして読み取れませんでした。";
        return std::nullopt;
    }
    return games;
}

std::optional<std::vector<GameFacts>> readRetroArchDb(const std::string& path, std::string& error) {
    const std::string shown = fs::pathName(path);
    // Checked before reading, so a FIFO is never opened and a huge file never loaded.
    if (!fs::fileExists(path)) {
        error = prefix(shown) + "を開けませんでした。";
        return std::nullopt;
    }
    if (const auto size = fs::fileSize(path); size && *size > kRetroArchDbSizeLimit) {
        error = prefix(shown) + "は大きすぎるため読み込めません（256MBまで）。";
        return std::nullopt;
    }
    const std::optional<std::string> bytes = fs::readFile(path, kRetroArchDbSizeLimit);
    if (!bytes) {
        error = prefix(shown) + "を読み込めませんでした。";
        return std::nullopt;
    }
    return parseRetroArchDb(*bytes, shown, error);
}

}  // namespace romshelf
