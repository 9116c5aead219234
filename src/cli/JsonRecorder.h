#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "core/storage/DataStream.h"

namespace romshelf::cli {

// A data-file reader that also records every field it reads (reserved ones included) into JSON,
// at the path its name parts give ("recentLaunches", 3, 0, "fileName" ->
// /recentLaunches/3/0/fileName).
class JsonRecorder {
public:
    static constexpr bool kReading = true;
    JsonRecorder(DataStream& stream, nlohmann::ordered_json& out) : s_(stream), out_(out) {}

    template <class... Name>
    void field(std::string& v, const Name&... name) {
        v = s_.readString();
        put(v, name...);
    }
    template <class... Name>
    void field(std::int32_t& v, const Name&... name) {
        v = s_.readInteger();
        put(v, name...);
    }
    template <class... Name>
    void field(bool& v, const Name&... name) {
        v = s_.readFlag();
        put(v, name...);
    }
    // Enumerations are stored as their 32-bit number; an unknown number is kept as it is.
    template <class E, class... Name>
    requires std::is_enum_v<E>
    void field(E& v, const Name&... name) {
        std::int32_t raw = 0;
        field(raw, name...);
        v = static_cast<E>(raw);
    }
    template <class... Name>
    void reservedString(const Name&... name) {
        put(s_.readString(), name...);
    }
    template <class... Name>
    void reservedInteger(const Name&... name) {
        put(s_.readInteger(), name...);
    }
    template <class... Name>
    void reservedFlag(const Name&... name) {
        put(s_.readFlag(), name...);
    }
    bool failed() const { return s_.failed(); }

private:
    static void append(std::string& path, const char* part) { (path += '/') += part; }
    static void append(std::string& path, int part) { (path += '/') += std::to_string(part); }

    template <class V, class... Name>
    void put(const V& value, const Name&... name) {
        if (s_.failed()) return;
        std::string path;
        (append(path, name), ...);
        out_[nlohmann::ordered_json::json_pointer(path)] = value;
    }

    DataStream& s_;
    nlohmann::ordered_json& out_;
};

}  // namespace romshelf::cli
