#include "core/commands/DatVerifyCommand.h"

#include <ctime>
#include <unordered_set>

#include "core/app/Application.h"
#include "core/archive/ArchiveMembers.h"
#include "core/archive/ArchiveTypes.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/text/FileNames.h"
#include "core/views/DiscSets.h"
#include "core/platform/LocalTime.h"

namespace romshelf {

namespace {

constexpr const char* kWarning = "警告";

// An archive's members, each summed as it is read; false when it is no archive that reads.
bool verifyMembers(DatVerifier& verifier, const std::string& path) {
    std::unique_ptr<DatHasher> hasher;
    std::string name;
    struct Member {
        std::string name;
        ContentIdentity id;
    };
    std::vector<Member> members;
    const bool read = archive::readMembers(
        path,
        [&](const std::string& member, std::uint64_t size) {
            name = member;
            hasher = std::make_unique<DatHasher>(size, verifier.sumsNeeded());
            return true;
        },
        [&](const void* data, std::size_t size) { hasher->add(data, size); },
        [&] {
            members.push_back({name, hasher->finish()});
        });
    // Told only once the whole archive read: a broken one is verified as a plain file.
    if (!read || members.empty()) return false;
    for (const Member& m : members) verifier.add(path, m.name, m.name, m.id);
    return true;
}

// False when there is no such file (a disc set's row, or a track a sheet names that is not
// there: its entry stays missing, no more).
bool verifyFile(Application& app, DatVerifier& verifier, const RowFile& file) {
    if (archive::hasArchiveExtension(file.name) && verifyMembers(verifier, file.path)) return true;
    fs::OpenedFile opened;
    if (const auto id = fileContentIdentity(file.path, verifier.sumsNeeded(), &opened)) {
        verifier.add(file.path, "", file.name, *id);
        // What was read serves the records that follow their files, too.
        app.recordFollowing().keep(file.path, opened, id->whole.crc, id->whole.sha1);
        return true;
    }
    if (!fs::pathExists(file.path)) return false;
    verifier.addUnreadable(file.path, "");
    return true;
}

// The sheets and playlists that name other files; any other row is its own file, or else the
// discs of a set.
bool namesOtherFiles(std::string_view name) {
    return ascii::endsWithIgnoringCase(name, ".m3u") || ascii::endsWithIgnoringCase(name, ".cue") ||
           ascii::endsWithIgnoringCase(name, ".gdi");
}

std::string countsText(const VerifyRun& run) {
    const VerifyReport& r = run.report;
    std::string text =
        std::string(run.aborted ? "照合を中断しました。" : "照合が終了しました。") +
        "\n\nDATファイル : " + r.datName +
        "\n\n所持しているファイル数 : " + std::to_string(r.count(VerifyStatus::Have)) +
        "\n名前の違うファイル数 : " + std::to_string(r.count(VerifyStatus::Rename)) +
        "\nDATファイルにないファイル数 : " + std::to_string(r.count(VerifyStatus::Unknown)) +
        "\n内容の違うファイル数 : " + std::to_string(r.count(VerifyStatus::Bad)) +
        "\n不足しているROMの数 : " + std::to_string(r.count(VerifyStatus::Missing));
    if (const int unreadable = r.count(VerifyStatus::Unreadable); unreadable > 0)
        text += "\n読み取れなかったファイル数 : " + std::to_string(unreadable);
    if (r.withoutHeader > 0)
        text += "\n\nうち、ヘッダーを除いた内容で一致したファイル数 : " +
                std::to_string(r.withoutHeader);
    if (r.sets.counted)
        text += "\n\nそろっているセット数 : " + std::to_string(r.sets.count(SetStatus::Complete)) +
                "\n一部が不足しているセット数 : " +
                std::to_string(r.sets.count(SetStatus::Incomplete)) +
                "\nないセット数 : " + std::to_string(r.sets.count(SetStatus::Missing));
    return text;
}

// The words of the counts' lines, so that a row reads as the count it is in.
const char* statusText(VerifyStatus status) {
    static constexpr const char* kTexts[] = {"所持",     "名前違い", "DATにない",
                                             "内容違い", "不足",     "読み取れない"};
    return kTexts[static_cast<int>(status)];
}

std::string reasonText(const VerifyRow& row) {
    switch (row.status) {
        case VerifyStatus::Have:
            return row.matchedWithoutHeader == HeaderKind::None
                       ? ""
                       : "ヘッダーを除いた内容で一致しました";
        case VerifyStatus::Rename:
            return "別の名前のエントリと内容が一致しました";
        case VerifyStatus::Unknown:
            return "どのエントリとも一致しません";
        case VerifyStatus::Bad:
            return "エントリの名前ですが内容が違います";
        case VerifyStatus::Missing:
            return "一致するファイルがありません";
        case VerifyStatus::Unreadable:
            return "読み取れませんでした";
    }
    return "";
}

const char* setStatusText(SetStatus status) {
    static constexpr const char* kTexts[] = {"そろっている", "一部が不足", "ない"};
    return kTexts[static_cast<int>(status)];
}

// Writes `bytes` where the user picks; told when it cannot be written.
void offerToSave(Application& app, const std::string& question, const std::string& title,
                 const std::string& description, const std::string& pattern,
                 const std::string& name, const std::string& bytes) {
    Prompter& prompter = app.prompter();
    if (!prompter.ask(question, "保存確認")) return;
    const auto path =
        prompter.chooseSaveFile(title, description, pattern, app.browseFolder(), name);
    if (!path || path->empty()) return;
    app.setBrowseFolder(fs::pathFolder(*path));
    if (!fs::writeFileAtomically(*path, bytes))
        prompter.inform("ファイル「" + *path + "」を保存できませんでした。", kWarning);
}

}  // namespace

VerifyRun verifyListedFiles(Application& app, const DatFile& dat) {
    const auto busy = app.busyScope();
    DatVerifier verifier(dat);
    const FileListView rows = app.fileList().rows();
    Progress& progress = app.host().progress;
    progress.begin("DATファイルで照合", static_cast<int>(rows.size()), kDoneOfTotal);
    VerifyRun run;
    std::unordered_set<std::string> verified;  // a track also listed as a row of its own is once
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const FileListRow& row = rows[i];
        const std::string folder =
            row.folderNumber >= 0 && row.folderNumber < kRomFolderCount
                ? app.folders().folders.romFolderPaths[static_cast<std::size_t>(row.folderNumber)]
                : std::string();
        if (folder.empty() || row.fileName().empty()) continue;
        progress.step(static_cast<int>(i), std::string(row.fileName()) + " を照合中…");
        // A disc set's discs, a playlist's entries, a cue sheet's tracks: each file its own row.
        const std::string name(row.fileName());
        const std::string path = text::pathOnDisk(folder, name);
        if (namesOtherFiles(name) ||
            (verified.insert(path).second && !verifyFile(app, verifier, {path, name})))
            for (const RowFile& file : rowFiles(folder, name))
                if (verified.insert(file.path).second) verifyFile(app, verifier, file);
        if (stopRequested(progress, app.prompter(), "照合を中止しますか？")) {
            run.aborted = true;
            break;
        }
    }
    app.recordFollowing().flushKept();
    progress.step(static_cast<int>(rows.size()), "");
    progress.end();
    run.report = verifier.finish();
    return run;
}

