#include "ArchiveTestSupport.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/wait.h>
#include <zlib.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace romshelf::test {

namespace {

void put(std::string& out, std::initializer_list<std::uint32_t> values, int bytes) {
    for (std::uint32_t v : values) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

std::string rawDeflate(std::string_view data) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int r = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (r != Z_STREAM_END) throw std::runtime_error("deflate");
    return out;
}

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return ext;
}

}  // namespace

ShellResult runShell(const std::string& command) {
    ShellResult result;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool packWithTool(Packer packer, const std::string& folder, const std::string& archive,
                  const Names& names) {
    static const char* const tools[] = {"zip -q -X -y", "7z a -bd -y", "7z a -bd -y -ms=off",
                                        "gcab -c -n -z"};
    std::string command = "cd " + shellQuote(folder) + " && " + tools[static_cast<int>(packer)] +
                          " " + shellQuote(archive);
    for (const std::string& name : names) command += " " + shellQuote(name);
    return runShell(command + " >/dev/null").exitCode == 0;
}

std::string peerNames(const std::string& archive) {
    const std::string ext = lowerExtension(archive);
    const std::string quoted = shellQuote(archive);
    if (ext == ".zip") return runShell("LC_ALL=C.UTF-8 unzip -Z1 " + quoted).output;
    if (ext == ".cab")  // a table under two heading lines; keep the name column
        return runShell("cabextract -q -l " + quoted + " | sed -n '3,$s/^.*| .*| //p'").output;
    return runShell("7z l -slt -ba " + quoted + " | sed -n 's/^Path = //p'").output;
}

std::string peerMember(const std::string& archive, const std::string& member) {
    const std::string ext = lowerExtension(archive);
    const std::string quoted = shellQuote(archive);
    std::string pattern;  // unzip and cabextract read [ ] * ? as wildcards
    for (char c : member)
        pattern += std::string(c == '[' || c == ']' || c == '*' || c == '?' ? "\\" : "") + c;
    if (ext == ".zip")
        return runShell("LC_ALL=C.UTF-8 unzip -p " + quoted + " " + shellQuote(pattern)).output;
    if (ext == ".cab")
        return runShell("cabextract -q -p -F " + shellQuote(pattern) + " " + quoted).output;
    if (ext == ".lzh") return runShell("lha pq " + quoted + " " + shellQuote(member)).output;
    return runShell("7z x -so " + quoted + " " + shellQuote(member)).output;
}

bool lhaTests(const std::string& archive, int members) {
    const ShellResult r = runShell("lha t " + shellQuote(archive));
    int tested = 0;
    for (std::size_t at = 0; (at = r.output.find("- Tested", at)) != std::string::npos; ++at)
        ++tested;
    return r.exitCode == 0 && tested == members;
}

bool lhaExtracts(const std::string& archive, const std::string& folder) {
    return runShell("lha xqfw=" + shellQuote(folder) + " " + shellQuote(archive)).exitCode == 0;
}

Names folderEntries(const std::string& folder) {
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string romBytes(std::size_t size, unsigned seed, unsigned mask) {
    std::string out(size, '\0');
    std::uint32_t x = 2463534242u ^ (seed * 0x9E3779B9u);
    for (char& c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>((x >> 8) & mask);
    }
    return out;
}

std::string textLike(std::size_t size, unsigned seed) {
    static const char* const words[] = {"mario", "zelda",   "ROM",   "header",    "bank", "sprite",
                                        "tile",  "palette", "sound", "the",       "of",   "and",
                                        "0x",    "NES",     "SNES",  "cartridge", "\n",   ", "};
    std::uint32_t x = seed * 2654435761u + 12345;
    std::string out;
    while (out.size() < size) {
        x = x * 1103515245 + 12345;
        out += words[(x >> 16) % std::size(words)];
        out += (x >> 8) % 4 == 0 ? std::to_string((x >> 4) % 1000) : " ";
    }
    out.resize(size);
    return out;
}

std::string ZipBuilder::bytes(bool withCentralDirectory) const {
    std::string out;
    std::string central;
    for (const Member& m : members_) {
        const std::string stored = m.deflate ? rawDeflate(m.data) : m.data;
        const auto crc = static_cast<std::uint32_t>(crc32(
            0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
        const auto size = m.declaredSize.value_or(static_cast<std::uint32_t>(m.data.size()));
        const auto csize = static_cast<std::uint32_t>(stored.size());
        const std::uint32_t flags = (m.utf8Flag ? 0x800 : 0) | (m.dataDescriptor ? 0x8 : 0);
        const std::uint32_t method = m.deflate ? 8 : 0;
        const auto offset = static_cast<std::uint32_t>(out.size());
        const auto nameSize = static_cast<std::uint32_t>(m.rawName.size());
        const bool late = m.dataDescriptor;

        put(out, {0x04034b50}, 4);
        put(out, {20, flags, method}, 2);
        put(out, {0, late ? 0 : crc, late ? 0 : csize, late ? 0 : size}, 4);  // 0: DOS time
        put(out, {nameSize, 0}, 2);
        out += m.rawName + stored;
        if (late) put(out, {0x08074b50, crc, csize, size}, 4);

        put(central, {0x02014b50}, 4);
        put(central, {m.unixMode ? (3u << 8) | 20 : 20, 20, flags, method}, 2);  // 3: Unix
        put(central, {0, crc, csize, size}, 4);
        put(central, {nameSize, 0, 0, 0, 0}, 2);
        put(central, {m.unixMode ? *m.unixMode << 16 : 0, offset}, 4);
        central += m.rawName;
    }
    if (!withCentralDirectory) return out;
    const auto count = static_cast<std::uint32_t>(members_.size());
    const auto centralOffset = static_cast<std::uint32_t>(out.size());
    out += central;
    put(out, {0x06054b50}, 4);
    put(out, {0, 0, count, count}, 2);
    put(out, {static_cast<std::uint32_t>(central.size()), centralOffset}, 4);
    put(out, {0}, 2);
    return out;
}

namespace {

void readEntries(archive* a, LzhRead& result) {
    archive_entry* entry = nullptr;
    for (int r; (r = archive_read_next_header(a, &entry)) != ARCHIVE_EOF;) {
        if (r != ARCHIVE_OK) return;
        LzhEntry& e = result.entries.emplace_back();
        const char* utf8 = archive_entry_pathname_utf8(entry);
        e.path = utf8 ? utf8 : "";
        e.size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        e.mtime = archive_entry_mtime(entry);
        e.format = archive_format_name(a);
        char buffer[65536];
        for (la_ssize_t n; (n = archive_read_data(a, buffer, sizeof buffer)) != 0;) {
            if (n < 0) return;
            e.data.append(buffer, static_cast<std::size_t>(n));
        }
    }
    result.ok = true;
}

// The base header of levels 0 and 1; `tail` follows the CRC (level 1: the OS id and the size
// of the first extension).
std::string baseHeader(std::string_view methodId, std::uint64_t packedSize,
                       std::string_view original, std::string_view name, int level,
                       std::string_view tail) {
    std::string h(2, '\0');
    h.append(methodId);
    // Packed and original size, then the MS-DOS date and time 2025-01-01 00:00.
    put(h,
        {static_cast<std::uint32_t>(packedSize), static_cast<std::uint32_t>(original.size()),
         0x5A210000u},
        4);
    h += {'\x20', static_cast<char>(level), static_cast<char>(name.size())};
    h.append(name);
    put(h, {referenceCrc16(original)}, 2);
    h.append(tail);
    h[0] = static_cast<char>(h.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i) sum += static_cast<unsigned char>(h[i]);
    h[1] = static_cast<char>(sum & 0xFF);
    return h;
}

}  // namespace

LzhRead readLzh(std::string_view bytes, const char* hdrcharset) {
    std::setlocale(LC_CTYPE, "C.UTF-8");  // libarchive converts names into the locale's
    archive* a = archive_read_new();
    archive_read_support_format_lha(a);
    if (hdrcharset) archive_read_set_options(a, (std::string("hdrcharset=") + hdrcharset).c_str());
    LzhRead result;
    if (archive_read_open_memory(a, bytes.data(), bytes.size()) == ARCHIVE_OK)
        readEntries(a, result);
    if (!result.ok && archive_error_string(a)) result.error = archive_error_string(a);
    archive_read_free(a);
    return result;
}

Names pathsOf(const LzhRead& read) {
    Names paths;
    for (const LzhEntry& e : read.entries) paths.push_back(e.path);
    if (!read.ok) paths.push_back("error: " + read.error);
    return paths;
}

std::uint16_t referenceCrc16(std::string_view data) {
    unsigned crc = 0;
    for (unsigned char c : data) {
        crc ^= c;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return static_cast<std::uint16_t>(crc);
}

std::string level0Member(std::string_view name, std::string_view methodId, std::string_view packed,
                         std::string_view original) {
    return baseHeader(methodId, packed.size(), original, name, 0, "") + std::string(packed);
}

std::string level1Member(std::string_view baseName, char extType, std::string_view extData,
                         std::string_view data) {
    // One extension header: type, data, then the size of the next one (none).
    const std::string ext = extType + std::string(extData) + std::string(2, '\0');
    std::string tail = "M";
    put(tail, {static_cast<std::uint32_t>(ext.size())}, 2);
    // Level 1 counts the extensions as packed data.
    return baseHeader("-lh0-", data.size() + ext.size(), data, baseName, 1, tail) + ext +
           std::string(data);
}

std::string mixed(std::size_t size, std::uint32_t seed) {
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

std::string noRepeatedPairs(std::size_t size) {
    // a a+1 a a+2 ... a 255, then the same from a+1: each pair (a b) and (b a) comes once.
    std::string out;
    for (int a = 0; a < 256 && out.size() < size; ++a) {
        for (int b = a + 1; b < 256; ++b) out += {static_cast<char>(a), static_cast<char>(b)};
    }
    out.resize(size);
    return out;
}

}  // namespace romshelf::test
