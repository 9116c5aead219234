#include "core/pictures/SnapLookup.h"

#include <algorithm>
#include <cstdlib>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/pictures/BmpReader.h"
#include "core/pictures/DibPicture.h"

namespace romshelf {

SnapSettings snapSettingsOf(const FolderSettings& folders, const MainSettings& settings) {
    SnapSettings s;
    s.names = folders.snapFolderNames;
    s.paths = folders.snapFolderPaths;
    s.enlarge = settings.option(Option::EnlargeSmallSnaps);
    s.searchAll = settings.option(Option::SearchAllSnapFolders);
    s.preferSameNumber = settings.option(Option::PreferSnapFolderOfRomFolder);
    s.autoSwitch = settings.option(Option::SwitchSnapFolderEverySecond);
    return s;
}

namespace {

bool namesSnapOf(std::string_view name, std::string_view baseName) {
    return name.size() > baseName.size() &&
           ascii::equalsIgnoringCase(name.substr(0, baseName.size()), baseName) &&
           fs::matchesPattern(name.substr(baseName.size()), ".*");
}

std::string lookUpIn(const std::string& folder, const SnapQuery& query,
                     fs::FolderListings& listings) {
    for (const fs::FolderListings::Entry& e : listings.startingWith(folder, query.baseName + "."))
        if (!e.isDirectory && e.name != query.fileName) return folder + std::string(e.name);
    return {};
}

}  // namespace

std::string thumbnailName(std::string_view gameName) {
    std::string name(gameName);
    for (char& c : name)
        if (std::string_view("&*/:`<>?\\|\"").find(c) != std::string_view::npos) c = '_';
    return name;
}

std::string lookUpSnap(const SnapSettings& settings, const SnapQuery& query,
                       fs::FolderListings* listings) {
    if (query.baseName.empty()) return {};
    fs::FolderListings once;  // without kept listings: this lookup's own
    fs::FolderListings& folders = listings ? *listings : once;
    const bool sameNumber = settings.preferSameNumber && query.romFolderIndex >= 0 &&
                            query.romFolderIndex < kSnapFolderCount;
    const int start = sameNumber ? query.romFolderIndex : query.slot;
    const int count = settings.searchAll ? kSnapFolderCount : 1;
    std::vector<std::string> names{query.baseName};
    for (const std::string& other : query.otherNames)
        for (std::string name : {other, thumbnailName(other)})
            if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(std::move(name));
    SnapQuery byName = query;
    for (const std::string& name : names) {
        byName.baseName = name;
        for (int i = 0; i < count; ++i) {
            const int slot = (start + i) % kSnapFolderCount;
            // An unused slot is no folder: it would be the working folder, which holds no snaps.
            if (!settings.inUse(slot)) continue;
            std::string found =
                lookUpIn(settings.paths[static_cast<std::size_t>(slot)], byName, folders);
            if (!found.empty()) return found;
        }
    }
    return {};
}

int nextSnapSlot(const SnapSettings& settings, int slot) {
    int next = slot;
    for (int step = 0; step < kSnapFolderCount; ++step) {
        next = (next + 1) % kSnapFolderCount;
        if (settings.inUse(next)) return next;
    }
    return slot;
}

std::string snapFramePath(const std::string& frameFolder, std::string_view code) {
    return frameFolder + "frame_" + std::string(code) + ".bmp";
}

std::string noSnapPath(const std::string& frameFolder) { return frameFolder + "no_Snap.bmp"; }

namespace {

// Paints every pixel of a window-sized picture with colour(x, y).
template <class F>
void paint(DibPicture& picture, F colour) {
    picture.create(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    for (int y = 0; y < picture.height(); ++y) {
        std::uint8_t* p = picture.bits() + static_cast<std::size_t>(y) * picture.stride();
        for (int x = 0; x < picture.width(); ++x, p += 3) {
            const Colour c = colour(x, y);
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    }
}

std::uint8_t mix(int from, int to, int at, int range) {
    return static_cast<std::uint8_t>(from + (to - from) * at / range);
}

// Distance of (x, y) from the nearest edge of the picture.
int edgeDistance(int x, int y) {
    const int w = DibPicture::kWindowSize.width, h = DibPicture::kWindowSize.height;
    return std::min(std::min(x, w - 1 - x), std::min(y, h - 1 - y));
}

}  // namespace

void drawBuiltInFrame(DibPicture& picture) {
    const int h = DibPicture::kWindowSize.height;
    paint(picture, [h](int x, int y) {
        const int edge = edgeDistance(x, y);
        if (edge < 2) return Colour{150, 170, 215};  // a light rim
        if (edge == 2) return Colour{10, 16, 36};    // and a dark line inside it
        // Deep blue, lighter towards the bottom.
        return Colour{mix(18, 44, y, h), mix(28, 64, y, h), mix(62, 120, y, h)};
    });
}

void drawBuiltInNoSnap(DibPicture& picture) {
    const int h = DibPicture::kWindowSize.height;
    paint(picture, [h](int x, int y) {
        const int edge = edgeDistance(x, y);
        if (edge == 12) return Colour{96, 98, 110};  // an inner outline
        // A small crossed-out picture above the caption.
        const int ix = x - 136, iy = y - 34;
        if (ix >= 0 && ix < 48 && iy >= 0 && iy < 36) {
            const bool border = ix < 2 || ix >= 46 || iy < 2 || iy >= 34;
            const bool cross =
                std::abs(ix * 36 - iy * 48) < 60 || std::abs(ix * 36 + iy * 48 - 1728) < 60;
            if (border || cross) return Colour{120, 122, 136};
        }
        return Colour{mix(58, 30, y, h), mix(60, 30, y, h), mix(70, 36, y, h)};
    });
}

namespace {

bool isPicture(const std::string& path, ImageDecoder& decoder) {
    return readBmpFile(path).has_value() || decoder.decode(path).has_value();
}

}  // namespace

std::string snapDropTarget(const SnapSettings& settings, const SnapQuery& query,
                           const std::string& dropped, ImageDecoder& decoder) {
    if (!settings.inUse(query.slot) || query.baseName.empty() || !fs::fileExists(dropped))
        return {};
    const std::string name = query.baseName + fs::pathExtension(dropped);
    const std::string target = settings.paths[static_cast<std::size_t>(query.slot)] + name;
    // The ROM lying in its snap folder, or a file of the same name that shows no picture (a
    // sound, another ROM), is no snap to replace.
    if (name == query.fileName || !namesSnapOf(name, query.baseName)) return {};
    if (fs::pathExists(target) && (!fs::fileExists(target) || !isPicture(target, decoder)))
        return {};
    return isPicture(dropped, decoder) ? target : std::string();
}

}  // namespace romshelf
