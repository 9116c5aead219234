#pragma once

#include <unicode/ucol.h>

namespace romshelf::text {

// ICU's collation, from libicui18n, loaded with the first collator rather than linked: the
// program uses three of its functions, and loading it cost a command-line listing, which sorts
// with the keys it kept, a millisecond and a megabyte at every start. The names are ICU's
// versioned ones, as the header compiled with gives them.
struct IcuCollation {
    decltype(&::ucol_open) open = nullptr;
    decltype(&::ucol_close) close = nullptr;
    decltype(&::ucol_getSortKey) getSortKey = nullptr;
};

// Null when the library cannot be loaded (or lacks one of them).
const IcuCollation* icuCollation();

}  // namespace romshelf::text
