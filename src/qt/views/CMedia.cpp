#include "qt/views/CMedia.h"

#include <QPainter>
#include <QScrollBar>

#include "core/app/Application.h"
#include "qt/views/PictureImage.h"

namespace romshelf {

CMedia::CMedia(Application& app, QWidget* parent)
    : QAbstractScrollArea(parent),
      app_(app),
      playback_(app.host().sound),
      loader_(
          this,
          [this](LoadJob& job) {
              Loaded loaded;
              loaded.found = MediaPlayback::lookUp(job.request, loaderListings_);
              loaded.pictureLoaded = MediaPicture::load(loaded.media, loaded.found.picture,
                                                        app_.host().images, job.enlarge);
              return loaded;
          },
          [this](Loaded loaded) {
              playback_.take(std::move(loaded.found), !soundHeld_);
              picture_.show(std::move(loaded.media), loaded.pictureLoaded);
              viewport()->update();
          }) {
    setObjectName(QStringLiteral("CMedia"));
    setFrameShape(QFrame::NoFrame);
    updateScrollRange();
}

void CMedia::selectFile(const std::string& fileName, int romFolderIndex) {
    if (!playback_.choose(fileName, romFolderIndex)) return;
    // The last file's sound ends with its selection, not when the next one's media arrive.
    playback_.stopSound();
    soundHeld_ = false;
    loader_.post({playback_.request(app_.folders().folders.mediaFolderPaths),
                  app_.settings().option(Option::EnlargeSmallSnaps)});
}

void CMedia::clearSelection() {
    loader_.drop();
    playback_.clearSelection(app_.folders().folders.mediaFolderPaths);
    picture_.showWhite();
    viewport()->repaint();
}

void CMedia::loadFrame() {
    picture_.loadFrame(app_.programFolder().frameFolder(), app_.currentCode(), app_.host().images,
                       app_.settings().option(Option::EnlargeSmallSnaps));
    viewport()->repaint();
}

void CMedia::updateScrollRange() {
    // Measured against the room without scroll bars: bars shown while the window was small
    // would otherwise take the room the picture needs and keep themselves.
    const QSize size(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    const QSize room = maximumViewportSize();
    const int barWidth = verticalScrollBar()->sizeHint().width();
    const int barHeight = horizontalScrollBar()->sizeHint().height();
    bool across = size.width() > room.width(), down = size.height() > room.height();
    down = down || (across && size.height() > room.height() - barHeight);
    across = across || (down && size.width() > room.width() - barWidth);
    const QSize view(room.width() - (down ? barWidth : 0),
                     room.height() - (across ? barHeight : 0));
    horizontalScrollBar()->setRange(0, std::max(0, size.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setRange(0, std::max(0, size.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
}

void CMedia::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void CMedia::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.drawImage(-horizontalScrollBar()->value(), -verticalScrollBar()->value(),
                      pictureImage(picture_.display()));
}

}  // namespace romshelf
