#include "core/archive/LibarchiveUpdater.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "core/platform/AsciiCase.h"
#include "core/archive/LibarchiveSupport.h"
#include "core/archive/SevenZipWriter.h"
#include "core/platform/PendingFile.h"
#include "core/platform/FileSystem.h"
#include "core/archive/Libarchive.h"

namespace romshelf::archive {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

struct EntryDeleter {
    void operator()(struct archive_entry* e) const { libarchive().archive_entry_free(e); }
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

// Where the rewritten archive's members go: libarchive's writer, or ours for 7z.
class MemberSink {
public:
    virtual ~MemberSink() = default;
    virtual bool begin(struct archive_entry* entry) = 0;
    virtual bool write(const char* data, std::size_t size) = 0;
    virtual bool finishMember() = 0;
    virtual bool close() = 0;
};

class LibarchiveSink final : public MemberSink {
public:
    LibarchiveSink(int fd, const std::string& options)
        : w_(loadLibarchive() ? libarchive().archive_write_new() : nullptr) {
        open_ = w_ && libarchive().archive_write_set_format_zip(w_.get()) == ARCHIVE_OK &&
                libarchive().archive_write_set_options(w_.get(), options.c_str()) == ARCHIVE_OK &&
                libarchive().archive_write_set_bytes_in_last_block(w_.get(), 1) == ARCHIVE_OK &&
                libarchive().archive_write_open_fd(w_.get(), fd) == ARCHIVE_OK;
    }
    bool isOpen() const { return open_; }
    bool begin(struct archive_entry* entry) override {
        return libarchive().archive_write_header(w_.get(), entry) == ARCHIVE_OK;
    }
    bool write(const char* data, std::size_t size) override {
        while (size > 0) {
            const la_ssize_t n = libarchive().archive_write_data(w_.get(), data, size);
            if (n <= 0) return false;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    bool finishMember() override {
        return libarchive().archive_write_finish_entry(w_.get()) == ARCHIVE_OK;
    }
    bool close() override { return libarchive().archive_write_close(w_.get()) == ARCHIVE_OK; }

private:
    WriteArchive w_;
    bool open_ = false;
};

class SevenZipSink final : public MemberSink {
public:
    SevenZipSink(int fd, std::uint64_t expectedBytes) : writer_(fd, expectedBytes) {}
    bool begin(struct archive_entry* entry) override {
        SevenZipMember member;
        member.name = libarchive().archive_entry_pathname(entry)
                          ? libarchive().archive_entry_pathname(entry)
                          : "";
        member.directory = libarchive().archive_entry_filetype(entry) == AE_IFDIR;
        // The reader gives a folder a trailing '/', which 7z names never carry.
        while (member.directory && member.name.size() > 1 && member.name.back() == '/')
            member.name.pop_back();
        member.mode = libarchive().archive_entry_mode(entry);
        if (libarchive().archive_entry_mtime_is_set(entry)) {
            member.mtimeSeconds = libarchive().archive_entry_mtime(entry);
            member.mtimeNanoseconds = libarchive().archive_entry_mtime_nsec(entry);
        }
        if (!writer_.begin(member)) return false;
        // A link keeps its target as its data, as 7-Zip stores it.
        const char* target = libarchive().archive_entry_filetype(entry) == AE_IFLNK
                                 ? libarchive().archive_entry_symlink(entry)
                                 : nullptr;
        return target == nullptr || writer_.write(target, std::strlen(target));
    }
    bool write(const char* data, std::size_t size) override { return writer_.write(data, size); }
    bool finishMember() override { return true; }
    bool close() override { return writer_.close(); }

private:
    SevenZipWriter writer_;
};

// Copies every member of the old archive except the one being replaced.
bool copyOtherMembers(MemberSink& sink, ArchiveType type, const std::string& archivePath,
                      const std::string& name, std::vector<char>& buffer) {
    ReadArchive r = openReader(type, archivePath);
    if (!r) return false;
    struct archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = libarchive().archive_read_next_header(r.get(), &entry)) == ARCHIVE_OK ||
           status == ARCHIVE_WARN) {
        const std::string memberName = entryPath(entry);
        if (isSameMemberName(memberName, name)) continue;
        // A name read as raw bytes (CP932, say) is written back as the text it stands for: the
        // writers store Unicode names.
        libarchive().archive_entry_set_pathname(entry, memberName.c_str());
        if (!sink.begin(entry)) return false;
        for (;;) {
            const la_ssize_t n =
                libarchive().archive_read_data(r.get(), buffer.data(), buffer.size());
            if (n < 0) return false;
            if (n == 0) break;
            if (!sink.write(buffer.data(), static_cast<std::size_t>(n))) return false;
        }
        if (!sink.finishMember()) return false;
    }
    return status == ARCHIVE_EOF;
}

// The bytes the members other than `name` hold, from the headers alone (nothing is unpacked).
std::uint64_t otherMembersBytes(ArchiveType type, const std::string& archivePath,
                                const std::string& name) {
    ReadArchive r = openReader(type, archivePath);
    if (!r) return 0;
    std::uint64_t total = 0;
    struct archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = libarchive().archive_read_next_header(r.get(), &entry)) == ARCHIVE_OK ||
           status == ARCHIVE_WARN) {
        if (libarchive().archive_entry_size_is_set(entry) &&
            libarchive().archive_entry_size(entry) > 0 && !isSameMemberName(entryPath(entry), name))
            total += static_cast<std::uint64_t>(libarchive().archive_entry_size(entry));
    }
    return total;
}

