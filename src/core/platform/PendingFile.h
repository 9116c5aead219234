#pragma once

#include <string>
#include <string_view>

namespace romshelf {

// A file written under a temporary name in the folder of its final path and renamed over it
// only when complete, so that a failure never leaves a partial file under the final name and
// never touches an older file there. Removed again when not committed. It replaces a file with
// that file's permission bits (a new one gets 0666 less the umask), and a symbolic link's
// target rather than the link. A file that may not be written (read-only) is never replaced.
class PendingFile {
public:
    explicit PendingFile(const std::string& finalPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // The errno of the step that failed (0 when none did).
    int error() const { return error_; }
    // The file the rename replaces: the final path, or the target of the link standing there.
    const std::string& replacedPath() const { return finalPath_; }
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
    int error_ = 0;
    bool committed_ = false;
};

// True for the temporary names PendingFile gives.
bool isPendingFileName(std::string_view name);

// Removes the temporary files that runs which did not end left in `folder`: only names of this
// program's own pattern, only regular files last changed more than a minute before `startedAt`
// (seconds since the epoch), so that another running instance's save is never touched.
// Returns how many were removed.
int removeLeftoverPendingFiles(const std::string& folder, long long startedAt);

}  // namespace romshelf
