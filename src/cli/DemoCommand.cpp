#include "cli/DemoCommand.h"

#include <filesystem>
#include <system_error>

#include "cli/CliSupport.h"
#include "cli/StreamPrompter.h"
#include "demo/DemoCatalogue.h"
#include "core/platform/FileSystem.h"

namespace romshelf::cli {

int makeDemo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // The folder as a word, or as the program folder the common options name.
    CommonOptions o;
    if (const int status = ArgumentReader().wordsAtMost(1).read(args, o, err)) return status;
    const std::string dir = o.words.empty() ? o.programFolder : o.words[0];
    if (dir.empty()) return usageError(err, "demo", "needs a folder DIR");
    if (!o.words.empty() && !o.programFolder.empty())
        return usageError(err, "--program-folder", "goes without DIR");
    const std::string path = absoluteFolder(dir);
    // The parent folders too, as mkdir -p: `demo ~/tmp/a/b` is one step.
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!fs::directoryExists(path)) {
        err << "romshelf-cli: cannot make " << path << "\n";
        return 2;
    }
    const ProgramFolder folder(path);
    StreamPrompter prompter(err);
    const DemoReport report =
        makeDemoCatalogue(folder, prompter, EmulatorSearchPlaces::fromEnvironment());
    for (const std::string& file : report.written) out << "written: " << escapeText(file) << "\n";
    for (const std::string& file : report.failed)
        err << "not written: " << escapeText(file) << "\n";
    out << "demo catalogue in " << folder.path() << "\n";
    return report.ok() ? 0 : 1;
}

}  // namespace romshelf::cli
