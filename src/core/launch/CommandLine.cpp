#include "core/launch/CommandLine.h"

#include "core/platform/FileSystem.h"

namespace romshelf {

std::vector<std::string> splitCommandLine(std::string_view text) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false, quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            inArgument = true;
            if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                current += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument) args.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) args.push_back(std::move(current));
    return args;
}

namespace {

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

bool wantsPlaylist(const std::string& commandLine) {
    return commandLine.find("$M") != std::string::npos;
}

LaunchArguments buildLaunchArguments(const EmulatorEntry& entry, const std::string& linuxPath,
                                     const std::string& playlist,
                                     const std::function<std::string(const std::string&)>& given) {
    const auto form = [&](const std::string& p) { return given ? given(p) : p; };
    const std::string path = form(linuxPath);
    const bool quote = entry.option(kQuotePath);
    const auto quoted = [quote](const std::string& v) { return quote ? "\"" + v + "\"" : v; };
    const std::string& text = entry.commandLine;

    std::string placeholder, value;
    if (wantsPlaylist(text)) {
        placeholder = "$M";
        value = playlist.empty() ? path : form(playlist);
    } else if (text.find("$P") != std::string::npos) {
        placeholder = "$P";
        value = path;
    } else if (text.find("$F") != std::string::npos) {
        placeholder = "$F";
        value = fs::pathName(linuxPath);
    } else if (text.find("$T") != std::string::npos) {
        placeholder = "$T";
        value = fs::pathTitle(linuxPath);
    }

    LaunchArguments result;
    if (!placeholder.empty()) {
        result.text = text;
        replaceAll(result.text, placeholder, quoted(value));
        result.argv = splitCommandLine(text);
        for (std::string& arg : result.argv) replaceAll(arg, placeholder, value);
    } else {
        result.text = text.empty() ? quoted(path) : text + " " + quoted(path);
        result.argv = splitCommandLine(text);
        result.argv.push_back(path);
    }
    return result;
}

}  // namespace romshelf
