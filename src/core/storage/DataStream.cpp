#include "core/storage/DataStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/text/TextCodec.h"
#include "core/platform/FileSystem.h"
#include "core/platform/PendingFile.h"

namespace romshelf {

bool DataStream::openForReading(const std::string& path) {
    close();
    auto bytes = fs::readFile(path);
    if (!bytes) return false;
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
        failedSaves_.push_back({path, fs::directoryExists(path) ? EISDIR : ENOENT});
        return false;
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

std::string DataStream::readRawString() {
    std::int32_t length = readInteger();
    if (failed_) return {};
    if (length < 0 || static_cast<std::size_t>(length) > kMaxStringBytes) {
        failed_ = true;
        return {};
    }
    const char* p = nullptr;
    if (!take(static_cast<std::size_t>(length) + 1, p)) return {};
    // The text ends at the first NUL, wherever the length says it ends.
    std::size_t n = strnlen(p, static_cast<std::size_t>(length));
    return std::string(p, n);
}

std::string DataStream::readString() {
    std::string raw = readRawString();
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
        if (!ok) failedSaves_.push_back({path_, file.error() != 0 ? file.error() : EIO});
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
                     const std::string& copyPath) {
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
    for (const auto& f : failed) text += "\n" + f.path + "\n（" + saveErrorText(f.error) + "）";
    return text;
}

}  // namespace romshelf
