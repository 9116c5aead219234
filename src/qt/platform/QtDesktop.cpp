#include "qt/platform/QtDesktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

#include "qt/QtText.h"
#include "qt/platform/X11Capture.h"

namespace romshelf {

bool QtDesktop::open(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(qs(path)));
}

std::optional<DecodedImage> QtDesktop::grabForegroundWindow() { return x11::grabActiveWindow(); }

// The program owns the clipboard from now on and serves the text whenever it is pasted, from
// the event loop, until something else takes the clipboard.
bool QtDesktop::setClipboardText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(qs(text));
    return true;
}

}  // namespace romshelf
