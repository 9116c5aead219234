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
      model_(app.host().images, app.programFolder().frameFolder(), drawSnapCaption),
      loader_(
          this,
          [this](LoadJob& job) {
              if (job.forgetListings) loaderListings_.forget();
              return SnapModel::load(job.request, app_.host().images, loaderListings_);
          },
          [this](SnapModel::Loaded loaded) {
              model_.take(std::move(loaded), settings());
              update();
          }) {
    setObjectName(QStringLiteral("CSnap"));
    setAutoFillBackground(true);
    setAcceptDrops(true);
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
    loader_.post({model_.request(settings()), std::exchange(forgetListings_, false)});
}

void CSnap::clearSelection() {
    loader_.drop();
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
    loader_.drop();
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
    loader_.drop();
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
    if (switched) loader_.drop();
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
    loader_.drop();
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
    loader_.drop();
    forgetLoaderListings();
    model_.drop(files, settings());
    update();
}

}  // namespace romshelf
