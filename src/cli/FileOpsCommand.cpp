#include "cli/FileOpsCommand.h"

#include <filesystem>

#include "cli/CliSupport.h"
#include "cli/MainSettingsChanges.h"
#include "core/commands/BatchOperations.h"
#include "core/platform/FileSystem.h"
#include "core/text/FileNames.h"

namespace romshelf::cli {

namespace {

// copy's --output: an existing folder, or a path ending in '/', means that folder under the
// file's own name.
std::string copyTarget(const std::string& output, const std::string& name) {
    std::string path = absoluteFile(output);
    if (!output.ends_with('/') && !fs::directoryExists(path)) return path;
    return fs::joinPath(path, name);
}

// Copies row `row`'s file as the window's "ファイルをコピー" does, the picker answered with
// --output; a file already there is replaced only with --yes. 0 copied, 1 not (said why).
int copyRow(OpenedApplication& opened, int row, const std::string& output, bool yes,
            std::ostream& out, std::ostream& err) {
    Application& app = *opened.app;
    const FileListRow& r = app.fileList().rows()[static_cast<std::size_t>(row)];
    const std::string source = text::pathOnDisk(
        app.folders().folders.romFolderPaths[static_cast<std::size_t>(r.folderNumber)],
        r.fileName());
    const std::string target = copyTarget(output, r.fileName());
    const std::string folder = fs::pathFolder(target);
    if (!fs::directoryExists(folder)) {
        err << "not copied: no such folder " << escapeText(folder) << "\n";
        return 1;
    }
    if (fs::directoryExists(target)) {
        err << "not copied: " << escapeText(target) << " is a folder\n";
        return 1;
    }
    const bool taken = fs::pathExists(target);
    opened.prompter->presetFiles({target});
    if (copySelectedFile(app, row)) {
        out << "copied to " << escapeText(target) << "\n";
        return 0;
    }
    std::error_code ec;
    if (!fs::fileExists(source))
        err << "not copied: " << escapeText(source) << " is no file\n";
    else if (std::filesystem::equivalent(source, target, ec))
        err << "not copied: " << escapeText(target) << " is the file itself\n";
    else if (taken && !yes)
        err << "not copied: " << escapeText(target) << " exists (--yes replaces it)\n";
    else
        err << "could not copy to " << escapeText(target) << "\n";
    return 1;
}

void printCounts(std::ostream& out, const BatchCounts& c) {
    out << c.done << " done\t" << c.skipped << " skipped\t" << c.failed << " failed"
        << (c.aborted ? "\taborted" : "") << (c.stopped ? "\tstopped" : "") << "\n";
}

}  // namespace

int fileOperation(const std::string& operation, const std::vector<std::string>& args,
                  std::ostream& out, std::ostream& err) {
    CommonOptions o;
    std::string output;
    std::optional<int> to;
    bool all = false, deleteSource = false, permanent = false;
    ArgumentReader reader;
    reader.flag("--all", all).flag("--delete-source", deleteSource).flag("--permanent", permanent);
    reader.text("--output", output).number("--to", to);
    if (const int status = reader.read(args, o, err)) return status;
    const std::string& code = o.code;
    const bool yes = o.yes;
    std::vector<std::string> files;
    for (const std::string& word : o.words) files.push_back(unescapeText(word));
    if (code.empty()) return usageError(err, operation, "needs --hardware CODE");
    if (all == !files.empty()) return usageError(err, operation, "needs either FILE... or --all");
    if (operation == "move" && !to) return usageError(err, "move", "needs --to FOLDER_NO");
    if (operation != "move" && to) return usageError(err, "--to", "goes with move only");
    if (operation == "copy" && (all || files.size() != 1 || output.empty()))
        return usageError(err, "copy", "takes one FILE and --output PATH");
    OpenedApplication opened = openHardware(o.programFolder, code, err, yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    const MainSettingsChanges changes(app);
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
        return copyRow(opened, rows.front(), output, yes, out, err);
    } else {
        return usageError(err, operation, "unknown command");
    }
    if (!counts) return 1;
    printCounts(out, *counts);
    // Unpacking may have given records new keys (saved by the run itself) and moved recent
    // launches to the new names, which are saved here.
    app.changeSettings([&](MainSettings& s) {
        s.setOption(Option::DeleteWithoutTrash,
                    changes.before().option(Option::DeleteWithoutTrash));
    });
    if (!changes.save(app, err)) return 1;
    // The shell sees one status; the log says how many.
    if (counts->failed > 0)
        err << "romshelf-cli: " << operation << ": " << counts->failed << " of " << rows.size()
            << " files failed\n";
    return counts->failed > 0 || counts->aborted || counts->stopped ? 1 : 0;
}

}  // namespace romshelf::cli
