#include "core/views/MediaLookup.h"

#include <vector>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

bool MediaFiles::pictureIsBmp() const {
    return ascii::equalsIgnoringCase(fs::pathExtension(picture), ".bmp");
}

namespace {

struct Kind {
    std::string MediaFiles::*found;
    bool (*matches)(std::string_view rest);  // what follows the base name
};

constexpr Kind kKinds[] = {
    {&MediaFiles::picture, [](std::string_view rest) { return fs::matchesPattern(rest, ".*"); }},
    {&MediaFiles::midi,
     [](std::string_view rest) { return ascii::equalsIgnoringCase(rest, ".mid"); }},
    {&MediaFiles::wave,
     [](std::string_view rest) { return ascii::equalsIgnoringCase(rest, ".wav"); }},
};

// The folder's file for one kind, or empty. The base name is taken literally: a Linux file
// name may hold '*' or '?', which never act as wildcards here. `entries`: in byte order.
template <class Entries>
std::string lookUpIn(const Entries& entries, const Kind& kind, std::string_view baseName,
                     std::string_view fileName) {
    for (const auto& entry : entries) {
        const std::string_view name = entry.name;
        if (name.size() < baseName.size() ||
            !ascii::equalsIgnoringCase(name.substr(0, baseName.size()), baseName) ||
            !kind.matches(name.substr(baseName.size())))
            continue;
        // The ROM itself, when it lies among its media, is passed over for the next match.
        if (name != fileName) return std::string(name);
    }
    return {};
}

}  // namespace

MediaFiles lookUpMedia(const MediaFolderPaths& folders, std::string_view baseName,
                       std::string_view fileName, fs::FolderListings* listings) {
    MediaFiles files;
    if (baseName.empty()) return files;
    for (const std::string& folder : folders) {
        bool open = false;
        for (const Kind& kind : kKinds) open = open || (files.*kind.found).empty();
        if (!open) break;
        // Each folder is listed once for all three kinds (every kind's name has a dot after the
        // base name).
        std::vector<fs::DirEntry> listed;
        std::vector<fs::FolderListings::Entry> kept;
        if (listings)
            kept = listings->startingWith(folder, std::string(baseName) + ".");
        else
            listed = fs::listDirectory(folder);
        for (const Kind& kind : kKinds) {
            std::string& found = files.*kind.found;
            if (!found.empty()) continue;
            const std::string name = listings ? lookUpIn(kept, kind, baseName, fileName)
                                              : lookUpIn(listed, kind, baseName, fileName);
            if (!name.empty()) found = folder.empty() ? name : fs::joinPath(folder, name);
        }
    }
    return files;
}

}  // namespace romshelf
