#include "core/platform/Checksums.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "core/platform/FileSystem.h"
#include "core/platform/LibCrypto.h"
#include "core/platform/MappedFile.h"
#include "core/platform/MappedReadGuard.h"

#ifdef ROMSHELF_HAVE_ISAL
#include <isa-l/crc.h>
#endif

namespace romshelf {

namespace {

// A read this large keeps the system calls few (most ROM files take one or two); smaller ones
// measured no faster from the page cache.
constexpr std::size_t kReadSize = std::size_t{1} << 20;

const EVP_MD* sha1Method(const LibCrypto& crypto) {
    // Fetched once: an implicit fetch at every file would look the method up each time.
    static EVP_MD* const method = crypto.EVP_MD_fetch(nullptr, "SHA1", nullptr);
    return method;
}

EVP_MD_CTX* newSha1() {
    const LibCrypto* crypto = libCrypto();
    if (crypto == nullptr) return nullptr;
    EVP_MD_CTX* ctx = crypto->EVP_MD_CTX_new();
    if (ctx != nullptr && crypto->EVP_DigestInit_ex(ctx, sha1Method(*crypto), nullptr) != 1) {
        crypto->EVP_MD_CTX_free(ctx);
        return nullptr;
    }
    return ctx;
}

// Frees a SHA-1 context; there is one only where libcrypto was loaded.
void freeSha1(void* ctx) {
    if (ctx != nullptr) libCrypto()->EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(ctx));
}

}  // namespace

