#include "cli/ImportMetadataCommand.h"

#include "cli/CliSupport.h"
#include "core/app/MetadataImport.h"
#include "core/database/FrontendMetadata.h"
#include "core/platform/FileSystem.h"

namespace romshelf::cli {

int importMetadataCommand(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err) {
    const CommonOptions o = parseCommonOptions(args);
    std::string file, option;
    bool overwrite = false;
    for (std::size_t i = 0; i < o.words.size(); ++i) {
        const std::string& a = o.words[i];
        if ((a == "--esde" || a == "--pegasus") && i + 1 < o.words.size() && file.empty()) {
            option = a;
            file = absoluteFile(o.words[++i]);
        } else if (a == "--overwrite") {
            overwrite = true;
        } else {
            err << "unknown argument: " << a << "\n";
            return 64;
        }
    }
    if (o.code.empty() || file.empty()) {
        err << "import-metadata needs --hardware CODE and --esde FILE or --pegasus FILE\n";
        return 64;
    }
    // The option says what the file is meant to be: a file of the other kind is refused.
    const auto head = fs::readFile(file, 1 << 20);
    const bool esde = option == "--esde";
    if (head && (detectFrontendFormat(*head) == FrontendFormat::EsDe) != esde) {
        err << file << " is no " << (esde ? "ES-DE gamelist.xml" : "Pegasus metadata file") << "\n";
        return 2;
    }
    OpenedApplication opened = openHardware(o.programFolder, o.code, err, o.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    std::string error;
    const auto result = importFrontendMetadata(*opened.app, file, overwrite, error);
    if (!result) {
        err << error << "\n";
        return 2;
    }
    err << metadataResultText(*result) << "\n";
    out << result->matched << " matched\t" << result->unmatched << " unmatched\t" << result->skipped
        << " skipped\n";
    return 0;
}

}  // namespace romshelf::cli
