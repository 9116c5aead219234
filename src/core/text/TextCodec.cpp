#include "core/text/TextCodec.h"

#include <unicode/icudataver.h>
#include <unicode/locid.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>
#include <unicode/uversion.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/text/Cp932Table.h"
#include "core/text/IcuCollation.h"

namespace romshelf::text {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One strict and one lenient converter per thread: opening one is far too slow per call.
// Windows' code page 932, as ICU has it.
constexpr const char* kConverterName = "windows-31j";

UConverter* strictConverter() {
    static thread_local ConverterPtr conv = [] {
        UErrorCode status = U_ZERO_ERROR;
        ConverterPtr c(ucnv_open(kConverterName, &status));
        if (U_FAILURE(status)) return ConverterPtr{};
        ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                              &status);
        ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        ucnv_setFallback(c.get(), false);
        return c;
    }();
    return conv.get();
}

// Unmapped or malformed bytes become private-use characters that stand for the bytes themselves
// (U+F700 + byte), so that writing the text back restores them exactly.
void escapeBadBytes(const void*, UConverterToUnicodeArgs* args, const char* codeUnits,
                    int32_t length, UConverterCallbackReason reason, UErrorCode* status) {
    if (reason > UCNV_IRREGULAR) return;
    *status = U_ZERO_ERROR;
    for (int32_t i = 0; i < length; ++i) {
        const UChar escaped =
            static_cast<UChar>(kEscapedByteBase + static_cast<unsigned char>(codeUnits[i]));
        ucnv_cbToUWriteUChars(args, &escaped, 1, 0, status);
    }
}

UConverter* lenientConverter() {
    static thread_local ConverterPtr conv = [] {
        UErrorCode status = U_ZERO_ERROR;
        ConverterPtr c(ucnv_open(kConverterName, &status));
        if (U_FAILURE(status)) return ConverterPtr{};
        ucnv_setToUCallBack(c.get(), escapeBadBytes, nullptr, nullptr, nullptr, &status);
        return c;
    }();
    return conv.get();
}

// Eight bytes at a time: most texts (and file names) are ASCII, or long runs of it.
std::size_t asciiPrefix(std::string_view s) {
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080u) break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    return i;
}

bool isAscii(std::string_view s) { return asciiPrefix(s) == s.size(); }

std::u16string utf8ToUtf16(std::string_view utf8) {
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    return std::u16string(reinterpret_cast<const char16_t*>(u.getBuffer()),
                          static_cast<std::size_t>(u.length()));
}

std::string utf16ToUtf8(const std::u16string& s) {
    icu::UnicodeString u(reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()));
    std::string out;
    u.toUTF8String(out);
    return out;
}

