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
    bool select(const std::string& fileName, int romFolderIndex, const MediaFolderPaths& folders) {
        if (!choose(fileName, romFolderIndex)) return false;
        refresh(folders);
        return true;
    }
    // The file list lost its selection: nothing to show and no sound; the file name and ROM
    // folder are kept.
    void clearSelection(const MediaFolderPaths& folders);
    void refresh(const MediaFolderPaths& folders) { take(lookUp(request(folders), listings_)); }
    // Before a launch and at exit.
    void stopSound();

    // select() in steps, for a window that looks the media up beside its event loop: choose()
    // the file (false: no change), look its request up there, and take() what was found.
    struct Request {
        MediaFolderPaths folders;
        std::string baseName;
        std::string fileName;
    };
    bool choose(const std::string& fileName, int romFolderIndex);
    Request request(const MediaFolderPaths& folders) const {
        return {folders, baseName_, fileName_};
    }
    static MediaFiles lookUp(const Request& request, fs::FolderListings& listings) {
        return lookUpMedia(request.folders, request.baseName, request.fileName, &listings);
    }
    // Stops the last sounds and starts the found ones from the beginning (unless not `sound`:
    // a game was started before they arrived).
    void take(MediaFiles found, bool sound = true);

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
