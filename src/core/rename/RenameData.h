#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/Prompter.h"
#include "core/rename/FileIdentity.h"
#include "core/storage/DataStream.h"

namespace romshelf {

// One file of a correctly named collection: its name without extension and its identity.
// Records taken from a DAT file know no probe sums (all three are kUnknownProbeSum) and may
// carry the SHA-1 that the DAT gives, in lower-case hex, in the record's first reserved field.
struct RenameRecord {
    std::string name;
    FileIdentity identity;
    std::string sha1;
    // Taken from a DAT of headerless dumps: the header (a HeaderKind) that files carry before
    // the bytes the size, CRC and SHA-1 are of; 0 when the sums are of whole files. Kept in the
    // record's second reserved field, which older files hold as 0.
    std::int32_t header = 0;
};

// A sum no file can have (real sums lie in -1..4096): the record matches on size and CRC alone.
inline constexpr std::int32_t kUnknownProbeSum = -2;
inline bool matchesOnSizeAndCrc(const FileIdentity& id) {
    return id.sum1 == kUnknownProbeSum && id.sum2 == kUnknownProbeSum &&
           id.sum3 == kUnknownProbeSum;
}

// A name from rename data is a file title, never a path: rename data are shared between users,
// so a name holding a folder separator ('/', or '\\', which Japanese Windows shows as the yen
// sign), a control character, or that is empty, "." or ".." could move a file out of its folder
// or hide it. Such a record is refused wherever rename data are read.
bool isUsableRenameTitle(std::string_view name);

// A name for a message: control characters shown as \xNN, so that a hostile name cannot break up
// the text.
std::string visibleText(std::string_view name);

// Renaming and merging work on a table of at most this many records, in file order.
inline constexpr std::size_t kRenameTableLimit = 5000;

// A rename data file (Rename_<code>.dat): the hardware code and the records. The records end
// at the first name that is "EOF" or empty; the writer ends them with "EOF".
struct RenameData {
    std::string hardware;
    std::vector<RenameRecord> records;
    // Records of the file beyond kRenameTableLimit that were not taken into `records`, and the
    // name of the first of them.
    std::size_t leftOut = 0;
    std::string firstLeftOut;
};

inline constexpr std::string_view kRenameEndMark = "EOF";

// The fields of a record after its name, in the file's order.
template <class Io>
void transferRenameFields(Io& io, FileIdentity& id, std::string& sha1, std::int32_t& header,
                          int index) {
    io.field(id.size, "records", index, "size");
    io.field(id.crc, "records", index, "crc");
    io.field(id.sum1, "records", index, "sum1");
    io.field(id.sum2, "records", index, "sum2");
    io.field(id.sum3, "records", index, "sum3");
    io.field(sha1, "records", index, "sha1");
    io.field(header, "records", index, "header");
}

// Reads every record of an opened stream, past its header: the hardware and the records up to
// the end mark, however many there are.
void readRenameBody(DataStream& stream, std::string& hardware, std::vector<RenameRecord>& records);

// Reads a rename data file. Missing: nothing said. A wrong magic
// ("リネームデータが破損しています。"), another version, or a file cut short: the message (title
// "警告") and Rejected. A file of more than `limit` records keeps the first ones in `data`, and
// the user is told how many were left out and from which name on.
LoadResult loadRenameData(DataStream& stream, const std::string& path, Prompter& prompter,
                          RenameData& data, std::size_t limit = kRenameTableLimit);

// Writes `data` whole (atomically); false when the file could not be written.
// The body after the header: hardware, records, end mark.
void writeRenameBody(DataStream& stream, const RenameData& data);
bool saveRenameData(DataStream& stream, const std::string& path, const RenameData& data);

}  // namespace romshelf
