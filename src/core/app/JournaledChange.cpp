#include "core/app/JournaledChange.h"

#include "core/app/Application.h"
#include "core/platform/CrashPoint.h"
#include "core/platform/PendingFile.h"
#include "core/storage/DataStream.h"

namespace romshelf {

JournaledChange::JournaledChange(Application& app)
    : app_(app), journal_(app.programFolder().dataFile(MoveJournal::fileName())) {
    lastSaveMs_ = app.host().clock.nowMs();
}

int JournaledChange::intend(MoveJournal::Kind kind, const std::string& from, const std::string& to,
                            int newFolder) {
    if (!journal_.active()) {
        // A journal a killed run left is finished before a new one replaces it.
        app_.finishInterruptedChanges();
        if (!journal_.begin(app_.currentCode())) return refuse();
    }
    const int seq = journal_.intend(kind, from, to, newFolder);
    return seq < 0 ? refuse() : seq;
}

int JournaledChange::refuse() {
    // Once a change: every move after it is refused for the same reason.
    if (!refused_) {
        LaunchLog log = app_.systemLogWriter();
        log.error("移動の記録を書き込めないため、ファイルを移動しませんでした（" +
                  saveErrorText(journal_.error()) + "）。");
        log.line("> " + journal_.path());
    }
    refused_ = true;
    return -1;
}

CompanionReport JournaledChange::follow(int seq, const std::string& oldName,
                                        const std::string& newName, int recordIndex,
                                        int newFolder) {
    CompanionReport report = app_.renameCompanions(oldName, newName, recordIndex, newFolder);
    journal_.followed(seq);
    return report;
}

fs::MoveResult JournaledChange::move(const std::string& from, const std::string& to,
                                     const std::string& oldName, const std::string& newName,
                                     int recordIndex, int newFolder, CompanionReport& report) {
    sweep(fs::pathFolder(to));
    if (fs::pathExists(to)) return fs::MoveResult::TargetExists;
    const int seq = intend(MoveJournal::Kind::Move, from, to, newFolder);
    if (seq < 0) return fs::MoveResult::Failed;
    const fs::MoveResult result = fs::moveFileNoReplace(from, to);
    moved(seq, result == fs::MoveResult::Moved);
    if (result == fs::MoveResult::Moved)
        report = follow(seq, oldName, newName, recordIndex, newFolder);
    return result;
}

void JournaledChange::sweep(const std::string& folder) {
    if (swept_.insert(folder).second) removeLeftoverPendingFiles(folder, app_.startedAt());
}

bool JournaledChange::save() {
    crashPoint();
    const bool records = app_.currentCode().empty() || app_.saveRecords();
    const bool settings = app_.saveMainSettings();
    return records && settings && journal_.saved();
}

void JournaledChange::checkpoint(bool now) {
    if (!journal_.active()) return;
    const long long at = app_.host().clock.nowMs();
    if (!now && at - lastSaveMs_ < 1000) return;
    lastSaveMs_ = at;
    save();
}

bool JournaledChange::finish() {
    if (!journal_.active()) return true;
    if (!save()) return false;
    journal_.finish();
    return true;
}

}  // namespace romshelf