namespace detail {

std::uint32_t zlibCrc32Update(std::uint32_t crc, const void* data, std::size_t size) {
    // zlib takes at most 4 GiB a call.
    const auto* bytes = static_cast<const Bytef*>(data);
    uLong value = crc;
    while (size > 0) {
        const std::size_t part = std::min<std::size_t>(size, std::size_t{1} << 30);
        value = ::crc32(value, bytes, static_cast<uInt>(part));
        bytes += part;
        size -= part;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace detail

std::uint32_t crc32Update(std::uint32_t crc, const void* data, std::size_t size) {
    if (size == 0) return crc;
#ifdef ROMSHELF_HAVE_ISAL
    return ::crc32_gzip_refl(crc, static_cast<const unsigned char*>(data), size);
#else
    return detail::zlibCrc32Update(crc, data, size);
#endif
}

ContentHasher::ContentHasher(SumKinds kinds) : crc32_(kinds != SumKinds::Sha1) {
    if (kinds != SumKinds::Crc32) sha1_ = newSha1();
}

ContentHasher::~ContentHasher() { freeSha1(sha1_); }

ContentHasher::ContentHasher(ContentHasher&& other) noexcept
    : sha1_(std::exchange(other.sha1_, nullptr)),
      size_(other.size_),
      crc_(other.crc_),
      crc32_(other.crc32_) {}

ContentHasher& ContentHasher::operator=(ContentHasher&& other) noexcept {
    if (this != &other) {
        freeSha1(sha1_);
        sha1_ = std::exchange(other.sha1_, nullptr);
        size_ = other.size_;
        crc_ = other.crc_;
        crc32_ = other.crc32_;
    }
    return *this;
}

void ContentHasher::update(const void* data, std::size_t size) {
    size_ += size;
    if (crc32_) crc_ = crc32Update(crc_, data, size);
    if (sha1_ != nullptr)
        libCrypto()->EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(sha1_), data, size);
}

ContentSums ContentHasher::finish() {
    ContentSums sums;
    sums.size = size_;
    sums.crc32 = crc_;
    if (auto* ctx = static_cast<EVP_MD_CTX*>(sha1_)) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        const LibCrypto& crypto = *libCrypto();
        if (crypto.EVP_DigestFinal_ex(ctx, digest, &length) == 1) {
            static constexpr char kHex[] = "0123456789abcdef";
            sums.sha1.reserve(length * 2);
            for (unsigned int i = 0; i < length; ++i) {
                sums.sha1 += kHex[digest[i] >> 4];
                sums.sha1 += kHex[digest[i] & 0x0F];
            }
        }
        crypto.EVP_DigestInit_ex(ctx, sha1Method(crypto), nullptr);
    }
    size_ = 0;
    crc_ = 0;
    return sums;
}

namespace {

// The first bytes handed over, into `head` (up to `size` of them), whether read or mapped.
struct HeadCopy {
    unsigned char* head;
    std::size_t size;
    std::size_t have = 0;
    void take(const void* bytes, std::size_t length) {
        if (have >= size) return;
        const std::size_t copy = std::min(length, size - have);
        std::memcpy(head + have, bytes, copy);
        have += copy;
    }
};

// Reads `fd` to its end into `hasher` (its head into `head`), or only its first `upTo` bytes when
// that is not 0; asks `stop` before every read.
FileRead readAll(int fd, ContentHasher& hasher, unsigned char* head, std::size_t headSize,
                 const std::function<bool()>& stop, std::uint64_t upTo = 0) {
    // One buffer per thread: a fresh megabyte per file would cost more page faults than small
    // files take to hash. Left unfilled: only the pages the reads reach are ever touched, which
    // is a quarter of a megabyte for most ROMs.
    thread_local const std::unique_ptr<unsigned char[]> buffer =
        std::make_unique_for_overwrite<unsigned char[]>(kReadSize);
    HeadCopy headCopy{head, headSize};
    std::uint64_t left = upTo;
    for (;;) {
        if (upTo != 0 && left == 0) return FileRead::Whole;
        if (stop && stop()) return FileRead::Stopped;
        const std::size_t want = upTo != 0 ? std::min<std::uint64_t>(left, kReadSize) : kReadSize;
        const ssize_t n = ::read(fd, buffer.get(), want);
        if (n < 0) {
            if (errno == EINTR) continue;
            // Opened without waiting (see hashFile); a file system that heeds that for a regular
            // file is read the blocking way.
            const int flags = errno == EAGAIN ? ::fcntl(fd, F_GETFL) : -1;
            if (flags >= 0 && (flags & O_NONBLOCK) != 0 &&
                ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0)
                continue;
            return FileRead::Failed;
        }
        if (n == 0) return FileRead::Whole;
        const auto got = static_cast<std::size_t>(n);
        headCopy.take(buffer.get(), got);
        hasher.update(buffer.get(), got);
        left -= std::min<std::uint64_t>(left, got);
    }
}

// Files at least this large are hashed from a mapping of their pages instead of copies: from the
// page cache, mapping a file and hashing it took less CPU than only reading it (0.75-0.9 of the
// bare reads, against 1.1-1.2 for reads and hashing, on files of 100 KB to 10 MB). A smaller
// file takes one read, which costs less than a mapping made and undone.
constexpr std::uint64_t kMapFrom = 64 * 1024;
// Past this size the parts hashed are unmapped as the hashing goes on (the pages stay cached): a
// disc image of gigabytes would otherwise show as that much of the program's memory.
constexpr std::uint64_t kKeepMappedUpTo = 64 * 1024 * 1024;

// ReadFromStart: the hasher was given bytes that may not be the file's; ReadInstead: nothing.
enum class Mapped { Whole, Stopped, ReadInstead, ReadFromStart };

// Whether every page of the first kReadSize bytes mapped at `bytes` is in the page cache.
bool firstPartCached(const char* bytes, std::size_t page) {
    // Pages of 4 KiB at the least.
    std::array<unsigned char, kReadSize / 4096> resident{};
    const std::size_t pages = std::min(kReadSize / page, resident.size());
    if (::mincore(const_cast<char*>(bytes), pages * page, resident.data()) != 0) return false;
    return std::all_of(resident.begin(), resident.begin() + static_cast<std::ptrdiff_t>(pages),
                       [](unsigned char r) { return (r & 1) != 0; });
}

// The first `size` bytes of `fd` into `hasher` (its head into `head`), from one mapping of them,
// kReadSize bytes at a time, `stop` asked before each part. ReadInstead when the file is not
// mapped; ReadFromStart when it was cut short meanwhile.
Mapped hashMapped(int fd, std::uint64_t size, ContentHasher& hasher, unsigned char* head,
                  std::size_t headSize, const std::function<bool()>& stop) {
    // A whole file in the address space wants a large one.
    if constexpr (sizeof(void*) < 8) return Mapped::ReadInstead;
    const auto mappedSize = static_cast<std::size_t>(size);
    // A file of one part is set up whole by the mapping itself: two calls in all.
    const bool onePart = mappedSize <= kReadSize;
    char* const bytes = static_cast<char*>(
        ::mmap(nullptr, mappedSize, PROT_READ, MAP_PRIVATE | (onePart ? MAP_POPULATE : 0), fd, 0));
    if (bytes == MAP_FAILED) return Mapped::ReadInstead;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (!onePart && !firstPartCached(bytes, page)) {
        // Not in the page cache: the disk's time is the cost, and reads keep it busy ahead of the
        // hashing better than a mapping does (measured a fifth slower cold, even read ahead).
        ::munmap(bytes, mappedSize);
        return Mapped::ReadInstead;
    }
    if (!onePart) ::madvise(bytes, mappedSize, MADV_SEQUENTIAL);
    Mapped result = Mapped::Whole;
    HeadCopy headCopy{head, headSize};
    for (std::size_t at = 0; at < mappedSize; at += kReadSize) {
        if (stop && stop()) {
            result = Mapped::Stopped;
            break;
        }
        const std::size_t length = std::min(mappedSize - at, kReadSize);
        const std::size_t pages = (length + page - 1) / page * page;
        // One call sets up every page of the part, where touching them would fault once per few
        // pages. A kernel without it, or a part past a new end, is left to the faults and the
        // guard.
#ifdef MADV_POPULATE_READ
        if (!onePart) ::madvise(bytes + at, pages, MADV_POPULATE_READ);
#endif
        bool faulted = false;
        {
            const MappedReadGuard guard(bytes + at, length);
            headCopy.take(bytes + at, length);
            hasher.update(bytes + at, length);
            faulted = guard.faulted();
        }
        if (faulted) {
            result = Mapped::ReadFromStart;
            break;
        }
        if (size > kKeepMappedUpTo) ::madvise(bytes + at, pages, MADV_DONTNEED);
    }
    ::munmap(bytes, mappedSize);
    // Cut within its last page, a file faults nowhere: that page reads as zeros past the new end.
    // Reads would have given the shorter bytes.
    struct stat st {};
    if (result == Mapped::Whole &&
        (::fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) < size))
        result = Mapped::ReadFromStart;
    return result;
}

}  // namespace