std::optional<std::u16string> cp932ToUtf16(UConverter* conv, std::string_view bytes) {
    if (!conv) return std::nullopt;
    ucnv_reset(conv);
    std::u16string out(bytes.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t n =
        ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                      bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace

namespace {

// Walks well-formed UTF-8 as U8_NEXT reads it (no overlong forms, no surrogates, nothing above
// U+10FFFF) from byte `i`, handing every character to `sink`; false at the first ill-formed
// sequence. A sink that ignores its argument leaves a check that never assembles a character.
template <class Sink>
bool walkUtf8(std::string_view bytes, std::size_t i, Sink&& sink) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    while (i < n) {
        const unsigned c = s[i];
        if (c < 0x80) {
            sink(c);
            ++i;
        } else if (c < 0xE0) {
            if (c < 0xC2 || n - i < 2 || (s[i + 1] & 0xC0) != 0x80) return false;
            sink(((c & 0x1F) << 6) | (s[i + 1] & 0x3F));
            i += 2;
        } else if (c < 0xF0) {
            if (n - i < 3) return false;
            // The second byte's range shuts out overlong forms (E0) and surrogates (ED).
            const unsigned t = s[i + 1];
            const unsigned low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
            if (t < low || t > high || (s[i + 2] & 0xC0) != 0x80) return false;
            sink(((c & 0x0F) << 12) | ((t & 0x3F) << 6) | (s[i + 2] & 0x3F));
            i += 3;
        } else {
            if (c > 0xF4 || n - i < 4) return false;
            // Here overlong forms (F0) and code points above U+10FFFF (F4).
            const unsigned t = s[i + 1];
            const unsigned low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
            if (t < low || t > high || (s[i + 2] & 0xC0) != 0x80 || (s[i + 3] & 0xC0) != 0x80)
                return false;
            sink(((c & 0x07) << 18) | ((t & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) |
                 (s[i + 3] & 0x3F));
            i += 4;
        }
    }
    return true;
}

}  // namespace

namespace {

// The same check as walkUtf8 as a table-driven automaton: every file name of a list is checked,
// most of them Japanese, and a byte costs a load and a shift instead of a chain of branches.
// Each state is the shift of its 6-bit field in the byte's entry, which holds the next state.
namespace utf8 {
enum State : unsigned {
    kAccept = 0,
    kOne = 6,     // one continuation byte to come
    kTwo = 12,    // two
    kThree = 18,  // three
    kE0 = 24,     // after E0: A0..BF (no overlong forms)
    kEd = 30,     // after ED: 80..9F (no surrogates)
    kF0 = 36,     // after F0: 90..BF (no overlong forms)
    kF4 = 42,     // after F4: 80..8F (nothing above U+10FFFF)
    kError = 48,
};

constexpr std::array<std::uint64_t, 256> makeTable() {
    std::array<std::uint64_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        std::uint64_t entry = 0;
        auto to = [&entry](State from, State next) { entry |= std::uint64_t{next} << from; };
        const auto within = [b](unsigned low, unsigned high) { return b >= low && b <= high; };
        to(kAccept, b < 0x80             ? kAccept
                    : within(0xC2, 0xDF) ? kOne
                    : b == 0xE0          ? kE0
                    : b == 0xED          ? kEd
                    : within(0xE1, 0xEF) ? kTwo
                    : b == 0xF0          ? kF0
                    : within(0xF1, 0xF3) ? kThree
                    : b == 0xF4          ? kF4
                                         : kError);
        const bool continuation = within(0x80, 0xBF);
        to(kOne, continuation ? kAccept : kError);
        to(kTwo, continuation ? kOne : kError);
        to(kThree, continuation ? kTwo : kError);
        to(kE0, within(0xA0, 0xBF) ? kOne : kError);
        to(kEd, within(0x80, 0x9F) ? kOne : kError);
        to(kF0, within(0x90, 0xBF) ? kTwo : kError);
        to(kF4, within(0x80, 0x8F) ? kTwo : kError);
        to(kError, kError);
        table[b] = entry;
    }
    return table;
}

constexpr std::array<std::uint64_t, 256> kTable = makeTable();
}  // namespace utf8

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    std::uint64_t state = utf8::kAccept;
    for (std::size_t i = asciiPrefix(bytes); i < bytes.size(); ++i)
        state = utf8::kTable[s[i]] >> (state & 63);
    return (state & 63) == utf8::kAccept;
}

namespace {

// Well-formed UTF-8 into UTF-16 (`out` has room for one unit per byte); false, with `out` in no
// particular state, at the first ill-formed sequence.
bool decodeWellFormedUtf8(std::string_view utf8, char16_t* out, int32_t& length) {
    char16_t* o = out;
    const bool wellFormed = walkUtf8(utf8, 0, [&o](unsigned code) {
        if (code < 0x10000) {
            *o++ = static_cast<char16_t>(code);
        } else {
            *o++ = static_cast<char16_t>(0xD7C0 + (code >> 10));
            *o++ = static_cast<char16_t>(0xDC00 | (code & 0x3FF));
        }
    });
    length = static_cast<int32_t>(o - out);
    return wellFormed;
}

// UTF-8 of U+F700..U+F7FF starts EF 9C..9F.
bool hasEscapedBytes(std::string_view utf8) {
    for (std::size_t i = 0; i + 1 < utf8.size(); ++i)
        if (static_cast<unsigned char>(utf8[i]) == 0xEF &&
            (static_cast<unsigned char>(utf8[i + 1]) & 0xFC) == 0x9C)
            return true;
    return false;
}

std::optional<std::string> plainToCp932(std::string_view utf8);

// Text holding escaped bytes: the runs between them are converted, the escapes become their bytes.
std::optional<std::string> toCp932WithEscapes(std::string_view utf8) {
    std::string out;
    std::size_t runStart = 0, i = 0;
    auto flush = [&](std::size_t end) -> bool {
        if (end == runStart) return true;
        auto run = plainToCp932(utf8.substr(runStart, end - runStart));
        if (!run) return false;
        out += *run;
        return true;
    };
    while (i < utf8.size()) {
        const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
        int32_t at = static_cast<int32_t>(i);
        UChar32 c;
        U8_NEXT(s, at, static_cast<int32_t>(utf8.size()), c);
        const auto code = static_cast<char32_t>(c);
        if (c >= 0 && code >= kEscapedByteBase && code < kEscapedByteBase + 0x100) {
            if (!flush(i)) return std::nullopt;
            out.push_back(static_cast<char>(code - kEscapedByteBase));
            runStart = static_cast<std::size_t>(at);
        }
        i = static_cast<std::size_t>(at);
    }
    if (!flush(utf8.size())) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> toCp932(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    if (hasEscapedBytes(utf8)) {
        // Private-use text typed by the user looks like escaped bytes: it is CP932 only when the
        // bytes read back as the same text, else it must be kept another way.
        auto bytes = toCp932WithEscapes(utf8);
        if (!bytes || fromCp932(*bytes) != utf8) return std::nullopt;
        return bytes;
    }
    return plainToCp932(utf8);
}

namespace {

std::optional<std::string> plainToCp932(std::string_view utf8) {
    if (!isValidUtf8(utf8)) return std::nullopt;
    UConverter* conv = strictConverter();
    if (!conv) return std::nullopt;
    std::u16string u16 = utf8ToUtf16(utf8);
    ucnv_reset(conv);
    std::string out(u16.size() * 2 + 4, '\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                                reinterpret_cast<const UChar*>(u16.data()),
                                static_cast<int32_t>(u16.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<std::size_t>(n));
    // ICU drops some characters silently (zero-width ones, variation selectors), and some share a
    // CP932 code with another: only forms that come back intact are kept.
    auto back = cp932ToUtf16(conv, out);
    if (!back || *back != u16) return std::nullopt;
    return out;
}

}  // namespace

std::string fromCp932(std::string_view cp932) {
    if (isAscii(cp932)) return std::string(cp932);
    // Made at the first text that needs it, from the converter it stands in for.
    static const Cp932Table table(kConverterName);
    std::string out;
    if (table.decode(cp932, out)) return out;
    return fromCp932ThroughConverter(cp932);
}

std::string fromCp932ThroughConverter(std::string_view cp932) {
    UConverter* conv = lenientConverter();
    if (!conv) return std::string(cp932);
    ucnv_reset(conv);
    // At most one UTF-16 unit per byte, into a buffer the thread keeps between calls; then
    // straight to UTF-8 (at most three bytes a unit).
    thread_local std::u16string units;
    units.resize(cp932.size() + 1);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(units.data()),
                                    static_cast<int32_t>(units.size()), cp932.data(),
                                    static_cast<int32_t>(cp932.size()), &status);
    if (U_FAILURE(status)) return std::string();
    std::string out(static_cast<std::size_t>(n) * 3, '\0');
    int32_t length = 0;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                       reinterpret_cast<const UChar*>(units.data()), n, 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) return std::string();
    out.resize(static_cast<std::size_t>(length));
    return out;
}

bool isValidCp932(std::string_view bytes) {
    if (isAscii(bytes)) return true;
    return cp932ToUtf16(strictConverter(), bytes).has_value();
}

namespace {

bool startsWithMarker(std::string_view bytes) {
    return bytes.substr(0, kUtf8Marker.size()) == kUtf8Marker;
}

// Escaped bytes written back as themselves may begin like the UTF-8 marker or, in a text file,
// read as UTF-8 when the file is opened again; such text is kept in the marked UTF-8 form.
std::optional<std::string> unambiguousCp932(std::string_view utf8, bool readerSniffsUtf8) {
    auto cp = toCp932(utf8);
    if (!cp || !hasEscapedBytes(utf8)) return cp;
    if (startsWithMarker(*cp)) return std::nullopt;
    if (readerSniffsUtf8 && !isValidCp932(*cp) && isValidUtf8(*cp)) return std::nullopt;
    return cp;
}

}  // namespace

std::string encodeDataString(std::string_view utf8) {
    if (auto cp = unambiguousCp932(utf8, false)) return std::move(*cp);
    std::string out(kUtf8Marker);
    if (isValidUtf8(utf8)) {
        out.append(utf8);
    } else {
        // Never write malformed UTF-8 behind the marker: repair it first.
        std::string repaired;
        icu::UnicodeString::fromUTF8(
            icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())))
            .toUTF8String(repaired);
        out.append(repaired);
    }
    return out;
}

