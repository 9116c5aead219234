#include "core/app/StoredPaths.h"

#include <algorithm>

#include "core/launch/EmulatorEntry.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/HardwareTable.h"
#include "core/settings/PathRules.h"

namespace romshelf {

namespace {

class PathCollector {
public:
    PathCollector(const ProgramFolder& folder, std::vector<StoredPath>& out)
        : folder_(folder), out_(out) {}

    void add(std::string_view hardware, std::string label, const std::string& stored,
             bool isFolder) {
        if (stored.empty()) return;
        StoredPath p;
        p.hardware = hardware;
        p.label = std::move(label);
        p.stored = stored;
        const DriveMap* drives = &folder_.drives();
        p.leadsTo = isFolder ? paths::resolveFolderPath(stored, folder_.path(), drives)
                             : paths::resolveFilePath(stored, folder_.path(), drives);
        // A Windows path left as it was leads nowhere on this machine.
        if (isWindowsPath(p.leadsTo)) p.leadsTo.clear();
        p.exists = !p.leadsTo.empty() && fs::pathExists(p.leadsTo);
        out_.push_back(std::move(p));
    }

private:
    const ProgramFolder& folder_;
    std::vector<StoredPath>& out_;
};

std::string numbered(const char* what, int index) { return what + std::to_string(index + 1); }

}  // namespace

std::vector<StoredPath> collectStoredPaths(const ProgramFolder& folder,
                                           const MainSettings& settings, DataStream& stream) {
    std::vector<StoredPath> out;
    PathCollector collect(folder, out);
    SilentPrompter quiet;
    for (const HardwareInfo& hw : hardwareTable()) {
        FolderSettings f;
        const std::string code(hw.code);
        if (loadFolderSettingsFile(stream, folder.perHardwareFile("Folder_", code, ".slb"), quiet,
                                   f) == LoadResult::Loaded) {
            // Other software lists programs: its entries are files.
            const bool files = hw.traits.otherSoftware;
            for (int i = 0; i < kRomFolderCount; ++i)
                collect.add(code, numbered("ROMフォルダ ", i), f.romFolderPaths[i], !files);
            for (int i = 0; i < kSnapFolderCount; ++i)
                collect.add(code, numbered("スナップフォルダ ", i), f.snapFolderPaths[i], true);
            for (int i = 0; i < kMediaFolderCount; ++i)
                collect.add(code, numbered("メディアフォルダ ", i), f.mediaFolderPaths[i], true);
            collect.add(code, "リネーム成功フォルダ", f.renameOkFolder, true);
            collect.add(code, "リネーム失敗フォルダ", f.renameFailedFolder, true);
            collect.add(code, "重複フォルダ", f.duplicateFolder, true);
            collect.add(code, "TEMPフォルダ", f.tempFolder, true);
            collect.add(code, "セーブフォルダ", f.saveFolder, true);
        }
        EmulatorEntries emulators;
        if (loadEmulatorFile(stream, folder.perHardwareFile("Emulator_", code, ".slb"), quiet,
                             emulators) == LoadResult::Loaded) {
            for (int slot = 0; slot < kEmulatorCount; ++slot) {
                const EmulatorEntry& e = emulators[static_cast<std::size_t>(slot)];
                collect.add(code, numbered("エミュレータ ", slot) + " " + e.name, e.executable,
                            false);
            }
        }
    }
    for (int i = 0; i < kToolPathCount; ++i)
        collect.add({}, numbered("ツール ", i), settings.toolPaths[static_cast<std::size_t>(i)],
                    false);
    return out;
}

std::vector<std::string> windowsRootsUsed(const std::vector<StoredPath>& paths) {
    std::vector<std::string> roots;
    for (const StoredPath& p : paths) {
        std::string root = windowsRootOf(p.stored);
        if (root.empty()) continue;
        const bool known = std::any_of(roots.begin(), roots.end(), [&](const std::string& r) {
            return ascii::equalsIgnoringCase(r, root);
        });
        if (!known) roots.push_back(std::move(root));
    }
    return roots;
}

std::string unmappedPathMessage(const std::string& stored, const std::string& label) {
    const std::string root = windowsRootOf(stored);
    const std::string kind = root.size() == 2 ? "ドライブ " : "共有フォルダ ";
    return label + "の " + stored + " は Windows のパスですが、" + kind + root +
           " がこのコンピュータのどのフォルダに当たるかが設定されていません。"
           "設定 > 環境設定 の「ドライブ」ページで設定してください。";
}

}  // namespace romshelf
