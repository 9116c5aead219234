#include "cli/CacheCommand.h"

#include "cli/CliSupport.h"
#include "cli/MainSettingsChanges.h"
#include "core/storage/PlayHistory.h"
#include "core/views/SizeText.h"

namespace romshelf::cli {

namespace {

void printList(const UnpackCache& cache, std::uint64_t cap, std::ostream& out) {
    std::string text;
    std::uint64_t total = 0;
    for (const UnpackedImage& image : cache.entries()) {
        const std::string cells[] = {image.archivePath, image.member, std::to_string(image.size),
                                     localDateTimeText(image.lastUseNs / 1'000'000'000)};
        appendEscapedRow(cells, text);
        total += image.size;
    }
    out << text << "total " << total << " bytes (" << sizeText(total) << ") of " << cap << " ("
        << sizeText(cap) << ") in " << cache.folder() << "\n";
}

}  // namespace

int cacheCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string programFolder, operation;
    std::optional<std::uint64_t> max;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--program-folder" && hasValue) {
            programFolder = args[++i];
        } else if (args[i] == "--max" && hasValue && operation.empty()) {
            max = parseByteSize(args[++i]);
            if (!max) {
                err << "--max takes a size such as 512M, 4G or a number of bytes: " << args[i]
                    << "\n";
                return 64;
            }
            operation = "--max";
        } else if (args[i] == "--yes") {
            // nothing is asked
        } else if ((args[i] == "list" || args[i] == "clear") && operation.empty()) {
            operation = args[i];
        } else {
            err << "unknown argument: " << args[i] << "\n";
            return 64;
        }
    }
    if (operation.empty()) {
        err << "cache needs list, clear or --max SIZE\n";
        return 64;
    }
    OpenedApplication opened = openProgramFolder(programFolder, err);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    if (operation == "list") {
        printList(app.unpackCache(), app.plusSettings().unpackCacheLimit, out);
        return 0;
    }
    if (operation == "--max") {
        const MainSettingsChanges changes(app);
        PlusSettings plus = app.plusSettings();
        plus.unpackCacheLimit = *max;
        app.changePlusSettings(plus);
        if (!changes.save(app, err)) return 1;
    }
    UnpackCache cache = app.unpackCache();
    const int removed = operation == "clear" ? cache.clear() : cache.evictTo(*max);
    if (removed < 0) {
        err << "cannot lock the unpack cache in " << cache.folder() << "\n";
        return 1;
    }
    out << removed << " images removed\n";
    printList(cache, app.plusSettings().unpackCacheLimit, out);
    return 0;
}

}  // namespace romshelf::cli
