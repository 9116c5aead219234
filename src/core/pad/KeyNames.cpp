#include "core/pad/KeyNames.h"

#include <array>

#include "core/platform/AsciiCase.h"

namespace romshelf {

namespace {

struct NamedKey {
    std::string_view name;
    std::uint32_t keysym;
};

// Values from X's keysymdef.h; letters and digits are their ASCII codes there.
constexpr std::array<NamedKey, 62> kKeys = {{
    {"space", 0x0020},       {"apostrophe", 0x0027},   {"comma", 0x002c},
    {"minus", 0x002d},       {"period", 0x002e},       {"slash", 0x002f},
    {"semicolon", 0x003b},   {"equal", 0x003d},        {"bracketleft", 0x005b},
    {"backslash", 0x005c},   {"bracketright", 0x005d}, {"grave", 0x0060},
    {"BackSpace", 0xff08},   {"Tab", 0xff09},          {"Return", 0xff0d},
    {"Pause", 0xff13},       {"Escape", 0xff1b},       {"Home", 0xff50},
    {"Left", 0xff51},        {"Up", 0xff52},           {"Right", 0xff53},
    {"Down", 0xff54},        {"Page_Up", 0xff55},      {"Page_Down", 0xff56},
    {"End", 0xff57},         {"Insert", 0xff63},       {"Delete", 0xffff},
    {"KP_Enter", 0xff8d},    {"KP_Add", 0xffab},       {"KP_Subtract", 0xffad},
    {"KP_Multiply", 0xffaa}, {"KP_Divide", 0xffaf},    {"KP_Decimal", 0xffae},
    {"KP_0", 0xffb0},        {"KP_1", 0xffb1},         {"KP_2", 0xffb2},
    {"KP_3", 0xffb3},        {"KP_4", 0xffb4},         {"KP_5", 0xffb5},
    {"KP_6", 0xffb6},        {"KP_7", 0xffb7},         {"KP_8", 0xffb8},
    {"KP_9", 0xffb9},        {"F1", 0xffbe},           {"F2", 0xffbf},
    {"F3", 0xffc0},          {"F4", 0xffc1},           {"F5", 0xffc2},
    {"F6", 0xffc3},          {"F7", 0xffc4},           {"F8", 0xffc5},
    {"F9", 0xffc6},          {"F10", 0xffc7},          {"F11", 0xffc8},
    {"F12", 0xffc9},         {"Shift_L", 0xffe1},      {"Shift_R", 0xffe2},
    {"Control_L", 0xffe3},   {"Control_R", 0xffe4},    {"Alt_L", 0xffe9},
    {"Alt_R", 0xffea},       {"Super_L", 0xffeb},
}};

}  // namespace

std::optional<std::uint32_t> keysymNamed(std::string_view name) {
    if (name.size() == 1) {
        const char c = ascii::lower(name[0]);
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return static_cast<std::uint32_t>(c);
    }
    for (const NamedKey& key : kKeys)
        if (ascii::equalsIgnoringCase(key.name, name)) return key.keysym;
    return std::nullopt;
}

std::string keysymName(std::uint32_t keysym) {
    if ((keysym >= 'a' && keysym <= 'z') || (keysym >= '0' && keysym <= '9'))
        return std::string(1, static_cast<char>(keysym));
    for (const NamedKey& key : kKeys)
        if (key.keysym == keysym) return std::string(key.name);
    return {};
}

}  // namespace romshelf
