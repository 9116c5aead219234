#pragma once

#include <sqlite3.h>

#include "core/platform/FunctionTable.h"

namespace romshelf {

// The functions of SQLite this program uses, loaded when the first database is opened: a listing
// or a CRC of files opens none, and linked, the library cost every start its loading. The names
// are checked against the header the code is compiled with.
struct LibSqlite {
#define ROMSHELF_SQLITE_FUNCTIONS(X) \
    X(sqlite3_bind_blob64)           \
    X(sqlite3_bind_int)              \
    X(sqlite3_bind_int64)            \
    X(sqlite3_bind_null)             \
    X(sqlite3_bind_text)             \
    X(sqlite3_bind_value)            \
    X(sqlite3_busy_timeout)          \
    X(sqlite3_changes)               \
    X(sqlite3_close_v2)              \
    X(sqlite3_column_blob)           \
    X(sqlite3_column_bytes)          \
    X(sqlite3_column_int)            \
    X(sqlite3_column_int64)          \
    X(sqlite3_column_text)           \
    X(sqlite3_column_type)           \
    X(sqlite3_column_value)          \
    X(sqlite3_errcode)               \
    X(sqlite3_errstr)                \
    X(sqlite3_exec)                  \
    X(sqlite3_finalize)              \
    X(sqlite3_open_v2)               \
    X(sqlite3_prepare_v2)            \
    X(sqlite3_prepare_v3)            \
    X(sqlite3_reset)                 \
    X(sqlite3_step)
    ROMSHELF_FUNCTION_MEMBERS(ROMSHELF_SQLITE_FUNCTIONS)
};

// Null when SQLite cannot be loaded (or lacks one of the functions): no database opens then, as
// when its file cannot be opened.
const LibSqlite* loadLibSqlite();

// The functions, once loadLibSqlite() gave them: only where a connection already exists, or after
// a check of loadLibSqlite().
inline const LibSqlite& libSqlite() { return *loadLibSqlite(); }

}  // namespace romshelf
