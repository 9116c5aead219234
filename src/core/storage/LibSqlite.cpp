#include "core/storage/LibSqlite.h"

namespace romshelf {

const LibSqlite* loadLibSqlite() {
    static const LibSqlite* const loaded =
        ROMSHELF_LOAD_FUNCTIONS(LibSqlite, "libsqlite3.so.0", ROMSHELF_SQLITE_FUNCTIONS);
    return loaded;
}

}  // namespace romshelf
