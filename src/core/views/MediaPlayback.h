#pragma once

#include <string>

#include "core/platform/FolderListings.h"
#include "core/platform/SoundPlayer.h"
#include "core/views/MediaLookup.h"

namespace romshelf {

// The media window's selection and its sound: each refresh looks the selected file's media up,
// starts its MIDI and WAVE from the beginning and stops whatever the last one started. The
// window shows found().picture.
class MediaPlayback {
public:
    explicit MediaPlayback(SoundPlayer& player) : player_(player) {}

    // The file list's selection changed. The same base name in the same ROM folder is no change
    // (nothing is looked up again, the sound goes on): false. An empty name clears.
    bool select(const std::string& fileName, int romFolderIndex, const MediaFolderPaths& folders);
    // The file list lost its selection: nothing to show and no sound; the file name and ROM
    // folder are kept.
    void clearSelection(const MediaFolderPaths& folders);
    void refresh(const MediaFolderPaths& folders);
    // Before a launch and at exit.
    void stopSound();

    const MediaFiles& found() const { return found_; }
    const std::string& baseName() const { return baseName_; }

private:
    SoundPlayer& player_;
    std::string fileName_;
    std::string baseName_;
    int romFolderIndex_ = -1;
    MediaFiles found_;
    fs::FolderListings listings_;  // a lookup per selection looks at each folder, not its listing
    bool sounding_ = false;        // something was started since the last stop
};

}  // namespace romshelf
