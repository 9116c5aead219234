#include "LzhTestSupport.h"

#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace romshelf::test::lzh {

namespace {

void appendLe(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

ReadResult readAll(archive* a) {
    ReadResult result;
    result.ok = true;
    archive_entry* entry = nullptr;
    for (;;) {
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r != ARCHIVE_OK) {
            result.ok = false;
            result.error = archive_error_string(a) ? archive_error_string(a) : "header error";
            break;
        }
        ReadEntry e;
        const char* utf8 = archive_entry_pathname_utf8(entry);
        e.path = utf8 ? utf8 : "";
        e.size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        e.mtime = archive_entry_mtime(entry);
        e.format = archive_format_name(a) ? archive_format_name(a) : "";
        char buffer[65536];
        e.dataOk = true;
        for (;;) {
            const la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0) {
                e.dataOk = false;
                result.ok = false;
                result.error = archive_error_string(a) ? archive_error_string(a) : "data error";
                break;
            }
            e.data.append(buffer, static_cast<std::size_t>(n));
        }
        result.entries.push_back(std::move(e));
        if (!result.ok)
            break;
    }
    return result;
}

template <typename Open>
ReadResult readWith(const char* hdrcharset, Open open) {
    // libarchive converts names into the current locale; tests compare UTF-8.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    archive* a = archive_read_new();
    archive_read_support_format_lha(a);
    if (hdrcharset) {
        const std::string option = std::string("hdrcharset=") + hdrcharset;
        archive_read_set_options(a, option.c_str());
    }
    ReadResult result;
    if (open(a) != ARCHIVE_OK) {
        result.error = archive_error_string(a) ? archive_error_string(a) : "open failed";
    } else {
        result = readAll(a);
    }
    archive_read_free(a);
    return result;
}

}  // namespace

ReadResult readWithLibarchive(const std::string& path, const char* hdrcharset) {
    return readWith(hdrcharset,
                    [&](archive* a) { return archive_read_open_filename(a, path.c_str(), 65536); });
}

ReadResult readMemoryWithLibarchive(std::string_view bytes, const char* hdrcharset) {
    return readWith(hdrcharset, [&](archive* a) {
        return archive_read_open_memory(a, bytes.data(), bytes.size());
    });
}

bool lhaAvailable() {
    return runCommand("command -v lha").exitCode == 0;
}

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool lhaTests(const std::string& archive, int members, std::string* output) {
    const CommandResult r = runCommand("lha t " + shellQuote(archive));
    if (output)
        *output = r.output;
    int tested = 0;
    for (std::size_t at = r.output.find("- Tested"); at != std::string::npos;
         at = r.output.find("- Tested", at + 1)) {
        ++tested;
    }
    return r.exitCode == 0 && tested == members;
}

bool lhaExtracts(const std::string& archive, const std::string& folder) {
    return runCommand("lha xqfw=" + shellQuote(folder) + " " + shellQuote(archive)).exitCode == 0;
}

