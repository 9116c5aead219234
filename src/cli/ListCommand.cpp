#include "cli/ListCommand.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "cli/CliSupport.h"
#include "core/app/Application.h"
#include "core/settings/HardwareTable.h"
#include "core/text/NameTags.h"
#include "core/views/FolderWindowModel.h"
#include "core/views/SearchDialogModel.h"

namespace romshelf::cli {

namespace {

// The folder window's text for item `item` of list `kind` (empty when it has no such item).
std::string itemLabel(const Application& app, FolderWindowKind kind, int item) {
    FolderWindowModel window;
    window.list(kind, app.fileListSources());
    for (const FolderItem& i : window.items())
        if (i.number == item) return i.text;
    return {};
}

// `--favourite yes|no|unset`: "登録済み", "未登録" (not a favourite) or "指定しない".
std::optional<std::string> favouriteItem(const std::string& value) {
    if (value == "yes") return std::string(kRegisteredItem);
    if (value == "no") return std::string(kUnregisteredItem);
    if (value == "unset") return std::string(kNoCondition);
    return std::nullopt;
}

}  // namespace

int parseListSelection(const std::vector<std::string>& args, ListSelection& s, std::ostream& err,
                       const ExtraOption& extra) {
    ArgumentReader reader;
    reader.unknownOptionsAreWords().text("--field", s.field);
    reader.option("--rating", 1, [&s](std::span<const std::string> v, std::ostream& err) {
        const auto n = parseNumber(v[0]);
        if (!n || *n < 0 || *n > 5)
            return usageError(err, "--rating",
                              "needs a number from 0 (not rated) to 5, not " + v[0]);
        s.choices.push_back(
            {SearchDialogModel::Rating, *n == 0 ? std::string(kUnregisteredItem) : ratingText(*n)});
        return 0;
    });
    reader.option("--category", 2, [&s](std::span<const std::string> v, std::ostream& err) {
        const auto k = parseNumber(v[0]);
        if (!k || *k < 1 || *k > 5)
            return usageError(err, "--category", "needs a category from 1 to 5, not " + v[0]);
        s.choices.push_back({SearchDialogModel::Category1 + *k - 1, v[1]});
        return 0;
    });
    reader.option("--class", 1, [&s](std::span<const std::string> v, std::ostream&) {
        s.choices.push_back({SearchDialogModel::HardwareClass, v[0]});
        return 0;
    });
    reader.option("--favourite", 1, [&s](std::span<const std::string> v, std::ostream& err) {
        const auto item = favouriteItem(v[0]);
        if (!item) return usageError(err, "--favourite", "needs yes, no or unset, not " + v[0]);
        s.choices.push_back({SearchDialogModel::Favourite, *item});
        return 0;
    });
    if (extra) extra(reader);
    CommonOptions common;
    if (const int status = reader.read(args, common, err)) return status;
    s.programFolder = common.programFolder;
    s.code = common.code;
    s.yes = common.yes;
    s.mode = std::move(common.words);
    return 0;
}

int showListSelection(Application& app, const ListSelection& s, std::ostream& err) {
    // The search fields in the order of the search dialog's field list.
    static constexpr std::array<std::string_view, 4> kFields = {"name", "reading", "file",
                                                                "comment"};
    const auto fieldIt = std::find(kFields.begin(), kFields.end(), s.field);
    if (fieldIt == kFields.end()) {
        return usageError(err, "--field", "needs name, reading, file or comment, not " + s.field);
    }
    const std::vector<std::string>& mode = s.mode;
    const std::string what = mode.empty() ? "all" : mode[0];
    if (!s.choices.empty() && what != "search") {
        return usageError(err, what,
                          "--rating, --category, --class and --favourite go with search");
    }
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
        app.showFiltered(FolderWindowKind::RomFolder, n,
                         itemLabel(app, FolderWindowKind::RomFolder, n));
    } else if (what == "rating" && mode.size() == 2 && arg(1) && *arg(1) >= 0 && *arg(1) <= 5) {
        const int n = *arg(1);
        app.showFiltered(FolderWindowKind::Rating, n, itemLabel(app, FolderWindowKind::Rating, n));
    } else if (what == "category" && mode.size() == 3 && arg(1) && arg(2) && *arg(1) >= 1 &&
               *arg(1) <= 5) {
        const FolderWindowKind kind = categoryKind(*arg(1) - 1);
        app.showFiltered(kind, *arg(2), itemLabel(app, kind, *arg(2)));
    } else if (what == "class" && mode.size() == 2 && arg(1)) {
        app.showFiltered(FolderWindowKind::HardwareClass, *arg(1),
                         itemLabel(app, FolderWindowKind::HardwareClass, *arg(1)));
    } else if (what == "search" && mode.size() == 2) {
        // The dialog's own choices: an item it does not offer is refused.
        SearchDialogModel dialog(app.categoryLists(), app.categoryNames());
        dialog.text = mode[1];
        dialog.field = static_cast<int>(fieldIt - kFields.begin());
        for (const ListSelection::SearchChoice& c : s.choices) {
            if (!dialog.choose(c.combo, c.item)) {
                err << dialog.comboLabel(c.combo) << " has no item " << c.item << "\n";
                return 2;
            }
        }
        app.showSearchResult(dialog.criteria());
    } else {
        return usageError(err, what,
                          "unknown list mode or wrong arguments for it (all, unregistered, "
                          "nosnap, favourites, folder N, rating N, category K N, class N or "
                          "search TEXT)");
    }
    return 0;
}

