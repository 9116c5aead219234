#include "core/platform/ErrorOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "core/platform/ProcessRunner.h"

namespace romshelf {

void OutputTail::append(std::string_view bytes) {
    bytes_.append(bytes);
    // Trimmed now and then rather than at every write.
    if (bytes_.size() > 2 * kBytes) {
        bytes_.erase(0, bytes_.size() - kBytes);
        cut_ = true;
    }
}

std::vector<std::string> OutputTail::lines() const {
    std::string_view rest(bytes_);
    bool cut = cut_;
    if (rest.size() > kBytes) {
        rest.remove_prefix(rest.size() - kBytes);
        cut = true;
    }
    if (cut) {
        const std::size_t end = rest.find('\n');
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    std::vector<std::string> lines;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string line;
        for (const char c : rest.substr(0, end))
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') line += c;
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(std::move(line));
    }
    if (lines.size() > kLines) lines.erase(lines.begin(), lines.end() - kLines);
    return lines;
}

std::optional<ErrorCapture> ErrorCapture::open() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return std::nullopt;
    ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    return ErrorCapture(ends[0], ends[1]);
}

ErrorCapture::ErrorCapture(ErrorCapture&& other) noexcept
    : read_(std::exchange(other.read_, -1)),
      write_(std::exchange(other.write_, -1)),
      ended_(other.ended_),
      tail_(std::move(other.tail_)) {}

ErrorCapture& ErrorCapture::operator=(ErrorCapture&& other) noexcept {
    if (this != &other) {
        ErrorCapture old(std::move(*this));
        read_ = std::exchange(other.read_, -1);
        write_ = std::exchange(other.write_, -1);
        ended_ = other.ended_;
        tail_ = std::move(other.tail_);
    }
    return *this;
}

ErrorCapture::~ErrorCapture() {
    // The program may still run (its watcher goes away first): it must not die of a closed pipe.
    finish();
}

void ErrorCapture::closeWriteEnd() {
    if (write_ >= 0) ::close(std::exchange(write_, -1));
}

void ErrorCapture::closeReadEnd() {
    if (read_ >= 0) ::close(std::exchange(read_, -1));
}

bool ErrorCapture::read() {
    if (read_ < 0 || ended_) return false;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(read_, buffer, sizeof buffer);
        if (n > 0) {
            tail_.append(std::string_view(buffer, static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        ended_ = true;  // nobody writes to it any more
        return false;
    }
}

std::optional<int> ErrorCapture::finish() {
    closeWriteEnd();
    std::optional<int> drainer;
    if (read()) {
        // cat waits for the writers: the pipe blocks again.
        ::fcntl(read_, F_SETFL, ::fcntl(read_, F_GETFL) & ~O_NONBLOCK);
        drainer = PosixProcessRunner::spawn({"/bin/cat"}, "/", ChildStdio::Null, read_);
    }
    closeReadEnd();
    return drainer;
}

}  // namespace romshelf
