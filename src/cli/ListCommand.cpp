#include "cli/ListCommand.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "cli/CliSupport.h"
#include "core/app/Application.h"
#include "core/settings/HardwareTable.h"

namespace romshelf::cli {

namespace {

// The folder-window item text of category list `list` (0-5), as the list shows it.
std::string itemLabel(const Application& app, int list, int item) {
    if (item <= 0) return "未登録";
    const auto& items = app.categoryLists().items[static_cast<std::size_t>(list)];
    return item <= static_cast<int>(items.size()) ? items[static_cast<std::size_t>(item - 1)]
                                                  : std::string();
}

}  // namespace

int listFiles(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string programFolder, code, field = "name";
    std::vector<std::string> mode;
    bool yes = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--yes") {
            yes = true;
        } else if (a == "--program-folder" && hasValue) {
            programFolder = args[++i];
        } else if (a == "--hardware" && hasValue) {
            code = args[++i];
        } else if (a == "--field" && hasValue) {
            field = args[++i];
        } else {
            mode.push_back(a);
        }
    }
    // The search fields in the order of the search dialog's field list.
    static constexpr std::array<std::string_view, 4> kFields = {"name", "reading", "file",
                                                                "comment"};
    const auto fieldIt = std::find(kFields.begin(), kFields.end(), field);
    if (fieldIt == kFields.end()) {
        err << "unknown search field: " << field << " (name, reading, file or comment)\n";
        return 2;
    }
    OpenedApplication opened = openHardware(programFolder, code, err, yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;

    const std::string what = mode.empty() ? "all" : mode[0];
    auto arg = [&](std::size_t k) -> std::optional<int> {
        return k < mode.size() ? parseNumber(mode[k]) : std::nullopt;
    };
    if (what == "all" && mode.size() <= 1) {
        app.showAll();
    } else if (what == "unregistered" && mode.size() == 1) {
        app.showUnregistered();
    } else if (what == "nosnap" && mode.size() == 1) {
        app.showWithoutSnap();
    } else if (what == "favourites" && mode.size() == 1) {
        app.showFavourites();
    } else if (what == "folder" && mode.size() == 2 && arg(1)) {
        const int n = *arg(1);
        const std::string label =
            n >= 0 && n < kRomFolderCount
                ? app.folders().folders.romFolderNames[static_cast<std::size_t>(n)]
                : "";
        app.showFiltered(FolderWindowKind::RomFolder, n, label);
    } else if (what == "rating" && mode.size() == 2 && arg(1) && *arg(1) >= 0 && *arg(1) <= 5) {
        const int n = *arg(1);
        app.showFiltered(FolderWindowKind::Rating, n, n == 0 ? "未登録" : ratingText(n));
    } else if (what == "category" && mode.size() == 3 && arg(1) && arg(2) && *arg(1) >= 1 &&
               *arg(1) <= 5) {
        const int list = *arg(1) - 1;
        app.showFiltered(categoryKind(list), *arg(2), itemLabel(app, list, *arg(2)));
    } else if (what == "class" && mode.size() == 2 && arg(1)) {
        app.showFiltered(FolderWindowKind::HardwareClass, *arg(1),
                         itemLabel(app, kHardwareClassList, *arg(1)));
    } else if (what == "search" && mode.size() == 2) {
        SearchCriteria c;
        c.typed = mode[1];
        c.field = static_cast<int>(fieldIt - kFields.begin());
        c.rating = c.favourite = std::string(kNoCondition);
        c.classes.fill(std::string(kNoCondition));
        app.showSearchResult(c);
    } else {
        err << "unknown list mode\n";
        return 64;
    }
    err << app.fileList().title() << "\n";
    // The rows go out in blocks of 64 KB: a stream call per cell costs more than the rows do.
    constexpr std::size_t kBlock = 64 * 1024;
    std::string block;
    block.reserve(2 * kBlock);
    for (const FileListRow& row : app.fileList().rows()) {
        for (int c = 0; c < kFileListColumns; ++c) {
            if (c) block += '\t';
            block += escapeText(row.cells[static_cast<std::size_t>(c)]);
        }
        block += '\n';
        if (block.size() >= kBlock) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    return 0;
}

}  // namespace romshelf::cli
