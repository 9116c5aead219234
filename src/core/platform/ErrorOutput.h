#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf {

// The end of what a program wrote to its error output, kept in memory: enough to say why it
// failed, never more than a few kilobytes however much it writes.
class OutputTail {
public:
    static constexpr std::size_t kBytes = 4096;
    static constexpr std::size_t kLines = 10;

    void append(std::string_view bytes);
    // The last lines that hold more than blanks (at most kLines, from the last kBytes), without
    // their line ends; control characters other than tabs are left out. A line whose beginning
    // was dropped is left out as a whole.
    std::vector<std::string> lines() const;

private:
    std::string bytes_;
    bool cut_ = false;  // bytes before bytes_ were dropped
};

// A pipe that takes a started program's error output instead of our own terminal. Its read end
// is ours (close-on-exec, non-blocking); the write end goes to the program as descriptor 2.
class ErrorCapture {
public:
    static std::optional<ErrorCapture> open();
    ErrorCapture(ErrorCapture&& other) noexcept;
    ErrorCapture& operator=(ErrorCapture&& other) noexcept;
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;
    // A pipe still written to is handed to a drainer: see finish().
    ~ErrorCapture();

    int readEnd() const { return read_; }
    int writeEnd() const { return write_; }
    // Once the program was started (or failed to start), the write end is its alone.
    void closeWriteEnd();

    // Reads what is there without waiting; false once nobody writes to the pipe any more. The
    // read end stays open until finish(), so that nothing watching it sees it closed.
    bool read();
    // The program ended: the rest is read. A pipe that something else still writes to (a child
    // the program left running) goes on being read by a `cat` of its own that throws it away,
    // so that the writer never meets a closed pipe; its process id is returned for reaping.
    std::optional<int> finish();

    const OutputTail& tail() const { return tail_; }

private:
    ErrorCapture(int read, int write) : read_(read), write_(write) {}
    void closeReadEnd();

    int read_ = -1;
    int write_ = -1;
    bool ended_ = false;
    OutputTail tail_;
};

}  // namespace romshelf
