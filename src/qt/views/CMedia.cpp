#include "qt/views/CMedia.h"

#include <QPainter>
#include <QScrollBar>

#include "core/app/Application.h"
#include "qt/views/PictureImage.h"

namespace romshelf {

CMedia::CMedia(Application& app, QWidget* parent)
    : QAbstractScrollArea(parent), app_(app), playback_(app.host().sound) {
    setObjectName(QStringLiteral("CMedia"));
    setFrameShape(QFrame::NoFrame);
    updateScrollRange();
}

void CMedia::selectFile(const std::string& fileName, int romFolderIndex) {
    if (playback_.select(fileName, romFolderIndex, app_.folders().folders.mediaFolderPaths))
        showFound();
}

void CMedia::clearSelection() {
    playback_.clearSelection(app_.folders().folders.mediaFolderPaths);
    showFound();
}

void CMedia::loadFrame() {
    picture_.loadFrame(app_.programFolder().frameFolder(), app_.currentCode(), app_.host().images,
                       app_.settings().option(Option::EnlargeSmallSnaps));
    viewport()->repaint();
}

void CMedia::showFound() {
    picture_.show(playback_.found().picture, app_.host().images,
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
