#include "core/archive/LzhWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

#include "core/platform/AsciiCase.h"
#include "core/platform/PendingFile.h"
#include "core/text/TextCodec.h"
#include "core/archive/LzhArchiveScan.h"
#include "core/archive/LzhCrc16.h"
#include "core/archive/LzhEncoder.h"
#include "core/archive/LzhHeader.h"
#include "core/platform/FileSystem.h"

namespace romshelf::archive {

namespace {

// Level-2 size fields are 32-bit; we keep to what every reader takes as a positive size.
constexpr std::uint64_t kMaxMemberSize = 0x7FFFFFFFu;
constexpr std::size_t kIoChunk = 256 * 1024;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool readFully(int fd, std::uint64_t offset, std::size_t size, std::uint8_t* out) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads the next piece of a stream; -1 on error.
ssize_t readSome(int fd, std::uint8_t* out, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, out, size);
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

bool isCp932Lead(std::uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Windows LHA tools compare names case-blind for ASCII letters only; in CP932 the second byte
// of a double-byte character may look like a letter and must match exactly.
bool sameNameCp932(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (isCp932Lead(static_cast<std::uint8_t>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (ascii::lower(a[i]) != ascii::lower(b[i])) {
            return false;
        }
    }
    return true;
}

// UTF-8 multi-byte sequences never contain ASCII bytes, so plain ASCII folding is safe there.
bool sameNameUtf8(const std::string& a, const std::string& b) {
    return ascii::equalsIgnoringCase(a, b);
}

struct MemberName {
    std::string stored;  // the bytes we write
    std::uint32_t codePage = 0;
    std::optional<std::string> cp932;
    std::string utf8;

    bool matches(const LzhMemberSpan& m) const {
        if (!m.directory.empty() || m.methodId == "-lhd-") return false;
        return (cp932 && sameNameCp932(m.name, *cp932)) || sameNameUtf8(m.name, utf8);
    }
};

MemberName memberNameFor(const std::string& filePath) {
    MemberName n;
    n.utf8 = fs::pathName(filePath);
    n.cp932 = text::toCp932(n.utf8);
    if (n.cp932) {
        n.stored = *n.cp932;
        n.codePage = 932;
    } else {
        n.stored = n.utf8;
        n.codePage = text::isValidUtf8(n.utf8) ? 65001 : 0;
    }
    return n;
}

struct Source {
    Fd fd;
    std::uint64_t size = 0;
    std::uint32_t unixTime = 0;
    std::uint16_t unixMode = 0100644;
};

bool openSource(const std::string& path, Source& src) {
    src.fd.reset(fs::openRegularFile(path));  // a FIFO is refused without waiting
    if (src.fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(src.fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    src.size = static_cast<std::uint64_t>(st.st_size);
    if (src.size > kMaxMemberSize) return false;  // the size fields cannot hold it
    const auto mtime = static_cast<std::int64_t>(st.st_mtime);
    src.unixTime = static_cast<std::uint32_t>(mtime < 0              ? 0
                                              : mtime > 0xFFFFFFFFll ? 0xFFFFFFFFll
                                                                     : mtime);
    src.unixMode = static_cast<std::uint16_t>(0100000 | (st.st_mode & 07777));
    return true;
}

// The archive under construction: a pending file beside the target, written through a buffered
// stream (the headers are patched by seeking back) and renamed over the target at the end.
class TempArchive {
public:
    explicit TempArchive(const std::string& target) : pending_(target) {}
    ~TempArchive() {
        if (file_) std::fclose(file_);
    }
    TempArchive(const TempArchive&) = delete;
    TempArchive& operator=(const TempArchive&) = delete;

    bool create(std::optional<mode_t> mode) {
        if (!pending_.isOpen()) return false;
        if (mode && !pending_.setMode(*mode))  // keep the old archive's permissions
            return false;
        const int fd = ::dup(pending_.fd());
        file_ = fd >= 0 ? ::fdopen(fd, "w+b") : nullptr;
        if (!file_ && fd >= 0) ::close(fd);
        return file_ != nullptr;
    }

    std::FILE* file() { return file_; }
    bool write(const void* data, std::size_t size) {
        return size == 0 || std::fwrite(data, 1, size, file_) == size;
    }
    std::int64_t tell() { return ::ftello(file_); }
    bool seek(std::int64_t offset) { return ::fseeko(file_, offset, SEEK_SET) == 0; }
    bool seekEnd() { return ::fseeko(file_, 0, SEEK_END) == 0; }
    bool truncate(std::int64_t size) {
        return std::fflush(file_) == 0 && ::ftruncate(::fileno(file_), size) == 0 && seek(size);
    }

    bool commit(bool flushToDisk) {
        const bool closed = std::fflush(file_) == 0 && std::fclose(file_) == 0;
        file_ = nullptr;
        return closed && pending_.commit(flushToDisk);
    }

private:
    PendingFile pending_;
    std::FILE* file_ = nullptr;
};

bool copyRange(int fd, std::uint64_t offset, std::uint64_t size, TempArchive& out,
               std::vector<std::uint8_t>& buffer) {
    while (size > 0) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, buffer.size()));
        if (!readFully(fd, offset, n, buffer.data()) || !out.write(buffer.data(), n)) return false;
        offset += n;
        size -= n;
    }
    return true;
}

// Stores the source without compression from the current output position; returns its CRC.
std::optional<std::uint16_t> storeSource(Source& src, TempArchive& out,
                                         std::vector<std::uint8_t>& buffer) {
    if (::lseek(src.fd.get(), 0, SEEK_SET) != 0) return std::nullopt;
    std::uint16_t crc = 0;
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = readSome(src.fd.get(), buffer.data(), buffer.size());
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        crc = lzhCrc16(buffer.data(), static_cast<std::size_t>(n), crc);
        total += static_cast<std::uint64_t>(n);
        if (total > src.size || !out.write(buffer.data(), static_cast<std::size_t>(n))) {
            return std::nullopt;
        }
    }
    if (total != src.size) return std::nullopt;  // the file changed while we read it
    return crc;
}

// Writes the new member (header and data) at the current end of the output.
bool writeMember(Source& src, const MemberName& name, LzhMethod method, TempArchive& out,
                 std::vector<std::uint8_t>& buffer) {
    LzhHeaderFields fields;
    fields.methodId = lzhMethodId(method);
    fields.originalSize = static_cast<std::uint32_t>(src.size);
    fields.unixTime = src.unixTime;
    fields.storedName = name.stored;
    fields.codePage = name.codePage;
    fields.unixMode = src.unixMode;
    const std::string placeholder = buildLzhLevel2Header(fields);
    const std::int64_t headerAt = out.tell();
    if (placeholder.empty() || headerAt < 0 || !out.write(placeholder.data(), placeholder.size())) {
        return false;
    }
    const std::int64_t dataAt = headerAt + static_cast<std::int64_t>(placeholder.size());

    // Compress; give up as soon as the output would be larger than the file itself.
    bool writeFailed = false;
    bool tooLarge = false;
    std::uint64_t written = 0;
    LzhEncoder encoder(method, [&](const std::uint8_t* data, std::size_t size) {
        if (written + size > src.size) {
            tooLarge = true;
            return false;
        }
        written += size;
        if (!out.write(data, size)) writeFailed = true;
        return !writeFailed;
    });
    std::uint16_t crc = 0;
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = readSome(src.fd.get(), buffer.data(), buffer.size());
        if (n < 0) return false;
        if (n == 0) break;
        crc = lzhCrc16(buffer.data(), static_cast<std::size_t>(n), crc);
        total += static_cast<std::uint64_t>(n);
        if (total > src.size) return false;  // grew while we read it
        if (!encoder.write(buffer.data(), static_cast<std::size_t>(n))) break;
    }
    if (writeFailed) return false;
    if (!tooLarge) {
        if (total != src.size) return false;
        encoder.finish();
        if (writeFailed) return false;
    }

