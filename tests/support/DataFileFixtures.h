#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "RawBytes.h"
#include "ScriptedPrompter.h"
#include "TempFolder.h"
#include "core/storage/DataStream.h"

namespace romshelf::test {

// What every test of a data file needs: a temporary folder, a prompter that records what the
// user was shown, and one stream.
struct DataFileTest : ::testing::Test {
    TempFolder dir;
    ScriptedPrompter prompter;
    DataStream stream;

    // Exactly one box since the last clear, a warning saying `text`.
    ::testing::AssertionResult warnedOnce(const std::string& text) const {
        auto shown = prompter.shownOnce(text);
        if (shown && prompter.boxes()[0].text != text)
            shown = ::testing::AssertionFailure() << "shown: " << prompter.boxes()[0].text;
        return shown;
    }
};

// One record of RomData_<code>.slb as another program writes it; texts in their stored form.
struct RawRomRecord {
    RawRomRecord(std::string title, std::int32_t emulator = -1, std::int32_t rating = 0,
                 std::int32_t favourite = 0, std::string comment = {})
        : title(std::move(title)),
          emulator(emulator),
          rating(rating),
          favourite(favourite),
          comment(std::move(comment)) {}
    std::string title;
    std::int32_t emulator, rating, favourite;
    std::string comment;
    std::string gameName = "\x83\x51\x81\x5b\x83\x80";  // ゲーム
};

// The whole file: header, the count, the records.
inline std::string rawRomFile(const std::vector<RawRomRecord>& records) {
    RawBytes b;
    b.header("ROMSHELF_ROMDATA", 1).i32(static_cast<std::int32_t>(records.size()));
    for (const auto& r : records) {
        b.str(r.title).str(r.gameName).str("\x82\xb0\x81\x5b\x82\xde");  // reading げーむ
        b.str("ACT").strs(3).str("\x82\x51\x90\x6c").str("RPG");  // classes ACT … ２人, class
        b.str(r.comment).i32(r.favourite).i32(r.emulator).i32(r.rating).i32(0).str("");
    }
    return b.bytes();
}

// Folder_<code>.slb as another program writes it, from its 529 strings in file order:
// 250 ROM (name, path) pairs 0-499, 5 snap pairs 500-509, then OK 510, failed 511,
// duplicate 512, TEMP 513, save 514, extensions 515-523, media 524-528.
using RawFolderStrings = std::array<std::string, 529>;
inline std::string rawFolderFile(const RawFolderStrings& strings) {
    RawBytes b;
    b.header("ROMSHELF_FOLDERDATA", 1);
    for (const auto& s : strings) b.str(s);
    return b.strs(45).i32s(20).bytes();
}

// One block of Emulator_<code>.slb as another program writes it; strings in their stored form.
struct RawEmulatorBlock {
    std::string name, executable, commandLine, joyToKey;
    std::int32_t specialStart = 0, waitAfterStart = 500, waitAfterFileDialog = 500;
    std::array<std::int32_t, 16> options{};
    std::array<std::string, 5> reservedStrings{};
    std::array<std::int32_t, 8> reservedIntegers{};
};
using RawEmulatorBlocks = std::array<RawEmulatorBlock, 64>;
inline RawEmulatorBlock rawBlock(std::string name, std::string executable = {}) {
    RawEmulatorBlock b;
    b.name = std::move(name), b.executable = std::move(executable);
    return b;
}
inline std::string rawEmulatorFile(const RawEmulatorBlocks& blocks) {
    RawBytes b;
    b.header("ROMSHELF_EMULATORDATA", 1);
    for (const RawEmulatorBlock& e : blocks) {
        b.str(e.name).str(e.executable).str(e.commandLine).str(e.joyToKey);
        b.i32(e.specialStart).i32(e.waitAfterStart).i32(e.waitAfterFileDialog);
        for (auto o : e.options) b.i32(o);
        for (const auto& reserved : e.reservedStrings) b.str(reserved);
        for (auto v : e.reservedIntegers) b.i32(v);
    }
    return b.bytes();
}

}  // namespace romshelf::test
