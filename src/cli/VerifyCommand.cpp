#include "cli/VerifyCommand.h"

#include "cli/CliSupport.h"
#include "core/commands/DatVerifyCommand.h"
#include "core/platform/FileSystem.h"

namespace romshelf::cli {

int verifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;
    std::string dat, report, fixdat, sets;
    ArgumentReader reader;
    reader.text("--dat", dat)
        .text("--report", report)
        .text("--fixdat", fixdat)
        .text("--sets", sets)
        .wordsAtMost(0);
    if (const int status = reader.read(args, o, err)) return status;
    if (o.code.empty()) return usageError(err, "verify", "needs --hardware CODE");
    if (dat.empty()) return usageError(err, "verify", "needs --dat FILE");
    dat = absoluteFile(dat), report = absoluteFile(report), fixdat = absoluteFile(fixdat);
    sets = absoluteFile(sets);
    std::string error;
    const std::optional<DatFile> file = readDatFile(dat, error);
    if (!file) {
        err << error << "\n";
        return 2;
    }
    OpenedApplication opened = openHardware(o.programFolder, o.code, err, o.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    app.showAll();
    const VerifyRun run = verifyListedFiles(app, *file);
    out << verifySummary(run.report) << (run.aborted ? "\taborted" : "") << "\n";
    int status = run.aborted ? 1 : 0;
    auto write = [&](const std::string& path, const std::string& bytes) {
        if (path.empty() || fs::writeFileAtomically(path, bytes)) return;
        err << "could not write " << path << "\n";
        status = 1;
    };
    write(report, verifyReportCsv(run.report));
    write(sets, setReportCsv(run.report.sets));
    // A DAT of no game is no valid DAT: nothing is written when nothing is missing.
    const std::size_t sizeless = romsWithoutSize(run.report.missing);
    if (!fixdat.empty() && sizeless > 0)
        err << sizeless << " missing roms without a size are not in the fixdat\n";
    if (sizeless < run.report.missing.size())
        write(fixdat, fixdatOf(run.report));
    else if (!fixdat.empty())
        err << "nothing missing: no fixdat written\n";
    return status;
}

}  // namespace romshelf::cli
