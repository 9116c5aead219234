#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace romshelf {

// Starts programs without a shell. argv[0] is the program's path as it is.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;

    // Starts a program in `workingFolder`; its process id, or nullopt when it could not start.
    // A process nobody waits for runs on its own and is reaped when it ends.
    virtual std::optional<int> start(const std::vector<std::string>& argv,
                                     const std::string& workingFolder) = 0;
    // Calls `then` with the exit code once the watched process has ended. The frontend calls it
    // from its event loop, so the window keeps working while a program runs.
    virtual void whenFinished(int pid, std::function<void(int exitCode)> then) = 0;
    // Ends a watched process.
    virtual void terminate(int pid) = 0;
};

// How a started program gets its standard input, output and error.
enum class ChildStdio {
    Inherited,  // this process's own
    Null,       // /dev/null: nobody reading our output waits for a program that outlives us
};

// Processes for programs without an event loop: whenFinished waits right away.
class PosixProcessRunner : public ProcessRunner {
public:
    explicit PosixProcessRunner(ChildStdio stdio = ChildStdio::Inherited) : stdio_(stdio) {}

    std::optional<int> start(const std::vector<std::string>& argv,
                             const std::string& workingFolder) override;
    void whenFinished(int pid, std::function<void(int exitCode)> then) override;
    void terminate(int pid) override;

    // Starts a program in its own session with default signal handling. It gets no descriptor
    // of ours but the three standard ones (those per `stdio`).
    static std::optional<int> spawn(const std::vector<std::string>& argv,
                                    const std::string& workingFolder,
                                    ChildStdio stdio = ChildStdio::Inherited);
    // The exit code of a finished child process (reaping it), or nullopt while it runs.
    static std::optional<int> poll(int pid);

private:
    ChildStdio stdio_;
};

}  // namespace romshelf
