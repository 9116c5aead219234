#include "core/commands/Registration.h"

#include <algorithm>

#include "core/app/Application.h"
#include "core/commands/BatchOperations.h"
#include "core/app/JournaledChange.h"
#include "core/platform/FileSystem.h"
#include "core/rename/RenameCompanions.h"
#include "core/settings/HardwareTable.h"
#include "core/text/FileNames.h"
#include "core/text/TextCodec.h"
#include "core/views/FileListRow.h"

namespace romshelf {

namespace {

constexpr const char* kWarning = "警告";

std::string spacesForUnderscores(std::string text) {
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

std::string joinName(const std::string& title, const std::string& extension) {
    return extension.empty() ? title : title + "." + extension;
}

std::string storedCategory(const std::string& shown) {
    return shown == kNotSpecified ? std::string() : shown;
}

// Every line break of `text` (CR LF, CR or LF) written as `lineBreak`.
std::string withLineBreaks(std::string_view text, std::string_view lineBreak) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += lineBreak;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::pair<std::string, std::string> splitRowName(const FileListRow& row) {
    const std::string& name = row.fileName();
    // An unowned file is known by its title alone: a dot in it is part of the title.
    if (row.folderNumber == kUnownedFolder) return {name, {}};
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return {name, {}};
    return {name.substr(0, dot), name.substr(dot + 1)};
}

bool RegistrationModel::open(int row) {
    const FileListView rows = app_.fileList().rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return false;
    const FileListRow& r = rows[static_cast<std::size_t>(row)];
    if (r.folderNumber == kPlaceholderFolder) return false;
    row_ = row;
    folder_ = r.folderNumber;
    std::tie(oldTitle_, oldExtension_) = splitRowName(r);
    fields = RegistrationFields{};
    fields.title = oldTitle_;
    fields.extension = oldExtension_;
    const RomTable& table = app_.romTable();
    if (r.recordIndex < 0 || r.recordIndex >= table.count()) {
        const bool keep = app_.settings().option(Option::KeepUnderscores);
        fields.gameName = keep ? r.cells[0] : spacesForUnderscores(r.cells[0]);
        fields.reading = keep ? r.cells[1] : spacesForUnderscores(r.cells[1]);
        fields.categories.fill(std::string(kNotSpecified));
        return true;
    }
    const RomRecord& record = table[r.recordIndex];
    fields.gameName = record.gameName;
    fields.reading = record.reading;
    fields.comment = withLineBreaks(record.comment, "\n");
    fields.favourite = record.favourite;
    for (int k = 0; k < kCategoryListCount; ++k) {
        const std::string& value = k < kRecordClassCount
                                       ? record.classes[static_cast<std::size_t>(k)]
                                       : record.hardwareClass;
        fields.categories[static_cast<std::size_t>(k)] =
            value.empty() ? std::string(kNotSpecified) : value;
    }
    // The first item that begins with the emulator's name, in any letter case.
    const int slot = record.preferredEmulator;
    if (slot >= 0 && slot < kEmulatorCount) {
        const std::string name =
            text::toUpper(app_.emulators()[static_cast<std::size_t>(slot)].name);
        const std::vector<std::string> items = emulatorItems();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (text::toUpper(items[i]).starts_with(name)) {
                fields.emulator = static_cast<int>(i);
                break;
            }
    }
    fields.rating = record.rating >= 0 && record.rating <= 5 ? record.rating : 0;
    return true;
}

bool RegistrationModel::canRename() const {
    if (folder_ < 0 || folder_ >= kRomFolderCount) return false;
    if (traitsOf(app_.currentCode()).otherSoftware) return false;
    return !app_.folders().folders.romFolderPaths[static_cast<std::size_t>(folder_)].empty();
}

std::vector<std::string> RegistrationModel::emulatorItems() const {
    std::vector<std::string> items{std::string(kNotSpecified)};
    for (const EmulatorEntry& e : app_.emulators())
        if (!e.executable.empty()) items.push_back(e.name);
    return items;
}

std::vector<std::string> RegistrationModel::categoryItems(int list) const {
    std::vector<std::string> items{std::string(kNotSpecified)};
    if (list < 0 || list >= kCategoryListCount) return items;
    const auto& own = app_.categoryLists().items[static_cast<std::size_t>(list)];
    items.insert(items.end(), own.begin(), own.end());
    return items;
}

std::vector<std::string> RegistrationModel::ratingItems() {
    std::vector<std::string> items{std::string(kNotSpecified)};
    for (int i = 1; i <= 5; ++i) items.push_back(ratingText(i));
    return items;
}

bool RegistrationModel::accept() {
    if (!isOpen()) return false;
    const FileListView rows = app_.fileList().rows();
    if (static_cast<std::size_t>(row_) >= rows.size() ||
        splitRowName(rows[static_cast<std::size_t>(row_)]) != std::pair(oldTitle_, oldExtension_)) {
        // The list was built again meanwhile: the row is another file now.
        close();
        return true;
    }
    if (fields.title != oldTitle_ || fields.extension != oldExtension_) {
        Prompter& prompter = app_.prompter();
        if (!canRename() || !prompter.ask(std::string(kRenameQuestion), "ファイル名変更確認")) {
            fields.title = oldTitle_;
            fields.extension = oldExtension_;
        } else if (!rename()) {
            return false;
        }
    }
    for (int k = 0; k < kCategoryListCount; ++k)
        app_.categoryCommands().addTypedItem(
            k, storedCategory(fields.categories[static_cast<std::size_t>(k)]));
    commit();
    close();
    return true;
}

bool RegistrationModel::rename() {
    Prompter& prompter = app_.prompter();
    if (fields.title.find_first_of(kForbiddenNameCharacters) != std::string::npos ||
        fields.extension.find_first_of(kForbiddenNameCharacters) != std::string::npos) {
        prompter.inform(std::string(kSymbolInNameMessage), kWarning);
        return false;
    }
    if (fields.title.empty()) {
        prompter.inform("ファイル名が空なのでリネームできません。", kWarning);
        return false;
    }
    if (app_.currentCode().empty()) return false;
    const std::string& folder =
        app_.folders().folders.romFolderPaths[static_cast<std::size_t>(folder_)];
    const std::string oldName = joinName(oldTitle_, oldExtension_);
    const std::string newName = joinName(fields.title, fields.extension);
    const std::string from = text::pathOnDisk(folder, oldName);
    const std::string to = text::pathOnDisk(folder, newName);
    const int record = app_.fileList().rows()[static_cast<std::size_t>(row_)].recordIndex;
    // Journaled: a kill between the move and the save must not part the file from its record.
    JournaledChange change(app_);
    CompanionReport report;
    switch (change.move(from, to, oldName, newName, record, -1, report)) {
        case fs::MoveResult::Moved:
            break;
        case fs::MoveResult::TargetExists:
            prompter.inform(
                "「" + newName + "」という名前のファイルが既にあるので、リネームできません。",
                kWarning);
            return false;
        case fs::MoveResult::Failed:
            prompter.inform("ファイル名を変更できませんでした。\n" + from, kWarning);
            return false;
    }
    std::vector<std::string> left = std::move(report.leftInPlace);
    left.insert(left.end(), report.failed.begin(), report.failed.end());
    if (!left.empty()) prompter.inform(companionsLeftMessage(left), kWarning);
    // The file has its new name on disk now: its record's key and recent launches are saved.
    change.finish();
    oldTitle_ = fields.title;
    oldExtension_ = fields.extension;
    return true;
}

void RegistrationModel::commit(bool inPlace) {
    const std::string& title = fields.title;
    int index = app_.romTable().findRecordByTitle(title);
    RomRecord record;
    record.fileTitle = title;
    record.gameName = fields.gameName;
    record.reading = fields.reading;
    for (int k = 0; k < kRecordClassCount; ++k)
        record.classes[static_cast<std::size_t>(k)] =
            storedCategory(fields.categories[static_cast<std::size_t>(k)]);
    record.hardwareClass = storedCategory(fields.categories[kHardwareClassList]);
    // Stored as Windows breaks lines: the data folder is shared with it, where an edit box
    // shows a bare line feed as no break at all.
    record.comment = withLineBreaks(fields.comment, "\r\n");
    record.favourite = fields.favourite;
    const std::vector<std::string> emulators = emulatorItems();
    if (fields.emulator > 0 && fields.emulator < static_cast<int>(emulators.size())) {
        const std::string& name = emulators[static_cast<std::size_t>(fields.emulator)];
        const auto& slots = app_.emulators();
        const auto slot = std::find_if(slots.begin(), slots.end(),
                                       [&](const EmulatorEntry& e) { return e.name == name; });
        if (slot != slots.end()) record.preferredEmulator = static_cast<int>(slot - slots.begin());
    }
    record.rating = std::clamp(fields.rating, 0, 5);

    if (holdsOnlyTitle(record)) {
        // Nothing to tell beyond the title: the file is unregistered again.
        if (index >= 0) app_.editRecord(index, [](RomRecord& r) { r = RomRecord{}; });
        index = -1;
    } else if (index >= 0) {
        app_.editRecord(index, [&](RomRecord& r) { r = record; });
    } else {
        index = app_.addRecord(record);
    }
    if (inPlace) app_.updateFileListRow(row_, joinName(title, fields.extension), title, index);
}

std::string RegistrationModel::recordCategory(int list) const {
    if (!isOpen() || list < 0 || list >= kCategoryListCount) return {};
    const int index = app_.fileList().rows()[static_cast<std::size_t>(row_)].recordIndex;
    if (index < 0 || index >= app_.romTable().count()) return {};
    const RomRecord& r = app_.romTable()[index];
    return list < kRecordClassCount ? r.classes[static_cast<std::size_t>(list)] : r.hardwareClass;
}

bool RegistrationModel::canMove() const {
    int set = 0;
    for (const std::string& path : app_.folders().folders.romFolderPaths) set += !path.empty();
    return canRename() && set > 1;
}

bool RegistrationModel::compressOrDecompress() {
    if (!isOpen() || !canRename()) return false;
    const auto now = compressOrDecompressFile(app_, {folder_, oldTitle_, oldExtension_});
    if (!now) return false;
    finishFileOperation(now->folderNumber, now->title, now->extension);
    return true;
}

bool RegistrationModel::moveTo(int destination) {
    if (!isOpen() || !canMove() ||
        !moveDialogFile(app_, {folder_, oldTitle_, oldExtension_}, destination))
        return false;
    finishFileOperation(destination, oldTitle_, oldExtension_);
    return true;
}

bool RegistrationModel::deleteFile() {
    if (!isOpen() || !canRename() || !deleteDialogFile(app_, {folder_, oldTitle_, oldExtension_}))
        return false;
    finishFileOperation(folder_, oldTitle_, oldExtension_);
    return true;
}

void RegistrationModel::finishFileOperation(int folder, const std::string& title,
                                            const std::string& extension) {
    folder_ = folder;
    oldTitle_ = fields.title = title;
    oldExtension_ = fields.extension = extension;
    commit(false);
    row_ = -1;
    app_.showStartList();
}

bool RegistrationModel::clear() {
    if (!isOpen()) return false;
    if (!app_.prompter().ask(std::string(kClearQuestion), "ファイル削除確認")) return false;
    const int index = app_.romTable().findRecordByTitle(oldTitle_);
    if (index >= 0) app_.editRecord(index, [](RomRecord& r) { r = RomRecord{}; });
    app_.updateFileListRow(row_, joinName(oldTitle_, oldExtension_), oldTitle_, -1);
    close();
    return true;
}

bool bulkRegistrationAvailable(const Application& app) {
    return !app.currentCode().empty() && !traitsOf(app.currentCode()).otherSoftware;
}

namespace {

// The rows' display positions in list order, without the placeholder and positions past the end.
std::vector<int> listedRows(const Application& app, std::vector<int> rows) {
    const FileListView listed = app.fileList().rows();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [&](int r) {
        return r < 0 || static_cast<std::size_t>(r) >= listed.size() ||
               listed[static_cast<std::size_t>(r)].folderNumber == kPlaceholderFolder;
    });
    return rows;
}

}  // namespace

std::optional<int> applyBulkRegistration(Application& app, const std::vector<int>& rows,
                                         const BulkChoices& choices) {
    if (!bulkRegistrationAvailable(app)) return std::nullopt;
    const bool keep = app.settings().option(Option::KeepUnderscores);
    // Taken first: the records are found through the rows, which stay as they are until the end.
    std::vector<std::pair<std::string, int>> files;
    for (int r : listedRows(app, rows)) {
        const FileListRow& row = app.fileList().rows()[static_cast<std::size_t>(r)];
        files.emplace_back(splitRowName(row).first, row.recordIndex);
    }
    int changed = 0;
    for (auto& [title, index] : files) {
        if (index < 0 || index >= app.romTable().count()) {
            RomRecord record;
            record.fileTitle = title;
            record.gameName = record.reading = keep ? title : spacesForUnderscores(title);
            index = app.addRecord(std::move(record));
            if (index < 0) break;  // the table is full; the user has been told
        }
        app.editRecord(index, [&](RomRecord& r) {
            if (choices.rating) r.rating = std::clamp(*choices.rating, 0, 5);
            for (int k = 0; k < kCategoryListCount; ++k) {
                const auto& choice = choices.categories[static_cast<std::size_t>(k)];
                if (!choice) continue;
                (k < kRecordClassCount ? r.classes[static_cast<std::size_t>(k)] : r.hardwareClass) =
                    storedCategory(*choice);
            }
            if (choices.favourite) r.favourite = *choices.favourite;
        });
        ++changed;
    }
    app.showStartList();
    return changed;
}

std::optional<int> clearBulkRegistration(Application& app, const std::vector<int>& rows,
                                         const std::function<void()>& cleared) {
    if (!app.prompter().ask(std::string(kBulkClearQuestion), "ファイル情報初期化確認"))
        return std::nullopt;
    std::vector<int> records;
    for (int r : listedRows(app, rows)) {
        const int index = app.fileList().rows()[static_cast<std::size_t>(r)].recordIndex;
        if (index >= 0 && index < app.romTable().count()) records.push_back(index);
    }
    app.deleteRecords(records);
    if (cleared) cleared();
    app.showStartList();
    const int count = static_cast<int>(records.size());
    app.prompter().inform(
        "ファイル情報の初期化が完了しました。\n\n初期化したファイル数 : " + std::to_string(count),
        "初期化完了確認");
    return count;
}

}  // namespace romshelf
