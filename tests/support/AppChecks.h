#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "AppFixture.h"

namespace romshelf::test {

// What the tests of whole commands look at: the boxes shown, rows of the file list, files.
struct AppChecks : AppFixture {
    // Every box shown since the last clear as "[title] text".
    std::vector<std::string> boxes() const {
        std::vector<std::string> all;
        for (const auto& b : prompter.boxes()) all.push_back("[" + b.title + "] " + b.text);
        return all;
    }
    std::string lastBox() const {
        return prompter.boxes().empty() ? "" : prompter.boxes().back().text;
    }
    void answers(std::initializer_list<bool> yes) {
        for (bool a : yes) prompter.answer(a);
    }
    // The display row of the file called `name` (in ROM folder `folder`); -1 when not listed.
    int rowOf(const std::string& name, std::optional<int> folder = std::nullopt) const {
        const FileListView rows = app.fileList().rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].fileName() == name &&
                folder.value_or(rows[i].folderNumber) == rows[i].folderNumber)
                return static_cast<int>(i);
        return -1;
    }
    bool has(const std::string& file) const { return std::filesystem::exists(dir.file(file)); }
};

}  // namespace romshelf::test
