#include "core/launch/LaunchPlanner.h"

#include <functional>

#include "core/archive/ArchiveTypes.h"
#include "core/pad/PadProfile.h"
#include "core/launch/CommandLine.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"
#include "core/settings/PathRules.h"
#include "core/text/FileNames.h"
#include "core/views/DiscSets.h"

namespace romshelf {

namespace {

bool containsBlank(const std::string& s) { return s.find(' ') != std::string::npos; }

constexpr const char* kNoEmulator = "指定されたエミュレータが正常に設定されていません。";

// Where Anex86 keeps its disks.
constexpr const char* kAnex86Key = "HKCU\\Software\\A.N.\\anex86\\config\\default";

// The disk settings NP2 (PC-98 emulator 2) is given before a special start; `given` is the form
// in which it reads paths.
void np2DiskSettings(const std::string& ini, const std::string& path, std::vector<IniEdit>& edits,
                     const std::function<std::string(const std::string&)>& given) {
    auto set = [&](const char* key, std::string value) {
        edits.push_back({ini, "NekoProjectII", key, std::move(value)});
    };
    for (const char* key : {"FDfolder", "HDfolder", "HDD1FILE", "HDD2FILE"}) set(key, "");
    const std::string ext = ascii::upper(fs::pathExtension(path));
    for (const char* fd : {".D88", ".D98", ".XDF", ".HDM", ".DUP", ".2HD"})
        if (ext == fd) set("FDfolder", given(fs::pathFolder(path)));
    if (ext == ".THD" || ext == ".HDI") {
        set("HDfolder", given(fs::pathFolder(path)));
        set("HDD1FILE", given(path));
        set("HDD2FILE", "");
    }
}

// Anex86's disks, as it reads them from the registry: the disk and its second disk in the drive
// its extension belongs to, and the disk's folder.
RegistryEdit anex86DiskSettings(const std::string& path,
                                const std::function<std::string(const std::string&)>& given) {
    const std::string ext = ascii::upper(fs::pathExtension(path));
    const std::string second = secondDisk(path);
    const std::string disk = given(path), other = second.empty() ? "" : given(second);
    const bool fd = ext == ".FDI", hd = ext == ".HDI";
    return {kAnex86Key,
            {{"fdd1", fd ? disk : ""},
             {"fdd2", fd ? other : ""},
             {"hdd1", hd ? disk : ""},
             {"hdd2", hd ? other : ""},
             {"path", given(fs::pathFolder(path))}}};
}

// A Windows path that is still one was mapped nowhere: the user is told where to map it.
void tellUnmappedDrive(const std::string& path, LaunchLog& log) {
    if (!isWindowsPath(path)) return;
    log.line(windowsRootOf(path) +
             " がこのコンピュータのどのフォルダに当たるかが設定されていません"
             "（設定 > 環境設定 > ドライブ）。");
}

}  // namespace

std::string pathForEmulator(const LaunchPlan& plan, const LaunchContext& context,
                            const std::string& path) {
    // A set name is no path.
    if (plan.wine.empty() || path.empty() || path.front() != '/') return path;
    if (const DriveMap* drives = context.drives()) return drives->forWindowsProgram(path);
    return DriveMap().forWindowsProgram(path);
}

void LaunchLog::clear() {
    context_.systemLog().clear();
    context_.systemLogChanged();
}

void LaunchLog::line(std::string text) {
    context_.systemLog().addLine(std::move(text));
    context_.systemLogChanged();
}

void LaunchLog::colour(LogColour colour) {
    context_.systemLog().setColour(colour);
    context_.systemLogChanged();
}

void LaunchLog::error(std::string text) {
    colour(LogColour::Red);
    line(std::move(text));
}

void LaunchLog::warning(const std::vector<std::string>& lines) {
    const LogColour before = context_.systemLog().colour();
    colour(LogColour::Magenta);
    for (const std::string& text : lines) line(text);
    colour(before);
}

std::string shortPath(const std::string& path) {
    // Short (8.3) names do not exist here: the short form is the path itself.
    if (path.empty()) return {};
    if (path.back() != '/' && !fs::pathExists(path)) return {};
    return path;
}

std::string secondDisk(const std::string& path) {
    const std::string title = fs::pathTitle(path);
    if (title.empty()) return {};
    const char last = title.back();
    const char* next = last == '1' ? "2" : last == 'a' ? "b" : last == 'A' ? "B" : nullptr;
    if (!next) return {};
    const std::string candidate =
        fs::pathFolder(path) + title.substr(0, title.size() - 1) + next + fs::pathExtension(path);
    return fs::pathExists(candidate) ? candidate : std::string();
}

bool announceEmulator(const EmulatorEntry& entry, LaunchLog& log) {
    log.line(entry.name + " を起動します。");
    log.line("> " +
             (containsBlank(entry.executable) ? shortPath(entry.executable) : entry.executable));
    if (!entry.executable.empty() && fs::pathExists(entry.executable)) return true;
    log.error("指定されたエミュレータが見つかりません。");
    tellUnmappedDrive(entry.executable, log);
    return false;
}

int selectedEmulatorSlot(const LaunchContext& context) {
    const std::string text = context.selectedEmulatorName();
    if (text.empty() || text == kNotSet) return -1;
    for (int slot = 0; slot < kEmulatorCount; ++slot)
        if (context.emulators()[static_cast<std::size_t>(slot)].name == text) return slot;
    return -1;
}

std::optional<LaunchPlan> planLaunch(const LaunchRequest& request, const LaunchContext& context,
                                     LaunchLog& log) {
    if (request.fileName.empty() || request.folderNumber < 0) return std::nullopt;
    log.clear();
    log.line(request.fileName + " が指定されました。");

    LaunchPlan plan;
    plan.request = request;
    plan.slot = selectedEmulatorSlot(context);
    const int preferred = context.preferredEmulator(request.recordIndex, request.fileName);
    // A preferred emulator beyond the 64 entries cannot be started: the combo's choice stays.
    if (preferred >= 0 && preferred < kEmulatorCount) {
        plan.slot = preferred;
        log.line(context.emulators()[static_cast<std::size_t>(preferred)].name +
                 "が優先エミュレータが設定されています。");
    }
    if (plan.slot < 0) {
        log.error(kNoEmulator);
        return std::nullopt;
    }
    const EmulatorEntry& entry = context.emulators()[static_cast<std::size_t>(plan.slot)];
    if (!announceEmulator(entry, log)) {
        log.line("> " + entry.executable);
        return std::nullopt;
    }
    if (isWindowsProgram(entry.executable)) {
        plan.wine = wineCommand(context.wine());
        if (plan.wine.empty()) {
            log.error(kWineNeeded);
            log.line("> " + entry.executable);
            return std::nullopt;
        }
    }

    const FolderSettings& folders = context.folders();
    std::string folder, path;
    if (request.folderNumber < kRomFolderCount)
        folder = folders.romFolderPaths[static_cast<std::size_t>(request.folderNumber)];
    if (!folder.empty()) path = text::pathOnDisk(folder, request.fileName);
    // A set's row names no file of its own: it starts from its first disc.
    if (!path.empty() && !fs::pathExists(path)) plan.discs = discSetPaths(folder, request.fileName);
    if (!plan.discs.empty()) {
        path = plan.discs.front();
        log.line("ディスク " + std::to_string(plan.discs.size()) + " 枚のセットです。");
    } else if (path.empty() || !fs::pathExists(path)) {
        log.error("指定されたROMファイルが見つかりません。");
        log.line("> " + path);
        tellUnmappedDrive(folder, log);
        return std::nullopt;
    }
    plan.romPath = plan.path = path;

    if (traitsOf(context.hardwareCode()).setNames) {
        plan.path = fs::pathTitle(path);
    } else if (archive::archiveTypeOf(path)) {
        if (ascii::upper(fs::pathExtension(path)) == ".ZIP" && entry.option(kPassZipUnpacked)) {
            log.line("ファイルがZIP圧縮されていますが、設定により解凍しません。");
        } else {
            plan.unpack = true;
            plan.tempFolder = folders.tempFolder;
            plan.extraExtensions.assign(folders.extraExtensions.begin(),
                                        folders.extraExtensions.end());
        }
    }
    return plan;
}

StartPlan planStart(const LaunchPlan& plan, const LaunchContext& context, LaunchLog& log) {
    const EmulatorEntry& entry = context.emulators()[static_cast<std::size_t>(plan.slot)];
    const MainSettings& settings = context.settings();
    StartPlan start;
    start.specialStart = entry.specialStart;
    start.wine = plan.wine;
    start.argv = plan.wine;
    start.argv.push_back(entry.executable);
    start.workingFolder = fs::pathFolder(entry.executable);

    std::string path = plan.path;
    const auto given = [&](const std::string& p) { return pathForEmulator(plan, context, p); };
    LaunchArguments args;
    if (entry.specialStart) {
        log.line(entry.name + " を特殊起動します。");
        log.line("完全に起動するまで、マウス・キーボードのボタンを押下しないで下さい。");
        args.text = given(path);  // handed over by keystrokes, not on the command line
    } else {
        if (entry.option(kShortPathIfSpace) && containsBlank(path)) path = shortPath(path);
        args = buildLaunchArguments(entry, path, plan.playlist, given);
        start.argv.insert(start.argv.end(), args.argv.begin(), args.argv.end());
    }
    log.line("コマンドラインを確認します。");
    log.line("> " + args.text);

    // Anex86 (emulator 1) keeps its disks in the registry: only Wine's has it. A Linux program
    // in its slot has none, which is skipped as a key that cannot be opened.
    const bool pc98 = entry.specialStart && traitsOf(context.hardwareCode()).pc98Preparation;
    if (pc98 && plan.slot == 0 && !plan.wine.empty())
        start.registry = anex86DiskSettings(path, given);
    if (pc98 && plan.slot == 1)
        np2DiskSettings(fs::pathFolder(entry.executable) + "NP2.ini", path, start.iniEdits, given);

    const std::string joy = paths::resolveFilePath(settings.toolPaths[0],
                                                   context.programFolderPath(), context.drives());
    if (isBuiltInPadSetting(entry.joyToKeySetting)) {
        // Our own pad-to-keys mapper, not JoyToKey: nothing to start for it.
        start.padProfile = builtInPadProfileName(entry.joyToKeySetting);
    } else if (!joy.empty() && fs::fileExists(joy) && !entry.joyToKeySetting.empty()) {
        std::vector<std::string> command;
        if (isWindowsProgram(joy)) command = wineCommand(context.wine());
        if (isWindowsProgram(joy) && command.empty()) {
            // The launch goes on without it, as when JoyToKey fails to start.
            log.error(kWineNeeded);
            log.line("> " + joy);
            log.colour(LogColour::Black);
        } else {
            start.iniEdits.push_back({fs::pathFolder(joy) + "JoyToKey.ini", "LastStatus",
                                      "FileName", entry.joyToKeySetting});
            start.joyToKey = std::move(command);
            start.joyToKey.push_back(joy);
        }
    }
    start.alternativeStart = settings.option(Option::AlternativeLaunch) &&
                             traitsOf(context.hardwareCode()).alternativeStart && plan.slot == 0;
    start.minimise = settings.option(Option::MinimiseWhileRunning);
    return start;
}

}  // namespace romshelf
