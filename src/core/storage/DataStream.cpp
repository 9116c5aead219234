#include "core/storage/DataStream.h"
#include "core/storage/RereadPause.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "core/text/TextCodec.h"
#include "core/platform/Checksums.h"
#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"

namespace romshelf {

namespace {

// What the process last read from or wrote to a file.
struct Seen {
    bool present = false;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool damaged = false;
    std::size_t damageOffset = 0;
};

struct SeenFiles {
    std::mutex mutex;
    std::unordered_map<std::string, Seen> files;
};

SeenFiles& seenFiles() {
    static SeenFiles seen;
    return seen;
}

Seen seenOf(std::string_view bytes) {
    Seen seen;
    seen.present = true;
    seen.size = bytes.size();
    seen.crc = crc32Update(0, bytes.data(), bytes.size());
    return seen;
}

void remember(const std::string& path, const Seen& seen) {
    SeenFiles& s = seenFiles();
    const std::lock_guard lock(s.mutex);
    s.files[path] = seen;
}

std::optional<Seen> seenBefore(const std::string& path) {
    SeenFiles& s = seenFiles();
    const std::lock_guard lock(s.mutex);
    const auto it = s.files.find(path);
    if (it == s.files.end()) return std::nullopt;
    return it->second;
}

}  // namespace

DataStream::DiskState DataStream::diskState(const std::string& path) {
    const std::optional<Seen> before = seenBefore(path);
    if (!before) return DiskState::Unknown;
    const std::optional<std::string> bytes = fs::readFile(path);
    const Seen now = bytes ? seenOf(*bytes) : Seen{};
    // Gone since: nothing is lost by writing it anew.
    if (!now.present) return DiskState::AsSeen;
    if (now.present != before->present || now.size != before->size || now.crc != before->crc)
        return DiskState::Changed;
    return before->damaged ? DiskState::Damaged : DiskState::AsSeen;
}

std::optional<std::size_t> DataStream::damageOffset(const std::string& path) {
    const std::optional<Seen> before = seenBefore(path);
    if (!before || !before->damaged || diskState(path) != DiskState::Damaged) return std::nullopt;
    return before->damageOffset;
}

void DataStream::noteDamaged(const std::string& path, std::size_t offset) {
    SeenFiles& s = seenFiles();
    const std::lock_guard lock(s.mutex);
    Seen& seen = s.files[path];
    seen.damaged = true;
    seen.damageOffset = offset;
}

void DataStream::noteRead(const std::string& path, std::string_view bytes) {
    remember(path, seenOf(bytes));
}

std::vector<DataStream::Damage> DataStream::damagedFiles() {
    std::vector<Damage> damaged;
    {
        SeenFiles& s = seenFiles();
        const std::lock_guard lock(s.mutex);
        for (const auto& [path, seen] : s.files)
            if (seen.damaged) damaged.push_back({path, seen.damageOffset});
    }
    std::erase_if(damaged, [](const Damage& d) { return diskState(d.path) != DiskState::Damaged; });
    std::sort(damaged.begin(), damaged.end(),
              [](const Damage& a, const Damage& b) { return a.path < b.path; });
    return damaged;
}

void DataStream::forgetSeen(const std::string& path) {
    SeenFiles& s = seenFiles();
    const std::lock_guard lock(s.mutex);
    s.files.erase(path);
}

namespace {
std::atomic<int> rereadPauseMs{100};
}  // namespace

void setRereadPause(int milliseconds) { rereadPauseMs = milliseconds; }

void pauseBeforeRereading() {
    std::this_thread::sleep_for(std::chrono::milliseconds(rereadPauseMs.load()));
}

bool DataStream::openForReading(const std::string& path) {
    close();
    auto bytes = fs::readFile(path);
    // A file that is not there is remembered as such: one another program makes meanwhile is
    // not written over unseen. One that could not be read for another reason is not.
    if (!bytes && !fs::pathExists(path)) remember(path, Seen{});
    if (!bytes) return false;
    remember(path, seenOf(*bytes));
    buffer_ = std::move(*bytes);
    pos_ = 0;
    failed_ = false;
    mode_ = Mode::Reading;
    return true;
}

bool DataStream::openForWriting(const std::string& path) {
    close();
    // The target folder must exist; the file itself is only replaced on close().
    std::string folder = fs::pathFolder(path);
    if (path.empty() || fs::directoryExists(path) ||
        (!folder.empty() && !fs::directoryExists(folder))) {
        failedSaves_.push_back({path, fs::directoryExists(path) ? EISDIR : ENOENT, {}});
        return false;
    }
    switch (diskState(path)) {
        case DiskState::Damaged: {
            const std::optional<Seen> seen = seenBefore(path);
            failedSaves_.push_back(
                {path, EBADMSG,
                 std::to_string(seen ? seen->damageOffset : 0) + " バイト目から先が読めません"});
            return false;
        }
        case DiskState::Changed:
            failedSaves_.push_back({path, ESTALE, {}});
            return false;
        case DiskState::Unknown:
        case DiskState::AsSeen:
            break;
    }
    path_ = path;
    buffer_.clear();
    pos_ = 0;
    failed_ = false;
    mode_ = Mode::Writing;
    return true;
}

void DataStream::openBuffer(std::string bytes) {
    close();
    buffer_ = std::move(bytes);
    pos_ = 0;
    failed_ = false;
    mode_ = Mode::Reading;
}

void DataStream::openMemoryForWriting() {
    close();
    buffer_.clear();
    pos_ = 0;
    failed_ = false;
    mode_ = Mode::WritingMemory;
}

bool DataStream::take(std::size_t n, const char*& out) {
    if (mode_ != Mode::Reading || failed_ || buffer_.size() - pos_ < n) {
        failed_ = true;
        return false;
    }
    out = buffer_.data() + pos_;
    pos_ += n;
    return true;
}

std::int32_t DataStream::readInteger() {
    const char* p = nullptr;
    if (!take(4, p)) return 0;
    std::uint32_t v = static_cast<std::uint8_t>(p[0]) | (static_cast<std::uint8_t>(p[1]) << 8) |
                      (static_cast<std::uint8_t>(p[2]) << 16) |
                      (static_cast<std::uint32_t>(static_cast<std::uint8_t>(p[3])) << 24);
    return static_cast<std::int32_t>(v);
}

bool DataStream::readFlag() { return readInteger() != 0; }

std::string_view DataStream::readRawView() {
    std::int32_t length = readInteger();
    if (failed_) return {};
    if (length < 0 || static_cast<std::size_t>(length) > kMaxStringBytes) {
        failed_ = true;
        return {};
    }
    const char* p = nullptr;
    if (!take(static_cast<std::size_t>(length) + 1, p)) return {};
    // The text ends at the first NUL, wherever the length says it ends.
    return {p, strnlen(p, static_cast<std::size_t>(length))};
}

std::string DataStream::readRawString() { return std::string(readRawView()); }

std::string DataStream::readString() {
    // Decoded straight from the stream's buffer: no copy of the stored bytes on the way.
    const std::string_view raw = readRawView();
    if (failed_) return {};
    return text::decodeDataString(raw);
}

void DataStream::writeInteger(std::int32_t value) {
    if (mode_ != Mode::Writing && mode_ != Mode::WritingMemory) return;
    auto v = static_cast<std::uint32_t>(value);
    char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                     static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
    buffer_.append(bytes, 4);
}

void DataStream::writeFlag(bool value) { writeInteger(value ? 1 : 0); }

void DataStream::writeRawString(std::string_view bytes) {
    // A NUL inside would cut the text on reading; the limit keeps the file readable.
    bytes = bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
    if (bytes.size() > kMaxStringBytes) bytes = bytes.substr(0, kMaxStringBytes);
    writeInteger(static_cast<std::int32_t>(bytes.size()));
    if (mode_ != Mode::Writing && mode_ != Mode::WritingMemory) return;
    buffer_.append(bytes);
    buffer_.push_back('\0');
}

void DataStream::writeString(std::string_view utf8) {
    std::string stored = text::encodeDataString(utf8);
    if (stored.size() > kMaxStringBytes)
        stored = text::encodeDataString(text::truncateToCp932Bytes(utf8, kMaxStringBytes));
    writeRawString(stored);
}

bool DataStream::close() {
    bool ok = true;
    if (mode_ == Mode::Writing) {
        PendingFile file(path_);
        ok = file.isOpen() && file.write(buffer_) && file.commit();
        if (ok) remember(path_, seenOf(buffer_));
        if (!ok) failedSaves_.push_back({path_, file.error() != 0 ? file.error() : EIO, {}});
    }
    if (mode_ != Mode::WritingMemory) {
        if (mode_ != Mode::Closed) buffer_.clear();
        buffer_.shrink_to_fit();
    }
    mode_ = Mode::Closed;
    path_.clear();
    pos_ = 0;
    return ok;
}

HeaderStatus readHeader(DataStream& stream, DataFileKind kind) {
    const auto& info = dataFileKindInfo(kind);
    std::string magic = stream.readRawString();
    if (stream.failed() || magic != info.magic) return HeaderStatus::BrokenMagic;
    std::int32_t version = stream.readInteger();
    if (stream.failed()) return HeaderStatus::BrokenMagic;
    if (version != info.version) return HeaderStatus::WrongVersion;
    return HeaderStatus::Ok;
}

void writeHeader(DataStream& stream, DataFileKind kind) {
    const auto& info = dataFileKindInfo(kind);
    stream.writeRawString(info.magic);
    stream.writeInteger(info.version);
}

void reportLoadError(Prompter& prompter, DataFileKind kind, HeaderStatus status,
                     const std::string& copyPath, const std::string&, std::size_t) {
    const auto& info = dataFileKindInfo(kind);
    std::string text(status == HeaderStatus::WrongVersion ? info.wrongVersionMessage
                                                          : info.brokenMessage);
    if (!copyPath.empty()) text += "\n元のファイルは次の名前で残してあります。\n" + copyPath;
    prompter.inform(text, std::string(kWarningTitle));
}

std::vector<DataStream::FailedSave> DataStream::takeFailedSaves() {
    std::vector<FailedSave> taken;
    taken.swap(failedSaves_);
    return taken;
}

std::string saveErrorText(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "書き込みが許可されていません";
        case EROFS:
            return "読み取り専用のドライブです";
        case ENOSPC:
            return "ディスクの空き容量が足りません";
        case EDQUOT:
            return "ディスクの使用量の上限を超えています";
        case EISDIR:
            return "同じ名前のフォルダがあります";
        case ENOENT:
            return "保存先のフォルダがありません";
        case EBADMSG:
            return "読み込めなかったファイルなので、上書きしませんでした";
        case ESTALE:
            return "読み込んだ後にほかのプログラムが変更したので、上書きしませんでした";
        default:
            return std::strerror(error);
    }
}

bool reportFailedSaves(DataStream& stream, Prompter& prompter) {
    const std::vector<DataStream::FailedSave> failed = stream.takeFailedSaves();
    if (failed.empty()) return true;
    prompter.inform(failedSavesText(failed), std::string(kWarningTitle));
    return false;
}

std::string failedSavesText(const std::vector<DataStream::FailedSave>& failed) {
    std::string text = "次のファイルを保存できませんでした。";
    for (const auto& f : failed) {
        text += "\n" + f.path + "\n（" + saveErrorText(f.error) + "）";
        if (!f.detail.empty()) text += "\n" + f.detail;
    }
    return text;
}

}  // namespace romshelf
