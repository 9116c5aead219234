#pragma once

#include <deque>
#include <iostream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "core/platform/Prompter.h"

namespace romshelf::cli {

// How a question is met without --yes once main has turned this on: asked on the terminal when
// stdin is one, else refused in one line saying that --yes is needed (and the run ends with the
// usage status). Off, a question is answered no: tests run the commands in-process.
struct Questions {
    static inline bool fromTerminal = false;
    static inline bool neededYes = false;  // a question was refused for want of --yes
};

// Message boxes as lines on a stream. Questions are answered by the --yes switch, or as above.
class StreamPrompter : public Prompter {
public:
    explicit StreamPrompter(std::ostream& out, bool answerYes = false)
        : out_(out), answerYes_(answerYes) {}
    bool messageBox(const std::string& text, const std::string& title, bool question) override {
        if (question && !answerYes_ && Questions::fromTerminal) return askTerminal(text);
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
    bool askTerminal(const std::string& text) {
        if (!isatty(STDIN_FILENO)) {
            // One line, for the first question only: the rest are refused alike.
            if (!Questions::neededYes)
                out_ << "romshelf-cli: --yes: needed to answer \""
                     << text.substr(0, text.find('\n')) << "\" (no terminal to ask on)\n";
            Questions::neededYes = true;
            return false;
        }
        out_ << text << "\n[y/N] " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer)) answer.clear();
        return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES";
    }

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
