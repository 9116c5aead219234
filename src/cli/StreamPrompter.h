#pragma once

#include <ostream>

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
        out_ << title << "\n-> cancelled\n";
        return std::nullopt;
    }

private:
    std::ostream& out_;
    bool answerYes_;
};

}  // namespace romshelf::cli
