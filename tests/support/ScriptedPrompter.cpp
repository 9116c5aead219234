#include "ScriptedPrompter.h"

namespace romshelf::test {

namespace {

// The next scripted reply; a call the test did not script fails it and gets `none`.
template <class T>
T next(std::deque<T>& script, const char* call, const std::string& about, T none) {
    if (script.empty()) {
        ADD_FAILURE() << "unexpected " << call << ": " << about;
        return none;
    }
    T reply = std::move(script.front());
    script.pop_front();
    return reply;
}

}  // namespace

bool ScriptedPrompter::messageBox(const std::string& text, const std::string& title,
                                  bool question) {
    boxes_.push_back({text, title, question});
    return !question || next(answers_, "question", text, false);
}

std::optional<std::string> ScriptedPrompter::chooseFolder(const std::string& title,
                                                          const std::string& startFolder) {
    pickers.emplace_back(title, startFolder);
    return next(folders_, "folder picker", title, std::optional<std::string>());
}

std::optional<std::string> ScriptedPrompter::chooseOpenFile(const std::string& title,
                                                            const std::string& filterDescription,
                                                            const std::string& pattern,
                                                            const std::string& startFolder) {
    filePickers.push_back({title, filterDescription, pattern, startFolder});
    return next(files_, "file picker", title, std::optional<std::string>());
}

::testing::AssertionResult ScriptedPrompter::shownOnce(std::string_view start,
                                                       std::string_view title,
                                                       bool question) const {
    if (boxes_.size() != 1) return ::testing::AssertionFailure() << boxes_.size() << " boxes shown";
    const Box& box = boxes_[0];
    if (box.text.starts_with(start) && box.title == title && box.question == question)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "shown: [" << box.title << "] " << box.text << (box.question ? " (a question)" : "");
}

}  // namespace romshelf::test
