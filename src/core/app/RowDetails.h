#pragma once

#include <string>

#include "core/app/Application.h"
#include "core/views/DetailPanes.h"
#include "core/views/MediaLookup.h"

namespace romshelf {

// The current hardware's side of what the detail windows show.
DetailSources detailSources(const Application& app);

// What the file-information, database and media windows show for one file-list row; the
// command-line companion prints it, the windows take their parts.
struct RowDetails {
    FileInfoTexts info;
    std::string database;
    MediaFiles media;
};
RowDetails rowDetails(const Application& app, const FileListRow& row);

}  // namespace romshelf
