#include "qt/views/CDataBase.h"

#include <QPainter>
#include <QScrollBar>

#include "qt/QtText.h"
#include "qt/views/WindowsFont.h"

namespace romshelf {

namespace {

constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;

}  // namespace

CDataBase::CDataBase(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("CDataBase"));
    viewport()->setFont(windowsFont("ＭＳ Ｐゴシック", 14));
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(16);
    updateScrollRange();
}

void CDataBase::setText(const std::string& text) {
    // Comments typed on Windows end their lines with CR LF.
    text_ = qs(text);
    text_.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text_.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    updateScrollRange();
    verticalScrollBar()->setValue(0);
    viewport()->repaint();
}

QRect CDataBase::textRect() const {
    const QRect client = viewport()->rect();
    return client.adjusted(2, 2, -4, 0);
}

void CDataBase::updateScrollRange() {
    const QRect room = textRect();
    const int height =
        QFontMetrics(viewport()->font())
            .boundingRect(QRect(room.left(), room.top(), std::max(room.width(), 1), 1 << 20),
                          kFlags, text_)
            .height();
    // A text that fits shows no scroll bar.
    verticalScrollBar()->setRange(0, std::max(0, height + 4 - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
}

void CDataBase::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void CDataBase::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    if (text_.isEmpty()) return;
    const QRect room = textRect();
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRect(room.left(), room.top() - verticalScrollBar()->value(),
                           std::max(room.width(), 1), 1 << 20),
                     kFlags, text_);
}

}  // namespace romshelf
