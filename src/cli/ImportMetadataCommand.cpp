#include "cli/ImportMetadataCommand.h"

#include "cli/CliSupport.h"
#include "core/imports/MetadataImport.h"
#include "core/database/FrontendMetadata.h"
#include "core/platform/FileSystem.h"

namespace romshelf::cli {

int importMetadataCommand(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err) {
    CommonOptions o;
    std::string file, option;
    bool overwrite = false;
    auto source = [&](std::string_view name) {
        return [&, name](std::span<const std::string> v, std::ostream& e) {
            if (!file.empty()) return usageError(e, name, "give one of --esde and --pegasus");
            option = name;
            file = absoluteFile(v[0]);
            return 0;
        };
    };
    ArgumentReader reader;
    reader.option("--esde", 1, source("--esde")).option("--pegasus", 1, source("--pegasus"));
    if (const int status = reader.flag("--overwrite", overwrite).wordsAtMost(0).read(args, o, err))
        return status;
    if (o.code.empty()) return usageError(err, "import-metadata", "needs --hardware CODE");
    if (file.empty())
        return usageError(err, "import-metadata", "needs --esde FILE or --pegasus FILE");
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
