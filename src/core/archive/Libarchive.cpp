#include "core/archive/Libarchive.h"

#include "core/platform/LoadedLibrary.h"

namespace romshelf::archive {

const Libarchive* loadLibarchive() {
    static const Libarchive* const loaded = [] {
        static LoadedLibrary library("libarchive.so.13");
        static Libarchive functions;
#define ROMSHELF_LIBARCHIVE_LOAD(name) functions.name = library.function<decltype(&::name)>(#name);
        ROMSHELF_LIBARCHIVE_FUNCTIONS(ROMSHELF_LIBARCHIVE_LOAD)
#undef ROMSHELF_LIBARCHIVE_LOAD
        return library.complete() ? &functions : nullptr;
    }();
    return loaded;
}

}  // namespace romshelf::archive
