#include "core/text/IcuCollation.h"

#include <unicode/uvernum.h>

#include "core/platform/LoadedLibrary.h"

// The name a function has in the library: ICU's header renames ucol_open to ucol_open_72.
#define ROMSHELF_ICU_QUOTED(name) #name
#define ROMSHELF_ICU_NAME(name) ROMSHELF_ICU_QUOTED(name)

namespace romshelf::text {

const IcuCollation* icuCollation() {
    static const IcuCollation* const loaded = [] {
        static LoadedLibrary library("libicui18n.so." U_ICU_VERSION_SHORT);
        static IcuCollation icu;
        icu.open = library.function<decltype(icu.open)>(ROMSHELF_ICU_NAME(ucol_open));
        icu.close = library.function<decltype(icu.close)>(ROMSHELF_ICU_NAME(ucol_close));
        icu.getSortKey =
            library.function<decltype(icu.getSortKey)>(ROMSHELF_ICU_NAME(ucol_getSortKey));
        return library.complete() ? &icu : nullptr;
    }();
    return loaded;
}

}  // namespace romshelf::text
