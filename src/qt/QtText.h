#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace romshelf {

// The core keeps UTF-8; Qt converts only at this boundary.
inline QString qs(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline std::string ss(const QString& text) { return text.toStdString(); }

}  // namespace romshelf
