#include "qt/app/DatabaseFacts.h"

#include "core/app/Application.h"
#include "core/commands/DatabaseSources.h"
#include "core/text/FileNames.h"
#include "core/views/FileListRow.h"

namespace romshelf {

DatabaseFacts::DatabaseFacts(Application& app, QObject* parent) : QObject(parent), app_(app) {}

DatabaseFacts::~DatabaseFacts() {
    if (worker_.joinable()) worker_.join();
}

std::string DatabaseFacts::textFor(const FileListRow& row) {
    const std::string& code = app_.currentCode();
    if (code.empty() || row.fileName().empty()) return {};
    const RomTable& records = app_.romTable();
    if (row.recordIndex >= 0 && row.recordIndex < records.count() &&
        !records[row.recordIndex].comment.empty())
        return {};
    const auto it = databases_.find(code);
    if (it == databases_.end()) {
        // One read at a time: another hardware's waits for the one in progress to end.
        if (loadingCode_.empty()) start(code);
        return {};
    }
    if (!it->second) return {};
    const auto& folders = app_.folders().folders.romFolderPaths;
    const std::string path =
        row.folderNumber >= 0 && row.folderNumber < static_cast<int>(folders.size()) &&
                !folders[static_cast<std::size_t>(row.folderNumber)].empty()
            ? text::pathOnDisk(folders[static_cast<std::size_t>(row.folderNumber)],
                               std::string(row.fileName()))
            : std::string();
    const GameFacts* game =
        knownGame(*it->second, app_.recordFollowing().cache(), path, row.fileName());
    return game ? databaseFactsText(*game) : std::string();
}

void DatabaseFacts::start(const std::string& code) {
    std::vector<std::string> files =
        gameDatabaseFiles(code, retroArchDatabaseFolders(), app_.plusSettings());
    if (files.empty()) {
        databases_[code] = nullptr;
        return;
    }
    loadingCode_ = code;
    const int generation = ++generation_;
    worker_ = std::thread([this, generation, files = std::move(files)] {
        std::string error;
        read_ = loadGameDatabase(files, error);
        // Handed over on the window's thread; dropped with this object when it is gone first.
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation != generation_ || loadingCode_.empty()) return;
                keepLoaded();
                Q_EMIT loaded();
            },
            Qt::QueuedConnection);
    });
}

void DatabaseFacts::keepLoaded() {
    worker_.join();
    databases_[loadingCode_] =
        read_ ? std::make_shared<const GameDatabase>(std::move(*read_)) : nullptr;
    read_.reset();
    loadingCode_.clear();
}

void DatabaseFacts::finishLoading() {
    if (loadingCode_.empty()) return;
    keepLoaded();
    Q_EMIT loaded();
}

void DatabaseFacts::forget() {
    if (!loadingCode_.empty()) keepLoaded();
    databases_.clear();
}

}  // namespace romshelf
