#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/platform/FolderListings.h"
#include "core/settings/FolderSettings.h"

namespace romshelf {

using MediaFolderPaths = std::array<std::string, kMediaFolderCount>;

// What the media window uses for one selection. An empty path: nothing of that kind.
struct MediaFiles {
    std::string picture;  // empty: the plain white picture
    std::string midi;
    std::string wave;

    // A ".bmp" picture goes to the built-in BMP reader first; any other one straight to the
    // decoders. Either may fail on a file that is no picture at all (a sound listed first).
    bool pictureIsBmp() const;
};

// Looks the selected file's media up in the media folders (in order, the first folder that
// yields a file wins). In each folder the entries named `baseName` + ".*" (picture, sounds
// included), ".mid" and ".wav" are taken in byte order of their names; the selected file itself
// (`fileName`, exact) is passed over for the next one. An empty folder is the working folder.
// An empty base name (nothing selected) finds nothing. With `listings`, the folders' listings are
// kept there between lookups.
MediaFiles lookUpMedia(const MediaFolderPaths& folders, std::string_view baseName,
                       std::string_view fileName, fs::FolderListings* listings = nullptr);

}  // namespace romshelf
