#include "core/commands/ToolCommands.h"

#include <unistd.h>

#include "core/app/Application.h"
#include "core/launch/WindowsPrograms.h"
#include "core/platform/FileSystem.h"
#include "core/settings/PathRules.h"

namespace romshelf {

bool startJoyToKey(Application& app) {
    const std::string joy = paths::resolveFilePath(
        app.settings().toolPaths[0], app.programFolder().path(), &app.programFolder().drives());
    if (joy.empty() || !fs::fileExists(joy)) return false;
    // Its settings file is left alone: only a launch chooses the setting.
    if (isWindowsProgram(joy)) {
        std::vector<std::string> argv =
            wineCommand({app.plusSettings().wine, app.plusSettings().winePrefix});
        if (argv.empty()) {
            app.prompter().inform(kWineNeeded, "警告");
            return false;
        }
        argv.push_back(joy);
        return app.host().processes.start(argv, fs::pathFolder(joy)).has_value();
    }
    if (::access(joy.c_str(), X_OK) == 0)
        return app.host().processes.start({joy}, fs::pathFolder(joy)).has_value();
    return app.host().desktop.open(joy);
}

bool openProgramFolder(Application& app) {
    if (app.host().desktop.open(app.programFolder().path())) return true;
    // A desktop without a file manager (or without xdg-open) opens nothing: said, not swallowed.
    app.prompter().inform("フォルダを開くプログラムが見つかりません。", "警告");
    return false;
}

}  // namespace romshelf
