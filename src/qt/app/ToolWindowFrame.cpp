#include "qt/app/ToolWindowFrame.h"

#include "qt/platform/ShowStates.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMenu>
#include <QProxyStyle>
#include <QStyleOptionTitleBar>

#include "core/views/Contrast.h"
#include "qt/views/ThemeColours.h"

namespace romshelf {

namespace {

// The stored window sizes (the defaults and every saved layout) count a frame of 4 pixels on
// each side and a 19-pixel caption above the client area. With a taller caption the pictures of
// the snap, media and file-information windows would lose their bottom rows. The classic style's
// small caption keeps its buttons legible at that height (it adds its 4-pixel border above it).
class ToolFrameStyle : public QProxyStyle {
public:
    ToolFrameStyle() : QProxyStyle(QStringLiteral("Windows")) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TitleBarHeight) return kToolCaptionHeight - kToolFrameWidth;
        if (metric == PM_MdiSubWindowFrameWidth) return kToolFrameWidth;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
    // An inactive caption is drawn in the window colour on the palette's dark shade, which a dark
    // theme makes nearly the same colour: its text takes the one of the two text colours that
    // stands out more there, made readable if need be. The active caption keeps the theme's pair.
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        const auto* bar = qstyleoption_cast<const QStyleOptionTitleBar*>(option);
        if (control != CC_TitleBar || !bar || (bar->titleBarState & Qt::WindowActive))
            return QProxyStyle::drawComplexControl(control, option, painter, widget);
        QStyleOptionTitleBar readable(*bar);
        QPalette& p = readable.palette;
        const QColor caption = p.color(QPalette::Highlight);
        const auto contrast = [&caption](const QColor& c) {
            return contrastRatio(c.rgb() & 0xFFFFFFu, caption.rgb() & 0xFFFFFFu);
        };
        QColor text = p.color(QPalette::HighlightedText);
        if (contrast(p.color(QPalette::WindowText)) > contrast(text))
            text = p.color(QPalette::WindowText);
        p.setColor(QPalette::HighlightedText, readableOn(text, caption));
        QProxyStyle::drawComplexControl(control, &readable, painter, widget);
    }
};

}  // namespace

ToolWindowFrame::ToolWindowFrame(int slot, const WindowSlot& placement, const QString& title,
                                 QWidget* parent)
    : QMdiSubWindow(parent), slot_(slot), placement_(placement) {
    // Caption, system menu, sizing border and minimise box; no maximise box.
    setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(title);
    setObjectName(QStringLiteral("toolWindow%1").arg(slot));
    // The frame's own style only: the window inside keeps the program's.
    auto* style = new ToolFrameStyle;
    style->setParent(this);
    setStyle(style);
    freeMenuKeys();
}

void ToolWindowFrame::freeMenuKeys() {
    // The system menu's close item takes Ctrl+W and Ctrl+F4: with seven frames each key would be
    // claimed seven times over and do nothing. Ctrl+W belongs to the capture tool in the main
    // menu; Ctrl+F4 is the main frame's, which closes the active tool window.
    if (QMenu* menu = systemMenu())
        for (QAction* a : menu->actions()) {
            QList<QKeySequence> keys = a->shortcuts();
            const auto removed = keys.removeAll(QKeySequence(Qt::CTRL | Qt::Key_W)) +
                                 keys.removeAll(QKeySequence(Qt::CTRL | Qt::Key_F4));
            if (removed > 0) a->setShortcuts(keys);
        }
}

void ToolWindowFrame::applySlotGeometry() {
    setGeometry(placementRect());
    normalRect_ = geometry();
}

QRect ToolWindowFrame::placementRect() const {
    return QRect(placement_.x, placement_.y, placement_.width, placement_.height);
}

void ToolWindowFrame::place(const WindowSlot& placement) {
    placement_ = placement;
    // A minimised or maximised frame gets its normal rectangle and stays as it is shown.
    const bool minimised = isMinimized(), maximised = isMaximized();
    if (minimised || maximised) showNormal();
    applySlotGeometry();
    if (minimised) showMinimized();
    if (maximised) showMaximized();
}

void ToolWindowFrame::showFromView() {
    placement_.visible = 1;
    Q_EMIT placementChanged(slot_, placement_);
    showInState(this, placement_.showState);
    if (QMdiArea* area = mdiArea()) area->setActiveSubWindow(this);
    setFocus();
}

void ToolWindowFrame::storePlacement() {
    rememberNormalRect();
    placement_.x = normalRect_.x();
    placement_.y = normalRect_.y();
    placement_.width = normalRect_.width();
    placement_.height = normalRect_.height();
    if (isVisible()) placement_.showState = showStateOf(this);
    Q_EMIT placementChanged(slot_, placement_);
}

void ToolWindowFrame::closeEvent(QCloseEvent* event) {
    placement_.showState = showStateOf(this);
    placement_.visible = 0;
    rememberNormalRect();
    Q_EMIT placementChanged(slot_, placement_);
    event->ignore();
    hide();
}

void ToolWindowFrame::moveEvent(QMoveEvent* event) {
    QMdiSubWindow::moveEvent(event);
    holdIfLocked();
    rememberNormalRect();
}

void ToolWindowFrame::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    holdIfLocked();
    rememberNormalRect();
}

void ToolWindowFrame::holdIfLocked() {
    // Whatever moved or sized the frame (a drag, the keyboard, the window system), it goes back.
    if (!locked_ || !*locked_ || holding_ || isHidden() || isMinimized() || isMaximized()) return;
    const QRect pinned = placementRect();
    if (geometry() == pinned) return;
    holding_ = true;
    setGeometry(pinned);
    holding_ = false;
}

void ToolWindowFrame::rememberNormalRect() {
    if (!isMaximized() && !isMinimized() && !isHidden()) normalRect_ = geometry();
}

}  // namespace romshelf
