#include "cli/DrivesCommand.h"

#include <algorithm>

#include "cli/ArgumentReader.h"
#include "cli/CliSupport.h"
#include "cli/MainSettingsChanges.h"
#include "core/platform/AsciiCase.h"
#include "core/launch/WindowsPrograms.h"
#include "core/platform/FileSystem.h"

namespace romshelf::cli {

namespace {

constexpr const char* kUnset = "未設定";

void printDrives(Application& app, std::ostream& out) {
    const std::vector<std::string> used = windowsRootsUsed(app.storedPaths());
    const DriveMap& drives = app.programFolder().drives();
    std::string text;
    auto row = [&](const std::string& root, const DriveMapping* m, bool inUse) {
        const std::string cells[] = {root, m ? m->folder : kUnset,
                                     m ? driveSourceName(m->source) : "", inUse ? "使用中" : ""};
        appendEscapedRow(cells, text);
    };
    for (const std::string& root : used) row(root, drives.find(root), true);
    for (const DriveMapping& m : drives.mappings()) {
        const bool listed = std::any_of(used.begin(), used.end(), [&](const std::string& r) {
            return ascii::equalsIgnoringCase(r, m.root);
        });
        if (!listed) row(m.root, &m, false);
    }
    out << text;
}

}  // namespace

int drivesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string setRoot, setFolder, unsetRoot;
    CommonOptions o;
    const int bad = ArgumentReader()
                        .option("--set", 2,
                                [&](std::span<const std::string> v, std::ostream&) {
                                    setRoot = v[0], setFolder = v[1];
                                    return 0;
                                })
                        .text("--unset", unsetRoot)
                        .wordsAtMost(0)
                        .read(args, o, err);
    if (bad) return bad;
    if (!setRoot.empty() && !unsetRoot.empty()) {
        return usageError(err, "--unset", "goes without --set");
    }
    const std::string& given = setRoot.empty() ? unsetRoot : setRoot;
    const std::string root = normalisedWindowsRoot(given);
    if (!given.empty() && root.empty())
        return usageError(err, setRoot.empty() ? "--unset" : "--set",
                          "not a drive letter or network share: " + given +
                              " (for example D: or \\\\NAS\\games)");
    std::string folder;
    if (!setRoot.empty()) {
        folder = absoluteFolder(setFolder);
        if (folder.empty() || !fs::directoryExists(folder)) {
            err << "no such folder: " << setFolder << "\n";
            return 2;
        }
        folder = fs::asFolder(folder);
    }
    OpenedApplication opened = openProgramFolder(o.programFolder, err);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    if (!root.empty()) {
        const MainSettingsChanges changes(app);
        PlusSettings plus = app.plusSettings();
        auto& user = plus.drives;
        user.erase(std::remove_if(user.begin(), user.end(),
                                  [&](const auto& m) {
                                      return ascii::equalsIgnoringCase(
                                          normalisedWindowsRoot(m.first), root);
                                  }),
                   user.end());
        if (!folder.empty()) user.emplace_back(root, folder);
        app.changePlusSettings(plus);
        if (!changes.save(app, err)) return 1;
    }
    printDrives(app, out);
    return 0;
}

int checkFolderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;
    if (const int status = ArgumentReader().wordsAtMost(0).read(args, o, err)) return status;
    OpenedApplication opened = openProgramFolder(o.programFolder, err);
    if (opened.exitStatus != 0) return opened.exitStatus;
    std::string text;
    int missing = 0, total = 0;
    for (const StoredPath& p : opened.app->storedPaths()) {
        if (!o.code.empty() && !ascii::equalsIgnoringCase(p.hardware, o.code)) continue;
        ++total;
        if (!p.exists) ++missing;
        const std::string cells[] = {p.hardware.empty() ? "-" : p.hardware, p.label, p.stored,
                                     p.leadsTo.empty() ? kUnset : p.leadsTo,
                                     p.exists ? "ok" : "missing"};
        appendEscapedRow(cells, text);
    }
    out << text << total << " paths, " << missing << " missing\n";
    return missing == 0 ? 0 : 1;
}

int wineCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> program, prefix;
    CommonOptions o;
    const int bad = ArgumentReader()
                        .option("--program", 1,
                                [&](std::span<const std::string> v, std::ostream&) {
                                    program = v[0];
                                    return 0;
                                })
                        .option("--prefix", 1,
                                [&](std::span<const std::string> v, std::ostream&) {
                                    prefix = v[0].empty() ? v[0] : absoluteFolder(v[0]);
                                    return 0;
                                })
                        .wordsAtMost(0)
                        .read(args, o, err);
    if (bad) return bad;
    OpenedApplication opened = openProgramFolder(o.programFolder, err);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    if (program || prefix) {
        const MainSettingsChanges changes(app);
        PlusSettings plus = app.plusSettings();
        if (program) plus.wine = *program;
        if (prefix) plus.winePrefix = *prefix;
        app.changePlusSettings(plus);
        if (!changes.save(app, err)) return 1;
    }
    const PlusSettings& plus = app.plusSettings();
    const std::string found = findWine(plus.wine);
    const std::string usedPrefix =
        plus.winePrefix.empty() ? DriveSearchPlaces::fromEnvironment().winePrefix : plus.winePrefix;
    std::string text;
    const std::string wineRow[] = {"wine", plus.wine, found.empty() ? "未検出" : found};
    const std::string prefixRow[] = {"prefix", plus.winePrefix, usedPrefix};
    appendEscapedRow(wineRow, text);
    appendEscapedRow(prefixRow, text);
    out << text;
    if (found.empty()) {
        err << kWineNeeded << "\n";
        return 3;
    }
    return 0;
}

}  // namespace romshelf::cli
