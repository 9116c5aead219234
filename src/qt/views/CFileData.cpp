#include "qt/views/CFileData.h"

#include <QFontMetrics>
#include <QPainter>

#include "qt/QtText.h"
#include "core/app/Application.h"
#include "core/pictures/DetailPictures.h"
#include "qt/views/PictureImage.h"
#include "qt/views/WindowsFont.h"

namespace romshelf {

namespace {

// Where a text is written and the rectangle it is clipped to (right and bottom exclusive).
struct TextPlace {
    std::string FileInfoTexts::*text;  // or, when null, category `category`
    int category;
    int x, y;
    int left, top, right, bottom;
    int pixelHeight;
    bool centred;
};

constexpr int kStatusPlace = 1;
constexpr TextPlace kPlaces[] = {
    {&FileInfoTexts::gameName, 0, 4, 3, 4, 3, 317, 18, 14, false},
    {&FileInfoTexts::status, 0, 4, 21, 4, 21, 252, 34, 12, false},
    {&FileInfoTexts::rating, 0, 255, 21, 255, 21, 317, 34, 12, true},
    {nullptr, 0, 4, 37, 4, 37, 156, 50, 12, false},
    {nullptr, 1, 164, 37, 163, 37, 317, 50, 12, false},
    {nullptr, 2, 4, 53, 4, 53, 156, 65, 12, false},
    {nullptr, 3, 164, 53, 163, 53, 317, 65, 12, false},
    {nullptr, 4, 4, 69, 4, 69, 156, 80, 12, false},
    {nullptr, 5, 164, 69, 163, 69, 317, 80, 12, false},
};

// The text once, at its place moved by `shift`, clipped to its rectangle moved alike.
void drawAt(QPainter& painter, const TextPlace& place, const QString& text, int shift) {
    const QRect clip(place.left + shift, place.top + shift, place.right - place.left,
                     place.bottom - place.top);
    painter.setClipRect(clip);
    const QRect box = place.centred ? clip.adjusted(0, 0, 0, 64)
                                    : QRect(place.x + shift, place.y + shift,
                                            place.right - place.x + 64, clip.height() + 64);
    // A text longer than its rectangle ends in "…" rather than being cut off.
    const QString shown =
        painter.fontMetrics().elidedText(text, Qt::ElideRight, place.right - place.x);
    painter.drawText(
        box, (place.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine,
        shown);
}

// Black one pixel down and right, then white at the place.
void drawShadowed(QPainter& painter, const TextPlace& place, const QString& text) {
    painter.setPen(Qt::black);
    drawAt(painter, place, text, 1);
    painter.setPen(Qt::white);
    drawAt(painter, place, text, 0);
}

}  // namespace

CFileData::CFileData(const Application& app, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CFileData"));
    loadFileInfoBackground(background_, app.programFolder().frameFolder(), app.host().images,
                           app.settings().option(Option::EnlargeSmallSnaps));
    nameFont_ = pictureFont("ＭＳ Ｐゴシック", 14);
    textFont_ = pictureFont("ＭＳ Ｐゴシック", 12);
}

void CFileData::showTexts(const FileInfoTexts& texts) {
    texts_ = texts;
    repaint();
}

QString CFileData::statusShown() const {
    const QString status = qs(texts_.status);
    const TextPlace& place = kPlaces[kStatusPlace];
    const QFontMetrics metrics(textFont_);
    const int room = place.right - place.x;
    if (metrics.horizontalAdvance(status) <= room) return status;
    const qsizetype cut = status.lastIndexOf(qs(kStatusSizeLabel));
    if (cut < 0) return metrics.elidedText(status, Qt::ElideRight, room);
    const QString size = status.mid(cut);
    return metrics.elidedText(status.left(cut), Qt::ElideMiddle,
                              room - metrics.horizontalAdvance(size)) +
           size;
}

void CFileData::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, pictureImage(background_));
    for (const TextPlace& place : kPlaces) {
        const std::string& text = place.text
                                      ? texts_.*place.text
                                      : texts_.categories[static_cast<std::size_t>(place.category)];
        if (text.empty()) continue;
        painter.setFont(place.pixelHeight == 14 ? nameFont_ : textFont_);
        drawShadowed(painter, place, &place == &kPlaces[kStatusPlace] ? statusShown() : qs(text));
    }
}

}  // namespace romshelf
