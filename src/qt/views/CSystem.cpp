#include "qt/views/CSystem.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>

#include "qt/QtText.h"
#include "core/views/SystemLog.h"
#include "qt/views/ThemeColours.h"
#include "qt/views/WindowsFont.h"

namespace romshelf {

namespace {

QFont logFont() {
    QFont font;
    for (const QString& family :
         {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"),
          QStringLiteral("IPAゴシック"), QStringLiteral("Noto Sans Mono CJK JP")}) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(pointSizeFor(14));
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace

CSystem::CSystem(const SystemLog& log, QWidget* parent) : QAbstractScrollArea(parent), log_(log) {
    setObjectName(QStringLiteral("CSystem"));
    viewport()->setFont(logFont());
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    verticalScrollBar()->setSingleStep(16);
    horizontalScrollBar()->setSingleStep(32);
    updateScrollRange();
}

void CSystem::updateScrollRange() {
    const QFontMetrics metrics(viewport()->font());
    int widest = 0;
    const auto lines = log_.shownLines();
    for (const auto& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(qs(line.text)));
    const int height = static_cast<int>(lines.size()) * lineHeight();
    horizontalScrollBar()->setRange(0, std::max(0, widest + 3 - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
}

int CSystem::lineHeight() const {
    return std::max(kLineHeight, QFontMetrics(viewport()->font()).lineSpacing());
}

void CSystem::refresh() {
    updateScrollRange();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->repaint();
}

void CSystem::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void CSystem::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QColor base = palette().color(QPalette::Base);
    painter.fillRect(viewport()->rect(), base);
    const int x = 3 - horizontalScrollBar()->value();
    int y = -verticalScrollBar()->value();
    const int step = lineHeight();
    for (const auto& line : log_.shownLines()) {
        painter.setPen(readableOn(QColor::fromRgb(line.rgb), base));
        painter.drawText(QRect(x, y, 1 << 20, step),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextExpandTabs, qs(line.text));
        y += step;
    }
}

}  // namespace romshelf
