#pragma once

#include <QColor>
#include <QPalette>

namespace romshelf {

// A colour that carries a meaning (a log line's colour, a marked row, a note) made readable on
// the background it is drawn on: kept when it contrasts enough, else lightened on a dark
// background or darkened on a light one. Everything else takes the palette's own colours.
QColor readableOn(const QColor& meaning, const QColor& background);

// The same against the palette's Base (lists, logs, text panes).
QColor readableOnBase(const QColor& meaning, const QPalette& palette);

}  // namespace romshelf
