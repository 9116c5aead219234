#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct UConverter;

namespace romshelf::text {

// CP932 to UTF-8 by table, for the many short texts of a data file (every record's name, reading
// and comment): a conversion through ICU costs over a thousand instructions a text. The table is
// filled from ICU's converter itself, every single byte and every double-byte code on its own, so
// it gives exactly what the converter gives for them; a text holding anything the table lacks (a
// byte the converter cannot read, a code cut short) is left to the converter whole.
class Cp932Table {
public:
    // Decodes everything the table holds through ICU's converter `converterName`, opened for this
    // alone (with bytes it cannot read skipped, which leaves them out of the table).
    explicit Cp932Table(const char* converterName);

    // `cp932` in UTF-8 into `out`; false, with `out` in no particular state, when the text holds
    // anything the table lacks.
    bool decode(std::string_view cp932, std::string& out) const;

    // How many single bytes and double-byte codes the table holds.
    std::size_t singles() const;
    std::size_t pairs() const;

private:
    // A character's UTF-8 bytes from the lowest, its length in the top byte; 0: not held.
    using Entry = std::uint32_t;
    struct Code {
        std::uint8_t bytes[2];
        std::uint8_t size;
        Entry* entry;
    };
    static Entry entryOf(char16_t unit);
    // Fills the codes' entries from one conversion of them all.
    static void read(UConverter* converter, const std::vector<Code>& codes);
    // Where the entry of `lead` and `trail` is in pair_; `lead` must be a lead byte.
    std::size_t pairAt(unsigned lead, unsigned trail) const {
        return static_cast<std::size_t>(leadNumber_[lead]) * 256 + trail;
    }

    std::array<Entry, 256> single_{};
    std::array<std::int8_t, 256> leadNumber_{};  // -1: no lead byte
    std::vector<Entry> pair_;                    // by lead number and trail byte
};

}  // namespace romshelf::text
