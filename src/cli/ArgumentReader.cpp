#include "cli/ArgumentReader.h"

#include <sstream>

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
            err << n << " takes a number: " << v[0] << "\n";
            return 64;
        });
}

int ArgumentReader::read(const std::vector<std::string>& args, CommonOptions& into,
                         std::ostream& err) const {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const std::size_t left = args.size() - i - 1;
        if (a == "--yes") {
            into.yes = true;
            continue;
        }
        if (a == "--program-folder" || a == "--hardware") {
            if (left < 1) {
                err << a << " needs a value\n";
                return 64;
            }
            (a == "--program-folder" ? into.programFolder : into.code) = args[++i];
            continue;
        }
        const Option* own = nullptr;
        for (const Option& o : options_)
            if (o.name == a) own = &o;
        if (!own) {
            if (a.starts_with("--") && !unknownAreWords_) {
                err << "unknown argument: " << a << "\n";
                return 64;
            }
            if (into.words.size() >= maxWords_) {
                err << "unknown argument: " << a << "\n";
                return 64;
            }
            into.words.push_back(a);
            continue;
        }
        const auto count = static_cast<std::size_t>(own->values);
        if (left < count) {
            err << a << " needs " << count << (count == 1 ? " value\n" : " values\n");
            return 64;
        }
        const std::span<const std::string> values(args.data() + i + 1, count);
        i += count;
        if (const int status = own->take(values, err)) return status;
    }
    return 0;
}

CommonOptions parseCommonOptions(const std::vector<std::string>& args) {
    CommonOptions o;
    std::ostringstream ignored;
    ArgumentReader().unknownOptionsAreWords().read(args, o, ignored);
    return o;
}

}  // namespace romshelf::cli
