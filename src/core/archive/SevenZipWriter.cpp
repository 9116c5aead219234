#include "core/archive/SevenZipWriter.h"

#include <lzma.h>
#include <sys/stat.h>
#include <unicode/unistr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/platform/Checksums.h"
#include "core/text/TextCodec.h"

namespace romshelf::archive {

namespace {

constexpr std::uint32_t kPreset = 6;
constexpr std::uint32_t kMinimumDictionary = 64 * 1024;
constexpr std::size_t kOutputBuffer = 256 * 1024;
constexpr std::size_t kSignatureHeaderSize = 32;

// Property IDs of the 7z header.
enum : unsigned char {
    kEnd = 0x00,
    kHeader = 0x01,
    kMainStreamsInfo = 0x04,
    kFilesInfo = 0x05,
    kPackInfo = 0x06,
    kUnpackInfo = 0x07,
    kSubStreamsInfo = 0x08,
    kSize = 0x09,
    kCrc = 0x0A,
    kFolder = 0x0B,
    kCodersUnpackSize = 0x0C,
    kNumUnpackStream = 0x0D,
    kEmptyStream = 0x0E,
    kEmptyFile = 0x0F,
    kName = 0x11,
    kMTime = 0x14,
    kAttributes = 0x15,
};

constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr std::uint32_t kAttributeUnixMode = 0x8000;  // the high 16 bits hold st_mode

// 7z's variable-length number: the count of leading one bits in the first byte tells how many
// little-endian bytes follow; the first byte's remaining bits are the value's highest ones.
void putNumber(std::string& out, std::uint64_t value) {
    unsigned char first = 0, mask = 0x80;
    int extra = 0;
    for (; extra < 8; ++extra) {
        if (value < (std::uint64_t{1} << (7 * (extra + 1)))) {
            first |= static_cast<unsigned char>(value >> (8 * extra));
            break;
        }
        first |= mask;
        mask >>= 1;
    }
    out += static_cast<char>(first);
    for (; extra > 0; --extra, value >>= 8) out += static_cast<char>(value & 0xFF);
}

void putLittle(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i, value >>= 8) out += static_cast<char>(value & 0xFF);
}

// Bits first to last, the first in a byte's highest bit.
std::string bitVector(const std::vector<bool>& bits) {
    std::string out((bits.size() + 7) / 8, '\0');
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i]) out[i / 8] = static_cast<char>(out[i / 8] | (0x80 >> (i % 8)));
    return out;
}

void putProperty(std::string& out, unsigned char id, const std::string& data) {
    out += static_cast<char>(id);
    putNumber(out, data.size());
    out += data;
}

bool writeAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::uint32_t sevenZipDictionarySize(std::uint64_t inputBytes, std::uint32_t presetBytes) {
    std::uint32_t size = kMinimumDictionary;
    while (size < presetBytes && size < inputBytes) size <<= 1;
    return std::min(size, presetBytes);
}

struct SevenZipWriter::Encoder {
    lzma_stream stream = LZMA_STREAM_INIT;
    unsigned char property = 0;  // LZMA2's one property byte: the dictionary size
    std::vector<unsigned char> out = std::vector<unsigned char>(kOutputBuffer);
    ~Encoder() { lzma_end(&stream); }
};

namespace {

// The encoder a thread's SevenZipEncoderReuse keeps between archives.
struct KeptEncoder {
    int scopes = 0;
    std::unique_ptr<SevenZipWriter::Encoder> encoder;
};
thread_local KeptEncoder kept;

}  // namespace

SevenZipEncoderReuse::SevenZipEncoderReuse() { ++kept.scopes; }

SevenZipEncoderReuse::~SevenZipEncoderReuse() {
    if (--kept.scopes == 0) kept.encoder.reset();
}

SevenZipWriter::SevenZipWriter(int fd, std::uint64_t expectedBytes) : fd_(fd) {
    lzma_options_lzma preset{};
    lzma_lzma_preset(&preset, kPreset);
    dictionary_ = sevenZipDictionarySize(expectedBytes, preset.dict_size);
    // The signature header is written last, when the header's place is known.
    const unsigned char zeros[kSignatureHeaderSize] = {};
    failed_ = !writeAll(fd_, zeros, sizeof zeros);
}

