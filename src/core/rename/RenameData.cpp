#include "core/rename/RenameData.h"

#include <utility>

namespace romshelf {

bool isUsableRenameTitle(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\') return false;
    }
    return true;
}

std::string visibleText(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            out += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
        else
            out += c;
    }
    return out;
}

void readRenameBody(DataStream& stream, std::string& hardware, std::vector<RenameRecord>& records) {
    DataReader io(stream);
    io.field(hardware);
    for (int i = 0;; ++i) {
        RenameRecord record;
        record.name = stream.readString();
        if (stream.failed() || record.name.empty() || record.name == kRenameEndMark) return;
        transferRenameFields(io, record.identity, record.sha1, record.header, i);
        if (stream.failed()) return;
        records.push_back(std::move(record));
    }
}

LoadResult loadRenameData(DataStream& stream, const std::string& path, Prompter& prompter,
                          RenameData& data, std::size_t limit) {
    RenameData read;
    const LoadResult result =
        loadDataFile(stream, path, DataFileKind::Rename, prompter, [&](DataStream& s) {
            read = RenameData{};
            readRenameBody(s, read.hardware, read.records);
        });
    if (result != LoadResult::Loaded) return result;
    if (read.records.size() > limit) {
        read.leftOut = read.records.size() - limit;
        read.firstLeftOut = read.records[limit].name;
        read.records.resize(limit);
        prompter.inform("リネームデータに記録されたファイルが " +
                            std::to_string(limit + read.leftOut) +
                            " 件あります。\n使えるのは先頭の " + std::to_string(limit) +
                            " 件までなので、「" + read.firstLeftOut + "」から後の " +
                            std::to_string(read.leftOut) + " 件は使いません。",
                        std::string(kWarningTitle));
    }
    data = std::move(read);
    return result;
}

void writeRenameBody(DataStream& stream, const RenameData& data) {
    DataWriter io(stream);
    io.field(data.hardware);
    int i = 0;
    for (const RenameRecord& record : data.records) {
        io.field(record.name);
        FileIdentity id = record.identity;
        std::string sha1 = record.sha1;
        std::int32_t header = record.header;
        transferRenameFields(io, id, sha1, header, i++);
    }
    io.field(std::string(kRenameEndMark));
}

bool saveRenameData(DataStream& stream, const std::string& path, const RenameData& data) {
    return saveDataFile(stream, path, DataFileKind::Rename,
                        [&](DataStream& s) { writeRenameBody(s, data); });
}

}  // namespace romshelf
