#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/FolderListings.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"

namespace romshelf {

class DibPicture;
class ImageDecoder;

// What the snap window needs of the current hardware's folders and of the main settings: the five
// snap slots (a slot with an empty path is not in use; paths end in '/') and the snap options.
struct SnapSettings {
    std::array<std::string, kSnapFolderCount> names{};
    std::array<std::string, kSnapFolderCount> paths{};
    bool enlarge = false;           // pictures smaller than the window are stretched up
    bool searchAll = false;         // every slot is searched, from the start slot on
    bool preferSameNumber = false;  // the search starts at the slot of the ROM folder's number
    bool autoSwitch = false;        // the shown slot changes every 1,200 ms

    bool inUse(int slot) const {
        return slot >= 0 && slot < kSnapFolderCount &&
               !paths[static_cast<std::size_t>(slot)].empty();
    }
};

SnapSettings snapSettingsOf(const FolderSettings& folders, const MainSettings& settings);

// The selected file as the lookup sees it. An empty base name: nothing is selected.
struct SnapQuery {
    std::string baseName;
    std::string fileName;  // with its extension: the ROM itself is never its own snap
    int romFolderIndex = -1;
    int slot = 0;  // the window's current slot
    // Names the snap may carry instead of the base name, tried after it in order: the game name
    // (as picture collections made for other frontends name their files).
    std::vector<std::string> otherNames;
};

// A game name as libretro's thumbnail collections name files: each of &*/:`<>?\|" becomes '_'.
std::string thumbnailName(std::string_view gameName);

// The selected file's snap, or empty. The base name is looked for first, then each other name as
// it is and in its thumbnail form (each through every slot to search). In a slot, the entries named
// base name + ".*" (ASCII case ignored, the base name taken literally) are tried in byte order of
// their names, passing over the ROM file itself (exact name) and folders. The search starts at the
// ROM folder's number when preferSameNumber is on and that number is a slot, else at the current
// slot; with searchAll it goes on through the following slots, wrapping round, five in all. Slots
// not in use yield nothing. With `listings`, the folders' listings are kept there between lookups.
std::string lookUpSnap(const SnapSettings& settings, const SnapQuery& query,
                       fs::FolderListings* listings = nullptr);

// The slot after `slot` that is in use, wrapping round; `slot` itself when no other one is.
int nextSnapSlot(const SnapSettings& settings, int slot);

inline constexpr int kAutoSwitchMs = 1200;
inline constexpr std::string_view kSnapTitle = "スナップウィンドウ : ";

// frame/frame_<code>.bmp and frame/no_Snap.bmp in the frame folder (ending in '/').
std::string snapFramePath(const std::string& frameFolder, std::string_view code);
std::string noSnapPath(const std::string& frameFolder);

// The program's own pictures for a hardware without a frame file and for a file without a snap,
// drawn into a picture of the window's size (all of it visible).
void drawBuiltInFrame(DibPicture& picture);
void drawBuiltInNoSnap(DibPicture& picture);

// Where the no-snap picture's caption (the game name) is written, with its one-pixel shadow
// below and to the right.
inline constexpr int kCaptionLeft = 21, kCaptionTop = 93, kCaptionRight = 301, kCaptionBottom = 144;

// A file dropped on the snap window becomes the selected file's snap in the current slot:
// slot path + base name + the dropped file's own extension. The target, or empty when the drop
// is not taken: the slot is not in use, nothing is selected, the dropped file is no picture
// `decoder` or the BMP reader knows, or the target would be the ROM itself or a file that is no
// picture (another file of the same name, never a snap). An existing snap of the selected file
// under that name is replaced.
std::string snapDropTarget(const SnapSettings& settings, const SnapQuery& query,
                           const std::string& dropped, ImageDecoder& decoder);

}  // namespace romshelf
