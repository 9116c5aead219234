#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf {

// A file picker's pattern that shows the files this user may execute, whatever their names:
// programs here have no extension to filter by.
inline constexpr std::string_view kExecutableFilesPattern = "<executable>";

// One table of a report: its name (a tab's, when there are several), the column titles and the
// rows, each with a text per column.
struct ReportTable {
    std::string caption;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// The message-box port. The Qt layer shows real boxes; tests script the answers.
class Prompter {
public:
    virtual ~Prompter() = default;

    // question == false: an information box with OK; returns true.
    // question == true: a Yes/No question; returns true exactly when Yes was chosen.
    virtual bool messageBox(const std::string& text, const std::string& title, bool question) = 0;

    // The platform's folder picker; nullopt when the user cancels.
    virtual std::optional<std::string> chooseFolder(const std::string& title,
                                                    const std::string& startFolder) = 0;

    // The platform's file-open picker for an existing file. Its filter shows the files matching
    // `pattern` under `filterDescription`; a pattern with wildcards also offers all files (on
    // this platform many files have no fixed extension), an exact name nothing else. nullopt
    // when the user cancels.
    virtual std::optional<std::string> chooseOpenFile(const std::string& title,
                                                      const std::string& filterDescription,
                                                      const std::string& pattern,
                                                      const std::string& startFolder) = 0;

    // The platform's save picker, opened in `startFolder` with `defaultName` filled in. It does
    // not ask about an existing file: the caller asks its own question. nullopt when cancelled.
    virtual std::optional<std::string> chooseSaveFile(const std::string& title,
                                                      const std::string& filterDescription,
                                                      const std::string& pattern,
                                                      const std::string& startFolder,
                                                      const std::string& defaultName) = 0;

    // A report to read before going on: `text` (its counts, say) above its tables. Where no
    // table can be shown, the text alone is told as an information box.
    virtual void showReport(const std::string& title, const std::string& text,
                            const std::vector<ReportTable>& tables) {
        static_cast<void>(tables);
        inform(text, title);
    }

    bool inform(const std::string& text, const std::string& title) {
        return messageBox(text, title, false);
    }
    bool ask(const std::string& text, const std::string& title) {
        return messageBox(text, title, true);
    }
};

// Answers every box with "no" and every picker with "cancel": for files read only in passing,
// whose faults are told when they are really loaded.
class SilentPrompter : public Prompter {
public:
    bool messageBox(const std::string&, const std::string&, bool) override { return false; }
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseOpenFile(const std::string&, const std::string&,
                                              const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseSaveFile(const std::string&, const std::string&,
                                              const std::string&, const std::string&,
                                              const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace romshelf
