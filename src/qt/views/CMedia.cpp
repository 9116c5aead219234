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
    const QSize size(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    horizontalScrollBar()->setRange(0, std::max(0, size.width() - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0, std::max(0, size.height() - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
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
