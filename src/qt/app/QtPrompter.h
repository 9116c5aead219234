#pragma once

#include "core/platform/Prompter.h"

namespace romshelf {

// Message boxes without an owner window, as every load error and question of the program.
class QtPrompter : public Prompter {
public:
    // Nobody is there to answer (a session ending, a service manager, a signal): no box is shown
    // from now on; a message goes to stderr, a question is answered no and a picker cancelled,
    // and the boxes open now are closed as if cancelled.
    void becomeUnattended();
    bool unattended() const { return unattended_; }

    bool messageBox(const std::string& text, const std::string& title, bool question) override;
    std::optional<std::string> chooseFolder(const std::string& title,
                                            const std::string& startFolder) override;
    std::optional<std::string> chooseSaveFile(const std::string& title,
                                              const std::string& filterDescription,
                                              const std::string& pattern,
                                              const std::string& startFolder,
                                              const std::string& defaultName) override;
    std::optional<std::string> chooseOpenFile(const std::string& title,
                                              const std::string& filterDescription,
                                              const std::string& pattern,
                                              const std::string& startFolder) override;
    void showReport(const std::string& title, const std::string& text,
                    const std::vector<ReportTable>& tables) override;

private:
    bool unattended_ = false;
    // The open picker for kExecutableFilesPattern.
    static std::optional<std::string> chooseExecutable(const std::string& title,
                                                       const std::string& filterDescription,
                                                       const std::string& startFolder);
};

}  // namespace romshelf
