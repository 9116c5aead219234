#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace romshelf::cli {

// The options of every command on a program folder: --program-folder DIR, --hardware CODE and
// --yes; the other arguments, in order, in `words`.
struct CommonOptions {
    std::string programFolder, code;
    bool yes = false;
    std::vector<std::string> words;
};

// A usage error as one line on `err`, "romshelf-cli: WHAT: PROBLEM", for a script's log to show
// what to fix; returns the usage status 64.
inline constexpr int kUsageStatus = 64;
int usageError(std::ostream& err, std::string_view what, std::string_view problem);

// The one reader of every command's arguments: the common options wherever they stand, the
// command's own options with the number of values each takes, and the other words in order.
// `--name=value` gives an option its (first) value; a value beginning with "--" given apart is
// taken for the next option, so that a forgotten value is told rather than swallowing it
// (`--name=--yes` names a game "--yes"). After `--` every argument is a word.
class ArgumentReader {
public:
    // Told an option's values; 0, or the exit status after saying on `err` what is wrong.
    using Take = std::function<int(std::span<const std::string> values, std::ostream& err)>;

    ArgumentReader& option(std::string_view name, int values, Take take);
    ArgumentReader& flag(std::string_view name, bool& into);
    ArgumentReader& text(std::string_view name, std::string& into);
    // A number (an integer of the usual range) after the option.
    ArgumentReader& number(std::string_view name, std::optional<int>& into);
    // An unknown "--option" is a word (for a command that reads its words itself) instead of an
    // error.
    ArgumentReader& unknownOptionsAreWords() {
        unknownAreWords_ = true;
        return *this;
    }

    // More words than `count` are unknown arguments.
    ArgumentReader& wordsAtMost(std::size_t count) {
        maxWords_ = count;
        return *this;
    }

    // 0, or the exit status after saying on `err` in one line what is wrong: 64 for an unknown
    // option, one lacking its values or a word too many.
    int read(const std::vector<std::string>& args, CommonOptions& into, std::ostream& err) const;

private:
    struct Option {
        std::string name;
        int values;
        Take take;
    };
    std::vector<Option> options_;
    bool unknownAreWords_ = false;
    std::size_t maxWords_ = static_cast<std::size_t>(-1);
};

// Only the common options; every other argument is a word. 0, or 64 after telling on `err` that
// one of them lacks its value.
int readCommonOptions(const std::vector<std::string>& args, CommonOptions& into, std::ostream& err);

}  // namespace romshelf::cli
