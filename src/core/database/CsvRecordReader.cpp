#include "core/database/CsvRecordReader.h"

#include <limits>

#include "core/text/TextCodec.h"

namespace romshelf {

std::optional<std::string> decodeCsvText(std::string_view bytes) {
    if (!bytes.empty() && bytes.back() == '\x1A') bytes.remove_suffix(1);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && b != '\t' && b != '\r' && b != '\n') return std::nullopt;
    }
    return text::decodeTextFile(bytes);
}

CsvRecordReader::Result CsvRecordReader::readRecord(CsvQuoting quoting) {
    fields_.clear();
    return quoting == CsvQuoting::Rfc4180 ? readRfc4180() : readUnescaped();
}

bool CsvRecordReader::nextLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', pos_);
    const std::size_t next = end == std::string_view::npos ? text_.size() : end + 1;
    if (end == std::string_view::npos) end = text_.size();
    std::size_t stop = end;
    if (stop < text_.size()) {
        while (stop > pos_ && text_[stop - 1] == '\r') --stop;
    }
    lineBreak_ = stop < end ? "\r\n" : "\n";
    line = text_.substr(pos_, stop - pos_);
    pos_ = next;
    ++nextLine_;
    return true;
}

std::size_t CsvRecordReader::lineFeedAfter(std::size_t at) const {
    while (at < text_.size() && text_[at] == '\r') ++at;
    return at < text_.size() && text_[at] == '\n' ? at : std::string_view::npos;
}

void CsvRecordReader::skipEmptyLines() {
    while (pos_ < text_.size()) {
        const std::size_t feed = text_[pos_] == '\n' ? pos_ : lineFeedAfter(pos_);
        if (feed == std::string_view::npos) break;
        pos_ = feed + 1;
        ++nextLine_;
    }
}

bool CsvRecordReader::readQuoteInValue(Field& field) {
    const std::size_t n = text_.size();
    if (pos_ + 1 < n && text_[pos_ + 1] == '"') {
        field.value += '"';
        field.raw += "\"\"";
        pos_ += 2;
        return true;
    }
    std::size_t after = pos_ + 1;
    while (after < n && text_[after] == '\r') ++after;
    field.raw += '"';
    ++pos_;
    // Only a quote before a comma or a line end closes the value: a lone quote inside a value of
    // an older, unescaped file stays part of it.
    if (after >= n || text_[after] == ',' || text_[after] == '\n') return false;
    field.value += '"';
    return true;
}

CsvRecordReader::Result CsvRecordReader::readRfc4180() {
    const std::size_t n = text_.size();
    skipEmptyLines();
    if (pos_ >= n) return Result::End;
    recordLine_ = nextLine_;
    recordStart_ = pos_;
    const std::size_t start = pos_;
    Field field;
    bool inQuotes = false, atFieldStart = true;
    while (true) {
        if (pos_ - start > kCsvRecordLimit) return Result::TooLong;
        if (pos_ >= n) {
            if (inQuotes) return Result::UnclosedQuote;
            fields_.push_back(std::move(field));
            return Result::Record;
        }
        const char c = text_[pos_];
        if (c == '\r') {
            if (const std::size_t feed = lineFeedAfter(pos_); feed != std::string_view::npos) {
                if (!inQuotes) {
                    pos_ = feed;
                    continue;
                }
                // A break inside a value keeps its carriage return: comments are stored with
                // CR LF, and the records must come back byte for byte.
                field.value += "\r\n";
                field.raw += "\r\n";
                pos_ = feed + 1;
                ++nextLine_;
                atFieldStart = false;
                continue;
            }
        }
        if (inQuotes && c == '"') {
            inQuotes = readQuoteInValue(field);
            continue;
        }
        if (!inQuotes && c == '"' && atFieldStart) {
            inQuotes = field.quoted = true;
            atFieldStart = false;
            field.raw += '"';
            ++pos_;
            continue;
        }
        if (!inQuotes && c == ',') {
            fields_.push_back(std::move(field));
            field = Field{};
            atFieldStart = true;
            ++pos_;
            continue;
        }
        ++pos_;
        if (c == '\n') {
            ++nextLine_;
            if (!inQuotes) {
                fields_.push_back(std::move(field));
                return Result::Record;
            }
        }
        field.value += c;
        field.raw += c;
        atFieldStart = false;
    }
}

CsvRecordReader::Result CsvRecordReader::readUnescaped() {
    std::string_view line;
    do {
        recordLine_ = nextLine_;
        recordStart_ = pos_;
        if (!nextLine(line)) return Result::End;
    } while (line.empty());
    const int minQuotes = format_ == CsvFormat::Own ? 20 : 26;
    const int minCommas = format_ == CsvFormat::Own ? 12 : 14;
    std::string record(line);
    int quotes = 0, commas = 0;
    auto count = [&](std::string_view part) {
        for (const char c : part) {
            quotes += c == '"';
            commas += c == ',';
        }
    };
    count(record);
    // A quoted comment may span lines: they are joined until the record has its separators.
    while ((quotes < minQuotes || commas < minCommas) && record.size() <= kCsvRecordLimit) {
        const std::string_view lineBreak = lineBreak_;
        if (!nextLine(line)) break;
        record += lineBreak;
        record += line;
        count(line);
    }
    if (record.size() > kCsvRecordLimit) return Result::TooLong;
    std::size_t from = 0;
    while (true) {
        const std::size_t comma = record.find(',', from);
        Field field;
        field.raw =
            record.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        std::string_view value = field.raw;
        field.quoted = value.starts_with('"');
        if (field.quoted) value.remove_prefix(1);
        if (value.ends_with('"')) value.remove_suffix(1);
        field.value = value;
        fields_.push_back(std::move(field));
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return Result::Record;
}

std::string CsvRecordReader::text(std::size_t index) const {
    if (index >= fields_.size()) return {};
    return text::truncateToCp932Bytes(fields_[index].value, kCsvTextLimit);
}

std::int32_t CsvRecordReader::integer(std::size_t index) const {
    if (index >= fields_.size()) return -1;
    const std::string& raw = fields_[index].raw;
    std::size_t i = 0;
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
    bool negative = false;
    if (i < raw.size() && (raw[i] == '-' || raw[i] == '+')) negative = raw[i++] == '-';
    long long value = 0;
    for (; i < raw.size() && raw[i] >= '0' && raw[i] <= '9'; ++i) {
        value = value * 10 + (raw[i] - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            value = std::numeric_limits<std::int32_t>::max() + (negative ? 1LL : 0LL);
            break;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace romshelf
