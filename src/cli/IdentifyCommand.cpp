#include "cli/IdentifyCommand.h"

#include "cli/CliSupport.h"
#include "core/rename/FileIdentity.h"

namespace romshelf::cli {

int identifyFiles(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
    if (files.empty()) return usageError(err, "identify", "needs a FILE");
    int failed = 0;
    for (const std::string& file : files) {
        // Nothing to identify: no row is printed for it.
        const std::optional<FileIdentity> found = regularFileIdentity(file);
        if (!found) {
            err << "not a regular file: " << file << "\n";
            ++failed;
            continue;
        }
        const FileIdentity& id = *found;
        out << id.size << '\t' << id.crc << '\t' << id.sum1 << '\t' << id.sum2 << '\t' << id.sum3
            << '\t' << escapeText(file) << '\n';
    }
    if (failed == 0) return 0;
    err << "romshelf-cli: identify: " << failed << " of " << files.size()
        << " files could not be read\n";
    return 1;
}

}  // namespace romshelf::cli
