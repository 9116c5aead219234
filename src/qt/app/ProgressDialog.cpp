#include "qt/app/ProgressDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include "qt/QtText.h"

namespace romshelf {

namespace {

constexpr qint64 kPumpIntervalMs = 15;

// A line of the dialog on a band of the theme's colours.
QLabel* colourLabel(QWidget* parent, QPalette::ColorRole background, QPalette::ColorRole text) {
    auto* label = new QLabel(parent);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(background);
    label->setForegroundRole(text);
    label->setMargin(2);
    label->setMinimumWidth(360);
    return label;
}

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
            return true;
        default:
            return false;
    }
}

// The window the dialog stays above: the active one of the program, else its main window (a loop
// started while another program had the focus), so that it never falls behind the program.
QWidget* ownerWindow() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->inherits("QMainWindow")) return w;
    return nullptr;
}

}  // namespace

class ProgressDialog::Window : public QDialog {
public:
    Window(bool& cancel) : QDialog(ownerWindow(), Qt::Tool), cancel_(cancel) {
        setWindowTitle(QStringLiteral("進行状況表示ダイアログ"));
        setModal(false);
        auto* layout = new QVBoxLayout(this);
        title = colourLabel(this, QPalette::Highlight, QPalette::HighlightedText);
        title->setText(QStringLiteral("進行状況"));
        bar = new QProgressBar(this);
        bar->setTextVisible(false);
        counts = colourLabel(this, QPalette::AlternateBase, QPalette::Text);
        item = colourLabel(this, QPalette::Base, QPalette::Text);
        button = new QPushButton(QStringLiteral("キャンセル"), this);
        title->setObjectName(QStringLiteral("title"));
        bar->setObjectName(QStringLiteral("bar"));
        counts->setObjectName(QStringLiteral("counts"));
        item->setObjectName(QStringLiteral("item"));
        button->setObjectName(QStringLiteral("cancel"));
        for (QWidget* w : {static_cast<QWidget*>(title), static_cast<QWidget*>(bar),
                           static_cast<QWidget*>(counts), static_cast<QWidget*>(item)})
            layout->addWidget(w);
        layout->addWidget(button, 0, Qt::AlignRight);
        connect(button, &QPushButton::clicked, this, [this] { cancel_ = true; });
        qApp->installEventFilter(this);
    }
    ~Window() override { qApp->removeEventFilter(this); }

    QLabel* title;
    QProgressBar* bar;
    QLabel* counts;
    QLabel* item;
    QPushButton* button;

protected:
    // Input for the other windows is dropped while the loop runs: they would act on data the
    // loop is changing (and a command would run inside it).
    bool eventFilter(QObject* target, QEvent* event) override {
        if (!isUserInput(event->type())) return false;
        // A question of the loop itself (cancel or not?) is answered meanwhile.
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* widget = qobject_cast<QWidget*>(target))
            return widget->window() != this && widget->window() != modal;
        if (auto* window = qobject_cast<QWindow*>(target))
            return window != windowHandle() && !(modal && window == modal->windowHandle());
        return false;
    }
    // The title bar's close button asks for the end, like "キャンセル".
    void closeEvent(QCloseEvent* event) override {
        cancel_ = true;
        event->ignore();
    }
    void reject() override { cancel_ = true; }

private:
    bool& cancel_;
};

ProgressDialog::ProgressDialog() = default;

QDialog* ProgressDialog::window() const { return window_.get(); }
ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::begin(const std::string& title, int total, std::string_view counts) {
    counts_ = counts;
    if (!window_) window_ = std::make_unique<Window>(cancel_);
    cancel_ = false;
    total_ = total;
    window_->title->setText(qs(title));
    window_->bar->setRange(0, total);
    window_->bar->setValue(0);
    window_->counts->clear();
    window_->item->clear();
    window_->show();
    window_->raise();
    pump(true);
}

void ProgressDialog::step(int done, const std::string& item) {
    if (!window_) return;
    window_->bar->setValue(done);
    window_->counts->setText(qs(countsText(counts_, done, total_)));
    window_->item->setText(qs(item));
    pump(done >= total_);
}

void ProgressDialog::end() {
    if (!window_) return;
    window_->bar->setValue(window_->bar->maximum());
    window_->item->clear();
    pump(true);
    window_.reset();
}

void ProgressDialog::pump(bool now) {
    if (!now && sincePump_.isValid() && sincePump_.elapsed() < kPumpIntervalMs) return;
    QApplication::processEvents(QEventLoop::AllEvents);
    sincePump_.start();
}

}  // namespace romshelf
