#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/ErrorOutput.h"

namespace romshelf {

// How a watched program ended.
struct ProcessEnd {
    std::optional<int> exitCode;  // it returned or called exit
    std::optional<int> signal;    // a signal ended it
    // The last lines it wrote to its error output, where the runner read them.
    std::vector<std::string> errorLines;

    // As a shell has it: the exit code, or 128 + the signal; -1 when the end is unknown.
    int status() const;
    bool failed() const { return signal.has_value() || exitCode.value_or(0) != 0; }
    // From a wait status of waitpid().
    static ProcessEnd fromWaitStatus(int status);
};

// The signal's usual name ("SIGFPE"); empty for a number without one.
std::string signalName(int signal);

// Starts programs without a shell. argv[0] is the program's path as it is.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;

    // Starts a program in `workingFolder`; its process id, or nullopt when it could not start.
    // A process nobody waits for runs on its own and is reaped when it ends.
    virtual std::optional<int> start(const std::vector<std::string>& argv,
                                     const std::string& workingFolder) = 0;
    // Calls `then` once the watched process has ended.
    virtual void whenFinished(int pid, std::function<void(const ProcessEnd&)> then) = 0;
    // True when whenFinished returns at once and `then` runs later from the event loop (the
    // window, which keeps working while a program runs); false when it waits right away.
    virtual bool watchesInBackground() const { return false; }
    // Ends a watched process.
    virtual void terminate(int pid) = 0;
    // Ends it without asking (SIGKILL), for one that did not end when asked.
    virtual void kill(int pid) { terminate(pid); }
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

    // From now on a started program's error output comes to us through a pipe, and its last
    // lines come with its end (to a waiting caller, which reads the pipe while it waits).
    void captureErrors(bool on) { captureErrors_ = on; }

    // What a waiting whenFinished does besides waiting, for a command that waits for a game.
    struct WaitSteps {
        // Once, when the wait begins: what need not be held while the game runs is let go.
        std::function<void()> waiting;
        // Asked while it waits: a signal number (0 for none) to pass on to the program, or its
        // process group when it leads one. A program still running `graceMs` after the first is
        // killed; a second request kills it at once.
        std::function<int()> stopRequest;
        int graceMs = 3000;
        // Once it has ended, before the caller hears of it.
        std::function<void()> ended;
    };
    void setWaitSteps(WaitSteps steps) { steps_ = std::move(steps); }

    std::optional<int> start(const std::vector<std::string>& argv,
                             const std::string& workingFolder) override;
    void whenFinished(int pid, std::function<void(const ProcessEnd&)> then) override;
    void terminate(int pid) override;
    void kill(int pid) override;

    // Starts a program in its own session with default signal handling. It gets no descriptor
    // of ours but the three standard ones: those per `stdio`, with `input` as its standard input
    // and `errors` as its error output where they are given.
    static std::optional<int> spawn(const std::vector<std::string>& argv,
                                    const std::string& workingFolder,
                                    ChildStdio stdio = ChildStdio::Inherited, int input = -1,
                                    int errors = -1);
    // How a child process ended (reaping it), or nullopt while it runs; an unknown end for a
    // process that is not our child (any more).
    static std::optional<ProcessEnd> poll(int pid);

private:
    ChildStdio stdio_;
    bool captureErrors_ = false;
    WaitSteps steps_;
    std::map<int, ErrorCapture> captures_;  // by process id
};

}  // namespace romshelf
