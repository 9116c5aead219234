#include "qt/platform/QtDesktop.h"

#include <QDesktopServices>
#include <QUrl>

#include "qt/QtText.h"
#include "qt/platform/X11Capture.h"

namespace romshelf {

bool QtDesktop::open(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(qs(path)));
}

std::optional<DecodedImage> QtDesktop::grabForegroundWindow() { return x11::grabActiveWindow(); }

}  // namespace romshelf
