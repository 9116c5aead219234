#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/storage/DataFileKind.h"
#include "core/platform/Prompter.h"
#include "core/storage/RefusedFileCopy.h"

namespace romshelf {

// Reader and writer of every data file: little-endian 32-bit integers and flags, and strings
// stored as a 32-bit byte length, the bytes and a NUL. Text is UTF-8 in memory and CP932 on disk.
//
// A file is read whole into memory and parsed there; a read past its end, a negative length or a
// string longer than kMaxStringBytes marks the stream failed, and every later read yields empty
// values. A file is written into memory and committed atomically by close().
class DataStream {
public:
    static constexpr std::size_t kMaxStringBytes = 12287;

    bool openForReading(const std::string& path);
    bool openForWriting(const std::string& path);
    // Reads from (or writes to) bytes in memory instead of a file.
    void openBuffer(std::string bytes);
    void openMemoryForWriting();

    bool isOpen() const { return mode_ != Mode::Closed; }
    bool isReading() const { return mode_ == Mode::Reading; }

    std::string readString();
    std::string readRawString();  // the stored bytes, undecoded
    void skipString() { readRawView(); }
    std::int32_t readInteger();
    bool readFlag();

    void writeString(std::string_view utf8);
    void writeRawString(std::string_view bytes);
    void writeInteger(std::int32_t value);
    void writeFlag(bool value);

    // True once a read went wrong; the file must then be rejected as a whole.
    bool failed() const { return failed_; }
    std::size_t position() const { return pos_; }
    std::size_t size() const { return buffer_.size(); }

    // Ends the file. When writing to a file, commits it: false when it could not be written.
    bool close();

    // The program's own stream keeps a copy of every file it refuses (see keepRefusedCopy);
    // other readers (tests, the dump command) leave the folder as it is.
    void setKeepsRefusedCopies(bool on) { keepsRefusedCopies_ = on; }
    bool keepsRefusedCopies() const { return keepsRefusedCopies_; }

    // A file that could not be written, with the errno that says why. EBADMSG: the file on disk
    // could not be read whole, and is never written over; ESTALE: another program changed it
    // since it was read here. `detail` adds what the reason alone does not say.
    struct FailedSave {
        std::string path;
        int error = 0;
        std::string detail;
    };
    // The saves that failed since the last call, oldest first.
    std::vector<FailedSave> takeFailedSaves();
    // The bytes written so far (memory writing).
    const std::string& buffer() const { return buffer_; }
    // Records a failed save of the caller's own (a merge that clashed, say).
    void addFailedSave(FailedSave failed) { failedSaves_.push_back(std::move(failed)); }

    // Every stream of the process remembers what it last read from or wrote to each file, so
    // that no save replaces what it never saw: a file that could not be read whole (it may be
    // recovered, or a newer program's), or one another program (another machine on a share)
    // changed since. openForWriting() refuses both.
    enum class DiskState {
        Unknown,  // never read or written here
        AsSeen,   // as last read or written (or gone since)
        Changed,  // other bytes than were read or written
        Damaged,  // still the file that could not be read
    };
    static DiskState diskState(const std::string& path);
    // Where reading the file failed, while it is known as damaged and still on disk as it was.
    static std::optional<std::size_t> damageOffset(const std::string& path);
    // Marks the file last read as damaged from `offset` on (loadDataFile does).
    static void noteDamaged(const std::string& path, std::size_t offset);
    // Every file read in this process that could not be read whole and is still as it was.
    struct Damage {
        std::string path;
        std::size_t offset = 0;
    };
    static std::vector<Damage> damagedFiles();
    // Forgets what was seen of the file: the next save writes it as if never read (after the
    // user chose to replace a damaged file by what could be recovered from it).
    static void forgetSeen(const std::string& path);
    // Records `bytes` as read from the file (a merge read them on its own).
    static void noteRead(const std::string& path, std::string_view bytes);

private:
    enum class Mode { Closed, Reading, Writing, WritingMemory };
    bool take(std::size_t n, const char*& out);
    // The stored bytes where they lie in the buffer, valid until the next read.
    std::string_view readRawView();

