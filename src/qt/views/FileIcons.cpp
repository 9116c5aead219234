#include "qt/views/FileIcons.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

#include "qt/QtText.h"
#include "core/views/ExtensionTable.h"

namespace romshelf {

namespace {

QColor stripColour(std::string_view code) {
    if (code.empty()) return QColor(120, 120, 120);
    // A stable hue per hardware code.
    unsigned hash = 0;
    for (char c : code) hash = hash * 31 + static_cast<unsigned char>(c);
    return QColor::fromHsv(static_cast<int>(hash % 360), 150, 190);
}

QPixmap drawIcon(int number) {
    const IconMeaning meaning = iconMeaning(number);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = stripColour(meaning.code);
    if (meaning.code.empty()) fill = QColor::fromHsv((number * 47) % 360, 60, 170);
    p.setBrush(fill);
    p.setPen(fill.darker(150));
    p.drawRoundedRect(QRectF(0.5, 1.5, 15, 13), 3, 3);
    QString label = meaning.extension.empty() ? QString::number(number % 100)
                                              : qs(meaning.extension).left(3).toUpper();
    QFont font;
    font.setPixelSize(label.size() > 2 ? 6 : 8);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 1, 16, 14), Qt::AlignCenter, label);
    return pixmap;
}

}  // namespace

FileIcons::FileIcons() {
    icons_.reserve(kFileIconCount);
    for (int i = 0; i < kFileIconCount; ++i) icons_.emplace_back(drawIcon(i));
}

const QIcon& FileIcons::icon(int number) const {
    if (number < 0 || number >= static_cast<int>(icons_.size())) return icons_[0];
    return icons_[static_cast<std::size_t>(number)];
}

}  // namespace romshelf
