#include "cli/GameListCommand.h"

#include <filesystem>
#include <sstream>

#include "cli/CliSupport.h"
#include "core/platform/FileSystem.h"
#include "cli/ListCommand.h"
#include "core/imports/CsvImport.h"
#include "core/commands/GameListExport.h"

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
            usageError(err, "--items",
                       "unknown item " + item + " (file, size, rating, cat1 to cat5 or class)");
            return false;
        }
    }
    return true;
}

}  // namespace

int gameListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    GameListOptions o;
    // CP932 by default: the file the window program writes, for the older program's readers.
    std::string folder, items, encoding = "cp932";
    ListSelection selection;
    const ExtraOption extra = [&](ArgumentReader& reader) {
        reader.flag("--csv", o.csv).flag("--blank-lines", o.blankLines);
        reader.flag("--second-line", o.secondLine).text("--items", items).text("--out", folder);
        reader.text("--encoding", encoding);
    };
    if (const int status = parseListSelection(args, selection, err, extra)) return status;
    if (!items.empty() && !parseItems(items, o, err)) return 64;
    if (selection.code.empty()) return usageError(err, "gamelist", "needs --hardware CODE");
    if (encoding != "cp932" && encoding != "utf-8")
        return usageError(err, "--encoding", "needs cp932 or utf-8, not " + encoding);
    o.utf8 = encoding == "utf-8";
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
    if (o.code.empty()) return usageError(err, "import-csv", "needs --hardware CODE");
    if (files.size() != 1 || files[0].empty())
        return usageError(err, files.size() > 1 ? files[1] : "import-csv",
                          files.size() > 1 ? "unexpected argument" : "needs a FILE");
    if (!fs::fileExists(files[0])) {
        err << "romshelf-cli: cannot read " << files[0] << "\n";
        return 2;
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
