#include "core/app/RecordFollowing.h"

#include <unistd.h>

#include <algorithm>

#include "core/app/Application.h"
#include "core/app/JournaledChange.h"
#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"
#include "core/text/FileNames.h"

namespace romshelf {

namespace {

// How often the window looks for what the thread found while it works.
constexpr int kPollMs = 500;

std::string movedLine(const std::string& oldName, const std::string& newName) {
    return "「" + oldName + "」の情報を「" + newName + "」へ移しました";
}

std::string moveQuestion(const std::string& oldName, const std::string& newName) {
    return "「" + oldName + "」は見つかりませんが、同じ内容のファイル「" + newName +
           "」があります。\n名前が変えられたものと思われます。\n\n「" + oldName + "」の情報を「" +
           newName + "」へ移しますか？\n\n移さない場合も、この情報は削除しません。";
}

}  // namespace

RecordFollowing::RecordFollowing(Application& app)
    : app_(app), cache_(app.programFolder().cacheFolder() + "identity.sqlite"), worker_(cache_) {}

RecordFollowing::~RecordFollowing() {
    worker_.stop();
    flushKept();
}

void RecordFollowing::runInBackground() { worker_.runInBackground(); }

bool RecordFollowing::openCache() {
    // Once: a pass over many files asks for every file.
    if (!cacheFolderMade_.exchange(true)) fs::createDirectories(fs::pathFolder(cache_.path()));
    return cache_.open();
}

void RecordFollowing::keep(const std::string& path, const fs::OpenedFile& opened, std::uint32_t crc,
                           const std::string& sha1) {
    if (!openCache()) return;
    CachedIdentity before;
    before.size = opened.size;
    before.mtimeNs = opened.mtimeNs;
    before.crc = crc;
    before.sha1 = sha1;
    kept_.emplace_back(path, std::move(before));
    constexpr std::size_t kKeptAtOnce = 512;
    if (kept_.size() >= kKeptAtOnce) flushKept();
}

void RecordFollowing::flushKept() {
    if (kept_.empty()) return;
    keepSumsEach(cache_, kept_);
    kept_.clear();
}

namespace {

// Whether the list's row is a file of one of the job's ROM folders.
bool listedIn(const IdentityJob& j, const FileListRow& row) {
    return row.folderNumber >= 0 && row.folderNumber < static_cast<int>(j.romFolders.size()) &&
           !j.romFolders[static_cast<std::size_t>(row.folderNumber)].empty();
}

}  // namespace

IdentityJob RecordFollowing::job(bool withOrphans) const {
    IdentityJob j;
    j.hardware = app_.currentCode();
    const auto& paths = app_.folders().folders.romFolderPaths;
    std::size_t used = paths.size();
    while (used > 0 && paths[used - 1].empty()) --used;
    j.romFolders.assign(paths.begin(), paths.begin() + static_cast<std::ptrdiff_t>(used));
    if (!withOrphans) return j;
    const RomTable& table = app_.romTable();
    std::vector<char> hasFile(static_cast<std::size_t>(table.count()), 0);
    for (const FileListRow& row : app_.fileList().rows())
        if (listedIn(j, row) && row.recordIndex >= 0 && row.recordIndex < table.count())
            hasFile[static_cast<std::size_t>(row.recordIndex)] = 1;
    for (int i = 0; i < table.count(); ++i)
        if (!table[i].fileTitle.empty() && !hasFile[static_cast<std::size_t>(i)])
            j.orphans.push_back(table[i].fileTitle);
    return j;
}

void RecordFollowing::addFiles(IdentityJob& j) const {
    // The names stay in the listings the rows point at, which no later build writes into while
    // the job holds them: only a name kept elsewhere (an edited row's) is copied.
    const std::shared_ptr<const FileList::Listings> listings = app_.fileList().listings();
    j.files.keep(listings);
    std::vector<std::uint32_t> blockOf(j.romFolders.size(), 0);
    for (const FolderHits& h : *listings)
        if (h.slot >= 0 && static_cast<std::size_t>(h.slot) < blockOf.size())
            blockOf[static_cast<std::size_t>(h.slot)] = j.files.addBlock(h.names);
    std::size_t files = 0;
    for (const FileListRow& row : app_.fileList().rows()) files += listedIn(j, row);
    j.files.reserve(files, 0);
    for (const FileListRow& row : app_.fileList().rows())
        if (listedIn(j, row))
            j.files.addKept(blockOf[static_cast<std::size_t>(row.folderNumber)], row.fileName(),
                            row.folderNumber, row.recordIndex >= 0);
}

IdentityJob RecordFollowing::jobWithFiles(bool withOrphans) const {
    IdentityJob j = job(withOrphans);
    addFiles(j);
    return j;
}

void RecordFollowing::listBuilt(bool everyFile) {
    hashLater_ = false;
    const std::string& code = app_.currentCode();
    if (code.empty() || traitsOf(code).otherSoftware) return;
    const bool find = everyFile && paused_ == 0;
    if (worker_.background()) {
        // A million rows' names take longer than a frame to gather, and the check of a cache of a
        // million files when it is first opened longer still.
        bool opened = false;
        app_.besideEventLoop([&] {
            opened = openCache();
            if (opened) worker_.submit(jobWithFiles(find), find);
        });
        if (opened) schedulePoll();
        return;
    }
    // Without a thread the files are looked at now only when a record has lost its file, and only
    // those that may be its file; hashPending() sums the others, from the list as it is then.
    hashLater_ = true;
    if (!find) return;
    IdentityJob j = job(true);
    if (j.orphans.empty() || !openCache()) return;
    addFiles(j);
    follow(findRenamedFiles(j, cache_, worker_.limit()), Ask::No);
}

void RecordFollowing::hashPending() {
    if (hashLater_ && !worker_.background() && openCache())
        worker_.submit(jobWithFiles(false), false);
    hashLater_ = false;
    worker_.waitUntilIdle();
    if (std::vector<RenamedFile> found = worker_.takeFound(); !found.empty())
        follow(std::move(found), Ask::No);
}

void RecordFollowing::schedulePoll() {
    if (polling_) return;
    polling_ = true;
    app_.host().clock.after(kPollMs, [this, alive = std::weak_ptr<int>(alive_)] {
        if (!alive.expired()) poll();
    });
}

void RecordFollowing::poll() {
    polling_ = false;
    // A batch or a launch under way moves files itself: after it.
    if (app_.busy()) {
        schedulePoll();
        return;
    }
    if (std::vector<RenamedFile> found = worker_.takeFound(); !found.empty())
        follow(std::move(found), Ask::No);
    if (!worker_.idle()) schedulePoll();
}

std::vector<std::string> RecordFollowing::offerMoves(const std::vector<std::string>& titles) {
    if (titles.empty() || !openCache()) return {};
    IdentityJob j = jobWithFiles(false);
    j.orphans = titles;
    return follow(findRenamedFiles(j, cache_, worker_.limit()), Ask::Yes);
}

std::vector<std::string> RecordFollowing::follow(std::vector<RenamedFile> found, Ask ask) {
    std::vector<std::string> titles;
    // A list built by a follow below (a journal left behind is finished first) finds nothing new.
    if (following_) return titles;
    following_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{following_};
    const std::vector<RecordMove> moves = movesOf(found, ask, titles);
    if (!moves.empty()) carryOut(moves, ask);
    return titles;
}

std::vector<RecordFollowing::RecordMove> RecordFollowing::movesOf(
    const std::vector<RenamedFile>& found, Ask ask, std::vector<std::string>& titles) {
    std::vector<RecordMove> moves;
    LaunchLog log = app_.systemLogWriter();
    const RomTable& table = app_.romTable();
    const auto& paths = app_.folders().folders.romFolderPaths;
    std::set<std::string> claimed;  // a file follows one record at most
    for (const RenamedFile& f : found) {
        // Found for a list of before: only what still holds.
        const int record = table.findRecordByTitle(f.title);
        if (f.hardware != app_.currentCode() || record < 0 || f.matches.empty() ||
            fs::pathExists(f.oldPath))
            continue;
        titles.push_back(f.title);
        if (f.matches.size() > 1) {
            if (toldAmbiguous_.insert(f.oldPath).second)
                log.line("「" + f.oldName +
                         "」と同じ内容のファイルが複数あるため、情報を移しませんでした");
            continue;
        }
        const ListedFile& to = f.matches.front();
        if (to.folder < 0 || to.folder >= kRomFolderCount) continue;
        const std::string newPath =
            text::pathOnDisk(paths[static_cast<std::size_t>(to.folder)], to.name);
        if (table.findRecordByTitle(fs::pathTitle(to.name)) >= 0 || !fs::fileExists(newPath) ||
            declined_.contains({f.oldPath, newPath}) || !claimed.insert(newPath).second)
            continue;
        if (ask == Ask::Yes &&
            !app_.prompter().ask(moveQuestion(f.oldName, to.name), "情報の移動確認")) {
            declined_.insert({f.oldPath, newPath});
            continue;
        }
        moves.push_back({f.oldPath, f.oldName, newPath, to.name, record, to.folder});
    }
    return moves;
}

void RecordFollowing::carryOut(const std::vector<RecordMove>& moves, Ask ask) {
    LaunchLog log = app_.systemLogWriter();
    // As the program's own renames: journaled, so that a kill leaves the record with its file.
    app_.asWriter([&] {
        JournaledChange change(app_);
        std::vector<std::string> left;
        for (const RecordMove& m : moves) {
            const int seq = change.intend(MoveJournal::Kind::Move, m.oldPath, m.newPath, m.folder);
            if (seq < 0) break;
            change.moved(seq, true);
            const CompanionReport report =
                change.follow(seq, m.oldName, m.newName, m.record, m.folder);
            left.insert(left.end(), report.leftInPlace.begin(), report.leftInPlace.end());
            cache_.remove(m.oldPath);
            log.line(movedLine(m.oldName, m.newName));
            const FileListView rows = app_.fileList().rows();
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const FileListRow& row = rows[i];
                if (row.folderNumber == m.folder && row.recordIndex < 0 &&
                    row.fileName() == m.newName) {
                    app_.updateFileListRow(static_cast<int>(i), m.newName, fs::pathTitle(m.newName),
                                           m.record);
                    break;
                }
            }
        }
        change.finish();
        if (left.empty()) return;
        const std::string message = companionsLeftMessage(left);
        if (ask == Ask::Yes) {
            app_.prompter().inform(message, "警告");
            return;
        }
        for (std::size_t from = 0; from < message.size();) {
            const std::size_t end = std::min(message.find('\n', from), message.size());
            if (end > from) log.line(message.substr(from, end - from));
            from = end + 1;
        }
    });
}

FileIdentity RecordFollowing::renameIdentity(const std::string& path) {
    const std::optional<CachedIdentity> before = openCache() ? fileStamp(path) : std::nullopt;
    const FileIdentity id = fileIdentity(path);
    // A file that cannot be read gets CRC 0: that is no sum.
    if (before && ::access(path.c_str(), R_OK) == 0 &&
        static_cast<std::uint32_t>(id.size) == static_cast<std::uint32_t>(before->size))
        keepSums(cache_, path, *before, static_cast<std::uint32_t>(id.crc));
    return id;
}

void RecordFollowing::forgetGoneFiles() {
    if (!openCache()) return;
    const RomTable& table = app_.romTable();
    for (const std::string& folder : app_.folders().folders.romFolderPaths) {
        if (folder.empty()) continue;
        for (const CachedFile& entry : cache_.startingWith(folder)) {
            if (fs::pathFolder(entry.path) != folder || fs::pathExists(entry.path)) continue;
            const std::string name = text::fileNameText(fs::pathName(entry.path));
            if (table.findRecordByTitle(fs::pathTitle(name)) < 0) cache_.remove(entry.path);
        }
    }
}

}  // namespace romshelf
