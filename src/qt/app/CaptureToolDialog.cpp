#include "qt/app/CaptureToolDialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <algorithm>
#include <QVBoxLayout>

#include "core/app/Application.h"
#include "qt/QtText.h"
#include "qt/views/ThemeColours.h"
#include "qt/platform/X11Capture.h"
#include "qt/views/PictureImage.h"

namespace romshelf {

namespace {

QColor qcolour(Colour c) { return {c.r, c.g, c.b}; }

// The preview: the grey window box, the picture centred in the control over it.
class CapturePreview : public QWidget {
public:
    CapturePreview(const CaptureTool& model, QWidget* parent) : QWidget(parent), model_(model) {
        setFixedSize(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const PictureSize box = DibPicture::kWindowSize;
        painter.fillRect(0, 0, box.width, box.height, qcolour(kCaptureBackground));
        const DibPicture& picture = model_.preview();
        const PreviewSpan x = previewSpan(picture.visibleWidth(), width(), box.width);
        const PreviewSpan y = previewSpan(picture.visibleHeight(), height(), box.height);
        // The picture holds the saved snap's top left part, at most its own size.
        const int w = std::min(x.length, picture.width() - x.from);
        const int h = std::min(y.length, picture.height() - y.from);
        if (w > 0 && h > 0)
            painter.drawImage(QRect(x.position, y.position, w, h), pictureImage(picture),
                              QRect(x.from, y.from, w, h));
    }

private:
    const CaptureTool& model_;
};

QLabel* colouredLabel(const QString& text, Colour colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, readableOnBase(qcolour(colour), palette));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setWordWrap(true);
    label->setMargin(4);
    return label;
}

}  // namespace

CaptureToolDialog::CaptureToolDialog(Application& app, QWidget* parent)
    : QDialog(parent), app_(app), available_(x11::available()) {
    setObjectName(QStringLiteral("CaptureToolDialog"));
    setWindowTitle(QStringLiteral("スナップキャプチャウィンドウ"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(colouredLabel(qs(kCaptureHint), kCaptureHintColour, this));
    shrink_ = new QCheckBox(qs(kCaptureShrinkLabel), this);
    layout->addWidget(shrink_);
    status_ = colouredLabel({}, kCaptureStatusColour, this);
    status_->setObjectName(QStringLiteral("captureStatus"));
    status_->setMinimumHeight(status_->fontMetrics().height() + 8);
    layout->addWidget(status_);
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* inFrame = new QVBoxLayout(frame);
    inFrame->setContentsMargins(frame->frameWidth(), frame->frameWidth(), frame->frameWidth(),
                                frame->frameWidth());
    preview_ = new CapturePreview(model_, frame);
    inFrame->addWidget(preview_);
    layout->addWidget(frame);

    if (available_) {
        hotKey_ = new x11::HotKey(this);
        connect(hotKey_, &x11::HotKey::pressed, this, &CaptureToolDialog::capture);
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                &CaptureToolDialog::clipboardChanged);
    }
    showModel();
}

QString CaptureToolDialog::statusText() const { return status_->text(); }

bool CaptureToolDialog::listening() const { return hotKey_ && hotKey_->grabbed(); }

void CaptureToolDialog::reset(const std::string& name) {
    model_.reset(name);
    showModel();
}

void CaptureToolDialog::showTool() {
    reset({});
    show();
    // A picture left on the clipboard from before is no key press of now.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (const QMimeData* data = clipboard->mimeData(); available_ && data && data->hasImage())
        clipboard->clear();
    raise();
    activateWindow();
}

void CaptureToolDialog::capture() {
    if (!available_ || !isVisible()) return;
    // The snap window's current folder, whichever folder the lookup prefers.
    const int slot = app_.snapSlot();
    const auto& paths = app_.folders().folders.snapFolderPaths;
    const std::string folder =
        slot >= 0 && slot < kSnapFolderCount ? paths[static_cast<std::size_t>(slot)] : "";
    const std::string path =
        model_.capture(app_.host().desktop, folder, app_.lastLaunchedFile(), shrink_->isChecked());
    showModel();
    if (!path.empty()) Q_EMIT snapSaved(qs(path));
}

void CaptureToolDialog::clipboardChanged() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard->mimeData();
    if (!isVisible() || !data || !data->hasImage()) return;
    // The picture itself is not used: the window in front is grabbed instead.
    clipboard->clear();
    capture();
}

void CaptureToolDialog::showModel() {
    status_->setText(available_ ? qs(model_.status()) : qs(kCaptureUnavailable));
    preview_->update();
}

void CaptureToolDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (hotKey_) hotKey_->grab(true);
}

void CaptureToolDialog::hideEvent(QHideEvent* event) {
    if (hotKey_) hotKey_->grab(false);
    QDialog::hideEvent(event);
}

}  // namespace romshelf
