#pragma once

#include <archive.h>
#include <archive_entry.h>

#include "core/platform/FunctionTable.h"

// Internal to the archive layer, as LibarchiveSupport.h.
namespace romshelf::archive {

// The functions of libarchive this program uses, loaded when the first archive is opened: linked,
// the library and the seven it brings (XML, compressors, ACLs, a crypto library) cost every start
// of every command 0.8 ms of CPU and 0.9 MB of memory, and a listing opens no archive. The names
// are checked against the header the code is compiled with.
struct Libarchive {
#define ROMSHELF_LIBARCHIVE_FUNCTIONS(X)     \
    X(archive_entry_filetype)                \
    X(archive_entry_free)                    \
    X(archive_entry_hardlink)                \
    X(archive_entry_mode)                    \
    X(archive_entry_mtime)                   \
    X(archive_entry_mtime_is_set)            \
    X(archive_entry_mtime_nsec)              \
    X(archive_entry_new)                     \
    X(archive_entry_pathname)                \
    X(archive_entry_set_filetype)            \
    X(archive_entry_set_mtime)               \
    X(archive_entry_set_pathname)            \
    X(archive_entry_set_perm)                \
    X(archive_entry_set_size)                \
    X(archive_entry_size)                    \
    X(archive_entry_size_is_set)             \
    X(archive_entry_symlink)                 \
    X(archive_read_data)                     \
    X(archive_read_data_block)               \
    X(archive_read_free)                     \
    X(archive_read_new)                      \
    X(archive_read_next_header)              \
    X(archive_read_open_fd)                  \
    X(archive_read_set_options)              \
    X(archive_read_support_format_7zip)      \
    X(archive_read_support_format_cab)       \
    X(archive_read_support_format_lha)       \
    X(archive_read_support_format_rar)       \
    X(archive_read_support_format_rar5)      \
    X(archive_read_support_format_zip)       \
    X(archive_write_close)                   \
    X(archive_write_data)                    \
    X(archive_write_finish_entry)            \
    X(archive_write_free)                    \
    X(archive_write_header)                  \
    X(archive_write_new)                     \
    X(archive_write_open_fd)                 \
    X(archive_write_set_bytes_in_last_block) \
    X(archive_write_set_format_zip)          \
    X(archive_write_set_options)
    ROMSHELF_FUNCTION_MEMBERS(ROMSHELF_LIBARCHIVE_FUNCTIONS)
};

// Null when libarchive cannot be loaded (or lacks one of the functions): no archive is read or
// written then, each attempt failing as with a damaged archive.
const Libarchive* loadLibarchive();

// The functions, once loadLibarchive() gave them: only where an archive object or member already
// exists, or after a check of loadLibarchive().
inline const Libarchive& libarchive() { return *loadLibarchive(); }

}  // namespace romshelf::archive
