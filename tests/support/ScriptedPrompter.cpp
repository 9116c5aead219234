#include "ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace romshelf::test {

bool ScriptedPrompter::messageBox(const std::string& text, const std::string& title,
                                  bool question) {
    boxes_.push_back({text, title, question});
    if (!question) return true;
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected question: " << text;
        return false;
    }
    bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

}  // namespace romshelf::test
