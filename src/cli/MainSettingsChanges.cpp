#include "cli/MainSettingsChanges.h"

namespace romshelf::cli {

bool MainSettingsChanges::save(Application& app, std::ostream& err) const {
    if (!changed(app) || app.saveMainSettings()) return true;
    err << "could not save " << app.mainDataPath() << "\n";
    return false;
}

}  // namespace romshelf::cli
