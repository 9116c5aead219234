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

std::optional<std::string> ScriptedPrompter::chooseFolder(const std::string& title,
                                                          const std::string& startFolder) {
    pickers.emplace_back(title, startFolder);
    if (folders_.empty()) {
        ADD_FAILURE() << "unexpected folder picker: " << title;
        return std::nullopt;
    }
    auto folder = folders_.front();
    folders_.pop_front();
    return folder;
}

std::optional<std::string> ScriptedPrompter::chooseOpenFile(const std::string& title,
                                                            const std::string& filterDescription,
                                                            const std::string& pattern,
                                                            const std::string& startFolder) {
    filePickers.push_back({title, filterDescription, pattern, startFolder});
    if (files_.empty()) {
        ADD_FAILURE() << "unexpected file picker: " << title;
        return std::nullopt;
    }
    auto file = files_.front();
    files_.pop_front();
    return file;
}

}  // namespace romshelf::test
