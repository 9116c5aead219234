#pragma once

#include <QAbstractScrollArea>
#include <string>

#include "core/pictures/DetailPictures.h"
#include "core/views/MediaPlayback.h"

namespace romshelf {

class Application;

// The media window: the selected file's picture from the media folders on the hardware's frame
// (white when there is none), and its MIDI and WAVE sounding while it stays selected.
class CMedia : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CMedia(Application& app, QWidget* parent = nullptr);

    // The file list's selection (file name and ROM-folder number). The same file again changes
    // nothing: its sound goes on.
    void selectFile(const std::string& fileName, int romFolderIndex);
    // Nothing selected: white picture, no sound.
    void clearSelection();
    // The current hardware's frame.
    void loadFrame();

    const MediaPicture& picture() const { return picture_; }
    const MediaFiles& found() const { return playback_.found(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showFound();
    void updateScrollRange();

    Application& app_;
    MediaPlayback playback_;
    MediaPicture picture_;
};

}  // namespace romshelf
