#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "RawBytes.h"

namespace romshelf::test {

// One block of Emulator_<code>.slb as another program writes it; strings in their stored form.
struct RawEmulatorBlock {
    std::string name, executable, commandLine, joyToKey;
    std::int32_t specialStart = 0;
    std::int32_t waitAfterStart = 500;
    std::int32_t waitAfterFileDialog = 500;
    std::array<std::int32_t, 16> options{};
    std::array<std::string, 5> reservedStrings{};
    std::array<std::int32_t, 8> reservedIntegers{};
};

using RawEmulatorBlocks = std::array<RawEmulatorBlock, 64>;

inline RawEmulatorBlock rawBlock(std::string name, std::string executable = {}) {
    RawEmulatorBlock b;
    b.name = std::move(name);
    b.executable = std::move(executable);
    return b;
}

inline void appendBlock(RawBytes& b, const RawEmulatorBlock& e) {
    b.str(e.name).str(e.executable).str(e.commandLine).str(e.joyToKey);
    b.i32(e.specialStart).i32(e.waitAfterStart).i32(e.waitAfterFileDialog);
    for (auto o : e.options) b.i32(o);
    for (const auto& s : e.reservedStrings) b.str(s);
    for (auto v : e.reservedIntegers) b.i32(v);
}

inline std::string rawEmulatorFile(const RawEmulatorBlocks& blocks) {
    RawBytes b;
    b.header("ROMSHELF_EMULATORDATA", 1);
    for (const auto& e : blocks) appendBlock(b, e);
    return b.bytes();
}

}  // namespace romshelf::test
