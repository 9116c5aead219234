#include "core/storage/LibSqlite.h"

#include "core/platform/LoadedLibrary.h"

namespace romshelf {

const LibSqlite* loadLibSqlite() {
    static const LibSqlite* const loaded = [] {
        static LoadedLibrary library("libsqlite3.so.0");
        static LibSqlite functions;
#define ROMSHELF_SQLITE_LOAD(name) functions.name = library.function<decltype(&::name)>(#name);
        ROMSHELF_SQLITE_FUNCTIONS(ROMSHELF_SQLITE_LOAD)
#undef ROMSHELF_SQLITE_LOAD
        return library.complete() ? &functions : nullptr;
    }();
    return loaded;
}

}  // namespace romshelf
