#pragma once

#include <ostream>

#include "core/app/Application.h"

namespace romshelf::cli {

// The main settings as a command found them once its hardware was open. What the command then
// changed (recent launches that followed a renamed file, the emulator chosen, ...) must reach
// MainData.slb before the run ends: the window saves it at exit, and nothing does here.
class MainSettingsChanges {
public:
    explicit MainSettingsChanges(const Application& app)
        : before_(app.settings()), plusBefore_(app.plusSettings()) {}
    const MainSettings& before() const { return before_; }
    bool changed(const Application& app) const {
        return app.settings() != before_ || app.plusSettings() != plusBefore_;
    }
    // Writes MainData.slb when the settings changed. False, and said on `err`, when it could not
    // be written.
    bool save(Application& app, std::ostream& err) const;

private:
    MainSettings before_;
    PlusSettings plusBefore_;
};

}  // namespace romshelf::cli