bool addFile(MemberSink& sink, const std::string& filePath, const struct stat& st, int fd,
             std::vector<char>& buffer) {
    if (!loadLibarchive()) return false;
    std::unique_ptr<struct archive_entry, EntryDeleter> entry(libarchive().archive_entry_new());
    libarchive().archive_entry_set_pathname(entry.get(), fs::pathName(filePath).c_str());
    libarchive().archive_entry_set_filetype(entry.get(), AE_IFREG);
    libarchive().archive_entry_set_perm(entry.get(), st.st_mode & 0777);
    libarchive().archive_entry_set_size(entry.get(), st.st_size);
    libarchive().archive_entry_set_mtime(entry.get(), st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    if (!sink.begin(entry.get())) return false;
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) return false;
        if (n == 0) break;
        total += static_cast<std::uint64_t>(n);
        if (!sink.write(buffer.data(), static_cast<std::size_t>(n))) return false;
    }
    // A file that changed size while being read would give a member that lies about itself.
    if (total != static_cast<std::uint64_t>(st.st_size)) return false;
    return sink.finishMember();
}

// Makes the writer once the new archive's file is open: its descriptor, the source's size and
// whether an archive is there already. Null when the writer cannot start.
using SinkMaker =
    std::function<std::unique_ptr<MemberSink>(int fd, std::uint64_t sourceBytes, bool exists)>;

bool rewriteWithFile(ArchiveType type, const std::string& archivePath, const std::string& filePath,
                     const SinkMaker& makeSink, bool flushToDisk) {
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
    const std::string name = fs::pathName(filePath);
    const std::unique_ptr<MemberSink> sink =
        makeSink(out.fd(), static_cast<std::uint64_t>(st.st_size), exists);
    if (!sink) return false;

    std::vector<char> buffer(kBufferSize);
    if (exists && !copyOtherMembers(*sink, type, archivePath, name, buffer)) return false;
    if (!addFile(*sink, filePath, st, source.get(), buffer)) return false;
    if (!sink->close()) return false;
    return out.setMode(mode) && out.commit(flushToDisk);
}

}  // namespace

bool isSameMemberName(const std::string& memberPath, const std::string& name) {
    return ascii::equalsIgnoringCase(memberPath, name);
}

bool addFileToZip(const std::string& archivePath, const std::string& filePath, int deflateLevel,
                  bool flushToDisk) {
    if (deflateLevel < 1 || deflateLevel > 9) deflateLevel = kDefaultDeflateLevel;
    const std::string options =
        "zip:compression=deflate,zip:compression-level=" + std::to_string(deflateLevel) +
        ",zip:hdrcharset=UTF-8";
    const auto zip = [&options](int fd, std::uint64_t, bool) -> std::unique_ptr<MemberSink> {
        auto sink = std::make_unique<LibarchiveSink>(fd, options);
        if (!sink->isOpen()) return nullptr;
        return sink;
    };
    return rewriteWithFile(ArchiveType::Zip, archivePath, filePath, zip, flushToDisk);
}

bool addFileTo7z(const std::string& archivePath, const std::string& filePath, bool flushToDisk) {
    const auto sevenZip = [&](int fd, std::uint64_t sourceBytes,
                              bool exists) -> std::unique_ptr<MemberSink> {
        // The dictionary is sized for all the data the archive will hold.
        const std::uint64_t others =
            exists ? otherMembersBytes(ArchiveType::SevenZip, archivePath, fs::pathName(filePath))
                   : 0;
        return std::make_unique<SevenZipSink>(fd, sourceBytes + others);
    };
    return rewriteWithFile(ArchiveType::SevenZip, archivePath, filePath, sevenZip, flushToDisk);
}

}  // namespace romshelf::archive