    if (tooLarge || written >= src.size) {
        // LHA tools keep incompressible files as -lh0-; every reader takes that.
        if (!out.truncate(dataAt)) return false;
        const auto storedCrc = storeSource(src, out, buffer);
        if (!storedCrc) return false;
        fields.methodId = "-lh0-";
        fields.packedSize = static_cast<std::uint32_t>(src.size);
        fields.crc = *storedCrc;
    } else {
        fields.packedSize = static_cast<std::uint32_t>(written);
        fields.crc = crc;
    }
    const std::string header = buildLzhLevel2Header(fields);
    return header.size() == placeholder.size() && out.seek(headerAt) &&
           out.write(header.data(), header.size()) && out.seekEnd();
}

}  // namespace

bool addFileToLzh(const std::string& archivePath, const std::string& filePath, LzhMethod method,
                  bool flushToDisk) {
    if (archivePath.empty()) return false;
    Source src;
    if (!openSource(filePath, src)) return false;
    const MemberName name = memberNameFor(filePath);
    if (name.stored.empty()) return false;

    // The existing archive, read as a list of member spans; a damaged one is left alone.
    // Something that is not a regular file under the archive's name is refused without waiting.
    if (fs::pathExists(archivePath) && !fs::fileExists(archivePath)) return false;
    Fd old(fs::openRegularFile(archivePath));
    if (old.get() < 0 && fs::pathExists(archivePath)) return false;
    std::vector<LzhMemberSpan> members;
    std::optional<mode_t> oldMode;
    if (old.get() >= 0) {
        struct stat st {};
        if (::fstat(old.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        oldMode = st.st_mode & 07777;
        const int fd = old.get();
        auto scanned =
            scanLzhArchive([fd](std::uint64_t offset, std::size_t size,
                                std::uint8_t* out) { return readFully(fd, offset, size, out); },
                           static_cast<std::uint64_t>(st.st_size));
        if (!scanned) return false;
        members = std::move(*scanned);
    }

    TempArchive out(archivePath);
    if (!out.create(oldMode)) return false;
    std::vector<std::uint8_t> buffer(kIoChunk);

    // The new member takes the place of the first one with its name; later namesakes go.
    bool placed = false;
    for (const LzhMemberSpan& m : members) {
        if (name.matches(m)) {
            if (!placed && !writeMember(src, name, method, out, buffer)) return false;
            placed = true;
            continue;
        }
        if (!copyRange(old.get(), m.offset, m.size, out, buffer)) return false;
    }
    if (!placed && !writeMember(src, name, method, out, buffer)) return false;

    const std::uint8_t endOfArchive = 0;
    return out.write(&endOfArchive, 1) && out.commit(flushToDisk);
}

}  // namespace romshelf::archive
