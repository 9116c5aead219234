#include "cli/SetCommand.h"

#include <algorithm>
#include <optional>

#include "cli/CliSupport.h"
#include "cli/MainSettingsChanges.h"
#include "core/commands/Registration.h"

namespace romshelf::cli {

namespace {

struct SetRequest {
    std::string programFolder, code, file;
    std::optional<std::string> name, reading, comment, emulator, rename;
    std::optional<int> rating;
    std::array<std::optional<std::string>, kCategoryListCount> categories;
    std::optional<bool> favourite;
    bool clear = false, yes = false;
};

// 0, or 64 after telling what is wrong.
int parse(const std::vector<std::string>& args, SetRequest& r, std::ostream& err) {
    ArgumentReader reader;
    // Texts as `list` prints them.
    auto text = [&reader](std::string_view name, std::optional<std::string>& into) {
        reader.option(name, 1, [&into](std::span<const std::string> v, std::ostream&) {
            into = unescapeText(v[0]);
            return 0;
        });
    };
    text("--name", r.name);
    text("--reading", r.reading);
    text("--comment", r.comment);
    text("--emulator", r.emulator);
    text("--rename", r.rename);
    text("--class", r.categories[kHardwareClassList]);
    reader.wordsAtMost(1).flag("--clear", r.clear);
    reader.option("--category", 2, [&r](std::span<const std::string> v, std::ostream& e) {
        const std::optional<int> k = parseNumber(v[0]);
        if (!k || *k < 1 || *k > kRecordClassCount)
            return usageError(e, "--category", "needs a category from 1 to 5, not " + v[0]);
        r.categories[static_cast<std::size_t>(*k - 1)] = unescapeText(v[1]);
        return 0;
    });
    reader.option("--rating", 1, [&r](std::span<const std::string> v, std::ostream& e) {
        r.rating = parseNumber(v[0]);
        if (r.rating && *r.rating >= 0 && *r.rating <= 5) return 0;
        return usageError(e, "--rating", "needs a number from 0 to 5");
    });
    reader.option("--favourite", 1, [&r](std::span<const std::string> v, std::ostream& e) {
        r.favourite = v[0] == "yes";
        if (v[0] == "yes" || v[0] == "no") return 0;
        return usageError(e, "--favourite", "needs yes or no, not " + v[0]);
    });
    CommonOptions common;
    if (const int status = reader.read(args, common, err)) return status;
    r.programFolder = common.programFolder;
    r.code = common.code;
    r.yes = common.yes;
    if (!common.words.empty()) r.file = unescapeText(common.words[0]);
    if (r.code.empty()) return usageError(err, "set", "needs --hardware CODE");
    if (r.file.empty()) return usageError(err, "set", "needs a FILE");
    return 0;
}

// The request's values in the dialog's fields; false (and told) for an emulator not offered.
bool fill(RegistrationModel& model, const SetRequest& r, std::ostream& err) {
    RegistrationFields& f = model.fields;
    if (r.name) f.gameName = *r.name;
    if (r.reading) f.reading = *r.reading;
    if (r.comment) f.comment = *r.comment;
    if (r.rename) f.title = *r.rename;
    if (r.rating) f.rating = *r.rating;
    if (r.favourite) f.favourite = *r.favourite;
    for (std::size_t k = 0; k < r.categories.size(); ++k)
        if (r.categories[k])
            f.categories[k] =
                r.categories[k]->empty() ? std::string(kNotSpecified) : *r.categories[k];
    if (r.emulator) {
        const std::vector<std::string> items = model.emulatorItems();
        const auto item = std::find(items.begin(), items.end(),
                                    r.emulator->empty() ? std::string(kNotSpecified) : *r.emulator);
        if (item == items.end()) {
            usageError(err, "--emulator", "no such emulator: " + *r.emulator);
            return false;
        }
        f.emulator = static_cast<int>(item - items.begin());
    }
    return true;
}

}  // namespace

int setFileInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    SetRequest request;
    if (const int status = parse(args, request, err)) return status;
    OpenedApplication opened = openHardware(request.programFolder, request.code, err, request.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    const MainSettingsChanges changes(app);
    app.showAll();
    const std::vector<int> named = rowsNamed(app, request.file);
    const int row = named.empty() ? -1 : named.front();
    RegistrationModel model(app);
    if (row < 0 || !model.open(row)) {
        err << "no such file: " << escapeText(request.file) << "\n";
        return 1;
    }
    bool done = false;
    if (request.clear) {
        done = model.clear();
    } else {
        if (!fill(model, request, err)) return kUsageStatus;
        done = model.accept() && (!request.rename || model.fields.title == *request.rename);
    }
    // Nothing else will save it: the records and lists now, and the recent launches a rename
    // moved.
    if (!app.categoryCommands().save()) return 1;
    if (!changes.save(app, err)) return 1;
    const FileListRow& shown = app.fileList().rows()[static_cast<std::size_t>(row)];
    for (int c = 0; c < kFileListColumns; ++c)
        out << (c ? "\t" : "") << escapeText(shown.cells[static_cast<std::size_t>(c)]);
    out << "\n";
    return done ? 0 : 1;
}

}  // namespace romshelf::cli
