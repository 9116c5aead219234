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
    std::string operation;
    std::optional<std::uint64_t> max;
    CommonOptions o;
    ArgumentReader reader;
    reader.wordsAtMost(1).option("--max", 1, [&](std::span<const std::string> v, std::ostream& e) {
        max = parseByteSize(v[0]);
        if (max) return 0;
        return usageError(e, "--max",
                          "needs a size such as 512M, 4G or a number of bytes, not " + v[0]);
    });
    if (const int status = reader.read(args, o, err)) return status;
    const std::string& programFolder = o.programFolder;
    if (!o.words.empty()) operation = o.words[0];
    if (!operation.empty() && operation != "list" && operation != "clear")
        return usageError(err, operation, "unknown cache operation (list or clear)");
    if (max && !operation.empty()) return usageError(err, "--max", "goes without " + operation);
    if (max) operation = "--max";
    if (operation.empty()) return usageError(err, "cache", "needs list, clear or --max SIZE");
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
