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

// The folder's file for one kind, or empty. `entries`: the folder's names that begin with the
// base name (taken literally: a Linux file name may hold '*' or '?', which never act as
// wildcards here), in byte order.
std::string lookUpIn(const std::vector<fs::FolderListings::Entry>& entries, const Kind& kind,
                     std::size_t baseSize, std::string_view fileName) {
    for (const fs::FolderListings::Entry& entry : entries) {
        const std::string_view name = entry.name;
        if (!kind.matches(name.substr(baseSize))) continue;
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
    fs::FolderListings once;  // without kept listings: this lookup's own
    fs::FolderListings& kept = listings ? *listings : once;
    for (const std::string& folder : folders) {
        bool open = false;
        for (const Kind& kind : kKinds) open = open || (files.*kind.found).empty();
        if (!open) break;
        // Each folder is listed once for all three kinds (every kind's name has a dot after the
        // base name).
        const std::vector<fs::FolderListings::Entry> entries =
            kept.startingWith(folder, std::string(baseName) + ".");
        for (const Kind& kind : kKinds) {
            std::string& found = files.*kind.found;
            if (!found.empty()) continue;
            const std::string name = lookUpIn(entries, kind, baseName.size(), fileName);
            if (!name.empty()) found = folder.empty() ? name : fs::joinPath(folder, name);
        }
    }
    return files;
}

}  // namespace romshelf