std::string decodeDataString(std::string_view bytes) {
    if (startsWithMarker(bytes)) {
        std::string_view rest = bytes.substr(kUtf8Marker.size());
        if (isValidUtf8(rest)) return std::string(rest);
        std::string repaired;
        icu::UnicodeString::fromUTF8(
            icu::StringPiece(rest.data(), static_cast<int32_t>(rest.size())))
            .toUTF8String(repaired);
        return repaired;
    }
    return fromCp932(bytes);
}

std::string encodeTextFile(std::string_view utf8) {
    if (auto cp = unambiguousCp932(utf8, true)) return std::move(*cp);
    std::string out(kUtf8Marker);
    out.append(utf8);
    return out;
}

std::string decodeTextFile(std::string_view bytes) {
    if (startsWithMarker(bytes)) return std::string(bytes.substr(kUtf8Marker.size()));
    if (!isValidCp932(bytes) && isValidUtf8(bytes)) return std::string(bytes);
    return fromCp932(bytes);
}

std::string toUpper(std::string_view utf8) {
    if (isAscii(utf8)) {
        std::string out(utf8);
        for (char& c : out)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return out;
    }
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    u.toUpper(icu::Locale::getRoot());
    std::string out;
    u.toUTF8String(out);
    return out;
}

std::string truncateToCp932Bytes(std::string_view utf8, std::size_t maxBytes) {
    if (encodeDataString(utf8).size() <= maxBytes) return std::string(utf8);
    // Find the longest prefix (on a character boundary) whose stored form fits.
    std::vector<std::size_t> bounds;
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto len = static_cast<int32_t>(utf8.size());
    for (int32_t i = 0; i < len;) {
        UChar32 c;
        U8_NEXT(s, i, len, c);
        bounds.push_back(static_cast<std::size_t>(i));
    }
    std::size_t lo = 0, hi = bounds.size();  // answer: number of characters kept
    while (lo < hi) {
        std::size_t mid = (lo + hi + 1) / 2;
        if (encodeDataString(utf8.substr(0, bounds[mid - 1])).size() <= maxBytes)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo == 0 ? std::string() : std::string(utf8.substr(0, bounds[lo - 1]));
}

std::u16string foldKatakanaToHiragana(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= 0x30A1 && c <= 0x30F6)
            c = static_cast<char16_t>(c - 0x60);
        else if (c == 0x30FD || c == 0x30FE)
            c = static_cast<char16_t>(c - 0x60);  // ヽヾ -> ゝゞ
    }
    return text;
}

