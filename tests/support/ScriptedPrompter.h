#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Prompter.h"

namespace romshelf::test {

// A Prompter that records every box and answers questions from a script.
// A question with no scripted answer fails the test and is answered "No".
class ScriptedPrompter : public Prompter {
public:
    struct Box {
        std::string text;
        std::string title;
        bool question;
    };

    bool messageBox(const std::string& text, const std::string& title, bool question) override;

    void answer(bool yes) { answers_.push_back(yes); }
    const std::vector<Box>& boxes() const { return boxes_; }
    void clear() { boxes_.clear(); }
    bool allAnswersUsed() const { return answers_.empty(); }

private:
    std::deque<bool> answers_;
    std::vector<Box> boxes_;
};

}  // namespace romshelf::test