SevenZipWriter::~SevenZipWriter() {
    // Initialising the stream again for the next archive resets it whole, whatever state this
    // one left it in; liblzma keeps its memory when the dictionary stays the same.
    if (encoder_ && kept.scopes > 0) kept.encoder = std::move(encoder_);
}

bool SevenZipWriter::begin(const SevenZipMember& member) {
    if (failed_ || closed_ || !text::isValidUtf8(member.name)) return false;
    entries_.push_back({member, 0, 0});
    return true;
}

bool SevenZipWriter::write(const void* data, std::size_t size) {
    if (failed_ || closed_ || entries_.empty() || entries_.back().member.directory) return false;
    if (size == 0) return true;
    Entry& entry = entries_.back();
    entry.size += size;
    entry.crc = crc32Update(entry.crc, data, size);
    return code(data, size, false);
}

bool SevenZipWriter::code(const void* data, std::size_t size, bool finish) {
    if (!encoder_) {
        encoder_ = kept.encoder ? std::move(kept.encoder) : std::make_unique<Encoder>();
        lzma_options_lzma options{};
        lzma_lzma_preset(&options, kPreset);
        options.dict_size = dictionary_;
        const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
        if (lzma_properties_encode(filters, &encoder_->property) != LZMA_OK ||
            lzma_raw_encoder(&encoder_->stream, filters) != LZMA_OK)
            return !(failed_ = true);
        encoder_->stream.next_out = encoder_->out.data();
        encoder_->stream.avail_out = encoder_->out.size();
    }
    lzma_stream& s = encoder_->stream;
    s.next_in = static_cast<const std::uint8_t*>(data);
    s.avail_in = size;
    for (;;) {
        const lzma_ret r = lzma_code(&s, finish ? LZMA_FINISH : LZMA_RUN);
        if (r != LZMA_OK && r != LZMA_STREAM_END) return !(failed_ = true);
        if (s.avail_out == 0 && !flushOutput()) return false;
        if (finish ? r == LZMA_STREAM_END : s.avail_in == 0) break;
    }
    return finish ? flushOutput() : true;
}

bool SevenZipWriter::flushOutput() {
    lzma_stream& s = encoder_->stream;
    std::vector<unsigned char>& out = encoder_->out;
    const std::size_t have = out.size() - s.avail_out;
    if (!writeAll(fd_, out.data(), have)) return !(failed_ = true);
    packed_ += have;
    s.next_out = out.data();
    s.avail_out = out.size();
    return true;
}

bool SevenZipWriter::close() {
    if (failed_ || closed_) return false;
    closed_ = true;
    if (encoder_ && !code(nullptr, 0, true)) return false;
    const std::string h = header();
    if (!writeAll(fd_, reinterpret_cast<const unsigned char*>(h.data()), h.size())) return false;

    std::string start;
    putLittle(start, packed_, 8);  // the header follows the packed stream
    putLittle(start, h.size(), 8);
    putLittle(start, crc32Update(0, h.data(), h.size()), 4);
    std::string signature = "7z\xBC\xAF\x27\x1C";
    signature += '\0';
    signature += '\x04';
    putLittle(signature, crc32Update(0, start.data(), start.size()), 4);
    signature += start;
    return ::pwrite(fd_, signature.data(), signature.size(), 0) ==
           static_cast<ssize_t>(signature.size());
}

