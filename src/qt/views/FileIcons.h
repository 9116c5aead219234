#pragma once

#include <QIcon>
#include <vector>

namespace romshelf {

// The 179 small icons of the file list, drawn once: a tile in the colour of the icon's hardware
// strip with the extension it marks.
class FileIcons {
public:
    FileIcons();
    const QIcon& icon(int number) const;

private:
    std::vector<QIcon> icons_;
};

}  // namespace romshelf
