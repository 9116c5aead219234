#include "qt/platform/QtDesktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>
#include <QWindow>

#include "qt/QtText.h"
#include "qt/platform/X11Capture.h"

namespace romshelf {

bool QtDesktop::open(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(qs(path)));
}

std::optional<DecodedImage> QtDesktop::grabForegroundWindow() { return x11::grabActiveWindow(); }

bool QtDesktop::focusIsOfProcess(int pid) {
    if (pid <= 0 || pid == static_cast<int>(QCoreApplication::applicationPid())) return false;
    return keys_.focusIsOf(pid, {}) && !focusIsOurs();
}

bool QtDesktop::focusIsOurs() {
    // Our windows as the X server knows them; one without a native window yet is none of them.
    std::vector<std::uint64_t> own;
    for (const QWindow* window : QGuiApplication::allWindows())
        if (window->handle()) own.push_back(static_cast<std::uint64_t>(window->winId()));
    return keys_.focusIsOf(static_cast<int>(QCoreApplication::applicationPid()), own);
}

// The program owns the clipboard from now on and serves the text whenever it is pasted, from
// the event loop, until something else takes the clipboard.
bool QtDesktop::setClipboardText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(qs(text));
    return true;
}

}  // namespace romshelf
