#include "cli/SetCommand.h"

#include <algorithm>
#include <optional>

#include "cli/CliSupport.h"
#include "cli/MainSettingsChanges.h"
#include "core/app/Registration.h"

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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool more = i + 1 < args.size();
        auto text = [&](std::optional<std::string>& into) { into = unescapeText(args[++i]); };
        if (a == "--yes") {
            r.yes = true;
        } else if (a == "--clear") {
            r.clear = true;
        } else if ((a == "--program-folder" || a == "--hardware") && more) {
            (a == "--program-folder" ? r.programFolder : r.code) = args[++i];
        } else if (a == "--name" && more) {
            text(r.name);
        } else if (a == "--reading" && more) {
            text(r.reading);
        } else if (a == "--comment" && more) {
            text(r.comment);
        } else if (a == "--emulator" && more) {
            text(r.emulator);
        } else if (a == "--rename" && more) {
            text(r.rename);
        } else if (a == "--class" && more) {
            text(r.categories[kHardwareClassList]);
        } else if (a == "--category" && i + 2 < args.size()) {
            const std::optional<int> k = parseNumber(args[++i]);
            if (!k || *k < 1 || *k > kRecordClassCount) {
                err << "--category takes 1-5\n";
                return 64;
            }
            text(r.categories[static_cast<std::size_t>(*k - 1)]);
        } else if (a == "--rating" && more) {
            r.rating = parseNumber(args[++i]);
            if (!r.rating || *r.rating < 0 || *r.rating > 5) {
                err << "--rating takes 0-5\n";
                return 64;
            }
        } else if (a == "--favourite" && more && (args[i + 1] == "yes" || args[i + 1] == "no")) {
            r.favourite = args[++i] == "yes";
        } else if (!a.starts_with("--") && r.file.empty()) {
            r.file = unescapeText(a);
        } else {
            err << "unknown or incomplete argument: " << a << "\n";
            return 64;
        }
    }
    if (r.file.empty() || r.code.empty()) {
        err << "usage: set [--program-folder DIR] --hardware CODE FILE [--name TEXT] "
               "[--reading TEXT] [--rating N] [--category K TEXT] [--class TEXT] "
               "[--comment TEXT] [--favourite yes|no] [--emulator NAME] [--rename NEWTITLE] "
               "[--clear] [--yes]\n";
        return 64;
    }
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
            err << "no such emulator: " << *r.emulator << "\n";
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
    int row = -1;
    const FileListView rows = app.fileList().rows();
    for (std::size_t i = 0; i < rows.size() && row < 0; ++i)
        if (rows[i].folderNumber != kPlaceholderFolder && rows[i].fileName() == request.file)
            row = static_cast<int>(i);
    RegistrationModel model(app);
    if (row < 0 || !model.open(row)) {
        err << "no such file: " << escapeText(request.file) << "\n";
        return 1;
    }
    bool done = false;
    if (request.clear) {
        done = model.clear();
    } else {
        if (!fill(model, request, err)) return 64;
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
