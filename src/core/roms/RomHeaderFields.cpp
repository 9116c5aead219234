#include "core/roms/RomHeaderFields.h"

#include <cstdio>

#include "core/text/TextCodec.h"

namespace romshelf::romheader {

std::string hex(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "$%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string number(std::uint64_t value) { return std::to_string(value); }

std::string sizeText(std::uint64_t bytes) {
    if (bytes >= 1024 && bytes % 1024 == 0) return number(bytes / 1024) + " KB";
    return number(bytes) + " バイト";
}

std::string textField(std::string_view b, std::size_t off, std::size_t length) {
    std::string raw(b.substr(off, length));
    for (char& c : raw)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    while (!raw.empty() && raw.back() == ' ') raw.pop_back();
    if (text::isValidCp932(raw)) return text::fromCp932(raw);
    for (char& c : raw)
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    return raw;
}

std::string field(std::string_view label, const std::string& value) {
    return std::string(label) + ": " + value;
}

std::string compared(std::uint64_t stored, std::uint64_t computed, int digits) {
    return hex(stored, digits) + " (計算値 " + hex(computed, digits) + "、" +
           (stored == computed ? "一致" : "不一致") + ")";
}

HeaderReport invalid(std::string_view name, std::string reason) {
    HeaderReport r;
    r.lines = {std::string(name) + "のヘッダが正しくありません。", std::move(reason)};
    return r;
}

}  // namespace romshelf::romheader
