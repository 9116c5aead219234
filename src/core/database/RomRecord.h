#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace romshelf {

inline constexpr int kRecordClassCount = 5;

// What the user told the program about one file, joined to files by their title.
struct RomRecord {
    std::string fileTitle;  // file name without its last extension; the join key
    std::string gameName;
    std::string reading;
    std::array<std::string, kRecordClassCount> classes{};
    std::string hardwareClass;
    std::string comment;
    bool favourite = false;
    std::int32_t preferredEmulator = -1;  // -1: none
    std::int32_t rating = 0;              // 0: none, 1..5 stars

    bool operator==(const RomRecord&) const = default;
};

// A record that tells nothing beyond its file's title: the file list shows the same without it.
inline bool holdsOnlyTitle(const RomRecord& r) {
    if (r.gameName != r.fileTitle || r.reading != r.fileTitle) return false;
    if (r.preferredEmulator != -1 || r.rating != 0 || r.favourite) return false;
    for (const std::string& c : r.classes)
        if (!c.empty()) return false;
    return r.hardwareClass.empty() && r.comment.empty();
}

// One record in file order, with its two reserved fields.
template <class Io, class R>
void transferRomRecord(Io& io, R& r, int i) {
    io.field(r.fileTitle, "records", i, "fileTitle");
    io.field(r.gameName, "records", i, "gameName");
    io.field(r.reading, "records", i, "reading");
    for (int k = 0; k < kRecordClassCount; ++k) io.field(r.classes[k], "records", i, "classes", k);
    io.field(r.hardwareClass, "records", i, "hardwareClass");
    io.field(r.comment, "records", i, "comment");
    io.field(r.favourite, "records", i, "favourite");
    io.field(r.preferredEmulator, "records", i, "preferredEmulator");
    io.field(r.rating, "records", i, "rating");
    io.reservedInteger("records", i, "reservedInteger");
    io.reservedString("records", i, "reservedString");
}

}  // namespace romshelf
