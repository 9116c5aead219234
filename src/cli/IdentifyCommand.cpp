#include "cli/IdentifyCommand.h"

#include "cli/CliSupport.h"
#include "core/platform/FileSystem.h"
#include "core/rename/FileIdentity.h"

namespace romshelf::cli {

int identifyFiles(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
    if (files.empty()) {
        err << "usage: romshelf-cli identify FILE...\n";
        return 64;
    }
    int status = 0;
    for (const std::string& file : files) {
        // Nothing to identify: no row is printed for it.
        if (!fs::fileExists(file)) {
            err << "not a regular file: " << file << "\n";
            status = 1;
            continue;
        }
        const FileIdentity id = fileIdentity(file);
        out << id.size << '\t' << id.crc << '\t' << id.sum1 << '\t' << id.sum2 << '\t' << id.sum3
            << '\t' << escapeText(file) << '\n';
    }
    return status;
}

}  // namespace romshelf::cli
