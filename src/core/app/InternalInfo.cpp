#include "core/app/InternalInfo.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "core/app/Application.h"
#include "core/archive/ArchiveExtractor.h"
#include "core/archive/ArchiveTypes.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/settings/PathRules.h"
#include "core/text/FileNames.h"
#include "core/text/TextCodec.h"
#include "core/roms/RomHeader.h"

namespace romshelf {

namespace {

// The tool-path slots of the ROM checkers.
enum CheckerSlot { kNes = 1, kNcr32 = 2, kSmc = 3, kSms = 4, kSmd = 5, kSbm = 6, kGb = 7 };

std::optional<int> checkerSlot(const std::string& code, const MainSettings& settings) {
    if (code == "FC") return settings.option(Option::FcCheckerUsesNcr32) ? kNcr32 : kNes;
    if (code == "SFC") return kSmc;
    if (code == "MSYS") return kSms;
    if (code == "MD") return settings.option(Option::MdCheckerUsesSbm) ? kSbm : kSmd;
    if (code == "GB") return kGb;
    return std::nullopt;
}

// A program found on PATH, as a shell would find it; "" when there is none.
std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = fs::joinPath(folder.empty() ? "." : folder, name);
        if (fs::fileExists(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

constexpr int kFirstWaitMs = 700;
constexpr int kSumPollMs = 100;
constexpr int kSumPolls = 50;  // the output has five seconds to appear

}  // namespace

int InternalInfo::waitForSize(std::uint64_t bytes) {
    const std::uint64_t n = bytes / 1024 / 100;
    if (n >= 50) return 3200;
    if (n >= 30) return 2600;
    if (n >= 20) return 2000;
    if (n >= 10) return 1500;
    if (n >= 1) return 1000;
    return 500;
}

std::string InternalInfo::checkerPath() const {
    const std::optional<int> slot = checkerSlot(app_.currentCode(), app_.settings());
    if (!slot) return {};
    const std::string tool =
        paths::resolveFilePath(app_.settings().toolPaths[static_cast<std::size_t>(*slot)],
                               app_.programFolder().path(), &app_.programFolder().drives());
    return !tool.empty() && fs::fileExists(tool) ? tool : std::string();
}

std::string InternalInfo::sumPath() const { return app_.programFolder().tempFolder() + "sum.txt"; }

std::optional<std::vector<std::string>> InternalInfo::checkerCommand(
    const std::string& checker, const std::vector<std::string>& arguments, const std::string& sum) {
    const std::string ext = ascii::upper(fs::pathExtension(checker));
    if (ext == ".COM" || ext == ".EXE") {
        const std::string dosbox = findOnPath("dosbox");
        if (dosbox.empty()) return std::nullopt;
        // The checker's, the file's and the output's folders become drives C:, D: and E:; the
        // DOS command line is the one the checker always had.
        const auto drive = [](const std::string& letter, const std::string& folder) {
            return "MOUNT " + letter + " \"" + folder + "\"";
        };
        std::string line = "C:\\" + fs::pathName(checker);
        for (std::size_t i = 0; i < arguments.size(); ++i)
            line += " " + (i == 0 ? "D:\\" + fs::pathName(arguments[i]) : arguments[i]);
        line += " >E:\\" + fs::pathName(sum);
        std::vector<std::string> argv = {dosbox};
        for (const std::string& c :
             {drive("C", fs::pathFolder(checker)), drive("D", fs::pathFolder(arguments.at(0))),
              drive("E", fs::pathFolder(sum)), std::string("C:"), line, std::string("EXIT")})
            argv.insert(argv.end(), {"-c", c});
        return argv;
    }
    // A native checker: its output goes to the file by the shell, the paths as arguments of
    // their own, never parts of the shell's text.
    std::vector<std::string> argv = {"/bin/sh", "-c", "out=$1; shift; exec \"$@\" >\"$out\"",
                                     "sh",      sum,  checker};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

bool InternalInfo::show(int row) {
    if (running()) return false;
    const FileListView rows = app_.fileList().rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return false;
    const FileListRow& r = rows[static_cast<std::size_t>(row)];
    if (r.folderNumber < 0 || r.folderNumber >= kRomFolderCount) return false;
    const std::string& code = app_.currentCode();
    const std::string checker = checkerPath();
    if (checker.empty() && !headerKindOf(code)) return false;
    const std::string folder =
        app_.folders().folders.romFolderPaths[static_cast<std::size_t>(r.folderNumber)];
    if (folder.empty()) return false;
    std::string path = text::pathOnDisk(folder, r.fileName());

    busy_.reset(new BusyGuard::Scope(app_.busyScope()));
    LaunchLog log = app_.systemLogWriter();
    log.clear();
    log.line(std::string(r.gameName()) + "の内部情報表示の準備中です。");
    if (!checker.empty()) fs::removeFile(sumPath());
    if (archive::archiveTypeOf(path)) {
        log.line("ファイルが圧縮されているので解凍します。");
        const std::string temp = app_.folders().folders.tempFolder;
        fs::createDirectory(temp);
        archive::ExtractOptions options;
        options.flushToDisk = false;  // a throwaway copy in TEMP
        const auto& extra = app_.folders().folders.extraExtensions;
        path = temp.empty() ? std::string()
                            : archive::extract(path, temp, {extra.begin(), extra.end()}, options);
        if (path.empty()) {
            log.colour(LogColour::Red);
            log.line("解凍に失敗したので中断します。");
            finish();
            return true;
        }
    }
    if (checker.empty())
        showHeader(path);
    else
        runChecker(checker, path);
    return true;
}

void InternalInfo::runChecker(const std::string& checker, const std::string& path) {
    const int sizeWait = waitForSize(fs::fileSize(path).value_or(0));
    std::vector<std::string> arguments = {path};
    // The SFC checker and smd.com are given the " /s" switch; Sbm.exe takes none.
    const std::string& code = app_.currentCode();
    if (code == "SFC" || (code == "MD" && !app_.settings().option(Option::MdCheckerUsesSbm)))
        arguments.emplace_back("/s");
    std::string shown = ">" + checker;
    for (const std::string& a : arguments) shown += " " + a;
    LaunchLog log = app_.systemLogWriter();
    log.colour(LogColour::Red);
    log.line(shown);
    log.colour(LogColour::Black);
    log.line("情報表示には数秒時間がかかります。");
    fs::createDirectory(app_.programFolder().tempFolder());
    const auto argv = checkerCommand(checker, arguments, sumPath());
    if (!argv) {
        log.colour(LogColour::Red);
        log.line("DOSのロムチェッカを実行するには dosbox をインストールして下さい。");
        finish();
        return;
    }
    app_.host().processes.start(*argv, fs::pathFolder(checker));
    clock_.after(kFirstWaitMs, [this, sizeWait] { waitForSum(kSumPolls, sizeWait); });
}

void InternalInfo::waitForSum(int triesLeft, int sizeWait) {
    // DOSBox writes the name in capitals.
    const bool there =
        fs::fileExists(sumPath()) || fs::fileExists(app_.programFolder().tempFolder() + "SUM.TXT");
    if (!there && triesLeft > 0) {
        clock_.after(kSumPollMs,
                     [this, triesLeft, sizeWait] { waitForSum(triesLeft - 1, sizeWait); });
        return;
    }
    clock_.after(sizeWait, [this] { showSum(); });
}

void InternalInfo::showSum() {
    LaunchLog log = app_.systemLogWriter();
    log.line("");
    std::string sum = sumPath();
    if (!fs::fileExists(sum)) sum = app_.programFolder().tempFolder() + "SUM.TXT";
    // A checker's report is a few lines; anything larger is not one.
    const std::optional<std::string> bytes = fs::readFile(sum, 1024 * 1024);
    if (!bytes) {
        log.colour(LogColour::Red);
        log.line("情報の表示に失敗しました。");
        finish();
        return;
    }
    log.clear();
    log.colour(LogColour::Blue);
    std::istringstream lines(text::decodeTextFile(*bytes));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        log.line(line);
    }
    fs::removeFile(sum);
    finish();
}

void InternalInfo::showHeader(const std::string& path) {
    const HeaderReport report = readRomHeaderFile(*headerKindOf(app_.currentCode()), path);
    LaunchLog log = app_.systemLogWriter();
    log.clear();
    log.colour(report.valid ? LogColour::Blue : LogColour::Red);
    for (const std::string& line : report.lines) log.line(line);
    finish();
}

}  // namespace romshelf
