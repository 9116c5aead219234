#include "qt/views/CSnap.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QUrl>
#include <vector>

#include "qt/QtText.h"
#include "core/app/Application.h"
#include "qt/views/PictureImage.h"
#include "qt/views/WindowsFont.h"

namespace romshelf {

namespace {

// The local files of a drag; empty when anything else is dragged.
std::vector<std::string> droppedFiles(const QMimeData* data) {
    std::vector<std::string> files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        files.push_back(ss(url.toLocalFile()));
    }
    return files;
}

}  // namespace

void drawSnapCaption(DibPicture& picture, const std::string& caption) {
    QImage image(picture.bits(), picture.width(), picture.height(), picture.stride(),
                 QImage::Format_BGR888);
    QPainter painter(&image);
    painter.setFont(pictureFont("ＭＳ Ｐゴシック", 15, QFont::Bold));
    const QRect box(kCaptionLeft, kCaptionTop, kCaptionRight - kCaptionLeft,
                    kCaptionBottom - kCaptionTop);
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    const QString text = qs(caption);
    painter.setPen(Qt::black);
    painter.drawText(box.translated(1, 1), flags, text);
    painter.setPen(Qt::white);
    painter.drawText(box, flags, text);
}

CSnap::CSnap(Application& app, QWidget* parent)
    : QWidget(parent),
      app_(app),
      model_(app.host().images, app.programFolder().frameFolder(), drawSnapCaption) {
    setObjectName(QStringLiteral("CSnap"));
    setAutoFillBackground(true);
    setAcceptDrops(true);
    loader_ = std::thread([this] { runLoader(); });
}

// The loader posts its pictures to this window: it ends while the window is there (a posted call
// to a window gone is dropped).
CSnap::~CSnap() {
    {
        const std::lock_guard lock(loadMutex_);
        stopLoader_ = true;
    }
    loadWake_.notify_one();
    loader_.join();
}

SnapSettings CSnap::settings() const {
    return snapSettingsOf(app_.folders().folders, app_.settings());
}

QString CSnap::title() const { return qs(model_.title(settings())); }

QSize CSnap::sizeHint() const {
    return {DibPicture::kWindowSize.width, DibPicture::kWindowSize.height};
}

void CSnap::showRow(int row) {
    const FileListView rows = app_.fileList().rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return;
    const FileListRow& r = rows[static_cast<std::size_t>(row)];
    if (model_.choose(r.fileName(), r.folderNumber, r.gameName(), app_.datNameOf(r))) loadChosen();
}

void CSnap::loadChosen() {
    {
        const std::lock_guard lock(loadMutex_);
        loadRequest_ = LoadRequest{model_.request(settings()), ++loadGeneration_};
    }
    loadWake_.notify_one();
}

void CSnap::runLoader() {
    ImageDecoder& decoder = app_.host().images;
    std::unique_lock lock(loadMutex_);
    for (;;) {
        loadWake_.wait(lock, [this] { return stopLoader_ || loadRequest_; });
        if (stopLoader_) return;
        const LoadRequest job = std::move(*loadRequest_);
        loadRequest_.reset();
        if (std::exchange(forgetListings_, false)) loaderListings_.forget();
        lock.unlock();
        SnapModel::Loaded loaded = SnapModel::load(job.request, decoder, loaderListings_);
        lock.lock();
        loadResult_ = LoadResult{std::move(loaded), job.generation};
        QMetaObject::invokeMethod(
            this, [this] { takeLoaded(); }, Qt::QueuedConnection);
    }
}

void CSnap::forgetLoaderListings() {
    const std::lock_guard lock(loadMutex_);
    forgetListings_ = true;
}

void CSnap::takeLoaded() {
    std::optional<LoadResult> result;
    {
        const std::lock_guard lock(loadMutex_);
        result = std::exchange(loadResult_, std::nullopt);
    }
    if (!result || result->generation != loadGeneration_) return;
    model_.take(std::move(result->loaded), settings());
    update();
}

void CSnap::clearSelection() {
    dropPendingLoad();
    const SnapSettings s = settings();
    model_.clearSelection(s);
    Q_EMIT titleChanged(title());
    if (s.autoSwitch) {
        model_.startAutoSwitch();
        scheduleTick();
    } else {
        ++tickGeneration_;  // a tick already waiting finds itself outdated
    }
    update();
}

void CSnap::hardwareChanged() {
    dropPendingLoad();
    forgetLoaderListings();
    const SnapSettings s = settings();
    model_.setSlot(0);
    slotMoved();
    model_.loadFrame(app_.currentCode(), s);
    model_.reload(s);
    Q_EMIT titleChanged(title());
    update();
}

void CSnap::refresh() {
    dropPendingLoad();
    forgetLoaderListings();
    model_.reload(settings());
    update();
}

void CSnap::slotMoved() { app_.setSnapSlot(model_.slot()); }

void CSnap::scheduleTick() {
    // Through the application's clock, so that tests can hold the ticks; only the newest
    // schedule runs on, and none after the window has gone.
    const unsigned generation = ++tickGeneration_;
    app_.host().clock.after(kAutoSwitchMs, [self = QPointer<CSnap>(this), generation] {
        if (!self || self->tickGeneration_ != generation) return;
        self->tick();
        self->scheduleTick();
    });
}

void CSnap::tick() {
    const bool switched = model_.tick(settings());
    if (switched) dropPendingLoad();
    slotMoved();
    if (!switched) return;
    Q_EMIT titleChanged(title());
    update();
}

void CSnap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, pictureImage(model_.picture()));
}

void CSnap::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    dropPendingLoad();
    model_.nextSlot(settings());
    slotMoved();
    Q_EMIT titleChanged(title());
    update();
}

void CSnap::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFiles(event->mimeData()).size() == 1) event->acceptProposedAction();
}

void CSnap::dropEvent(QDropEvent* event) {
    const std::vector<std::string> files = droppedFiles(event->mimeData());
    if (files.size() != 1) return;
    event->acceptProposedAction();
    dropPendingLoad();
    forgetLoaderListings();
    model_.drop(files, settings());
    update();
}

}  // namespace romshelf
