#pragma once

#include <string>
#include <string_view>

#include "core/platform/Prompter.h"

namespace romshelf {

// The counts line most loops show; each loop has its own words.
inline constexpr const char* kDoneOfTotal = "処理済みのファイル数 %d / 処理するファイル総数 %d";

// A counts line: the first "%d" of `format` becomes `done`, the second `total`.
inline std::string countsText(std::string_view format, int done, int total) {
    std::string text;
    int filled = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format.compare(i, 2, "%d") == 0 && filled < 2) {
            text += std::to_string(filled++ == 0 ? done : total);
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

// The progress port of long loops (batches, renames, optimisation): a title line, a range, a
// counts line, the current item, and the user's cancel request. The loop asks whether to
// cancel; the port only raises the request.
class Progress {
public:
    virtual ~Progress() = default;
    // `counts`: the counts line with "%d" for the items done and then for the total.
    virtual void begin(const std::string& title, int total, std::string_view counts) = 0;
    // `done` items of the range are finished; `item` is the one being worked on.
    virtual void step(int done, const std::string& item) = 0;
    virtual bool cancelRequested() const = 0;
    // The request is final and needs no question (a signal asked a program without a window to
    // stop): the loop stops after its current item.
    virtual bool cancelDecided() const { return false; }
    // The loop asked and the user chose to go on.
    virtual void clearCancelRequest() = 0;
    virtual void end() = 0;
};

// For programs without a window: nothing is shown and nothing is ever cancelled.
class SilentProgress : public Progress {
public:
    void begin(const std::string&, int, std::string_view) override {}
    void step(int, const std::string&) override {}
    bool cancelRequested() const override { return false; }
    void clearCancelRequest() override {}
    void end() override {}
};

// Polled by a loop that may stop, after each item: when the user asked to cancel, asks
// `question` (title "警告"). Yes stops the loop (true); No clears the request and it goes on.
inline bool stopRequested(Progress& progress, Prompter& prompter, const std::string& question) {
    if (!progress.cancelRequested()) return false;
    if (progress.cancelDecided()) return true;
    if (prompter.ask(question, "警告")) return true;
    progress.clearCancelRequest();
    return false;
}

}  // namespace romshelf
