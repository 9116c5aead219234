#include "core/archive/Libarchive.h"

namespace romshelf::archive {

const Libarchive* loadLibarchive() {
    static const Libarchive* const loaded =
        ROMSHELF_LOAD_FUNCTIONS(Libarchive, "libarchive.so.13", ROMSHELF_LIBARCHIVE_FUNCTIONS);
    return loaded;
}

}  // namespace romshelf::archive
