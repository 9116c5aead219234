#include "core/archive/LzhHeader.h"

#include "core/archive/LzhCrc16.h"

namespace romshelf::archive {

namespace {

constexpr std::uint8_t kExtHeaderCrc = 0x00;
constexpr std::uint8_t kExtFileName = 0x01;
constexpr std::uint8_t kExtCodePage = 0x46;
constexpr std::uint8_t kExtUnixMode = 0x50;

void putLe16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void putLe32(std::string& out, std::uint32_t v) {
    putLe16(out, v & 0xFFFF);
    putLe16(out, v >> 16);
}

// An extended header is its type, its data and the size of the next one; the size that
// announces it counts all three.
void putExtension(std::string& out, std::uint8_t type, std::string_view data) {
    // The size field in front of this extension is already in place (the previous one's tail).
    out.push_back(static_cast<char>(type));
    out.append(data);
    putLe16(out, 0);  // next size, patched when another extension follows
}

void announceNext(std::string& out, std::size_t nextExtensionSize) {
    const std::size_t at = out.size() - 2;
    out[at] = static_cast<char>(nextExtensionSize & 0xFF);
    out[at + 1] = static_cast<char>((nextExtensionSize >> 8) & 0xFF);
}

}  // namespace

std::string buildLzhLevel2Header(const LzhHeaderFields& fields) {
    if (fields.methodId.size() != 5 || fields.storedName.empty() ||
        fields.storedName.size() > 60000) {
        return {};
    }
    std::string h;
    putLe16(h, 0);  // total header size, set at the end
    h.append(fields.methodId);
    putLe32(h, fields.packedSize);
    putLe32(h, fields.originalSize);
    putLe32(h, fields.unixTime);
    h.push_back(0x20);  // MS-DOS attribute: archive
    h.push_back(2);     // header level
    putLe16(h, fields.crc);
    h.push_back(kLzhOsUnix);
    putLe16(h, 0);  // size of the first extension

    std::string crcData;
    putLe16(crcData, 0);
    announceNext(h, 3 + crcData.size());
    const std::size_t crcAt = h.size() + 1;
    putExtension(h, kExtHeaderCrc, crcData);

    announceNext(h, 3 + fields.storedName.size());
    putExtension(h, kExtFileName, fields.storedName);

    if (fields.codePage != 0) {
        std::string cp;
        putLe32(cp, fields.codePage);
        announceNext(h, 3 + cp.size());
        putExtension(h, kExtCodePage, cp);
    }

    std::string mode;
    putLe16(mode, fields.unixMode);
    announceNext(h, 3 + mode.size());
    putExtension(h, kExtUnixMode, mode);

    // A header whose size ends in a zero byte would start with 0, which readers take for the
    // end of the archive; one byte of padding avoids that.
    if (((h.size()) & 0xFF) == 0) h.push_back(0);
    h[0] = static_cast<char>(h.size() & 0xFF);
    h[1] = static_cast<char>((h.size() >> 8) & 0xFF);

    // The header CRC covers the whole header with its own field zero.
    const std::uint16_t crc = lzhCrc16(h.data(), h.size());
    h[crcAt] = static_cast<char>(crc & 0xFF);
    h[crcAt + 1] = static_cast<char>(crc >> 8);
    return h;
}

}  // namespace romshelf::archive