struct JapaneseCollator::Impl {
    const IcuCollation* icu = nullptr;
    UCollator* collator = nullptr;
    bool opened = false;
    std::u16string text;       // reused between calls
    std::vector<uint8_t> key;  // reused between calls
    ~Impl() {
        if (collator) icu->close(collator);
    }
    // Opened on the first key: a list that is never sorted (or sorted by bytes) never loads the
    // collation data, and the thread that uses a collator is the one that opens it.
    UCollator* get() {
        if (!opened) {
            opened = true;
            icu = icuCollation();
            UErrorCode status = U_ZERO_ERROR;
            if (icu) collator = icu->open("ja", &status);
            if (U_FAILURE(status)) collator = nullptr;
            key.resize(256);
        }
        return collator;
    }
};

JapaneseCollator::JapaneseCollator() : impl_(std::make_unique<Impl>()) {}

JapaneseCollator::~JapaneseCollator() = default;

std::string JapaneseCollator::sortKey(std::string_view utf8) const {
    std::string key;
    appendSortKey(utf8, key);
    return key;
}

void JapaneseCollator::appendSortKey(std::string_view utf8, std::string& out) const {
    Impl& d = *impl_;
    // UTF-8 to UTF-16 into the reused buffer, katakana folded to hiragana on the way. Well-formed
    // text is converted here in one pass; ICU substitutes for ill-formed bytes.
    d.text.resize(utf8.size() + 1);
    int32_t length = 0;
    if (!decodeWellFormedUtf8(utf8, d.text.data(), length)) {
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(reinterpret_cast<UChar*>(d.text.data()),
                             static_cast<int32_t>(d.text.size()), &length, utf8.data(),
                             static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
        if (U_FAILURE(status)) length = 0;
    }
    for (int32_t i = 0; i < length; ++i) {
        char16_t& c = d.text[static_cast<std::size_t>(i)];
        if ((c >= 0x30A1 && c <= 0x30F6) || c == 0x30FD || c == 0x30FE)
            c = static_cast<char16_t>(c - 0x60);
    }
    if (!d.get()) {
        out += utf16ToUtf8(d.text.substr(0, static_cast<std::size_t>(length)));
        return;
    }
    const auto* src = reinterpret_cast<const UChar*>(d.text.data());
    int32_t n = d.icu->getSortKey(d.collator, src, length, d.key.data(),
                                  static_cast<int32_t>(d.key.size()));
    if (n > static_cast<int32_t>(d.key.size())) {
        d.key.resize(static_cast<std::size_t>(n) * 2);
        n = d.icu->getSortKey(d.collator, src, length, d.key.data(),
                              static_cast<int32_t>(d.key.size()));
    }
    // The key ends with a NUL that byte comparison does not need.
    out.append(reinterpret_cast<const char*>(d.key.data()),
               n > 0 ? static_cast<std::size_t>(n - 1) : 0);
}

std::string JapaneseCollator::versionStamp() const {
    // The rules come with ICU's library and data: their versions name them without opening the
    // collator, whose data (2 MB, and a few milliseconds) a list whose keys all come from the
    // file then never loads. The katakana folding and the substitution above are part of the
    // key: the last number changes with them. Keys made without a collator (ICU's collation
    // could not be loaded) are the names' bytes: they are stamped apart.
    if (impl_->opened && impl_->collator == nullptr) return "ja/none/2";
    UVersionInfo library;
    u_getVersion(library);
    char text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(library, text);
    std::string stamp = std::string("ja/icu") + text + "/data";
    UVersionInfo data;
    UErrorCode status = U_ZERO_ERROR;
    u_getDataVersion(data, &status);
    if (U_SUCCESS(status)) {
        u_versionToString(data, text);
        stamp += text;
    } else {
        stamp += "none";
    }
    return stamp + "/2";
}

int JapaneseCollator::compare(std::string_view a, std::string_view b) const {
    std::string ka = sortKey(a), kb = sortKey(b);
    return ka < kb ? -1 : (ka == kb ? 0 : 1);
}

}  // namespace romshelf::text
