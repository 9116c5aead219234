// CSV game lists written by this program, the older one, and anybody's spreadsheet.
#include <cstdint>
#include <string>

#include "core/imports/CsvImport.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (CsvFormat format : {CsvFormat::Own, CsvFormat::Old}) {
        std::string error;
        readCsvRecords(bytes, format, error);
    }
    return 0;
}
