#include "cli/RenameCommand.h"

#include "cli/CliSupport.h"
#include "cli/MainSettingsChanges.h"
#include "cli/ListCommand.h"
#include "core/commands/RenameCommands.h"
#include "core/platform/FileSystem.h"

namespace romshelf::cli {

namespace {

// Every reason's count, named, in one line, and the report written when asked for; false when it
// could not be written.
bool tellApplied(const RenameCounts& counts, const std::string& report, std::ostream& out,
                 std::ostream& err) {
    for (int r = 0; r < kRenameReasonCount; ++r)
        out << (r ? "\t" : "") << counts.byReason[static_cast<std::size_t>(r)] << " "
            << renameReasonWord(static_cast<RenameReason>(r));
    out << (counts.aborted ? "\taborted\n" : "\n");
    if (report.empty() || fs::writeFileAtomically(absoluteFile(report), renameReportCsv(counts)))
        return true;
    err << "could not write " << report << "\n";
    return false;
}

}  // namespace

int renameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string action = args.empty() ? "" : args[0];
    std::string output, unowned, dat, report;
    ListSelection selection;
    const ExtraOption extra = [&](ArgumentReader& reader) {
        reader.text("--output", output)
            .text("--unowned", unowned)
            .text("--dat", dat)
            .text("--report", report);
    };
    if (const int status = parseListSelection(args, selection, err, extra)) return status;
    std::vector<std::string> rest = selection.mode;
    // `apply --dat FILE` renames by the whole DAT; `--dat FILE` alone makes rename data of it.
    if (!dat.empty() && !(!rest.empty() && rest.front() == "apply")) {
        action = "dat";
    } else if (!rest.empty()) {
        action = rest.front();
        rest.erase(rest.begin());
    }
    if (action != "create" && action != "apply" && action != "merge" && action != "dat")
        return usageError(err, action.empty() ? "rename" : action,
                          "rename takes create, apply, merge or --dat FILE");
    if (action == "merge" && rest.size() != 2)
        return usageError(err, "rename merge", "takes FILE1 FILE2");
    if (action != "merge" && selection.code.empty())
        return usageError(err, "rename " + action, "needs --hardware CODE");
    // A file that cannot be read is said before anything is opened.
    for (const std::string& file : action == "merge" ? rest : std::vector<std::string>{dat}) {
        if (file.empty() || fs::fileExists(file)) continue;
        err << "romshelf-cli: cannot read " << file << "\n";
        return 2;
    }
    OpenedApplication opened =
        openHardware(selection.programFolder, selection.code, err, selection.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    const MainSettingsChanges changes(app);
    const std::string dataFile =
        app.programFolder().dataFile(renameDataFileName(app.currentCode()));
    bool ran = false, reportFailed = false;
    if (action == "merge") {
        opened.prompter->presetFiles({absoluteFile(rest[0]), absoluteFile(rest[1])});
        const auto merged = mergeRenameData(app);
        if (merged)
            out << merged->added << " added\t" << merged->renamed << " renamed\t" << merged->refused
                << " refused\t" << merged->total << " records\n";
        ran = merged.has_value();
    } else if (action == "dat") {
        opened.prompter->presetFiles(
            {absoluteFile(dat), output.empty() ? dataFile : absoluteFile(output)});
        const auto written = createRenameDataFromDat(app);
        if (written) out << *written << " records written\n";
        ran = written.has_value();
    } else {
        selection.mode = rest;
        if (const int status = showListSelection(app, selection, err)) return status;
        if (action == "create") {
            opened.prompter->presetFiles({output.empty() ? dataFile : absoluteFile(output)});
            const auto written = createRenameData(app);
            if (written) out << *written << " records written\n";
            ran = written.has_value();
        } else {
            if (!unowned.empty()) opened.prompter->presetFiles({absoluteFile(unowned)});
            const auto counts = applyRenameData(app, dat.empty() ? dat : absoluteFile(dat));
            if (counts) reportFailed = !tellApplied(*counts, report, out, err);
            ran = counts.has_value();
        }
    }
    // Apply moved recent launches to the new names; the window would save them at exit.
    if (!changes.save(app, err)) return 1;
    return ran && !reportFailed ? 0 : 1;
}

}  // namespace romshelf::cli
