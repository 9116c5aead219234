#include "core/commands/BatchSteps.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/app/Application.h"
#include "core/app/JournaledChange.h"
#include "core/archive/ArchiveExtractor.h"
#include "core/archive/ArchiveReadBack.h"
#include "core/archive/ArchiveTypes.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Trash.h"
#include "core/text/FileNames.h"

namespace romshelf {

const std::string& romFolderPath(const Application& app, int folder) {
    static const std::string none;
    if (folder < 0 || folder >= kRomFolderCount) return none;
    return app.folders().folders.romFolderPaths[static_cast<std::size_t>(folder)];
}

std::optional<Target> targetOf(const Application& app, int row) {
    const FileListView rows = app.fileList().rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return std::nullopt;
    const FileListRow& r = rows[static_cast<std::size_t>(row)];
    const std::string& folder = romFolderPath(app, r.folderNumber);
    if (folder.empty() || r.fileName().empty()) return std::nullopt;
    return Target{
        row,          r.fileName(), folder, text::pathOnDisk(folder, r.fileName()), r.folderNumber,
        r.recordIndex};
}

std::vector<Target> targetsOf(const Application& app, const std::vector<int>& rows) {
    std::vector<Target> targets;
    for (const int row : rows)
        if (auto t = targetOf(app, row)) targets.push_back(std::move(*t));
    return targets;
}

Packed packChecked(Application& app, const std::string& path, const Packer& pack,
                   std::string& archivePath, bool flushNow) {
    archive::Compression how = chosenCompression(app);
    how.flushToDisk = flushNow;
    archivePath = archive::compressedArchivePath(path, how);
    const bool existed = fs::pathExists(archivePath);
    if (archivePath.empty() || !pack(path, how, app.prompter())) return Packed::Failed;
    const auto source = archive::fileSum(path);
    const auto member = archive::memberSum(archivePath, fs::pathName(path));
    if (source && member && *source == *member) return Packed::Ok;
    if (!existed) fs::removeFile(archivePath);
    return Packed::Failed;
}

void removeLeftoverUnpackFolders(const std::string& folder, long long startedAt) {
    namespace sfs = std::filesystem;
    std::error_code ec;
    for (const sfs::directory_entry& e : sfs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (!name.starts_with(kUnpackFolderPrefix) || name.size() != kUnpackFolderPrefix.size() + 6)
            continue;
        struct stat st {};
        if (::lstat(e.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            static_cast<long long>(st.st_mtime) + 60 > startedAt)
            continue;
        sfs::remove_all(e.path(), ec);
    }
}

Unpacked unpackInto(const Application& app, const std::string& archivePath,
                    const std::string& folder, std::string& memberName, JournaledChange& change,
                    int folderNumber, int& seq) {
    std::string temp = folder + std::string(kUnpackFolderPrefix) + "XXXXXX";
    if (::mkdtemp(temp.data()) == nullptr) return Unpacked::Failed;
    const auto& extras = app.folders().folders.extraExtensions;
    const std::string extracted =
        archive::extract(archivePath, temp, std::vector<std::string>(extras.begin(), extras.end()));
    Unpacked result = Unpacked::Failed;
    if (!extracted.empty()) {
        memberName = fs::pathName(extracted);
        // A name that is taken is never journaled: the file there is not the member.
        const bool taken = fs::pathExists(folder + memberName);
        seq = taken || fs::pathTitle(memberName) == fs::pathTitle(fs::pathName(archivePath))
                  ? 0
                  : change.intend(MoveJournal::Kind::Unpack, archivePath, folder + memberName,
                                  folderNumber);
        switch (seq < 0 ? fs::MoveResult::Failed
                        : fs::moveFileNoReplace(extracted, folder + memberName)) {
            case fs::MoveResult::Moved:
                result = Unpacked::Ok;
                break;
            case fs::MoveResult::TargetExists:
                result = Unpacked::Taken;
                break;
            case fs::MoveResult::Failed:
                break;
        }
        if (seq > 0) change.moved(seq, result == Unpacked::Ok);
        if (result != Unpacked::Ok) fs::removeFile(extracted);
    }
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    return result;
}

std::string dialogFilePath(const Application& app, const DialogFile& file) {
    const std::string& folder = romFolderPath(app, file.folderNumber);
    if (folder.empty() || file.title.empty()) return "";
    return text::pathOnDisk(folder, file.title + "." + file.extension);
}

Deleter::Deleter(Application& app)
    : app_(app), permanent_(app.settings().option(Option::DeleteWithoutTrash)) {}

bool Deleter::remove(const std::string& path) {
    if (permanent_) return fs::removeFile(path);
    switch (fs::moveToTrash(path)) {
        case fs::TrashResult::Trashed:
            return true;
        case fs::TrashResult::Failed:
            return false;
        case fs::TrashResult::Unavailable:
            break;
    }
    if (!forGood_)
        forGood_ = app_.prompter().ask(
            fs::pathName(path) +
                " はゴミ箱に移動できません。\n(ゴミ箱の使えないドライブにあります)\n\n"
                "ゴミ箱を使わずに完全に削除しますか？",
            "削除確認");
    return *forGood_ && fs::removeFile(path);
}

}  // namespace romshelf
