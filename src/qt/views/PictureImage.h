#pragma once

#include <QImage>

#include "core/pictures/DibPicture.h"

namespace romshelf {

// A picture's pixels as a Qt image, without copying: valid while the picture is unchanged.
inline QImage pictureImage(const DibPicture& picture) {
    return QImage(picture.bits(), picture.width(), picture.height(), picture.stride(),
                  QImage::Format_BGR888);
}

}  // namespace romshelf
