#pragma once

#include <string>

#include "core/platform/Prompter.h"

namespace romshelf {

// The progress port of long loops (batches, renames, optimisation): a title line, a range, the
// current item, and the user's cancel request. The loop asks whether to cancel; the port only
// raises the request.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void begin(const std::string& title, int total) = 0;
    // `done` items of the range are finished; `item` is the one being worked on.
    virtual void step(int done, const std::string& item) = 0;
    virtual bool cancelRequested() const = 0;
    // The loop asked and the user chose to go on.
    virtual void clearCancelRequest() = 0;
    virtual void end() = 0;
};

// For programs without a window: nothing is shown and nothing is ever cancelled.
class SilentProgress : public Progress {
public:
    void begin(const std::string&, int) override {}
    void step(int, const std::string&) override {}
    bool cancelRequested() const override { return false; }
    void clearCancelRequest() override {}
    void end() override {}
};

// Polled by a loop that may stop, after each item: when the user asked to cancel, asks
// `question` (title "警告"). Yes stops the loop (true); No clears the request and it goes on.
inline bool stopRequested(Progress& progress, Prompter& prompter, const std::string& question) {
    if (!progress.cancelRequested()) return false;
    if (prompter.ask(question, "警告")) return true;
    progress.clearCancelRequest();
    return false;
}

}  // namespace romshelf
