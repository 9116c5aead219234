#include "core/views/MediaPlayback.h"

#include "core/platform/FileSystem.h"

namespace romshelf {

bool MediaPlayback::choose(const std::string& fileName, int romFolderIndex) {
    std::string baseName = fs::pathTitle(fileName);
    // Compared by base name: game.zip and game.7z in one folder share their media.
    if (!fileName.empty() && baseName == baseName_ && romFolderIndex == romFolderIndex_)
        return false;
    fileName_ = fileName;
    baseName_ = std::move(baseName);
    romFolderIndex_ = romFolderIndex;
    return true;
}

void MediaPlayback::clearSelection(const MediaFolderPaths& folders) {
    baseName_.clear();
    refresh(folders);
}

void MediaPlayback::take(MediaFiles found, bool sound) {
    found_ = std::move(found);
    stopSound();
    if (!sound) return;
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
