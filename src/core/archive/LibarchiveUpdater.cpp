#include "core/archive/LibarchiveUpdater.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "core/platform/AsciiCase.h"
#include "core/archive/LibarchiveSupport.h"
#include "core/platform/PendingFile.h"
#include "core/platform/FileSystem.h"

namespace romshelf::archive {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

struct EntryDeleter {
    void operator()(struct archive_entry* e) const { archive_entry_free(e); }
};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool writeAll(struct archive* w, const char* data, std::size_t size) {
    while (size > 0) {
        const la_ssize_t n = archive_write_data(w, data, size);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies every member of the old archive except the one being replaced.
bool copyOtherMembers(struct archive* w, ArchiveType type, const std::string& archivePath,
                      const std::string& name, std::vector<char>& buffer) {
    ReadArchive r = openReader(type, archivePath);
    if (!r) return false;
    struct archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(r.get(), &entry)) == ARCHIVE_OK ||
           status == ARCHIVE_WARN) {
        const std::string memberName = entryPath(entry);
        if (isSameMemberName(memberName, name)) continue;
        // A name read as raw bytes (CP932, say) is written back as the text it stands for: the
        // writers store Unicode names.
        archive_entry_set_pathname(entry, memberName.c_str());
        if (archive_write_header(w, entry) != ARCHIVE_OK) return false;
        for (;;) {
            const la_ssize_t n = archive_read_data(r.get(), buffer.data(), buffer.size());
            if (n < 0) return false;
            if (n == 0) break;
            if (!writeAll(w, buffer.data(), static_cast<std::size_t>(n))) return false;
        }
        if (archive_write_finish_entry(w) != ARCHIVE_OK) return false;
    }
    return status == ARCHIVE_EOF;
}

bool addFile(struct archive* w, const std::string& filePath, const struct stat& st, int fd,
             std::vector<char>& buffer) {
    std::unique_ptr<struct archive_entry, EntryDeleter> entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), fs::pathName(filePath).c_str());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), st.st_mode & 0777);
    archive_entry_set_size(entry.get(), st.st_size);
    archive_entry_set_mtime(entry.get(), st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    if (archive_write_header(w, entry.get()) != ARCHIVE_OK) return false;
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) return false;
        if (n == 0) break;
        total += static_cast<std::uint64_t>(n);
        if (!writeAll(w, buffer.data(), static_cast<std::size_t>(n))) return false;
    }
    // A file that changed size while being read would give a member that lies about itself.
    if (total != static_cast<std::uint64_t>(st.st_size)) return false;
    return archive_write_finish_entry(w) == ARCHIVE_OK;
}

bool rewriteWithFile(ArchiveType type, const std::string& archivePath, const std::string& filePath,
                     const std::string& options) {
    Utf8LocaleScope utf8;
    FileDescriptor source(fs::openRegularFile(filePath));  // a FIFO is refused without waiting
    struct stat st {};
    if (source.get() < 0 || ::fstat(source.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;

    // An existing archive keeps its permissions; anything but a plain file there is refused.
    std::optional<unsigned> oldMode;
    if (!fs::regularFileMode(archivePath, oldMode)) return false;
    const bool exists = oldMode.has_value();
    const unsigned mode = oldMode.value_or(0644);

    PendingFile out(archivePath);
    if (!out.isOpen()) return false;
    WriteArchive w(archive_write_new());
    if (!w) return false;
    const int formatSet = type == ArchiveType::Zip ? archive_write_set_format_zip(w.get())
                                                   : archive_write_set_format_7zip(w.get());
    if (formatSet != ARCHIVE_OK ||
        archive_write_set_options(w.get(), options.c_str()) != ARCHIVE_OK ||
        archive_write_set_bytes_in_last_block(w.get(), 1) != ARCHIVE_OK ||
        archive_write_open_fd(w.get(), out.fd()) != ARCHIVE_OK) {
        return false;
    }

    std::vector<char> buffer(kBufferSize);
    if (exists && !copyOtherMembers(w.get(), type, archivePath, fs::pathName(filePath), buffer)) {
        return false;
    }
    if (!addFile(w.get(), filePath, st, source.get(), buffer)) return false;
    if (archive_write_close(w.get()) != ARCHIVE_OK) return false;
    return out.setMode(mode) && out.commit();
}

}  // namespace

bool isSameMemberName(const std::string& memberPath, const std::string& name) {
    return ascii::equalsIgnoringCase(memberPath, name);
}

bool addFileToZip(const std::string& archivePath, const std::string& filePath, int deflateLevel) {
    if (deflateLevel < 1 || deflateLevel > 9) deflateLevel = kDefaultDeflateLevel;
    const std::string options =
        "zip:compression=deflate,zip:compression-level=" + std::to_string(deflateLevel) +
        ",zip:hdrcharset=UTF-8";
    return rewriteWithFile(ArchiveType::Zip, archivePath, filePath, options);
}

bool addFileTo7z(const std::string& archivePath, const std::string& filePath) {
    return rewriteWithFile(ArchiveType::SevenZip, archivePath, filePath, "7zip:compression=lzma2");
}

}  // namespace romshelf::archive
