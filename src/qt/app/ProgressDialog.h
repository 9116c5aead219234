#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <memory>

#include "core/platform/Progress.h"

namespace romshelf {

// The shared progress window of long loops: a title line, a bar, a counts line, the current item
// and "キャンセル", which only raises the request the loop polls. One window at a time, above
// the program's windows and not modal: each update lets every window repaint, while clicks and
// keys meant for other windows wait, so nothing else starts inside the loop.
class ProgressDialog : public Progress {
public:
    ProgressDialog();
    ~ProgressDialog() override;

    void begin(const std::string& title, int total, std::string_view counts) override;
    void step(int done, const std::string& item) override;
    bool cancelRequested() const override { return cancel_ || ending_; }
    bool cancelDecided() const override { return ending_; }
    void clearCancelRequest() override { cancel_ = false; }
    // The program is being ended (a signal): a loop stops after its item, without a question.
    void endForExit() { ending_ = true; }
    void end() override;

    // The window while a loop runs (for tests; its parts are named "title", "bar", "counts",
    // "item" and "cancel"); null otherwise.
    QDialog* window() const;

private:
    class Window;
    // Handles the events waiting; at most every few milliseconds unless `now`, so that a loop of
    // quick items is not slowed down by painting.
    void pump(bool now);

    std::unique_ptr<Window> window_;
    bool cancel_ = false;
    bool ending_ = false;
    int total_ = 0;
    std::string counts_;
    QElapsedTimer sincePump_;
};

}  // namespace romshelf
