// The CP932/UTF-8 codec: stored bytes give stable text, and text comes back as it went in.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/text/FileNames.h"
#include "core/text/TextCodec.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = text::decodeDataString(bytes);
    if (!text::isValidUtf8(text)) std::abort();
    if (text::decodeDataString(text::encodeDataString(text)) != text) std::abort();
    // Text the user typed: any valid UTF-8.
    if (text::isValidUtf8(bytes)) {
        if (text::decodeDataString(text::encodeDataString(bytes)) != bytes) std::abort();
        const std::string cut = text::truncateToCp932Bytes(bytes, size / 2);
        if (text::encodeDataString(cut).size() > size / 2 && !cut.empty()) std::abort();
    }
    if (!text::isValidUtf8(text::fileNameText(bytes))) std::abort();
    static text::JapaneseCollator collator;
    collator.sortKey(text);
    text::toUpper(text);
    return 0;
}
