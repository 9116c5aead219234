#include "core/archive/LzhArchiveScan.h"

#include <vector>

#include "core/archive/LzhCrc16.h"

namespace romshelf::archive {

namespace {

constexpr std::size_t kLevelOffset = 20;
constexpr std::size_t kCommonSize = 22;  // enough to see the level and the level-0/1 name size

std::uint32_t le16(const std::uint8_t* p) { return p[0] | (std::uint32_t{p[1]} << 8); }
std::uint32_t le32(const std::uint8_t* p) { return le16(p) | (le16(p + 2) << 16); }
std::uint64_t le64(const std::uint8_t* p) { return le32(p) | (std::uint64_t{le32(p + 4)} << 32); }

bool checksumOk(const std::vector<std::uint8_t>& h) {
    unsigned sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i) sum += h[i];
    return (sum & 0xFF) == h[1];
}

// Applies one extended header to the member; false when it is malformed.
struct ExtensionState {
    bool hasCrc = false;
    std::size_t crcAt = 0;  // offset of the CRC field inside the header bytes
    std::uint16_t crc = 0;
    bool hasLargeSize = false;
    std::uint64_t largePacked = 0;
};

void applyExtension(std::uint8_t type, const std::uint8_t* data, std::size_t size,
                    std::size_t dataAt, LzhMemberSpan& m, ExtensionState& st) {
    switch (type) {
        case 0x00:
            if (size >= 2) {
                st.hasCrc = true;
                st.crcAt = dataAt;
                st.crc = static_cast<std::uint16_t>(le16(data));
            }
            break;
        case 0x01:
            m.name.assign(reinterpret_cast<const char*>(data), size);
            break;
        case 0x02:
            m.directory.assign(reinterpret_cast<const char*>(data), size);
            break;
        case 0x42:
            if (size == 16) {
                st.hasLargeSize = true;
                st.largePacked = le64(data);
            }
            break;
        default:
            break;
    }
}

bool readBytes(const LzhReadAt& readAt, std::uint64_t offset, std::size_t size,
               std::vector<std::uint8_t>& out) {
    out.resize(size);
    return size == 0 || readAt(offset, size, out.data());
}

// Level 0 and 1: one-byte header size and a byte-sum checksum. Sets m.size.
bool scanLevel01(const LzhReadAt& readAt, std::uint64_t fileSize, const std::uint8_t* common,
                 LzhMemberSpan& m) {
    const std::size_t headerSize = std::size_t{common[0]} + 2;
    const std::size_t nameSize = common[21];
    const std::size_t minimum = (m.level == 0 ? 24 : 27) + nameSize;
    if (headerSize < minimum || m.offset + headerSize > fileSize) return false;
    std::vector<std::uint8_t> h;
    if (!readBytes(readAt, m.offset, headerSize, h) || !checksumOk(h)) return false;
    m.name.assign(reinterpret_cast<const char*>(h.data() + 22), nameSize);
    const std::uint64_t packed = le32(h.data() + 7);
    if (m.level == 0) {
        m.size = headerSize + packed;
        return true;
    }
    // Level 1: the extensions follow the base header and count towards the "packed" size.
    std::uint64_t extTotal = 0;
    std::uint32_t next = le16(h.data() + headerSize - 2);
    ExtensionState st;
    std::vector<std::uint8_t> ext;
    while (next != 0) {
        if (next < 3 || extTotal + next > packed) return false;
        const std::uint64_t at = m.offset + headerSize + extTotal;
        if (at + next > fileSize || !readBytes(readAt, at, next, ext)) return false;
        applyExtension(ext[0], ext.data() + 1, next - 3, 0, m, st);
        extTotal += next;
        next = le16(ext.data() + ext.size() - 2);
    }
    m.size = headerSize + packed;
    return true;
}

// Level 2: two-byte total header size, extensions inside it, optional header CRC.
bool scanLevel2(const LzhReadAt& readAt, std::uint64_t fileSize, const std::uint8_t* common,
                LzhMemberSpan& m) {
    const std::size_t headerSize = le16(common);
    if (headerSize < 26 || m.offset + headerSize > fileSize) return false;
    std::vector<std::uint8_t> h;
    if (!readBytes(readAt, m.offset, headerSize, h)) return false;
    ExtensionState st;
    std::size_t pos = 26;
    std::uint32_t next = le16(h.data() + 24);
    while (next != 0) {
        if (next < 3 || pos + next > headerSize) return false;
        applyExtension(h[pos], h.data() + pos + 1, next - 3, pos + 1, m, st);
        pos += next;
        next = le16(h.data() + pos - 2);
    }
    if (st.hasCrc) {
        h[st.crcAt] = 0;
        h[st.crcAt + 1] = 0;
        if (lzhCrc16(h.data(), h.size()) != st.crc) return false;
    }
    const std::uint64_t packed = st.hasLargeSize ? st.largePacked : le32(h.data() + 7);
    m.size = headerSize + packed;
    return m.size >= headerSize;  // no wrap-around from a hostile 64-bit size
}

}  // namespace

std::optional<std::vector<LzhMemberSpan>> scanLzhArchive(const LzhReadAt& readAt,
                                                         std::uint64_t fileSize) {
    std::vector<LzhMemberSpan> members;
    std::uint64_t offset = 0;
    while (offset < fileSize) {
        std::uint8_t first = 0;
        if (!readAt(offset, 1, &first)) return std::nullopt;
        if (first == 0) break;  // end of archive; anything after it is not ours to keep
        std::uint8_t common[kCommonSize];
        if (offset + kCommonSize > fileSize || !readAt(offset, kCommonSize, common)) {
            return std::nullopt;
        }
        if (common[2] != '-' || common[6] != '-') return std::nullopt;
        LzhMemberSpan m;
        m.offset = offset;
        m.level = common[kLevelOffset];
        m.methodId.assign(reinterpret_cast<const char*>(common + 2), 5);
        bool ok = false;
        if (m.level == 0 || m.level == 1) {
            ok = scanLevel01(readAt, fileSize, common, m);
        } else if (m.level == 2) {
            ok = scanLevel2(readAt, fileSize, common, m);
        }
        if (!ok || m.size > fileSize - offset) return std::nullopt;
        offset += m.size;
        members.push_back(std::move(m));
    }
    return members;
}

}  // namespace romshelf::archive
