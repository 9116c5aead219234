#include "core/views/FolderListingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <utility>

#include "core/platform/Checksums.h"
#include "core/platform/FileSystem.h"
#include "core/platform/NativeBytes.h"
#include "core/platform/PendingFile.h"
#include "core/text/TextCodec.h"

namespace romshelf {

namespace {

constexpr std::size_t kHeaderBytes = 40;
constexpr std::size_t kCrcAt = 32;
constexpr std::size_t kEntryBytes = 72;
// Far above the index of any real collection's folders; a larger one is not ours.
constexpr std::uint64_t kMaxIndexBytes = 64ull * 1024 * 1024;

using bytes::load;
using bytes::paddedTo8;
using bytes::put;

void padTo8(std::string& out) { out.resize(paddedTo8(out.size()), '\0'); }

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Reads exactly `size` bytes at `offset`.
bool readAt(int fd, char* into, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, into, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        into += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

}  // namespace

bool keepableNames(std::string_view names, std::uint32_t count) {
    if (!names.empty() && names.back() != '\0') return false;
    std::uint32_t seen = 0;
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t end = names.find('\0', at);
        const std::string_view name = names.substr(at, end - at);
        if (name.empty() || name == "." || name == ".." ||
            name.find('/') != std::string_view::npos || ++seen > count)
            return false;
        at = end + 1;
    }
    return seen == count && text::isValidUtf8(names);
}

namespace {

// The header and the index of a file of `listings`, the names to follow in the same order.
std::string headerAndIndex(std::string_view host, std::span<const FolderListing> listings) {
    std::string index(host);
    padTo8(index);
    std::size_t indexBytes = index.size();
    for (const FolderListing& l : listings) indexBytes += kEntryBytes + paddedTo8(l.folder.size());
    std::uint64_t namesAt = kHeaderBytes + indexBytes;
    for (const FolderListing& l : listings) {
        put(index, l.stamp.device);
        put(index, l.stamp.inode);
        put(index, l.stamp.mtimeNs);
        put(index, l.stamp.ctimeNs);
        put(index, l.readHash);
        put(index, l.readSize);
        put(index, namesAt);
        put(index, static_cast<std::uint32_t>(l.names.size()));
        put(index, crc32Update(0, l.names.data(), l.names.size()));
        put(index, l.nameCount);
        put(index, static_cast<std::uint32_t>(l.folder.size()));
        index += l.folder;
        padTo8(index);
        namesAt += l.names.size();
    }
    std::string out(kFolderListingMagic);
    put(out, static_cast<std::uint32_t>(host.size()));
    put(out, static_cast<std::uint32_t>(listings.size()));
    put(out, static_cast<std::uint64_t>(index.size()));
    put(out, namesAt);  // the file's size
    std::uint32_t crc = crc32Update(0, out.data(), out.size());
    crc = crc32Update(crc, index.data(), index.size());
    put(out, crc);
    put(out, std::uint32_t{0});
    return out + index;
}

}  // namespace

FolderStamp FolderStamp::of(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

bool FolderStamp::settledAt(std::int64_t nowSeconds) const {
    const std::int64_t last = std::max(mtimeNs, ctimeNs) / 1'000'000'000;
    return last + kSettleSeconds <= nowSeconds;
}

FolderListingFile FolderListingFile::open(const std::string& path, std::string_view host) {
    FolderListingFile file;
    const int fd = fs::openRegularFile(path);
    if (fd < 0) return file;
    file.fd_ = fd;
    struct stat st {};
    char header[kHeaderBytes];
    if (::fstat(fd, &st) != 0 || !readAt(fd, header, kHeaderBytes, 0) ||
        std::string_view(header, 8) != kFolderListingMagic)
        return {};
    const auto hostSize = load<std::uint32_t>(header + 8);
    const auto count = load<std::uint32_t>(header + 12);
    const auto indexBytes = load<std::uint64_t>(header + 16);
    const auto fileBytes = load<std::uint64_t>(header + 24);
    if (fileBytes != static_cast<std::uint64_t>(st.st_size) || indexBytes > kMaxIndexBytes ||
        indexBytes > fileBytes - kHeaderBytes || hostSize != host.size() ||
        count > indexBytes / kEntryBytes)
        return {};
    std::string index(static_cast<std::size_t>(indexBytes), '\0');
    if (!readAt(fd, index.data(), index.size(), kHeaderBytes)) return {};
    std::uint32_t crc = crc32Update(0, header, kCrcAt);
    crc = crc32Update(crc, index.data(), index.size());
    if (crc != load<std::uint32_t>(header + kCrcAt) ||
        std::string_view(index).substr(0, hostSize) != host)
        return {};
    std::size_t at = paddedTo8(hostSize);
    const std::uint64_t firstNames = kHeaderBytes + indexBytes;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (index.size() - at < kEntryBytes) return {};
        const char* e = index.data() + at;
        Entry entry;
        entry.stamp = {load<std::uint64_t>(e), load<std::uint64_t>(e + 8),
                       load<std::int64_t>(e + 16), load<std::int64_t>(e + 24)};
        entry.readHash = load<std::uint64_t>(e + 32);
        entry.readSize = load<std::uint64_t>(e + 40);
        entry.namesAt = load<std::uint64_t>(e + 48);
        entry.namesSize = load<std::uint32_t>(e + 56);
        entry.namesCrc = load<std::uint32_t>(e + 60);
        entry.nameCount = load<std::uint32_t>(e + 64);
        const auto folderSize = load<std::uint32_t>(e + 68);
        at += kEntryBytes;
        // The path's padding too: `at` never passes the index's end.
        if (index.size() - at < paddedTo8(folderSize) || entry.namesAt < firstNames ||
            entry.namesAt > fileBytes || entry.namesSize > fileBytes - entry.namesAt)
            return {};
        file.entries_[index.substr(at, folderSize)] = entry;
        at += paddedTo8(folderSize);
    }
    if (at != index.size()) return {};
    return file;
}

FolderListingFile::~FolderListingFile() {
    if (fd_ >= 0) ::close(fd_);
}

FolderListingFile::FolderListingFile(FolderListingFile&& o) noexcept
    : fd_(std::exchange(o.fd_, -1)), entries_(std::move(o.entries_)) {}

FolderListingFile& FolderListingFile::operator=(FolderListingFile&& o) noexcept {
    if (this != &o) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(o.fd_, -1);
        entries_ = std::move(o.entries_);
    }
    return *this;
}

