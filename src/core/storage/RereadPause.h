#pragma once

namespace romshelf {

// The pause before a damaged data file is read once more: 100 ms unless set (the fuzz targets
// read damaged files by the thousand).
void setRereadPause(int milliseconds);

}  // namespace romshelf
