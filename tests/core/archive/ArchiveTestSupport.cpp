#include "ArchiveTestSupport.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace romshelf::test {

namespace {

void put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

int runShell(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    if (status == -1 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::string captureShell(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return out;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    ::pclose(pipe);
    return out;
}

bool packWithTool(Packer packer, const std::string& folder, const std::string& archiveName,
                  const std::vector<std::string>& names) {
    std::string command = "cd " + shellQuote(folder) + " && ";
    switch (packer) {
        case Packer::Zip:
            command += "zip -q -X -y";
            break;
        case Packer::SevenZip:
            command += "7z a -bd -y";
            break;
        case Packer::SevenZipNonSolid:
            command += "7z a -bd -y -ms=off";
            break;
        case Packer::Cab:
            command += "gcab -c -n -z";
            break;
    }
    command += " " + shellQuote(archiveName);
    for (const std::string& name : names)
        command += " " + shellQuote(name);
    return runShell(command) == 0;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string romBytes(std::size_t size, unsigned seed) {
    std::string out(size, '\0');
    std::uint32_t x = 2463534242u ^ seed;
    for (char& c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0x3F);  // some redundancy, like real ROM data
    }
    return out;
}

std::string rawDeflate(std::string_view data) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int r = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (r != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

ZipBuilder& ZipBuilder::add(Member member) {
    members_.push_back(std::move(member));
    return *this;
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

        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, flags);
        put16(out, method);
        put32(out, 0);  // DOS time and date
        put32(out, m.dataDescriptor ? 0 : crc);
        put32(out, m.dataDescriptor ? 0 : csize);
        put32(out, m.dataDescriptor ? 0 : size);
        put16(out, static_cast<std::uint32_t>(m.rawName.size()));
        put16(out, 0);
        out += m.rawName;
        out += stored;
        if (m.dataDescriptor) {
            put32(out, 0x08074b50);
            put32(out, crc);
            put32(out, csize);
            put32(out, size);
        }

        put32(central, 0x02014b50);
        put16(central, m.unixMode ? (3u << 8) | 20 : 20);  // made by Unix when a mode is given
        put16(central, 20);
        put16(central, flags);
        put16(central, method);
        put32(central, 0);
        put32(central, crc);
        put32(central, csize);
        put32(central, size);
        put16(central, static_cast<std::uint32_t>(m.rawName.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, m.unixMode ? *m.unixMode << 16 : 0);
        put32(central, offset);
        central += m.rawName;
    }
    if (!withCentralDirectory)
        return out;
    const auto centralOffset = static_cast<std::uint32_t>(out.size());
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<std::uint32_t>(members_.size()));
    put16(out, static_cast<std::uint32_t>(members_.size()));
    put32(out, static_cast<std::uint32_t>(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

}  // namespace romshelf::test
