#pragma once

#include <QAbstractScrollArea>
#include <string>

#include "core/pictures/DetailPictures.h"
#include "core/views/MediaPlayback.h"
#include "qt/platform/BesideLoop.h"

namespace romshelf {

class Application;

// The media window: the selected file's picture from the media folders on the hardware's frame
// (white when there is none), and its MIDI and WAVE sounding while it stays selected.
class CMedia : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CMedia(Application& app, QWidget* parent = nullptr);

    // The file list's selection (file name and ROM-folder number). The same file again changes
    // nothing: its sound goes on. Another one's media are looked up and its picture read beside
    // the event loop (a media folder may sit on a share); they show and sound when they arrive.
    void selectFile(const std::string& fileName, int romFolderIndex);
    // Nothing selected: white picture, no sound.
    void clearSelection();
    // The current hardware's frame.
    void loadFrame();
    // A game starts: the selection's sounds, if they are still on their way, stay silent.
    void launching() { soundHeld_ = true; }

    const MediaPicture& picture() const { return picture_; }
    const MediaFiles& found() const { return playback_.found(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateScrollRange();

    struct LoadJob {
        MediaPlayback::Request request;
        bool enlarge;
    };
    struct Loaded {
        MediaFiles found;
        DibPicture media;
        bool pictureLoaded;
    };

    Application& app_;
    MediaPlayback playback_;
    MediaPicture picture_;
    bool soundHeld_ = false;
    fs::FolderListings loaderListings_;   // the loader's own (the playback's are the event loop's)
    BesideLoop<LoadJob, Loaded> loader_;  // last: ends first
};

}  // namespace romshelf