// The packed stream and how it unpacks: one folder of one LZMA2 coder, one substream a member
// with data, each with its CRC.
void SevenZipWriter::appendStreamsInfo(std::string& h) const {
    std::vector<const Entry*> streams;
    std::uint64_t unpacked = 0;
    for (const Entry& e : entries_) {
        if (e.size == 0) continue;
        streams.push_back(&e);
        unpacked += e.size;
    }
    if (streams.empty()) return;
    h += static_cast<char>(kMainStreamsInfo);
    h += static_cast<char>(kPackInfo);
    putNumber(h, 0);  // the packed stream starts right after the signature header
    putNumber(h, 1);
    h += static_cast<char>(kSize);
    putNumber(h, packed_);
    h += static_cast<char>(kEnd);

    h += static_cast<char>(kUnpackInfo);
    h += static_cast<char>(kFolder);
    putNumber(h, 1);
    h += '\0';        // the folder follows here, not in another stream
    putNumber(h, 1);  // one coder: LZMA2 (ID 0x21) with its property byte
    h += "\x21\x21";
    putNumber(h, 1);
    h += static_cast<char>(encoder_->property);
    h += static_cast<char>(kCodersUnpackSize);
    putNumber(h, unpacked);
    h += static_cast<char>(kEnd);

    h += static_cast<char>(kSubStreamsInfo);
    h += static_cast<char>(kNumUnpackStream);
    putNumber(h, streams.size());
    if (streams.size() > 1) {
        h += static_cast<char>(kSize);
        for (std::size_t i = 0; i + 1 < streams.size(); ++i) putNumber(h, streams[i]->size);
    }
    h += static_cast<char>(kCrc);
    h += '\1';  // all defined
    for (const Entry* e : streams) putLittle(h, e->crc, 4);
    h += static_cast<char>(kEnd);
    h += static_cast<char>(kEnd);
}

// The members' names, UTF-16LE, each ended by a zero.
void SevenZipWriter::appendNames(std::string& h) const {
    std::string names(1, '\0');  // not in another stream
    for (const Entry& e : entries_) {
        const icu::UnicodeString name = icu::UnicodeString::fromUTF8(e.member.name);
        for (int32_t i = 0; i < name.length(); ++i) putLittle(names, name.charAt(i), 2);
        names.append(2, '\0');
    }
    putProperty(h, kName, names);
}

// Modification times as FILETIMEs, for the members that have one.
void SevenZipWriter::appendTimes(std::string& h) const {
    std::vector<bool> hasTime;
    std::string times;
    for (const Entry& e : entries_) {
        hasTime.push_back(e.member.mtimeSeconds.has_value());
        if (!e.member.mtimeSeconds) continue;
        // FILETIME: 100 ns steps since 1601.
        const std::int64_t ticks =
            (*e.member.mtimeSeconds + 11644473600LL) * 10000000LL + e.member.mtimeNanoseconds / 100;
        putLittle(times, static_cast<std::uint64_t>(ticks), 8);
    }
    if (!times.empty()) {
        const bool all = std::find(hasTime.begin(), hasTime.end(), false) == hasTime.end();
        std::string data = all ? std::string(1, '\1') : std::string(1, '\0') + bitVector(hasTime);
        data += '\0';  // not in another stream
        putProperty(h, kMTime, data + times);
    }
}

// Windows attributes, with the Unix mode in the high half.
void SevenZipWriter::appendAttributes(std::string& h) const {
    std::string attributes = "\1";  // all defined, not in another stream
    attributes += '\0';
    for (const Entry& e : entries_) {
        std::uint32_t a = e.member.directory ? kAttributeDirectory : kAttributeArchive;
        if ((e.member.mode & 0222) == 0) a |= kAttributeReadOnly;
        a |= kAttributeUnixMode | (static_cast<std::uint32_t>(e.member.mode & 0xFFFF) << 16);
        putLittle(attributes, a, 4);
    }
    putProperty(h, kAttributes, attributes);
}

std::string SevenZipWriter::header() const {
    std::string h(1, static_cast<char>(kHeader));
    appendStreamsInfo(h);
    h += static_cast<char>(kFilesInfo);
    putNumber(h, entries_.size());
    std::vector<bool> emptyStream, emptyFile;
    for (const Entry& e : entries_) {
        emptyStream.push_back(e.size == 0);
        if (e.size == 0) emptyFile.push_back(!e.member.directory);
    }
    if (!emptyFile.empty()) {
        putProperty(h, kEmptyStream, bitVector(emptyStream));
        putProperty(h, kEmptyFile, bitVector(emptyFile));
    }
    appendNames(h);
    appendTimes(h);
    appendAttributes(h);
    h += static_cast<char>(kEnd);
    h += static_cast<char>(kEnd);
    return h;
}

}  // namespace romshelf::archive
