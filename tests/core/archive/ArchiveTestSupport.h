#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <strings.h>
#include <sys/wait.h>
#include <zlib.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "RawBytes.h"

// The archive and LZH tests' helpers: the real archivers and libarchive as independent peers,
// ZIP and LZH members built byte by byte for what our writers and other tools would not make.
namespace romshelf::test {

using Names = std::vector<std::string>;

// One word for /bin/sh, whatever the text holds.
inline std::string shellQuote(std::string_view text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The command's standard output; nullopt when it failed.
inline std::optional<std::string> runShell(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::optional(output) : std::nullopt;
}

enum class Packer { Zip, SevenZip, SevenZipNonSolid, Cab };
// Packs `names` (relative to `folder`, in that order) into `folder` + `archive` with the real tool.
inline bool packWithTool(Packer packer, const std::string& folder, const std::string& archive,
                         const Names& names) {
    static const char* const tools[] = {"zip -q -X -y", "7z a -bd -y", "7z a -bd -y -ms=off",
                                        "gcab -c -n -z"};
    std::string command = "cd " + shellQuote(folder) + " && " + tools[static_cast<int>(packer)] +
                          " " + shellQuote(archive);
    for (const std::string& name : names) command += " " + shellQuote(name);
    return runShell(command + " >/dev/null").has_value();
}

// What an independent tool (lha for an extension "lzh" in any case, else 7z) reads in an
// archive: its member names one a line in archive order, and one member's bytes.
inline std::string peerNames(const std::string& archive) {
    return runShell("7z l -slt -ba " + shellQuote(archive) + " | sed -n 's/^Path = //p'")
        .value_or("");
}
inline std::string peerMember(const std::string& archive, const std::string& member) {
    const bool lzh = ::strcasecmp(std::filesystem::path(archive).extension().c_str(), ".lzh") == 0;
    const std::string tool = lzh ? "lha pq " : "7z x -so ";
    return runShell(tool + shellQuote(archive) + " " + shellQuote(member)).value_or("");
}
// `lha t`: true when exactly `members` members test good.
inline bool lhaTests(const std::string& archive, int members) {
    const std::string out = runShell("lha t " + shellQuote(archive)).value_or("");
    int tested = 0;
    for (std::size_t at = 0; (at = out.find("- Tested", at)) != std::string::npos; ++at) ++tested;
    return tested == members;
}

// Names in a folder, sorted (hidden ones included).
inline Names folderEntries(const std::string& folder) {
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Deterministic noise, each byte masked with `mask` (0xFF does not compress at all).
inline std::string romBytes(std::size_t size, unsigned seed = 1, unsigned mask = 0x3F) {
    std::string out(size, '\0');
    std::uint32_t x = 2463534242u ^ (seed * 0x9E3779B9u);
    for (char& c : out)
        x ^= x << 13, x ^= x >> 17, x ^= x << 5, c = static_cast<char>(x >> 8 & mask);
    return out;
}

// Words and numbers: compresses well, so compression levels make a visible difference.
inline std::string textLike(std::size_t size, unsigned seed = 1) {
    static const char* const words[] = {"mario", "zelda",   "ROM",   "header",    "bank", "sprite",
                                        "tile",  "palette", "sound", "the",       "of",   "and",
                                        "0x",    "NES",     "SNES",  "cartridge", "\n",   ", "};
    std::string out;
    for (std::uint32_t x = seed * 2654435761u + 12345; out.size() < size;) {
        x = x * 1103515245 + 12345;
        out += words[(x >> 16) % std::size(words)];
        out += (x >> 8) % 4 == 0 ? std::to_string((x >> 4) % 1000) : " ";
    }
    out.resize(size);
    return out;
}

// Text, runs, noise and copies from far back (beyond the smaller dictionaries): like a ROM.
inline std::string mixed(std::size_t size, std::uint32_t seed) {
    std::string out;
    for (unsigned i = seed; out.size() < size; i = i * 1103515245 + 12345) {
        out += textLike(1000 + (i >> 8) % 5000, i);
        out.append(300 + (i >> 12) % 3000, static_cast<char>(i >> 20));
        out += romBytes(200 + (i >> 16) % 2000, i, (i >> 24) % 2 ? 0xFF : 0x3F);
        if (out.size() > 70000)  // a copy from beyond the lh6 dictionary
            out += out.substr((i >> 4) % (out.size() - 70000), 500 + (i >> 10) % 4000);
    }
    out.resize(size);
    return out;
}

// No two-byte string occurs twice (up to 65,280 bytes), so an LZ coder emits one literal a byte:
// a a+1 a a+2 ... a 255, then the same from a+1.
inline std::string noRepeatedPairs(std::size_t size) {
    std::string out;
    for (int a = 0; a < 256 && out.size() < size; ++a)
        for (int b = a + 1; b < 256; ++b) out += {static_cast<char>(a), static_cast<char>(b)};
    out.resize(size);
    return out;
}

// Appends each value little-endian in `bytes` bytes.
inline void put(std::string& out, int bytes, std::initializer_list<std::uint64_t> values) {
    for (std::uint64_t v : values)
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

struct ZipMember {
    std::string rawName;  // stored as is
    std::string data;
    bool deflate = false;
    bool utf8Flag = false;
    std::optional<std::uint32_t> declaredSize{};  // a lie about the uncompressed size
    std::optional<std::uint32_t> unixMode{};      // e.g. 0120777 for a symbolic link
    bool dataDescriptor = false;                  // sizes and CRC only after the data
};
// Without the central directory only a streaming reader can read it.
inline std::string zipOf(const std::vector<ZipMember>& members, bool withCentralDirectory = true) {
    std::string out, central;
    for (const ZipMember& m : members) {
        std::string stored = m.data;
        if (m.deflate) {  // raw deflate: without zlib's header and checksum
            uLongf size = compressBound(m.data.size());
            stored.resize(size);
            compress2(reinterpret_cast<Bytef*>(stored.data()), &size,
                      reinterpret_cast<const Bytef*>(m.data.data()), m.data.size(), 9);
            stored = stored.substr(2, size - 6);
        }
        const std::uint64_t crc =
            crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), m.data.size());
        const std::uint64_t size = m.declaredSize.value_or(m.data.size()),
                            flags = (m.utf8Flag ? 0x800 : 0) | (m.dataDescriptor ? 0x8 : 0),
                            method = m.deflate ? 8 : 0, offset = out.size();
        const bool late = m.dataDescriptor;
        put(out, 4, {0x04034b50});
        put(out, 2, {20, flags, method});
        put(out, 4, {0, late ? 0 : crc, late ? 0 : stored.size(), late ? 0 : size});  // 0: DOS time
        put(out, 2, {m.rawName.size(), 0});
        out += m.rawName + stored;
        if (late) put(out, 4, {0x08074b50, crc, stored.size(), size});
        put(central, 4, {0x02014b50});
        put(central, 2, {m.unixMode ? (3u << 8) | 20 : 20, 20, flags, method});  // 3: Unix
        put(central, 4, {0, crc, stored.size(), size});
        put(central, 2, {m.rawName.size(), 0, 0, 0, 0});
        put(central, 4, {m.unixMode ? *m.unixMode << 16 : 0, offset});
        central += m.rawName;
    }
    if (!withCentralDirectory) return out;
    const std::uint64_t count = members.size(), centralOffset = out.size();
    out += central;
    put(out, 4, {0x06054b50});
    put(out, 2, {0, 0, count, count});
    put(out, 4, {central.size(), centralOffset});
    put(out, 2, {0});
    return out;
}

struct LzhEntry {
    std::string path, data;  // UTF-8 path
    std::time_t mtime = 0;
    std::string format;  // e.g. "lha -lh5-"
};
struct LzhRead {
    bool ok = false;  // every header and every member's data read without error
    std::vector<LzhEntry> entries;
    std::string error;
};
// A whole archive read with libarchive; hdrcharset is passed as the reader option when given.
inline LzhRead readLzh(std::string_view bytes, const char* hdrcharset = nullptr) {
    std::setlocale(LC_CTYPE, "C.UTF-8");  // libarchive converts names into the locale's
    archive* a = archive_read_new();
    archive_read_support_format_lha(a);
    if (hdrcharset) archive_read_set_options(a, (std::string("hdrcharset=") + hdrcharset).c_str());
    LzhRead result;
    archive_entry* entry = nullptr;
    int r = archive_read_open_memory(a, bytes.data(), bytes.size());
    while (r == ARCHIVE_OK && (r = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
        const char* utf8 = archive_entry_pathname_utf8(entry);
        LzhEntry& e = result.entries.emplace_back(
            LzhEntry{utf8 ? utf8 : "", "", archive_entry_mtime(entry), archive_format_name(a)});
        char buffer[65536];
        la_ssize_t n;
        while ((n = archive_read_data(a, buffer, sizeof buffer)) > 0) e.data.append(buffer, n);
        if (n < 0) r = ARCHIVE_FATAL;
    }
    result.ok = r == ARCHIVE_EOF;
    if (!result.ok && archive_error_string(a)) result.error = archive_error_string(a);
    archive_read_free(a);
    return result;
}
// The member paths in archive order; when reading failed, the reader's error comes last.
inline Names pathsOf(const LzhRead& read) {
    Names paths;
    for (const LzhEntry& e : read.entries) paths.push_back(e.path);
    if (!read.ok) paths.push_back("error: " + read.error);
    return paths;
}

// Our own bit-by-bit CRC-16 (0xA001), kept apart from the product's table version.
inline std::uint16_t referenceCrc16(std::string_view data) {
    unsigned crc = 0;
    for (unsigned char c : data) {
        crc ^= c;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return static_cast<std::uint16_t>(crc);
}

// A member with header level 0 or 1, as other LHA tools write them; `tail` follows the CRC (level
// 1: the OS id and the size of the first extension). The date is 2025-01-01 00:00 in MS-DOS form.
inline std::string olderMember(std::string_view methodId, std::string_view packed,
                               std::string_view original, std::string_view name, int level,
                               std::string_view tail = "") {
    std::string h(2, '\0');
    h.append(methodId);
    put(h, 4, {packed.size(), original.size(), 0x5A210000u});
    h += {'\x20', static_cast<char>(level), static_cast<char>(name.size())};
    h.append(name);
    put(h, 2, {referenceCrc16(original)});
    h.append(tail);
    h[0] = static_cast<char>(h.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i) sum += static_cast<unsigned char>(h[i]);
    h[1] = static_cast<char>(sum & 0xFF);
    return h + std::string(packed);
}
// Stored, with a long name (extension type 1) or a folder (type 2) in an extension header, which
// level 1 counts as packed data.
inline std::string level1Member(std::string_view baseName, char extType, std::string_view extData,
                                std::string_view data) {
    std::string tail = "M";  // then the size of the extension: type, data, size of the next (none)
    put(tail, 2, {extData.size() + 3});
    const std::string packed =
        extType + std::string(extData) + std::string(2, '\0') + std::string(data);
    return olderMember("-lh0-", packed, data, baseName, 1, tail);
}

}  // namespace romshelf::test
