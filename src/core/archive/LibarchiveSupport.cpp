#include "core/archive/LibarchiveSupport.h"

#include <locale.h>
#include <unistd.h>

#include "core/platform/FileSystem.h"
#include "core/text/TextCodec.h"
#include "core/archive/Libarchive.h"

namespace romshelf::archive {

void ReadArchiveDeleter::operator()(struct archive* a) const {
    libarchive().archive_read_free(a);
    if (fd >= 0) ::close(fd);
}
void WriteArchiveDeleter::operator()(struct archive* a) const {
    libarchive().archive_write_free(a);
}

Utf8LocaleScope::Utf8LocaleScope() {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
        locale_t loc = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
        if (loc != static_cast<locale_t>(nullptr)) {
            utf8_ = loc;
            previous_ = uselocale(loc);
            return;
        }
    }
    // No UTF-8 locale installed: carry on in the current one (most desktops use UTF-8 anyway).
}

Utf8LocaleScope::~Utf8LocaleScope() {
    if (utf8_ == nullptr) return;
    uselocale(static_cast<locale_t>(previous_));
    freelocale(static_cast<locale_t>(utf8_));
}

ReadArchive openReader(ArchiveType type, const std::string& path) {
    if (!loadLibarchive()) return nullptr;
    ReadArchive a(libarchive().archive_read_new());
    if (!a) return nullptr;
    // The member formats compress their data themselves, so no outer filter is enabled: that
    // also keeps libarchive from starting external decompressor programs on hostile input.
    // Names without a charset of their own are taken as raw bytes and decoded by entryPath.
    switch (type) {
        case ArchiveType::Zip:
            libarchive().archive_read_support_format_zip(a.get());
            break;
        case ArchiveType::Lzh:
            libarchive().archive_read_support_format_lha(a.get());
            // The LHA reader refuses a name it cannot convert, so LZH keeps its own tradition:
            // names are CP932 unless the header says otherwise.
            if (libarchive().archive_read_set_options(a.get(), "lha:hdrcharset=CP932") !=
                ARCHIVE_OK)
                return nullptr;
            break;
        case ArchiveType::Cab:
            libarchive().archive_read_support_format_cab(a.get());
            break;
        case ArchiveType::Rar:
            libarchive().archive_read_support_format_rar(a.get());
            libarchive().archive_read_support_format_rar5(a.get());
            break;
        case ArchiveType::SevenZip:
            libarchive().archive_read_support_format_7zip(a.get());  // names are always Unicode
            break;
        case ArchiveType::Gca:
            return nullptr;
    }
    // Opened here rather than by name, which would wait on a FIFO for a writer.
    a.get_deleter().fd = fs::openRegularFile(path);
    if (a.get_deleter().fd < 0 ||
        libarchive().archive_read_open_fd(a.get(), a.get_deleter().fd, 64 * 1024) != ARCHIVE_OK)
        return nullptr;
    return a;
}

std::string entryPath(struct archive_entry* entry) {
    // Inside a Utf8LocaleScope the multibyte form of a flagged (Unicode) name is UTF-8; a name
    // without a flag comes as its raw bytes. Archives made on Japanese Windows hold CP932 there,
    // but archives made on other systems often hold UTF-8 without saying so: raw bytes that
    // form valid UTF-8 are taken as UTF-8 (CP932 text almost never does), the rest as CP932.
    const char* name = libarchive().archive_entry_pathname(entry);
    if (name == nullptr) return {};
    const std::string raw(name);
    return text::isValidUtf8(raw) ? raw : text::fromCp932(raw);
}

}  // namespace romshelf::archive
