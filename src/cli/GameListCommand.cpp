#include "cli/GameListCommand.h"

#include <filesystem>
#include <sstream>

#include "cli/CliSupport.h"
#include "core/platform/FileSystem.h"
#include "cli/ListCommand.h"
#include "core/app/CsvImport.h"
#include "core/app/GameList.h"

namespace romshelf::cli {

namespace {

// The --items list into the options; false for an unknown item.
bool parseItems(const std::string& list, GameListOptions& o, std::ostream& err) {
    std::istringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item == "file") {
            o.fileName = true;
        } else if (item == "size") {
            o.fileSize = true;
        } else if (item == "rating") {
            o.rating = true;
        } else if (item == "class") {
            o.hardwareClass = true;
        } else if (item.size() == 4 && item.starts_with("cat") && item[3] >= '1' &&
                   item[3] <= '5') {
            o.categories[static_cast<std::size_t>(item[3] - '1')] = true;
        } else {
            err << "unknown item: " << item << " (file, size, rating, cat1 to cat5 or class)\n";
            return false;
        }
    }
    return true;
}

}  // namespace

int gameListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    GameListOptions o;
    std::string folder, items;
    ListSelection selection;
    const ExtraOption extra = [&](ArgumentReader& reader) {
        reader.flag("--csv", o.csv).flag("--blank-lines", o.blankLines);
        reader.flag("--second-line", o.secondLine).text("--items", items).text("--out", folder);
    };
    if (const int status = parseListSelection(args, selection, err, extra)) return status;
    if (!items.empty() && !parseItems(items, o, err)) return 64;
    if (selection.code.empty()) {
        err << "gamelist needs --hardware CODE\n";
        return 64;
    }
    OpenedApplication opened =
        openHardware(selection.programFolder, selection.code, err, selection.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    if (const int status = showListSelection(app, selection, err)) return status;
    o.folder = folder.empty() ? initialGameListOptions(app).folder : absoluteFile(folder);
    // Said with its reason, before the program's own words that no list was made.
    if (!fs::directoryExists(o.folder)) {
        err << "no such folder: " << o.folder << "\n";
        return 2;
    }
    const auto path = createGameList(app, o);
    if (!path) return 1;
    out << *path << "\n";
    return 0;
}

int importCsvCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;
    bool old = false;
    if (const int status = ArgumentReader().flag("--old-format", old).read(args, o, err))
        return status;
    const CsvFormat format = old ? CsvFormat::Old : CsvFormat::Own;
    const std::vector<std::string>& files = o.words;
    if (o.code.empty() || files.size() != 1 || files[0].empty()) {
        err << "import-csv takes --hardware CODE FILE [--old-format] [--yes]\n";
        return 64;
    }
    OpenedApplication opened = openHardware(o.programFolder, o.code, err, o.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    opened.prompter->presetFiles({absoluteFile(files[0])});
    const auto result = importCsv(app, format);
    if (!result) return 1;
    out << result->read.records.size() << " records read\n";
    if (!result->backupPath.empty())
        out << "replaced records saved to " << result->backupPath << "\n";
    return 0;
}

}  // namespace romshelf::cli
