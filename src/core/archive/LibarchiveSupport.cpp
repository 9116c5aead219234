#include "archive/LibarchiveSupport.h"

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

namespace romshelf::archive {

void ReadArchiveDeleter::operator()(struct archive* a) const {
    archive_read_free(a);
}
void WriteArchiveDeleter::operator()(struct archive* a) const {
    archive_write_free(a);
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
    if (utf8_ == nullptr)
        return;
    uselocale(static_cast<locale_t>(previous_));
    freelocale(static_cast<locale_t>(utf8_));
}

ReadArchive openReader(ArchiveType type, const std::string& path) {
    ReadArchive a(archive_read_new());
    if (!a)
        return nullptr;
    // The member formats compress their data themselves, so no outer filter is enabled: that
    // also keeps libarchive from starting external decompressor programs on hostile input.
    const char* charsetOption = nullptr;
    switch (type) {
        case ArchiveType::Zip:
            archive_read_support_format_zip(a.get());
            charsetOption = "zip:hdrcharset=CP932";
            break;
        case ArchiveType::Lzh:
            archive_read_support_format_lha(a.get());
            charsetOption = "lha:hdrcharset=CP932";
            break;
        case ArchiveType::Cab:
            archive_read_support_format_cab(a.get());
            charsetOption = "cab:hdrcharset=CP932";
            break;
        case ArchiveType::Rar:
            archive_read_support_format_rar(a.get());
            archive_read_support_format_rar5(a.get());
            charsetOption = "rar:hdrcharset=CP932";
            break;
        case ArchiveType::SevenZip:
            archive_read_support_format_7zip(a.get());  // names are always Unicode
            break;
        case ArchiveType::Gca:
            return nullptr;
    }
    if (charsetOption != nullptr &&
        archive_read_set_options(a.get(), charsetOption) != ARCHIVE_OK) {
        return nullptr;
    }
    if (archive_read_open_filename(a.get(), path.c_str(), 64 * 1024) != ARCHIVE_OK)
        return nullptr;
    return a;
}

std::string entryPath(struct archive_entry* entry) {
    // Inside a Utf8LocaleScope the multibyte form is UTF-8.
    const char* name = archive_entry_pathname(entry);
    return name != nullptr ? std::string(name) : std::string();
}

}  // namespace romshelf::archive