const FolderListingFile::Entry* FolderListingFile::find(const std::string& folder,
                                                        const FolderStamp& stamp) const {
    const auto it = entries_.find(folder);
    return it != entries_.end() && it->second.stamp == stamp ? &it->second : nullptr;
}

bool FolderListingFile::lists(const std::string& folder, const FolderStamp& stamp) const {
    return find(folder, stamp) != nullptr;
}

bool FolderListingFile::readNames(const std::string& folder, const FolderStamp& stamp,
                                  std::string& names, std::uint64_t& readHash,
                                  std::uint64_t& readSize) const {
    names.clear();
    const Entry* e = find(folder, stamp);
    if (!e) return false;
    names.resize(e->namesSize);
    if (!readAt(fd_, names.data(), names.size(), e->namesAt) ||
        crc32Update(0, names.data(), names.size()) != e->namesCrc ||
        !keepableNames(names, e->nameCount)) {
        names.clear();
        return false;
    }
    readHash = e->readHash;
    readSize = e->readSize;
    return true;
}

std::string folderListingBytes(std::string_view host, std::span<const FolderListing> listings) {
    std::string out = headerAndIndex(host, listings);
    for (const FolderListing& l : listings) out += l.names;
    return out;
}

bool saveFolderListingFile(const std::string& path, std::string_view host,
                           std::span<const FolderListing> listings) {
    if (!fs::createDirectories(fs::pathFolder(path))) return false;
    PendingFile file(path);
    if (!file.isOpen() || !file.write(headerAndIndex(host, listings))) return false;
    for (const FolderListing& l : listings)
        if (!file.write(l.names)) return false;
    // A cache: not worth a flush to disk, a crash only costs the next listing its speed.
    return file.commit(false);
}

}  // namespace romshelf
