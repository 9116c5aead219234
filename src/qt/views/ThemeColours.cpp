#include "qt/views/ThemeColours.h"

#include "core/views/Contrast.h"

namespace romshelf {

QColor readableOn(const QColor& meaning, const QColor& background) {
    const std::uint32_t rgb = readableOn(static_cast<std::uint32_t>(meaning.rgb()) & 0xFFFFFFu,
                                         static_cast<std::uint32_t>(background.rgb()) & 0xFFFFFFu);
    return QColor::fromRgb(static_cast<QRgb>(rgb) | 0xFF000000u);
}

QColor readableOnBase(const QColor& meaning, const QPalette& palette) {
    return readableOn(meaning, palette.color(QPalette::Base));
}

}  // namespace romshelf
