#include "cli/DemoCommand.h"

#include "cli/CliSupport.h"
#include "cli/StreamPrompter.h"
#include "core/app/DemoCatalogue.h"
#include "core/platform/FileSystem.h"

namespace romshelf::cli {

int makeDemo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // The folder as a word, or as the program folder the common options name.
    CommonOptions o;
    if (const int status = ArgumentReader().wordsAtMost(1).read(args, o, err)) return status;
    const std::string dir = o.words.empty() ? o.programFolder : o.words[0];
    if (dir.empty() || (!o.words.empty() && !o.programFolder.empty())) {
        err << "usage: romshelf-cli demo DIR\n";
        return 64;
    }
    const std::string path = absoluteFolder(dir);
    if (!fs::createDirectory(path)) {
        err << "cannot make " << path << "\n";
        return 1;
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
