#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "core/settings/PlusSettings.h"
#include "core/settings/ProgramFolder.h"

namespace romshelf {

// The names a hardware's rename data (data/Rename_<code>.dat, made from a DAT or from the files)
// give files by their size and CRC-32: the names picture collections for other frontends use.
// When the rename data hold only the first records of a DAT the settings keep, the whole DAT's
// names are used. The file is read once, and again when it changes; a broken one names nothing
// and says nothing (the rename commands tell about it).
class DatNames {
public:
    DatNames(const ProgramFolder& folder, const PlusSettings& plus)
        : folder_(folder), plus_(plus) {}

    // Empty when the rename data know no file of that size and CRC-32 (or none of whole files:
    // a record of headerless sums is not compared with the sums of a whole file).
    const std::string& nameOf(const std::string& code, std::uint64_t size, std::uint32_t crc);

private:
    void load(const std::string& code);

    const ProgramFolder& folder_;
    const PlusSettings& plus_;
    std::string code_, dat_;
    std::int64_t stamp_ = -1;  // the file's modification time when read; -1: never read
    std::unordered_map<std::uint64_t, std::string> names_;
};

}  // namespace romshelf
