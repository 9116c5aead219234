#include "cli/FileOpsCommand.h"

#include <filesystem>

#include "cli/CliSupport.h"
#include "core/app/BatchOperations.h"
#include "core/platform/FileSystem.h"
#include "core/text/FileNames.h"

namespace romshelf::cli {

namespace {

// The rows a FILE argument names: a bare name matches every listed file of that name, a path the
// file at that place only.
std::vector<int> rowsNamed(const Application& app, const std::string& file) {
    const bool isPath = file.find('/') != std::string::npos;
    const std::string wanted = isPath ? absoluteFile(file) : file;
    std::vector<int> rows;
    const FileListView list = app.fileList().rows();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const FileListRow& row = list[i];
        if (row.folderNumber < 0 || row.folderNumber >= kRomFolderCount) continue;
        const std::string& folder =
            app.folders().folders.romFolderPaths[static_cast<std::size_t>(row.folderNumber)];
        const bool match = isPath ? absoluteFile(text::pathOnDisk(folder, row.fileName())) == wanted
                                  : row.fileName() == wanted;
        if (match) rows.push_back(static_cast<int>(i));
    }
    return rows;
}

void printCounts(std::ostream& out, const BatchCounts& c) {
    out << c.done << " done\t" << c.skipped << " skipped\t" << c.failed << " failed"
        << (c.aborted ? "\taborted" : "") << (c.stopped ? "\tstopped" : "") << "\n";
}

}  // namespace

int fileOperation(const std::string& operation, const std::vector<std::string>& args,
                  std::ostream& out, std::ostream& err) {
    std::string programFolder, code, output;
    std::vector<std::string> files;
    std::optional<int> to;
    bool all = false, deleteSource = false, permanent = false, yes = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--all") {
            all = true;
        } else if (a == "--delete-source") {
            deleteSource = true;
        } else if (a == "--permanent") {
            permanent = true;
        } else if (a == "--yes") {
            yes = true;
        } else if ((a == "--program-folder" || a == "--hardware" || a == "--output") && hasValue) {
            (a == "--program-folder" ? programFolder
             : a == "--hardware"     ? code
                                     : output) = args[++i];
        } else if (a == "--to" && hasValue && parseNumber(args[i + 1])) {
            to = parseNumber(args[++i]);
        } else if (!a.starts_with("--")) {
            files.push_back(unescapeText(a));
        } else {
            err << "unknown argument: " << a << "\n";
            return 64;
        }
    }
    if (code.empty() || all == !files.empty()) {
        err << operation << " needs --hardware CODE and either FILE... or --all\n";
        return 64;
    }
    if ((operation == "move") != to.has_value() ||
        (operation == "copy" && (all || files.size() != 1 || output.empty()))) {
        err << (operation == "move" ? "move needs --to FOLDER_NO (and only move takes it)\n"
                                    : "copy takes one FILE and --output PATH\n");
        return 64;
    }
    OpenedApplication opened = openHardware(programFolder, code, err, yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    // For this run only: the command line's settings are not saved.
    if (permanent)
        app.changeSettings([](MainSettings& s) { s.setOption(Option::DeleteWithoutTrash, true); });
    app.showAll();
    std::vector<int> rows;
    if (all) {
        for (std::size_t i = 0; i < app.fileList().rows().size(); ++i)
            rows.push_back(static_cast<int>(i));
    }
    for (const std::string& file : files) {
        const std::vector<int> named = rowsNamed(app, file);
        if (named.empty()) {
            err << "no listed file: " << file << "\n";
            return 2;
        }
        rows.insert(rows.end(), named.begin(), named.end());
    }

    std::optional<BatchCounts> counts;
    if (operation == "compress" || operation == "decompress") {
        counts = packRows(app, rows, operation == "decompress", deleteSource);
    } else if (operation == "move") {
        if (!canMoveTo(app, *to, -1)) {
            err << "ROM folder " << *to << " is not set\n";
            return 2;
        }
        counts = moveRows(app, rows, *to);
    } else if (operation == "delete") {
        counts = deleteRows(app, rows);
    } else if (operation == "copy") {
        opened.prompter->presetFiles({absoluteFile(output)});
        if (!copySelectedFile(app, rows.front())) return 1;
        out << "copied to " << escapeText(absoluteFile(output)) << "\n";
        return 0;
    } else {
        err << "unknown operation: " << operation << "\n";
        return 64;
    }
    if (!counts) return 1;
    printCounts(out, *counts);
    // Unpacking may have given records new keys: they were saved by the run itself.
    return counts->failed > 0 || counts->aborted || counts->stopped ? 1 : 0;
}

}  // namespace romshelf::cli
