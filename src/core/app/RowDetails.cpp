#include "core/app/RowDetails.h"

#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"

namespace romshelf {

DetailSources detailSources(const Application& app) {
    return {app.folders(), app.romTable(), app.categoryNames(),
            traitsOf(app.currentCode()).otherSoftware,
            app.settings().option(Option::ShowCategoryItemNames)};
}

RowDetails rowDetails(const Application& app, const FileListRow& row) {
    RowDetails d;
    d.info = fileInfoTexts(row, detailSources(app));
    d.database = databaseText(row, app.romTable());
    d.media = lookUpMedia(app.folders().folders.mediaFolderPaths, fs::pathTitle(row.fileName()),
                          row.fileName());
    return d;
}

}  // namespace romshelf
