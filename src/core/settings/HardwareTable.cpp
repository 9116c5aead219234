#include "core/settings/HardwareTable.h"

namespace romshelf {

namespace {

using G = MenuGroup;

constexpr std::array<HardwareInfo, kHardwareCount> kTable = {{
    {"FC", 0, "ファミリーコンピュータ", 32785, 32786, 32879, G::TvGame},
    {"SFC", 1, "スーパーファミコン", 32784, 32787, 32880, G::TvGame},
    {"N64", 2, "NINTENDO64", 32797, 32812, 32881, G::TvGame},
    {"GC", 3, "ゲームキューブ", 0, 0, 0, G::None},
    {"PCE", 4, "PC-エンジン", 32798, 32813, 32882, G::TvGame},
    {"FX", 5, "PC-FX", 0, 0, 0, G::None},
    {"MSYS", 6, "マスターシステム", 32800, 32815, 32883, G::TvGame},
    {"MD", 7, "メガドライブ", 32801, 32816, 32884, G::TvGame},
    {"SAT", 8, "サターン", 0, 0, 0, G::None},
    {"DC", 9, "ドリームキャスト", 0, 0, 0, G::None},
    {"PS", 10, "プレイステーション", 0, 0, 0, G::None},
    {"PS2", 11, "プレイステーション2", 0, 0, 0, G::None},
    {"GB", 12, "ゲームボーイ", 32802, 32817, 32886, G::Handheld},
    {"GBA", 13, "ゲームボーイアドバンス", 32803, 32818, 32887, G::Handheld},
    {"WS", 14, "ワンダースワン", 32804, 32819, 32888, G::Handheld, {.alternativeStart = true}},
    {"GG", 15, "ゲームギア", 32805, 32820, 32889, G::Handheld},
    {"NGP", 16, "ネオジオポケット", 32806, 32821, 32890, G::Handheld},
    {"LYNX", 17, "リンクス", 32807, 32822, 32891, G::Handheld},
    {"MAME", 18, "MAME", 32828, 32835, 32892, G::Arcade, {.setNames = true}},
    {"MSX", 19, "MSX", 32808, 32823, 32893, G::Computer},
    {"X68", 20, "X68000", 32809, 32824, 32894, G::Computer},
    {"PC88", 21, "PC-88", 32810, 32825, 32895, G::Computer},
    {"PC98", 22, "PC-98", 32811, 32826, 32896, G::Computer, {.pc98Preparation = true}},
    {"USER1", 43, "ユーザ設定 1", 32830, 32836, 32897, G::User},
    {"USER2", 44, "ユーザ設定 2", 32831, 32837, 32898, G::User},
    {"USER3", 45, "ユーザ設定 3", 32832, 32838, 32899, G::User},
    {"USER4", 46, "ユーザ設定 4", 32833, 32839, 32900, G::User},
    {"USER5", 47, "ユーザ設定 5", 32834, 32840, 32901, G::User},
    // Other software: no folder-settings command; its emulator command opens its own dialog.
    {"HARD", 42, "その他のソフト", 0, 32841, 32902, G::User, {.otherSoftware = true}},
}};

}  // namespace

const std::array<HardwareInfo, kHardwareCount>& hardwareTable() { return kTable; }

const HardwareInfo* findHardware(std::string_view code) {
    if (code.empty()) return nullptr;
    for (const auto& row : kTable)
        if (row.code == code) return &row;
    return nullptr;
}

const HardwareTraits& traitsOf(std::string_view code) {
    static constexpr HardwareTraits kNone{};
    const HardwareInfo* row = findHardware(code);
    return row ? row->traits : kNone;
}

const HardwareInfo* findHardwareByIndex(int index) {
    for (const auto& row : kTable)
        if (row.index == index) return &row;
    return nullptr;
}

int hardwareIndexOf(std::string_view code) {
    const HardwareInfo* row = findHardware(code);
    return row ? row->index : -1;
}

std::string_view hardwareCodeOf(int index) {
    const HardwareInfo* row = findHardwareByIndex(index);
    return row ? row->code : std::string_view{};
}

std::string_view menuGroupName(MenuGroup group) {
    switch (group) {
        case MenuGroup::TvGame:
            return "テレビゲーム";
        case MenuGroup::Handheld:
            return "携帯ゲーム";
        case MenuGroup::Arcade:
            return "アーケード";
        case MenuGroup::Computer:
            return "パソコン";
        case MenuGroup::User:
            return "ユーザ設定";
        case MenuGroup::None:
            break;
    }
    return {};
}

std::string codeToDefaultName(std::string_view code) {
    const HardwareInfo* row = findHardware(code);
    return std::string(row ? row->defaultName : kNotSet);
}

std::string codeToCustomName(std::string_view code, CustomNames& customNames) {
    const HardwareInfo* row = findHardware(code);
    if (!row) return std::string(kNotSet);
    std::string& name = customNames[static_cast<std::size_t>(row->index)];
    if (name.empty()) name = std::string(row->defaultName);
    return name;
}

std::string displayNameOf(std::string_view code, const CustomNames& customNames) {
    const HardwareInfo* row = findHardware(code);
    if (!row) return std::string(kNotSet);
    const std::string& name = customNames[static_cast<std::size_t>(row->index)];
    return name.empty() ? std::string(row->defaultName) : name;
}

std::string defaultNameToCode(std::string_view name) {
    if (name == kNotSet) return {};
    for (const auto& row : kTable)
        if (row.defaultName == name) return std::string(row.code);
    return {};
}

std::string customNameToCode(std::string_view name, const CustomNames& customNames) {
    if (name == kNotSet || name.empty()) return {};
    for (const auto& row : kTable) {
        const std::string& custom = customNames[static_cast<std::size_t>(row.index)];
        // A name never shown yet is still empty and stands for the default name.
        if (custom.empty() ? row.defaultName == name : custom == name) return std::string(row.code);
    }
    return {};
}

}  // namespace romshelf
