#pragma once

#include <string>
#include <vector>

#include "core/database/RomRecord.h"

namespace romshelf {

// Records another program (another machine on a share) saved while this one held its own edits.
struct RecordMerge {
    std::vector<RomRecord> records;    // theirs, with this program's edits applied on top
    std::vector<std::string> clashes;  // titles of records both changed differently
};

// Three-way merge of one table of records. `base` is the file as this program read it; `mine`
// holds a record for each of base's, in the same order (an empty title: deleted here); `added`
// the records made here since; `theirs` the file as it is now. Their new and changed records
// are kept; a field this program changed is taken where theirs still holds the value read, and
// is a clash where theirs changed it to another value. A record deleted here is deleted unless
// they changed it; a record they deleted and this program changed is a clash.
RecordMerge mergeRecords(const std::vector<RomRecord>& base, const std::vector<RomRecord>& mine,
                         const std::vector<RomRecord>& added, const std::vector<RomRecord>& theirs);

}  // namespace romshelf
