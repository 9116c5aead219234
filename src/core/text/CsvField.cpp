#include "core/text/CsvField.h"

namespace romshelf {

void appendCsvField(std::string& out, std::string_view value, bool alwaysQuoted) {
    if (!alwaysQuoted && value.find_first_of(",\"\t\r\n") == std::string_view::npos) {
        out += value;
        return;
    }
    out += '"';
    for (const char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::string csvField(std::string_view value) {
    std::string out;
    appendCsvField(out, value);
    return out;
}

}  // namespace romshelf
