#pragma once

#include <string>
#include <string_view>

namespace romshelf {

// A file written under a temporary name in the folder of its final path and renamed over it
// only when complete, so that a failure never leaves a partial file under the final name and
// never touches an older file there. Removed again when not committed. It starts with the usual
// permissions (0666 less the umask).
class PendingFile {
  public:
    explicit PendingFile(const std::string& finalPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& temporaryPath() const { return tempPath_; }

    bool write(std::string_view bytes);
    // Gives the file the permission bits `mode`.
    bool setMode(unsigned mode);
    // Renames over the final path, after flushing the data (and then the rename) to disk when
    // `flush` is set: needed when the caller may delete the only other copy afterwards. False,
    // and the temporary file removed, on failure.
    bool commit(bool flush = true);

  private:
    std::string finalPath_;
    std::string tempPath_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace romshelf
