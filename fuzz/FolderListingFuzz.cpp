// The kept folder listings over hostile bytes. The first byte picks the way: even, the rest is a
// whole file (its header's size and sum made to fit, so that the checks behind them are
// reached); odd, the rest is one folder's names in a file written right. Names given back are
// always whole names of a folder: none empty, "." or "..", none with a '/', all UTF-8, each ended
// by a NUL.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "core/platform/Checksums.h"
#include "core/text/TextCodec.h"
#include "core/views/FolderListingFile.h"

using namespace romshelf;

namespace {

constexpr std::string_view kHost = "fuzz";
constexpr std::string_view kFolder = "/roms/a/";
const FolderStamp kStamp{1, 2, 3, 4};

// The header's file size and sum (its first 32 bytes and the index it says) made to fit.
void fitHeaderSum(std::string& bytes) {
    if (bytes.size() < 40) return;
    const std::uint64_t fileSize = bytes.size();
    std::memcpy(bytes.data() + 24, &fileSize, 8);
    std::uint64_t index;
    std::memcpy(&index, bytes.data() + 16, 8);
    if (index > bytes.size() - 40) return;
    std::uint32_t crc = crc32Update(0, bytes.data(), 32);
    crc = crc32Update(crc, bytes.data() + 40, static_cast<std::size_t>(index));
    std::memcpy(bytes.data() + 32, &crc, 4);
}

// Checked apart from the reader's own check: whole names, as a folder's files have them.
bool wholeFileNames(std::string_view names) {
    if (!names.empty() && names.back() != '\0') return false;
    std::size_t at = 0;
    while (at < names.size()) {
        const std::size_t end = names.find('\0', at);
        const std::string_view name = names.substr(at, end - at);
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos)
            return false;
        at = end + 1;
    }
    return text::isValidUtf8(names);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool written = data[0] % 2 == 1;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string bytes;
    if (!written) {
        bytes = rest;
        fitHeaderSum(bytes);
    } else {
        // The names' count said by the first of them, to be refused when it is wrong.
        std::uint32_t count = 0;
        for (char c : rest) count += c == '\0';
        if (!rest.empty() && rest[0] == 'X') ++count;
        const FolderListing listing{kFolder, kStamp, 7, rest.size(), rest, count};
        bytes = folderListingBytes(kHost, {&listing, 1});
    }
    const std::string path = fuzz::writeInput(
        "folders.bin", reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const FolderListingFile file = FolderListingFile::open(path, kHost);
    // An entry takes 72 bytes of the index at least.
    if (file.size() > bytes.size() / 72) std::abort();
    std::string names;
    std::uint64_t hash = 0, readSize = 0;
    if (file.readNames(std::string(kFolder), kStamp, names, hash, readSize)) {
        if (!wholeFileNames(names) || names.size() > bytes.size()) std::abort();
        // A file written right gives back exactly what was written.
        if (written && (names != rest || hash != 7 || readSize != rest.size())) std::abort();
    } else if (!names.empty()) {
        std::abort();  // nothing is left behind by a refusal
    }
    FolderStamp other = kStamp;
    other.ctimeNs += 1;
    if (file.readNames(std::string(kFolder), other, names, hash, readSize)) std::abort();
    return 0;
}
