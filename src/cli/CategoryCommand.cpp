#include "cli/CategoryCommand.h"

#include <optional>

#include "cli/CliSupport.h"

namespace romshelf::cli {

namespace {

std::optional<int> parseList(const std::string& k) {
    if (k == "class") return kHardwareClassList;
    const std::optional<int> n = parseNumber(k);
    if (n && *n >= 1 && *n <= 5) return *n - 1;
    return std::nullopt;
}

// Selects the current item `text` (given as list prints it); false, and said, when it is none.
bool select(CategoryOrganiser& organiser, const std::string& text, std::ostream& err) {
    const int row = organiser.findCurrent(unescapeText(text));
    if (row < 0) err << "no such item: " << text << "\n";
    organiser.selectCurrent(row);
    return row >= 0;
}

// Runs `operation` with its arguments `rest` on the organiser. 1 refused, 64 wrong arguments.
int runOperation(Application& app, CategoryOrganiser& organiser, const std::string& operation,
                 const std::vector<std::string>& rest, std::ostream& err) {
    if (operation == "add" && !rest.empty()) {
        for (const std::string& text : rest) {
            organiser.addText = unescapeText(text);
            organiser.add();
        }
    } else if (operation == "rename" && rest.size() == 2) {
        if (!select(organiser, rest[0], err)) return 1;
        organiser.renameText = unescapeText(rest[1]);
        if (organiser.renameText.empty()) return 64;
        if (app.categoryCommands().rename(organiser) != CategoryCommands::RenameResult::Renamed)
            return 1;
    } else if (operation == "delete" && !rest.empty()) {
        for (const std::string& text : rest) {
            if (!select(organiser, text, err)) return 1;
            organiser.moveToDelete();
        }
    } else if (operation == "move" && (rest.size() == 2 || rest.size() == 3) &&
               (rest[1] == "up" || rest[1] == "down")) {
        const std::optional<int> steps = rest.size() == 3 ? parseNumber(rest[2]) : 1;
        if (!steps || *steps < 0) return 64;
        if (!select(organiser, rest[0], err)) return 1;
        for (int i = 0; i < *steps; ++i)
            rest[1] == "up" ? organiser.moveUp() : organiser.moveDown();
    } else if (operation == "sort" && rest.empty()) {
        organiser.sort();
    } else if (operation == "find-missing" && rest.empty()) {
        err << app.categoryCommands().addMissing(organiser) << " items added\n";
    } else {
        return 64;
    }
    return 0;
}

}  // namespace

int organiseCategory(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions options;
    if (const int status = ArgumentReader().read(args, options, err)) return status;
    const std::vector<std::string>& words = options.words;
    if (words.size() < 2)
        return usageError(err, "category",
                          "needs an operation (list, add, rename, delete, move, sort or "
                          "find-missing) and a list K (1-5 or class)");
    const std::optional<int> list = parseList(words[1]);
    if (!list) return usageError(err, words[1], "no category list (1-5 or class)");
    OpenedApplication opened = openHardware(options.programFolder, options.code, err, options.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    CategoryOrganiser organiser = app.categoryCommands().open(*list);

    if (words[0] != "list" || words.size() != 2) {
        const int status =
            runOperation(app, organiser, words[0], {words.begin() + 2, words.end()}, err);
        if (status == 64) usageError(err, "category " + words[0], "wrong arguments");
        if (status != 0) return status;
        // As "項目の確定", then saved at once: nothing else will save it.
        app.categoryCommands().apply(organiser);
        if (!app.categoryCommands().save()) return 1;
    }
    for (const std::string& item : organiser.current()) out << escapeText(item) << "\n";
    return 0;
}

}  // namespace romshelf::cli