    Mode mode_ = Mode::Closed;
    std::string path_;
    std::string buffer_;
    std::size_t pos_ = 0;
    bool failed_ = false;
    bool keepsRefusedCopies_ = false;
    std::vector<FailedSave> failedSaves_;
};

enum class HeaderStatus { Ok, BrokenMagic, WrongVersion };

HeaderStatus readHeader(DataStream& stream, DataFileKind kind);
void writeHeader(DataStream& stream, DataFileKind kind);

enum class LoadResult { Loaded, Missing, Rejected };

// Shows the kind's load-error message (title "警告"), naming the copy of the refused file.
// The box keeps the kind's text as it stands: the damaged file's path and the byte where reading
// failed are named where it stops a command and in its refused save.
void reportLoadError(Prompter& prompter, DataFileKind kind, HeaderStatus status,
                     const std::string& copyPath = {}, const std::string& path = {},
                     std::size_t offset = 0);

// How a save failed, in words for the user.
std::string saveErrorText(int error);
// Tells the user once which files could not be saved and why; false when some could not.
bool reportFailedSaves(DataStream& stream, Prompter& prompter);
// "次のファイルを保存できませんでした。" with each file and its reason.
std::string failedSavesText(const std::vector<DataStream::FailedSave>& failed);

// Waits a moment before a damaged file is read once more: a file on a share may be caught while
// another machine writes it.
void pauseBeforeRereading();

// The loading steps every loader follows: open (missing file: silent), check magic and version,
// read the body with `readBody(stream)` into scratch data, and refuse the whole file if any read
// went wrong. The caller copies the scratch data into the live settings only on Loaded.
// A file that cannot be read whole is read once more, then refused: kept as a copy, and never
// saved over (see DataStream::diskState), so it is never taken for an empty or shorter one.
// One with bytes after its body is kept as a copy too before anything can be saved over it.
// `readBody` must start from fresh scratch data each time it is called.
template <class ReadBody>
LoadResult loadDataFile(DataStream& stream, const std::string& path, DataFileKind kind,
                        Prompter& prompter, ReadBody&& readBody) {
    HeaderStatus header = HeaderStatus::Ok;
    std::size_t failedAt = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) pauseBeforeRereading();
        if (!stream.openForReading(path)) return LoadResult::Missing;
        header = readHeader(stream, kind);
        if (header == HeaderStatus::Ok) {
            readBody(stream);
            if (stream.failed()) header = HeaderStatus::BrokenMagic;
        }
        failedAt = stream.position();
        // Another version is what the file says it is: reading it again changes nothing.
        if (header != HeaderStatus::BrokenMagic) break;
        if (attempt == 0) stream.close();
    }
    const bool unused = header == HeaderStatus::Ok && stream.position() < stream.size();
    std::string copy;
    if ((header != HeaderStatus::Ok || unused) && stream.keepsRefusedCopies())
        copy = keepRefusedCopy(path, stream.buffer());
    stream.close();
    if (header != HeaderStatus::Ok) {
        DataStream::noteDamaged(path, failedAt);
        reportLoadError(prompter, kind, header, copy, path, failedAt);
        return LoadResult::Rejected;
    }
    return LoadResult::Loaded;
}

// The saving steps: header, body, atomic commit. False when the file could not be written.
template <class WriteBody>
bool saveDataFile(DataStream& stream, const std::string& path, DataFileKind kind,
                  WriteBody&& writeBody) {
    if (!stream.openForWriting(path)) return false;
    writeHeader(stream, kind);
    writeBody(stream);
    return stream.close();
}

// Symmetric field access, so that one field list serves loading, saving and dumping.
// The trailing name parts are only used by readers that record what they read.
class DataReader {
public:
    static constexpr bool kReading = true;
    explicit DataReader(DataStream& stream) : s_(stream) {}
    template <class... Name>
    void field(std::string& v, const Name&...) {
        v = s_.readString();
    }
    template <class... Name>
    void field(std::int32_t& v, const Name&...) {
        v = s_.readInteger();
    }
    template <class... Name>
    void field(bool& v, const Name&...) {
        v = s_.readFlag();
    }
    // Enumerations are stored as their 32-bit number; an unknown number is kept as it is.
    template <class E, class... Name>
    requires std::is_enum_v<E>
    void field(E& v, const Name&... name) {
        std::int32_t raw = 0;
        field(raw, name...);
        v = static_cast<E>(raw);
    }
    template <class... Name>
    void reservedString(const Name&...) {
        s_.skipString();
    }
    template <class... Name>
    void reservedInteger(const Name&...) {
        s_.readInteger();
    }
    template <class... Name>
    void reservedFlag(const Name&...) {
        s_.readFlag();
    }
    bool failed() const { return s_.failed(); }

private:
    DataStream& s_;
};

class DataWriter {
public:
    static constexpr bool kReading = false;
    explicit DataWriter(DataStream& stream) : s_(stream) {}
    template <class... Name>
    void field(const std::string& v, const Name&...) {
        s_.writeString(v);
    }
    template <class... Name>
    void field(const std::int32_t& v, const Name&...) {
        s_.writeInteger(v);
    }
    template <class... Name>
    void field(const bool& v, const Name&...) {
        s_.writeFlag(v);
    }
    template <class E, class... Name>
    requires std::is_enum_v<E>
    void field(const E& v, const Name&...) { s_.writeInteger(static_cast<std::int32_t>(v)); }
    template <class... Name>
    void reservedString(const Name&...) {
        s_.writeString({});
    }
    template <class... Name>
    void reservedInteger(const Name&...) {
        s_.writeInteger(0);
    }
    template <class... Name>
    void reservedFlag(const Name&...) {
        s_.writeFlag(false);
    }
    bool failed() const { return false; }

private:
    DataStream& s_;
};

}  // namespace romshelf
