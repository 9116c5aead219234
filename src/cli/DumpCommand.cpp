#include "cli/DumpCommand.h"

#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/JsonRecorder.h"
#include "cli/StreamPrompter.h"
#include "core/app/DataFileSalvage.h"
#include "core/storage/DataStream.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"
#include "core/settings/WindowLayout.h"
#include "core/database/CategoryLists.h"
#include "core/database/RomRecord.h"
#include "core/launch/EmulatorEntry.h"
#include "core/platform/FileSystem.h"
#include "core/rename/RenameData.h"

namespace romshelf::cli {

namespace {

using Json = nlohmann::ordered_json;
using BodyDumper = std::function<void(DataStream&, Json&)>;

template <class T, class Transfer>
BodyDumper dumper(Transfer transfer) {
    return [transfer](DataStream& s, Json& body) {
        T scratch;
        JsonRecorder recorder(s, body);
        transfer(recorder, scratch);
    };
}

// Every record as stored, those with an empty title included.
void dumpRomData(JsonRecorder& r, std::int32_t& count) {
    r.field(count, "count");
    for (std::int32_t i = 0; i < count && !r.failed(); ++i) {
        RomRecord record;
        transferRomRecord(r, record, static_cast<int>(i));
    }
}

// Every record up to the end mark, beyond the renaming table's limit too.
void dumpRenameData(DataStream& s, Json& body) {
    std::string hardware;
    std::vector<RenameRecord> records;
    readRenameBody(s, hardware, records);
    if (s.failed()) return;
    body["hardware"] = hardware;
    body["records"] = Json::array();
    for (const RenameRecord& r : records) {
        Json record = {{"name", r.name},          {"size", r.identity.size},
                       {"crc", r.identity.crc},   {"sum1", r.identity.sum1},
                       {"sum2", r.identity.sum2}, {"sum3", r.identity.sum3}};
        // Only records from a DAT file carry one.
        if (!r.sha1.empty()) record["sha1"] = r.sha1;
        body["records"].push_back(std::move(record));
    }
}

// Every kind `dump` can read; each new file kind adds its line here.
const std::map<DataFileKind, BodyDumper>& bodyDumpers() {
    static const std::map<DataFileKind, BodyDumper> kDumpers = [] {
        std::map<DataFileKind, BodyDumper> d = {
            {DataFileKind::Main, dumper<MainSettings>([](JsonRecorder& r, MainSettings& m) {
                 transferMainSettings(r, m);
             })},
            {DataFileKind::Folder, dumper<FolderSettings>([](JsonRecorder& r, FolderSettings& f) {
                 transferFolderSettings(r, f);
             })},
            {DataFileKind::Rom, dumper<std::int32_t>(dumpRomData)},
            {DataFileKind::Window, dumper<WindowSlots>([](JsonRecorder& r, WindowSlots& slots) {
                 transferWindowPositions(r, slots);
             })},
            {DataFileKind::Emulator,
             dumper<EmulatorEntries>(
                 [](JsonRecorder& r, EmulatorEntries& e) { transferEmulatorEntries(r, e); })},
            {DataFileKind::Rename, dumpRenameData},
        };
        for (DataFileKind kind : {DataFileKind::Class, DataFileKind::Class1, DataFileKind::Class2,
                                  DataFileKind::Class3, DataFileKind::Class4, DataFileKind::Class5})
            d[kind] = dumper<std::vector<std::string>>(
                [](JsonRecorder& r, std::vector<std::string>& items) {
                    transferCategoryItems(r, items);
                });
        return d;
    }();
    return kDumpers;
}

}  // namespace

int dumpDataFile(const std::string& path, std::ostream& out, std::ostream& err) {
    DataStream probe;
    if (!probe.openForReading(path)) {
        err << "cannot open " << path << "\n";
        return 2;
    }
    const std::string magic = probe.readRawString();
    const bool magicRead = !probe.failed();
    probe.close();
    // A file under one of the program's names is that kind to the program whatever it holds, so
    // it is read (or refused, with the kind's message) as that kind; any other name by its magic.
    std::optional<DataFileKind> kind = dataFileKindFromFileName(fs::pathName(path));
    if (!kind && magicRead) kind = dataFileKindFromMagic(magic);
    if (!kind || !bodyDumpers().count(*kind)) {
        err << "not a data file this program can read: " << path << "\n";
        return 2;
    }

    StreamPrompter prompter(err);
    DataStream stream;
    Json body = Json::object();
    const BodyDumper& dumpBody = bodyDumpers().at(*kind);
    std::size_t unread = 0;
    const LoadResult result = loadDataFile(stream, path, *kind, prompter, [&](DataStream& s) {
        body = Json::object();
        dumpBody(s, body);
        unread = s.size() - s.position();
    });
    if (result != LoadResult::Loaded) {
        err << "`romshelf-cli dump --salvage " << path
            << "` recovers the whole records before the damage into a new file.\n";
        return 2;
    }
    // The program reads such a file too, but keeps a copy of it before it saves over it.
    if (unread > 0) err << unread << " bytes after the end of the data were not read\n";

    const auto& info = dataFileKindInfo(*kind);
    Json doc;
    doc["file"] = path;
    doc["magic"] = info.magic;
    doc["version"] = info.version;
    doc["body"] = std::move(body);
    out << doc.dump(2) << "\n";
    return 0;
}

int salvageFile(const std::string& path, const std::string& output, std::ostream& out,
                std::ostream& err) {
    const SalvageResult result = salvageDataFile(path, output);
    if (!result.ok) {
        err << "romshelf-cli: nothing salvaged from " << path << ": " << result.error << "\n";
        return 2;
    }
    if (result.settings) {
        out << "salvaged the settings read before byte ";
    } else {
        out << "salvaged " << result.recovered;
        if (result.promised >= 0) out << " of " << result.promised;
        out << " records read before byte ";
    }
    out << result.damageOffset << " of " << path << " into " << result.output << "\n"
        << path << " is left as it is; put the new file in its place to use it.\n";
    return 0;
}

}  // namespace romshelf::cli
