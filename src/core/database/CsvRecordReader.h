#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf {

// The two CSV layouts the import reads: the one the game list writes (13 columns, a header
// line) and the older program's (at least 15 columns, no header).
enum class CsvFormat { Own, Old };

// How a record's text is cut into fields. The import reads each record the first way and the
// records that do not come out whole so the second way.
enum class CsvQuoting {
    // Quoted values may hold commas, line breaks and doubled quotes (what the game list writes).
    Rfc4180,
    // Files written without escapes: lines are joined until the record has its quotes and
    // commas, then split at every comma; a leading and a trailing quote come off each value.
    Unescaped,
};

// A record longer than this (a line of megabytes, a quote never closed) is no game list.
inline constexpr std::size_t kCsvRecordLimit = 1024 * 1024;
// A value is cut to this many bytes of its CP932 form, as every text the records hold.
inline constexpr std::size_t kCsvTextLimit = 12287;

// The UTF-8 text of a CSV file's bytes (CP932, or UTF-8 with a byte-order mark); nullopt when
// the bytes hold control characters no text file has (a binary file picked by mistake). A DOS
// end-of-file mark at the very end is dropped.
std::optional<std::string> decodeCsvText(std::string_view bytes);

// Reads the records of a decoded CSV text one by one; empty lines between records are passed
// over. A line break inside a value comes back as the file has it: CR LF when carriage returns
// stand before its line feed (several read as one: a file written in text mode on Windows doubles
// the one a value holds), a line feed alone otherwise. The text is not copied: it must outlive
// the reader.
class CsvRecordReader {
public:
    enum class Result { Record, End, UnclosedQuote, TooLong };

    CsvRecordReader(std::string_view text, CsvFormat format) : text_(text), format_(format) {}

    Result readRecord(CsvQuoting quoting);
    // Goes back to the start of the record just read, to read it another way.
    void rewind() {
        pos_ = recordStart_;
        nextLine_ = recordLine_;
    }
    // The line (from 1) the last record read, or the refused one, starts on.
    int line() const { return recordLine_; }
    std::size_t fieldCount() const { return fields_.size(); }
    // The value without its enclosing quotes, cut to kCsvTextLimit; "" out of range.
    std::string text(std::size_t index) const;
    // The value's leading decimal digits (an optional sign first, as atoi reads); a quoted value
    // reads as 0, and -1 out of range.
    std::int32_t integer(std::size_t index) const;

private:
    struct Field {
        std::string value;  // without the enclosing quotes
        bool quoted = false;
        std::string raw;  // as written, for integer()
    };
    Result readRfc4180();
    // Carriage returns before a line feed belong to the line end: at a '\r', the place of that
    // line feed, or npos when the returns stand alone.
    std::size_t lineFeedAfter(std::size_t at) const;
    void skipEmptyLines();
    // At a quote inside a quoted value: takes a doubled quote or the closing one; false when the
    // value is closed.
    bool readQuoteInValue(Field& field);
    Result readUnescaped();
    // The next line without its line end (any carriage returns before the line feed dropped);
    // false at the end of the text. `lineBreak_` then says how the line ended.
    bool nextLine(std::string_view& line);

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t recordStart_ = 0;
    int nextLine_ = 1;
    int recordLine_ = 0;
    CsvFormat format_;
    std::vector<Field> fields_;
    std::string_view lineBreak_ = "\n";
};

}  // namespace romshelf
