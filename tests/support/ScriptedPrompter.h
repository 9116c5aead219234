#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/Prompter.h"

namespace romshelf::test {

// A Prompter that records every box and answers questions from a script.
// A question with no scripted answer fails the test and is answered "No".
class ScriptedPrompter : public Prompter {
public:
    struct Box {
        std::string text, title;
        bool question;
    };

    bool messageBox(const std::string& text, const std::string& title, bool question) override {
        boxes_.push_back({text, title, question});
        return !question || next(answers_, "question", text, false);
    }
    std::optional<std::string> chooseFolder(const std::string& title,
                                            const std::string& startFolder) override {
        pickers.emplace_back(title, startFolder);
        return next(folders_, "folder picker", title, std::optional<std::string>());
    }
    std::optional<std::string> chooseOpenFile(const std::string& title,
                                              const std::string& filterDescription,
                                              const std::string& pattern,
                                              const std::string& startFolder) override {
        filePickers.push_back({title, filterDescription, pattern, startFolder, {}, false});
        return next(files_, "file picker", title, std::optional<std::string>());
    }
    std::optional<std::string> chooseSaveFile(const std::string& title,
                                              const std::string& filterDescription,
                                              const std::string& pattern,
                                              const std::string& startFolder,
                                              const std::string& defaultName) override {
        filePickers.push_back({title, filterDescription, pattern, startFolder, defaultName, true});
        return next(files_, "file picker", title, std::optional<std::string>());
    }
    // Recorded; told as the counts' box, as a prompter without tables tells it.
    void showReport(const std::string& title, const std::string& text,
                    const std::vector<ReportTable>& tables) override {
        reports.push_back({title, text, tables});
        Prompter::showReport(title, text, tables);
    }

    struct Report {
        std::string title, text;
        std::vector<ReportTable> tables;
    };
    std::vector<Report> reports;

    // The next folder picker returns `folder` (nullopt: the user cancels).
    void pickFolder(std::optional<std::string> folder) { folders_.push_back(std::move(folder)); }
    // Titles and start folders of the pickers shown so far.
    std::vector<std::pair<std::string, std::string>> pickers;
    // The next file picker (open or save) returns `file` (nullopt: the user cancels).
    void pickFile(std::optional<std::string> file) { files_.push_back(std::move(file)); }
    struct FilePicker {
        std::string title, filterDescription, pattern, startFolder, defaultName;
        bool save;
    };
    std::vector<FilePicker> filePickers;
    void answer(bool yes) { answers_.push_back(yes); }
    const std::vector<Box>& boxes() const { return boxes_; }
    void clear() { boxes_.clear(); }
    // Exactly one box since the last clear: titled `title`, a question or not, its text beginning
    // with `start`.
    ::testing::AssertionResult shownOnce(std::string_view start, std::string_view title = "警告",
                                         bool question = false) const {
        if (boxes_.size() != 1)
            return ::testing::AssertionFailure() << boxes_.size() << " boxes shown";
        const Box& box = boxes_[0];
        if (box.text.starts_with(start) && box.title == title && box.question == question)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "shown: [" << box.title << "] " << box.text
                                             << (box.question ? " (a question)" : "");
    }
    bool allAnswersUsed() const { return answers_.empty() && folders_.empty() && files_.empty(); }

private:
    // The next scripted reply; a call the test did not script fails it and gets `none`.
    template <class T>
    static T next(std::deque<T>& script, const char* call, const std::string& about, T none) {
        if (script.empty()) {
            ADD_FAILURE() << "unexpected " << call << ": " << about;
            return none;
        }
        T reply = std::move(script.front());
        script.pop_front();
        return reply;
    }

    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> folders_;
    std::deque<std::optional<std::string>> files_;
    std::vector<Box> boxes_;
};

}  // namespace romshelf::test
