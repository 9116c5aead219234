#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace romshelf::test {

// Builds data-file bytes by hand, independently of the program's own writer, the way another
// program writing the same layout would.
class RawBytes {
public:
    RawBytes& i32(std::int32_t v) {
        auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
        return *this;
    }
    // A string as stored: length, bytes, NUL. `stored` is already in its disk form.
    RawBytes& str(std::string_view stored) {
        i32(static_cast<std::int32_t>(stored.size()));
        bytes_.append(stored);
        bytes_.push_back('\0');
        return *this;
    }
    // `count` copies of one integer or one string: the reserved runs of the layouts.
    RawBytes& i32s(int count, std::int32_t v = 0) {
        for (int i = 0; i < count; ++i) i32(v);
        return *this;
    }
    RawBytes& strs(int count, std::string_view stored = {}) {
        for (int i = 0; i < count; ++i) str(stored);
        return *this;
    }
    RawBytes& raw(std::string_view b) {
        bytes_.append(b);
        return *this;
    }
    RawBytes& header(std::string_view magic, std::int32_t version) {
        return str(magic).i32(version);
    }
    const std::string& bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }

private:
    std::string bytes_;
};

// Compares two byte strings and, when they differ, says where instead of printing them whole.
inline ::testing::AssertionResult sameBytes(std::string_view actual, std::string_view expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    std::size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
    auto hex = [](std::string_view s, std::size_t from) {
        std::string out;
        for (std::size_t k = from; k < s.size() && k < from + 16; ++k)
            out += {"0123456789abcdef"[(s[k] >> 4) & 15], "0123456789abcdef"[s[k] & 15], ' '};
        return out;
    };
    return ::testing::AssertionFailure()
           << "sizes " << actual.size() << " and " << expected.size()
           << ", first difference at byte " << i << ": actual [" << hex(actual, i) << "] expected ["
           << hex(expected, i) << "]";
}

}  // namespace romshelf::test
