#include "core/rename/JournalReplay.h"

#include <fcntl.h>
#include <unistd.h>

#include "core/database/RomTable.h"
#include "core/platform/FileSystem.h"
#include "core/rename/RenameCompanions.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/HardwareTable.h"
#include "core/storage/MoveJournal.h"
#include "core/text/FileNames.h"

namespace romshelf {

namespace {

bool sameBytes(const std::string& a, const std::string& b) {
    const auto sizeA = fs::fileSize(a), sizeB = fs::fileSize(b);
    if (!sizeA || !sizeB || *sizeA != *sizeB) return false;
    const int fa = fs::openRegularFile(a), fb = fs::openRegularFile(b);
    bool same = fa >= 0 && fb >= 0;
    std::string bufA(1 << 16, '\0'), bufB(1 << 16, '\0');
    while (same) {
        const ssize_t n = ::read(fa, bufA.data(), bufA.size());
        if (n <= 0) {
            same = n == 0;
            break;
        }
        std::size_t got = 0;
        while (got < static_cast<std::size_t>(n)) {
            const ssize_t m = ::read(fb, bufB.data() + got, static_cast<std::size_t>(n) - got);
            if (m <= 0) break;
            got += static_cast<std::size_t>(m);
        }
        same = got == static_cast<std::size_t>(n) && bufA.compare(0, got, bufB, 0, got) == 0;
    }
    if (fa >= 0) ::close(fa);
    if (fb >= 0) ::close(fb);
    return same;
}

// Whether the move happened, when the journal did not get to say.
bool movedAfterAll(const MoveJournal::Entry& e) {
    const bool from = fs::pathExists(e.from), to = fs::pathExists(e.to);
    if (e.kind == MoveJournal::Kind::Unpack) return to;
    if (to && !from) return true;
    // A copy across file systems has its name before the source goes: finish it, but only
    // when nothing else stands at either name.
    if (to && from && sameBytes(e.from, e.to)) return fs::removeFile(e.from);
    return false;
}

}  // namespace

ReplayReport finishMoveJournal(const ProgramFolder& folder, MainSettings& settings,
                               DataStream& stream, Prompter& prompter) {
    ReplayReport report;
    const std::string path = folder.dataFile(MoveJournal::fileName());
    const auto contents = MoveJournal::read(path);
    if (!contents) return report;
    report.found = true;
    report.hardware = contents->hardware;
    const int hardware = hardwareIndexOf(contents->hardware);
    if (hardware < 0 || contents->entries.empty()) {
        report.saved = fs::removeFile(path);
        return report;
    }
    FolderSettings stored;
    const LoadResult folders = loadFolderSettingsFile(
        stream, folder.perHardwareFile("Folder_", contents->hardware, ".slb"), prompter, stored);
    const LoadedFolders places =
        folders == LoadResult::Loaded
            ? resolveLoadedFolders(std::move(stored), folder.path(),
                                   traitsOf(contents->hardware).otherSoftware, &folder.drives())
            : emptyLoadedFolders(folder.path());
    RomTable records;
    const std::string recordsPath = folder.perHardwareFile("RomData_", contents->hardware, ".slb");
    const LoadResult loaded = records.load(stream, recordsPath, prompter);
    RecentLaunches& recent = settings.recentLaunches[static_cast<std::size_t>(hardware)];
    CompanionPlaces companions{places.folders, records, recent};

    for (const MoveJournal::Entry& e : contents->entries) {
        const bool moved = e.state == MoveJournal::State::Moved ||
                           (e.state == MoveJournal::State::Intended && movedAfterAll(e));
        if (!moved) continue;
        // Records and companions go by the names as text (a Windows archive's name is CP932).
        const std::string oldName = text::fileNameText(fs::pathName(e.from));
        const std::string newName = text::fileNameText(fs::pathName(e.to));
        const int index = records.findRecordByTitle(fs::pathTitle(oldName));
        if (!e.followed) {
            renameCompanions(companions, oldName, newName, index);
        } else {
            // The companions went already; the record and the recent launches were not saved.
            if (index >= 0 && fs::pathTitle(oldName) != fs::pathTitle(newName))
                records.setFileTitle(index, fs::pathTitle(newName));
            for (RecentLaunch& entry : recent)
                if (!entry.fileName.empty() && entry.fileName == oldName) entry.fileName = newName;
        }
        if (e.newFolder >= 0)
            for (RecentLaunch& entry : recent)
                if (!entry.empty() && entry.fileName == newName) entry.folderNumber = e.newFolder;
        ++report.followed;
    }
    // A records file that was refused is kept as it is: it is not ours to replace.
    const bool recordsSaved = loaded == LoadResult::Rejected || records.save(stream, recordsPath);
    const bool settingsSaved = saveMainSettings(stream, folder.dataFile("MainData.slb"), settings);
    report.saved = recordsSaved && settingsSaved && fs::removeFile(path);
    return report;
}

}  // namespace romshelf
