#include "core/roms/HeaderSkip.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace romshelf {

std::size_t headerLength(HeaderKind kind) {
    switch (kind) {
        case HeaderKind::INes:
        case HeaderKind::Fds:
            return 16;
        case HeaderKind::Lynx:
            return 64;
        case HeaderKind::Atari7800:
            return 128;
        case HeaderKind::SnesCopier:
            return 512;
        case HeaderKind::None:
            break;
    }
    return 0;
}

namespace {

bool shows(std::string_view head, std::uint64_t size, HeaderKind kind) {
    // A header with nothing after it is no ROM's.
    if (size <= headerLength(kind)) return false;
    switch (kind) {
        case HeaderKind::INes:
            return head.starts_with(std::string_view("NES\x1A", 4));
        case HeaderKind::Fds:
            return head.starts_with(std::string_view("FDS\x1A", 4));
        case HeaderKind::Lynx:
            return head.starts_with("LYNX");
        case HeaderKind::Atari7800:
            return head.size() > 10 && head.substr(1, 9) == "ATARI7800";
        case HeaderKind::SnesCopier:
            return hasSnesCopierHeader(head, size);
        case HeaderKind::None:
            break;
    }
    return false;
}

}  // namespace

bool hasSnesCopierHeader(std::string_view head, std::uint64_t size) {
    if (size <= 512 || size % 1024 != 512 || head.size() < 0x1E) return false;
    const std::string_view mark = head.substr(0x16, 8);
    return mark == std::string_view("\0\0\0\0\0\0\0\0", 8) ||
           mark == std::string_view("\xAA\xBB\x04\0\0\0\0\0", 8) || mark == "SUPERUFO";
}

HeaderKind detectHeader(std::string_view head, std::uint64_t size, HeaderKind expected) {
    if (expected != HeaderKind::None)
        return shows(head, size, expected) ? expected : HeaderKind::None;
    // The magic numbers first; the SNES rule looks only at the size.
    for (const HeaderKind kind : {HeaderKind::INes, HeaderKind::Fds, HeaderKind::Lynx,
                                  HeaderKind::Atari7800, HeaderKind::SnesCopier})
        if (shows(head, size, kind)) return kind;
    return HeaderKind::None;
}

HeaderKind headerKindOfSkipper(std::string_view skipper) {
    std::string upper(skipper);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper.find("SNES") != std::string::npos || upper.find("SUPER") != std::string::npos)
        return HeaderKind::SnesCopier;
    if (upper.find("FDS") != std::string::npos) return HeaderKind::Fds;
    if (upper.find("NES") != std::string::npos) return HeaderKind::INes;
    if (upper.find("LNX") != std::string::npos || upper.find("LYNX") != std::string::npos)
        return HeaderKind::Lynx;
    if (upper.find("7800") != std::string::npos) return HeaderKind::Atari7800;
    return HeaderKind::None;
}

std::string_view headerKindName(HeaderKind kind) {
    switch (kind) {
        case HeaderKind::INes:
            return "iNES";
        case HeaderKind::Fds:
            return "FDS";
        case HeaderKind::Lynx:
            return "Lynx";
        case HeaderKind::Atari7800:
            return "Atari 7800";
        case HeaderKind::SnesCopier:
            return "SNES copier";
        case HeaderKind::None:
            break;
    }
    return "";
}

}  // namespace romshelf
