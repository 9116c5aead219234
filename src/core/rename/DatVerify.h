#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/rename/ContentHash.h"
#include "core/rename/DatFile.h"
#include "core/rename/SetTally.h"

namespace romshelf {

// How a file stands against a DAT: it matches an entry and has its name (have), matches under
// another name (rename), matches nothing (unknown), has an entry's name but other contents (bad:
// a bad dump or a hack); an entry no file matches is missing; a file that could not be read is
// unreadable (counted apart, never as unknown).
enum class VerifyStatus { Have, Rename, Unknown, Bad, Missing, Unreadable };
inline constexpr int kVerifyStatusCount = 6;
const char* verifyStatusWord(VerifyStatus status);  // "have", "rename", …

struct VerifyRow {
    VerifyStatus status = VerifyStatus::Unknown;
    std::string file;     // the file's path (empty for a missing entry)
    std::string member;   // the archive member, when the file is an archive
    std::string game;     // the entry's game (empty for unknown)
    std::string datName;  // the entry's name as the DAT writes it (empty for unknown)
    std::string target;   // a rename: the name the file would take (the entry's, without folders)
    // The sums shown: the file's (of the bytes after its header when it matched so), or the
    // missing entry's as far as the DAT gives them.
    std::optional<std::uint64_t> size;
    std::optional<std::uint32_t> crc;
    std::string md5, sha1;  // when the DAT carries them (the file's are summed only then)
    HeaderKind matchedWithoutHeader = HeaderKind::None;
};

// Why a row has its status, in words for the report ("" for have).
const char* verifyReason(VerifyStatus status);

struct VerifyReport {
    std::string datName;
    std::string datVersion, skipper;  // the DAT's header, for a fixdat of it
    std::vector<VerifyRow> rows;      // the files in the order verified, then the missing entries
    std::array<int, kVerifyStatusCount> counts{};
    int withoutHeader = 0;  // files that matched only without their header
    std::vector<DatRom> missing;
    SetReport sets;  // the games as sets: complete, incomplete, missing
    int count(VerifyStatus s) const { return counts[static_cast<std::size_t>(s)]; }
};

// Classifies files against a DAT. An entry matches by the strongest sum it carries (SHA-1, else
// MD5, else CRC-32), and by its size when it gives one; an entry with a size alone matches
// nothing. The whole file is tried first, then the bytes after a header the file starts with.
class DatVerifier {
public:
    explicit DatVerifier(const DatFile& dat);
    // The sums the DAT's entries need of each file: no SHA-1 or MD5 when none carries one.
    DatSumKinds sumsNeeded() const { return needed_; }

    // `name`: the file's name (or the member's) compared with the entries' names. A member of an
    // archive named as one of the DAT's sets ("pacman.zip") counts for that set.
    void add(const std::string& file, const std::string& member, const std::string& name,
             const ContentIdentity& id);
    // A file (or member) that could not be read: its own row and count.
    void addUnreadable(const std::string& file, const std::string& member);
    // The report, with a row for every entry that no file matched.
    VerifyReport finish();

private:
    std::vector<int> matching(const DatSums& sums) const;

    const DatFile& dat_;
    std::unordered_multimap<std::string, int> bySha1_, byMd5_, byName_;
    std::unordered_multimap<std::uint32_t, int> byCrc_;
    std::vector<bool> matched_;
    SetTally sets_;
    DatSumKinds needed_{false, false};
    VerifyReport report_;
};

// The report as CSV (RFC 4180: quoted where a field holds a comma, quote, tab or line break; CR LF
// line ends), UTF-8 with a BOM, a header line first: status, file, member, game, DAT name, target
// name, size, CRC-32, MD5, SHA-1, header, reason.
std::string verifyReportCsv(const VerifyReport& report);

// "2 have\t1 rename\t1 unknown\t1 bad\t1 missing", then "\t1 unreadable" and "\t1 without
// header" when any was so, then the sets' counts when the DAT is one of sets.
std::string verifySummary(const VerifyReport& report);

}  // namespace romshelf
