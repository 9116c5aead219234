#include "core/app/DataFileSalvage.h"

#include <optional>

#include "core/database/CategoryLists.h"
#include "core/database/RomRecord.h"
#include "core/launch/EmulatorEntry.h"
#include "core/platform/FileSystem.h"
#include "core/rename/RenameData.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"
#include "core/settings/WindowLayout.h"
#include "core/storage/DataStream.h"
#include "core/storage/TimeStamp.h"

namespace romshelf {

namespace {

// The kind a file is by its name (a kept copy by the name it was kept under), else its magic.
std::optional<DataFileKind> kindOf(const std::string& path, const std::string& bytes) {
    std::string name = fs::pathName(path);
    for (std::string_view mark : {".broken-", ".salvaged-"})
        if (const std::size_t at = name.find(mark); at != std::string::npos) name.resize(at);
    if (std::optional<DataFileKind> kind = dataFileKindFromFileName(name)) return kind;
    DataStream probe;
    probe.openBuffer(bytes);
    const std::string magic = probe.readRawString();
    if (probe.failed()) return std::nullopt;
    return dataFileKindFromMagic(magic);
}

// Reads what can be read of a settings structure and writes it whole.
template <class T, class Transfer>
void salvageStructure(DataStream& in, DataStream& out, Transfer transfer) {
    T value{};
    DataReader reader(in);
    transfer(reader, value);
    DataWriter writer(out);
    transfer(writer, static_cast<const T&>(value));
}

// Reads the body of `kind` from `in` as far as it is whole, writing it to `out`.
void salvageBody(DataFileKind kind, DataStream& in, DataStream& out, SalvageResult& result) {
    switch (kind) {
        case DataFileKind::Rom: {
            DataReader reader(in);
            std::int32_t n = 0;
            reader.field(n, "count");
            if (!in.failed()) result.promised = n;
            std::vector<RomRecord> kept;
            for (std::int32_t i = 0; i < n && !in.failed(); ++i) {
                RomRecord r;
                transferRomRecord(reader, r, i);
                if (!in.failed()) kept.push_back(std::move(r));
            }
            DataWriter writer(out);
            std::int32_t count = static_cast<std::int32_t>(kept.size());
            writer.field(count);
            int i = 0;
            for (const RomRecord& r : kept) transferRomRecord(writer, r, i++);
            result.recovered = count;
            return;
        }
        case DataFileKind::Class:
        case DataFileKind::Class1:
        case DataFileKind::Class2:
        case DataFileKind::Class3:
        case DataFileKind::Class4:
        case DataFileKind::Class5: {
            DataReader reader(in);
            std::int32_t n = 0;
            reader.field(n, "count");
            if (!in.failed()) result.promised = n;
            std::vector<std::string> items;
            for (std::int32_t i = 0; i < n && !in.failed(); ++i) {
                std::string item;
                reader.field(item, "items", static_cast<int>(i));
                if (!in.failed()) items.push_back(std::move(item));
            }
            DataWriter writer(out);
            transferCategoryItems(writer, static_cast<const std::vector<std::string>&>(items));
            result.recovered = static_cast<int>(items.size());
            return;
        }
        case DataFileKind::Rename: {
            RenameData data;
            readRenameBody(in, data.hardware, data.records);
            result.recovered = static_cast<int>(data.records.size());
            writeRenameBody(out, data);
            return;
        }
        case DataFileKind::Main:
            result.settings = true;
            salvageStructure<MainSettings>(in, out,
                                           [](auto& io, auto& m) { transferMainSettings(io, m); });
            return;
        case DataFileKind::Folder:
            result.settings = true;
            salvageStructure<FolderSettings>(
                in, out, [](auto& io, auto& f) { transferFolderSettings(io, f); });
            return;
        case DataFileKind::Emulator:
            result.settings = true;
            salvageStructure<EmulatorEntries>(
                in, out, [](auto& io, auto& e) { transferEmulatorEntries(io, e); });
            return;
        case DataFileKind::Window:
            result.settings = true;
            salvageStructure<WindowSlots>(
                in, out, [](auto& io, auto& w) { transferWindowPositions(io, w); });
            return;
    }
}

std::string besideName(const std::string& path) {
    const std::string stamp = localTimeStamp();
    std::string name = path;
    if (const std::size_t at = name.find(".broken-", fs::pathFolder(path).size());
        at != std::string::npos)
        name.resize(at);
    std::string candidate = name + ".salvaged-" + stamp;
    for (int n = 2; fs::pathExists(candidate) && n < 1000; ++n)
        candidate = name + ".salvaged-" + stamp + "-" + std::to_string(n);
    return candidate;
}

}  // namespace

SalvageResult salvageDataFile(const std::string& path, const std::string& output) {
    SalvageResult result;
    const std::optional<std::string> bytes = fs::readFile(path);
    if (!bytes) {
        result.error = "cannot read " + path;
        return result;
    }
    const std::optional<DataFileKind> kind = kindOf(path, *bytes);
    if (!kind) {
        result.error = "not a data file this program can read: " + path;
        return result;
    }
    DataStream in;
    in.openBuffer(*bytes);
    if (readHeader(in, *kind) != HeaderStatus::Ok) {
        result.damageOffset = in.position();
        result.error = "its header is damaged or of another version: nothing can be recovered";
        return result;
    }
    DataStream out;
    out.openMemoryForWriting();
    writeHeader(out, *kind);
    salvageBody(*kind, in, out, result);
    result.damageOffset = in.failed() ? in.position() : bytes->size();
    result.output = output.empty() ? besideName(path) : output;
    if (fs::pathExists(result.output)) {
        result.error = result.output + " exists already";
        return result;
    }
    if (!fs::writeFileAtomically(result.output, out.buffer())) {
        result.error = "cannot write " + result.output;
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace romshelf
