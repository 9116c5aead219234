#include "cli/FillCommand.h"

#include <charconv>

#include "cli/ArgumentReader.h"
#include "cli/CliSupport.h"
#include "core/app/Application.h"
#include "core/commands/DatabaseFill.h"

namespace romshelf::cli {

namespace {

// "genre=1,developer=2,year=6,players=0": list numbers as the window counts them (1-5 the
// categories, 6 the hardware class), 0 for no list. Fields not named keep the default.
int readMap(std::string_view text, FillLists& lists, std::ostream& err) {
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const std::size_t eq = part.find('=');
        const auto field = fillFieldOfKey(part.substr(0, eq));
        int list = -1;
        const std::string_view number =
            eq == std::string_view::npos ? std::string_view{} : part.substr(eq + 1);
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), list);
        if (!field || number.empty() || ec != std::errc() || end != number.data() + number.size() ||
            list < 0 || list > kCategoryListCount)
            return usageError(err, "--map",
                              "takes FIELD=LIST pairs: genre, developer, publisher, franchise, "
                              "year or players, and a list 1-6 (0: none)");
        lists[static_cast<std::size_t>(*field)] = list - 1;
    }
    return 0;
}

std::string shownList(int list, const std::array<std::string, kCategoryListCount>& names) {
    return std::to_string(list + 1) + " (" + names[static_cast<std::size_t>(list)] + ")";
}

}  // namespace

int fillCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;
    std::vector<std::string> from;
    std::string map, genreNames;
    bool dryRun = false, overwrite = false;
    ArgumentReader reader;
    reader.option("--from", 1, [&](std::span<const std::string> v, std::ostream&) {
        from.push_back(absoluteFile(v[0]));
        return 0;
    });
    if (const int status = reader.flag("--dry-run", dryRun)
                               .flag("--overwrite", overwrite)
                               .text("--map", map)
                               .text("--genre-names", genreNames)
                               .wordsAtMost(0)
                               .read(args, o, err))
        return status;
    if (o.code.empty()) return usageError(err, "fill", "needs --hardware CODE");
    if (!genreNames.empty() && genreNames != "original" && genreNames != "japanese")
        return usageError(err, "--genre-names", "is original or japanese");
    OpenedApplication opened = openHardware(o.programFolder, o.code, err, o.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    const auto names = app.categoryNames();
    FillOptions options;
    options.lists = defaultFillLists(names);
    if (const int status = readMap(map, options.lists, err)) return status;
    options.overwrite = overwrite;
    options.originalGenreNames = genreNames == "original";
    options.genreNames = romshelf::genreNames(app.plusSettings());
    bool anyList = false;
    for (int f = 0; f < kFillFieldCount; ++f)
        if (const int list = options.lists[static_cast<std::size_t>(f)]; list >= 0) {
            anyList = true;
            err << fillFieldKey(static_cast<FillField>(f)) << " -> list " << shownList(list, names)
                << "\n";
        }
    if (!anyList)
        return usageError(err, "fill",
                          "no category list is named for a field: give --map genre=1,…");
    std::string error;
    const auto run = fillFromDatabases(app, from, options, dryRun, error);
    if (!run) {
        err << error << "\n";
        return 2;
    }
    for (const FillMatch& match : run->plan.matches)
        if (match.by != MatchedBy::None)
            err << "matched\t" << match.file << "\t" << matchedByWord(match.by) << "\t"
                << match.game << "\n";
    // Every change: the file, the field, the old value and the new one.
    for (const FillChange& change : run->plan.changes) {
        if (dryRun)
            out << "change\t";
        else if (!change.oldValue.empty())
            out << "replaced\t";
        else
            out << "filled\t";
        out << change.file << "\t" << fillFieldKey(change.field) << "\t" << change.oldValue << "\t"
            << change.newValue << "\n";
    }
    if (!run->backupPath.empty()) err << "the records before: " << run->backupPath << "\n";
    if (run->withoutRoom > 0)
        err << run->withoutRoom << " files got no record: the table holds 5000\n";
    out << fillSummary(run->plan) << (dryRun ? "\t(dry run: nothing written)" : "") << "\n";
    if (!dryRun && !run->plan.changes.empty() && !run->written) return 1;
    return 0;
}

}  // namespace romshelf::cli
