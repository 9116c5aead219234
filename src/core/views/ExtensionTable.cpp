#include "core/views/ExtensionTable.h"

#include <array>

namespace romshelf {

namespace {

struct Row {
    std::string_view code;
    HardwareExtensions extensions;
};

const std::array<Row, 17>& table() {
    static const std::array<Row, 17> kTable = {{
        {"FC", {{{"nes", 14}, {"nez", 15}, {"fam", 16}, {"fds", 17}, {"nsf", 18}}, 19, true}},
        {"SFC",
         {{{"smc", 25},
           {"swc", 26},
           {"sfc", 27},
           {"fig", 28},
           {"048", 29},
           {"058", 30},
           {"068", 31},
           {"078", 32},
           {"1", 33},
           {"spc", 34}},
          35,
          true}},
        {"N64",
         {{{"n64", 41},
           {"v64", 42},
           {"u64", 43},
           {"z64", 44},
           {"bin", 45},
           {"mov", 46},
           {"rom", 47}},
          48,
          true}},
        {"PCE", {{{"pce", 54}, {"iso", 55}}, 56, true}},
        {"MSYS", {{{"sms", 62}, {"smz", 63}, {"sg", 64}, {"sc", 65}}, 66, true}},
        {"MD", {{{"md", 72}, {"bin", 73}, {"smd", 74}, {"gen", 75}, {"32x", 76}}, 77, true}},
        {"GB", {{{"gb", 83}, {"gbc", 84}, {"sgb", 85}}, 86, true}},
        {"GBA", {{{"gba", 92}, {"agb", 93}, {"bin", 94}}, 95, true}},
        {"WS", {{{"ws", 101}, {"wsc", 102}, {"bin", 103}}, 104, true}},
        {"GG", {{{"gg", 110}, {"ggz", 111}}, 112, true}},
        {"NGP", {{{"ngp", 118}, {"npc", 119}, {"ngc", 120}}, 121, true}},
        {"LYNX", {{{"lnx", 127}}, 128, true}},
        {"MAME", {{{"zip", 134}}, 0, false}},
        {"MSX", {{{"rom", 135}, {"dsk", 136}}, 137, true}},
        {"X68",
         {{{"xdf", 143}, {"dim", 144}, {"2hd", 145}, {"dup", 146}, {"hdm", 147}}, 148, true}},
        {"PC88", {{{"d88", 154}, {"t88", 155}}, 156, true}},
        {"PC98",
         {{{"hdd", 162},
           {"fdd", 163},
           {"fdi", 164},
           {"hdi", 165},
           {"d88", 166},
           {"d98", 167},
           {"xdf", 168},
           {"hdm", 169},
           {"dup", 170},
           {"2hd", 171},
           {"thd", 172}},
          173,
          true}},
    }};
    return kTable;
}

}  // namespace

const HardwareExtensions& extensionsFor(std::string_view code) {
    static const HardwareExtensions kNone{{}, 0, true};
    for (const auto& row : table())
        if (row.code == code) return row.extensions;
    return kNone;
}

IconMeaning iconMeaning(int icon) {
    for (const auto& row : table()) {
        for (const auto& e : row.extensions.extensions)
            if (e.icon == icon) return {row.code, e.extension};
        if (row.extensions.archivePass && icon >= row.extensions.firstArchiveIcon &&
            icon < row.extensions.firstArchiveIcon + 5)
            return {row.code, kArchiveExtensions[icon - row.extensions.firstArchiveIcon]};
    }
    // Numbers of a strip that mark no extension still belong to that strip's hardware: a strip
    // runs up to the first icon of the next one.
    const auto& rows = table();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int start = rows[i].extensions.extensions.front().icon;
        const int end =
            i + 1 < rows.size() ? rows[i + 1].extensions.extensions.front().icon : kFileIconCount;
        if (icon >= start && icon < end) return {rows[i].code, {}};
    }
    return {{}, {}};
}

}  // namespace romshelf