int listFiles(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ListSelection selection;
    std::string sort;
    TagFilter tags;
    bool onePerGame = false;
    const ExtraOption listOptions = [&](ArgumentReader& reader) {
        reader.text("--sort", sort);
        // Names as file names write them, in any letter case; repeated, any of them.
        reader.option("--region", 1, [&tags](std::span<const std::string> v, std::ostream& err) {
            const auto region = text::regionNumber(v[0]);
            if (!region)
                return usageError(err, "--region",
                                  "needs a region of the names' tags (Japan, USA, Europe, World, "
                                  "...), not " +
                                      v[0]);
            tags.regions |= std::uint64_t{1} << *region;
            return 0;
        });
        reader.option("--language", 1, [&tags](std::span<const std::string> v, std::ostream& err) {
            const auto language = text::languageNumber(v[0]);
            if (!language)
                return usageError(err, "--language",
                                  "needs a two-letter language of the names' tags (En, Ja, Fr, "
                                  "De, ...), not " +
                                      v[0]);
            tags.languages |= std::uint64_t{1} << *language;
            return 0;
        });
        reader.flag("--no-status", tags.noStatus);
        reader.flag("--one-per-game", onePerGame);
    };
    if (const int status = parseListSelection(args, selection, err, listOptions)) return status;
    if (!sort.empty() && sort != "playtime" && sort != "lastplayed" && sort != "playcount")
        return usageError(err, "--sort", "needs playtime, lastplayed or playcount, not " + sort);
    OpenedApplication opened =
        openHardware(selection.programFolder, selection.code, err, selection.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    // A reader: the play history is read as it is, even when damaged.
    app.playHistory().setAccess(PlayHistory::Access::Read);
    // For this listing only: the settings are not saved by a reader.
    app.setOnePerGame(onePerGame, false);
    app.setTagFilter(tags, false);
    if (const int status = showListSelection(app, selection, err)) return status;
    err << app.fileList().title() << "\n";
    // The rows go out in blocks of 64 KB: a stream call per cell costs more than the rows do.
    constexpr std::size_t kBlock = 64 * 1024;
    std::string block;
    block.reserve(2 * kBlock);
    if (!sort.empty())
        app.sortFileListByPlays(sort == "playtime"    ? Application::PlaySort::PlayTime
                                : sort == "playcount" ? Application::PlaySort::PlayCount
                                                      : Application::PlaySort::LastPlayed);
    FileListRow::CellViews cells;
    std::array<char, 32> digits;
    auto print = [&](const FileListRow& row) {
        row.cellViews(cells, digits);
        appendEscapedRow(cells, block);
        if (block.size() >= kBlock) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    };
    // Nothing on stdout when nothing matches: the list's own "no files" row is no row to a script.
    bool any = false;
    for (const FileListRow& row : app.fileList().rows()) {
        if (row.folderNumber == kPlaceholderFolder) continue;
        print(row);
        any = true;
    }
    if (!any) err << "romshelf-cli: list: " << kNoFilesText << " (no file matches)\n";
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    out.flush();
    // After the rows: the next listing finds the keys of this one.
    app.saveSortKeys();
    finishWith(std::move(opened));
    return 0;
}

}  // namespace romshelf::cli
