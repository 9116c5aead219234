#include "qt/platform/QtDesktop.h"

#include <QDesktopServices>
#include <QUrl>

#include "qt/QtText.h"

namespace romshelf {

bool QtDesktop::open(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(qs(path)));
}

}  // namespace romshelf
