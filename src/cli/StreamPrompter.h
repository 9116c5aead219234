#pragma once

#include <deque>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/Prompter.h"

namespace romshelf::cli {

// Message boxes as lines on a stream. Questions are answered by the --yes switch.
class StreamPrompter : public Prompter {
public:
    explicit StreamPrompter(std::ostream& out, bool answerYes = false)
        : out_(out), answerYes_(answerYes) {}
    bool messageBox(const std::string& text, const std::string& title, bool question) override {
        out_ << text << "\n";
        if (!question) return true;
        out_ << (answerYes_ ? "-> yes" : "-> no") << "\n";
        return answerYes_;
    }

    std::optional<std::string> chooseFolder(const std::string& title, const std::string&) override {
        out_ << title << "\n-> cancelled\n";
        return std::nullopt;
    }

    std::optional<std::string> chooseOpenFile(const std::string& title, const std::string&,
                                              const std::string&, const std::string&) override {
        return nextFile(title);
    }

    std::optional<std::string> chooseSaveFile(const std::string& title, const std::string&,
                                              const std::string&, const std::string&,
                                              const std::string&) override {
        return nextFile(title);
    }

    // The file pickers answer with these paths, in order, then cancel: a command takes its files
    // from its arguments.
    void presetFiles(std::vector<std::string> files) { files_.assign(files.begin(), files.end()); }

private:
    std::optional<std::string> nextFile(const std::string& title) {
        out_ << title << "\n";
        if (files_.empty()) {
            out_ << "-> cancelled\n";
            return std::nullopt;
        }
        std::string file = std::move(files_.front());
        files_.pop_front();
        out_ << "-> " << file << "\n";
        return file;
    }

    std::deque<std::string> files_;
    std::ostream& out_;
    bool answerYes_;
};

}  // namespace romshelf::cli