bool hashDescriptor(int fd, ContentHasher& hasher, unsigned char* head, std::size_t headSize) {
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return readAll(fd, hasher, head, headSize, {}) == FileRead::Whole;
}

FileRead hashFile(const std::string& path, ContentHasher& hasher, fs::OpenedFile* file,
                  unsigned char* head, std::size_t headSize, const std::function<bool()>& stop,
                  FileReading way) {
    auto keep = [&](const struct stat& st) {
        if (file == nullptr) return;
        file->size = static_cast<std::uint64_t>(st.st_size);
        file->mtimeNs =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    };
    // Looked at before it is opened: opening a device can have effects of its own.
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return FileRead::NotRegular;
    // O_NONBLOCK keeps a FIFO put there meanwhile from waiting for a writer; reads of a regular
    // file do not heed it, so it stays set (readAll clears it should one say EAGAIN): no fcntl
    // calls per file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        keep(st);
        return FileRead::Unopened;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileRead::NotRegular;
    }
    keep(st);
#ifdef POSIX_FADV_SEQUENTIAL
    // A file read in one call needs no advice: the read asks for all of it at once.
    if (static_cast<std::uint64_t>(st.st_size) >= kReadSize)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    const auto size = static_cast<std::uint64_t>(st.st_size);
    // Mapped only where a page read once can be read again (see MappedFile), and only into a
    // hasher that holds nothing yet: one that was given bytes the file no longer has is started
    // again, and the file read instead.
    if (way == FileReading::Chosen && size >= kMapFrom && hasher.size() == 0 &&
        MappedFile::mapsSafely(fd)) {
        // A mapping leaves the file's offset at its start, for the reads.
        switch (hashMapped(fd, size, hasher, head, headSize, stop)) {
            case Mapped::Whole:
                ::close(fd);
                return FileRead::Whole;
            case Mapped::Stopped:
                ::close(fd);
                return FileRead::Stopped;
            case Mapped::ReadFromStart:
                hasher.finish();
                break;
            case Mapped::ReadInstead:
                break;
        }
    }
    // Read up to the size it had when opened, not to the end: the read that would only say "end"
    // is saved (a quarter of the system calls over small files), and a file still growing is
    // hashed as far as the size it is recorded with.
    const FileRead read = readAll(fd, hasher, head, headSize, stop, size);
    ::close(fd);
    return read;
}

std::optional<ContentSums> fileSums(const std::string& path, SumKinds kinds) {
    ContentHasher hasher(kinds);
    if (hashFile(path, hasher) != FileRead::Whole) return std::nullopt;
    return hasher.finish();
}

}  // namespace romshelf