std::vector<ReportTable> verifyReportTables(const VerifyReport& report) {
    std::vector<ReportTable> tables;
    ReportTable& files = tables.emplace_back();
    files.caption = "ファイル";
    files.columns = {"状態", "ファイル", "ゲーム", "DATでの名前", "変更後の名前", "理由"};
    for (const VerifyRow& row : report.rows) {
        // The file's name; the folders are in the CSV. An archive's member after its name.
        std::string file = fs::pathName(row.file);
        if (!row.member.empty()) file += " : " + row.member;
        files.rows.push_back(
            {statusText(row.status), file, row.game, row.datName, row.target, reasonText(row)});
    }
    if (!report.sets.counted) return tables;
    ReportTable& sets = tables.emplace_back();
    sets.caption = "セット";
    sets.columns = {"状態", "ゲーム", "親", "ROM", "不足しているROM"};
    for (const SetRow& row : report.sets.rows) {
        std::string missing;
        for (const std::string& name : row.missingRoms)
            missing += (missing.empty() ? "" : " | ") + name;
        sets.rows.push_back({setStatusText(row.status), row.game, row.cloneof,
                             std::to_string(row.have) + " / " + std::to_string(row.needed),
                             missing});
    }
    return tables;
}

std::string fixdatName(const VerifyReport& report) {
    return (report.datName.empty() ? std::string("DAT") : report.datName) + " (fixdat)";
}

LogiqxHeader fixdatHeader(const VerifyReport& report, const std::string& date) {
    LogiqxHeader header;
    header.name = header.description = fixdatName(report);
    header.version = report.datVersion;
    if (header.version.empty())
        for (const char c : date)
            if (c != '-') header.version += c;
    header.date = date;
    header.author = "Romshelf Plus";
    header.skipper = report.skipper;
    return header;
}

std::string todaysDate() { return localTimeText("%Y-%m-%d"); }

std::string fixdatOf(const VerifyReport& report) {
    return writeLogiqxDat(fixdatHeader(report, todaysDate()), report.missing);
}

bool verifyWithDat(Application& app) {
    Prompter& prompter = app.prompter();
    if (app.currentCode().empty()) return false;
    const auto datPath =
        prompter.chooseOpenFile("照合するDATファイルの場所を指定してください", "DATファイル",
                                "*.dat *.xml *.txt", app.programFolder().dataFolder());
    if (!datPath || datPath->empty()) return false;
    std::string error;
    const std::optional<DatFile> dat = readDatFile(*datPath, error);
    if (!dat) {
        prompter.inform(error, kWarning);
        return false;
    }
    const VerifyRun run = verifyListedFiles(app, *dat);
    std::string counts = countsText(run);
    // The DTD wants a size for every rom: those the DAT gives none are not in the fixdat.
    if (const std::size_t sizeless = romsWithoutSize(run.report.missing); sizeless > 0)
        counts += "\n\n大きさの分からない不足ROM " + std::to_string(sizeless) +
                  " 件はfixdatに含めません。";
    prompter.showReport("照合結果", counts, verifyReportTables(run.report));
    const std::string code = app.currentCode();
    offerToSave(app, "照合結果をCSVファイルに保存しますか？",
                "照合結果の保存場所を指定してください", "CSVファイル", "*.csv",
                "verify_" + code + ".csv", verifyReportCsv(run.report));
    if (run.report.sets.counted)
        offerToSave(app, "セットごとの照合結果をCSVファイルに保存しますか？",
                    "セットごとの照合結果の保存場所を指定してください", "CSVファイル", "*.csv",
                    "verify_sets_" + code + ".csv", setReportCsv(run.report.sets));
    if (romsWithoutSize(run.report.missing) < run.report.missing.size())
        offerToSave(app, "不足しているROMのDATファイル (fixdat) を保存しますか？",
                    "fixdatの保存場所を指定してください", "DATファイル", "*.dat",
                    fixdatName(run.report) + ".dat", fixdatOf(run.report));
    return true;
}

}  // namespace romshelf
