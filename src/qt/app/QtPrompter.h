#pragma once

#include "core/platform/Prompter.h"

namespace romshelf {

// Message boxes without an owner window, as every load error and question of the program.
class QtPrompter : public Prompter {
public:
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

private:
    // The open picker for kExecutableFilesPattern.
    static std::optional<std::string> chooseExecutable(const std::string& title,
                                                       const std::string& filterDescription,
                                                       const std::string& startFolder);
};

}  // namespace romshelf
