#include "core/views/MediaPlayback.h"

#include "core/platform/FileSystem.h"

namespace romshelf {

bool MediaPlayback::select(const std::string& fileName, int romFolderIndex,
                           const MediaFolderPaths& folders) {
    std::string baseName = fs::pathTitle(fileName);
    // Compared by base name: game.zip and game.7z in one folder share their media.
    if (!fileName.empty() && baseName == baseName_ && romFolderIndex == romFolderIndex_)
        return false;
    fileName_ = fileName;
    baseName_ = std::move(baseName);
    romFolderIndex_ = romFolderIndex;
    refresh(folders);
    return true;
}

void MediaPlayback::clearSelection(const MediaFolderPaths& folders) {
    baseName_.clear();
    refresh(folders);
}

void MediaPlayback::refresh(const MediaFolderPaths& folders) {
    found_ = lookUpMedia(folders, baseName_, fileName_, &listings_);
    stopSound();
    // A file that cannot be played is no error: the window stays silent.
    for (const std::string* sound : {&found_.midi, &found_.wave}) {
        if (sound->empty()) continue;
        player_.play(*sound);
        sounding_ = true;
    }
}

void MediaPlayback::stopSound() {
    if (sounding_) player_.stop();
    sounding_ = false;
}

}  // namespace romshelf