std::uint16_t referenceCrc16(std::string_view data) {
    unsigned crc = 0;
    for (unsigned char c : data) {
        crc ^= c;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return static_cast<std::uint16_t>(crc);
}

std::string level0Member(std::string_view name, std::string_view methodId, std::string_view packed,
                         std::uint32_t originalSize, std::uint16_t crc) {
    std::string h(2, '\0');
    h.append(methodId);
    appendLe(h, packed.size(), 4);
    appendLe(h, originalSize, 4);
    appendLe(h, 0x5A210000u, 4);  // MS-DOS date and time: 2025-01-01 00:00
    h.push_back(0x20);
    h.push_back(0);  // level
    h.push_back(static_cast<char>(name.size()));
    h.append(name);
    appendLe(h, crc, 2);
    h[0] = static_cast<char>(h.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i)
        sum += static_cast<unsigned char>(h[i]);
    h[1] = static_cast<char>(sum & 0xFF);
    return h + std::string(packed);
}

std::string level1Member(std::string_view baseName, std::string_view extName,
                         std::string_view directory, std::string_view packed,
                         std::uint32_t originalSize, std::uint16_t crc) {
    std::string ext;
    auto addExt = [&](char type, std::string_view data) {
        std::string e(1, type);
        e.append(data);
        ext.append(e);
        appendLe(ext, 0, 2);  // next size; the caller's chain below patches it
    };
    std::vector<std::size_t> sizes;
    if (!extName.empty()) {
        addExt(0x01, extName);
        sizes.push_back(3 + extName.size());
    }
    if (!directory.empty()) {
        addExt(0x02, directory);
        sizes.push_back(3 + directory.size());
    }
    // Chain: the base header's last field announces the first extension, each extension's
    // tail the next one.
    std::size_t at = 0;
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) {
        at += sizes[i];
        ext[at - 2] = static_cast<char>(sizes[i + 1] & 0xFF);
        ext[at - 1] = static_cast<char>(sizes[i + 1] >> 8);
    }

    std::string h(2, '\0');
    h.append("-lh0-");
    appendLe(h, packed.size() + ext.size(), 4);  // level 1: extensions count as packed data
    appendLe(h, originalSize, 4);
    appendLe(h, 0x5A210000u, 4);
    h.push_back(0x20);
    h.push_back(1);
    h.push_back(static_cast<char>(baseName.size()));
    h.append(baseName);
    appendLe(h, crc, 2);
    h.push_back('M');
    appendLe(h, sizes.empty() ? 0 : sizes.front(), 2);
    h[0] = static_cast<char>(h.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i)
        sum += static_cast<unsigned char>(h[i]);
    h[1] = static_cast<char>(sum & 0xFF);
    return h + ext + std::string(packed);
}

std::string randomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(rng() & 0xFF);
    return out;
}

std::string textLike(std::size_t size, std::uint32_t seed) {
    static const char* const words[] = {"mario", "zelda",   "ROM",   "header",    "bank", "sprite",
                                        "tile",  "palette", "sound", "the",       "of",   "and",
                                        "0x",    "NES",     "SNES",  "cartridge", "\n",   ", "};
    std::mt19937 rng(seed);
    std::string out;
    while (out.size() < size) {
        out += words[rng() % std::size(words)];
        out += (rng() % 4 == 0) ? std::to_string(rng() % 1000) : " ";
    }
    out.resize(size);
    return out;
}

std::string mixed(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string out;
    while (out.size() < size) {
        switch (rng() % 4) {
            case 0:
                out += textLike(1000 + rng() % 5000, rng());
                break;
            case 1:
                out.append(300 + rng() % 3000, static_cast<char>(rng() & 0xFF));
                break;
            case 2:
                out += randomBytes(200 + rng() % 2000, rng());
                break;
            default:
                if (out.size() > 70000) {  // a copy from far back, beyond the small windows
                    const std::size_t from = rng() % (out.size() - 70000);
                    out += out.substr(from, 500 + rng() % 4000);
                }
                break;
        }
    }
    out.resize(size);
    return out;
}

namespace {

void deBruijn(int t, int p, std::vector<int>& a, std::string& out, std::size_t limit) {
    if (out.size() >= limit)
        return;
    constexpr int kOrder = 3;
    if (t > kOrder) {
        if (kOrder % p == 0) {
            for (int j = 1; j <= p && out.size() < limit; ++j)
                out.push_back(static_cast<char>(a[j]));
        }
        return;
    }
    a[t] = a[t - p];
    deBruijn(t + 1, p, a, out, limit);
    for (int j = a[t - p] + 1; j < 256 && out.size() < limit; ++j) {
        a[t] = j;
        deBruijn(t + 1, t, a, out, limit);
    }
}

}  // namespace

std::string noRepeatedTriples(std::size_t size) {
    std::string out;
    std::vector<int> a(8, 0);
    deBruijn(1, 1, a, out, size);
    return out;
}

std::string fibonacciSkewed(std::size_t symbols, std::uint32_t seed) {
    std::string out;
    std::uint64_t f0 = 1;
    std::uint64_t f1 = 1;
    for (std::size_t s = 0; s < symbols; ++s) {
        out.append(static_cast<std::size_t>(f0), static_cast<char>(s * 7 + 1));
        const std::uint64_t next = f0 + f1;
        f0 = f1;
        f1 = next;
    }
    std::mt19937 rng(seed);
    for (std::size_t i = out.size(); i > 1; --i)
        std::swap(out[i - 1], out[rng() % i]);
    return out;
}

}  // namespace romshelf::test::lzh
