#include "cli/ArgumentReader.h"

#include <string>

#include "cli/CliSupport.h"

namespace romshelf::cli {

ArgumentReader& ArgumentReader::option(std::string_view name, int values, Take take) {
    options_.push_back({std::string(name), values, std::move(take)});
    return *this;
}

ArgumentReader& ArgumentReader::flag(std::string_view name, bool& into) {
    return option(name, 0, [&into](std::span<const std::string>, std::ostream&) {
        into = true;
        return 0;
    });
}

ArgumentReader& ArgumentReader::text(std::string_view name, std::string& into) {
    return option(name, 1, [&into](std::span<const std::string> v, std::ostream&) {
        into = v[0];
        return 0;
    });
}

ArgumentReader& ArgumentReader::number(std::string_view name, std::optional<int>& into) {
    return option(
        name, 1, [&into, n = std::string(name)](std::span<const std::string> v, std::ostream& err) {
            into = parseNumber(v[0]);
            if (into) return 0;
            return usageError(err, n, "needs a number, not " + v[0]);
        });
}

int usageError(std::ostream& err, std::string_view what, std::string_view problem) {
    err << "romshelf-cli: " << what << ": " << problem << "\n";
    return kUsageStatus;
}

int ArgumentReader::read(const std::vector<std::string>& args, CommonOptions& into,
                         std::ostream& err) const {
    bool optionsEnded = false;
    auto word = [&](const std::string& a) {
        if (into.words.size() >= maxWords_) return usageError(err, a, "unexpected argument");
        into.words.push_back(a);
        return 0;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded) {
            if (const int status = word(a)) return status;
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value": the name is what is looked up, the value its first.
        std::string name = a;
        std::optional<std::string> attached;
        if (const std::size_t equals = a.find('='); a.starts_with("--") && equals != a.npos) {
            name = a.substr(0, equals);
            attached = a.substr(equals + 1);
        }
        int count = 0;
        const Option* own = nullptr;
        if (name == "--yes") {
            count = 0;
        } else if (name == "--program-folder" || name == "--hardware") {
            count = 1;
        } else {
            for (const Option& o : options_)
                if (o.name == name) own = &o;
            if (!own) {
                if (a.starts_with("--") && !unknownAreWords_)
                    return usageError(err, name, "unknown option");
                if (const int status = word(a)) return status;
                continue;
            }
            count = own->values;
        }
        if (attached && count == 0) return usageError(err, name, "takes no value");
        std::vector<std::string> values;
        if (attached) values.push_back(*attached);
        while (values.size() < static_cast<std::size_t>(count)) {
            // A value that looks like an option is the next option: this one's value was left out.
            if (i + 1 >= args.size() || args[i + 1].starts_with("--"))
                return usageError(
                    err, name,
                    count == 1 ? "needs a value" : "needs " + std::to_string(count) + " values");
            values.push_back(args[++i]);
        }
        if (name == "--yes") {
            into.yes = true;
        } else if (!own) {
            (name == "--program-folder" ? into.programFolder : into.code) = values[0];
        } else if (const int status = own->take(values, err)) {
            return status;
        }
    }
    return 0;
}

int readCommonOptions(const std::vector<std::string>& args, CommonOptions& into,
                      std::ostream& err) {
    return ArgumentReader().unknownOptionsAreWords().read(args, into, err);
}

}  // namespace romshelf::cli
