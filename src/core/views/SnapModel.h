#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/ImageDecoder.h"
#include "core/pictures/DibPicture.h"
#include "core/pictures/SnapLookup.h"

namespace romshelf {

// Writes the game name on the no-snap picture (fonts belong to the window system). Without one
// the picture carries no caption.
using CaptionPainter = std::function<void(DibPicture& picture, const std::string& caption)>;

// The snap window without its window: the selection, the current slot, and the 320 x 240 picture
// it shows (the snap centred on the hardware's frame, or the no-snap picture with the game name).
// Settings are passed in at each call, so they are always the current hardware's.
class SnapModel {
public:
    SnapModel(ImageDecoder& decoder, std::string frameFolder, CaptionPainter painter = {});

    // The hardware's frame: frame/frame_<code>.bmp, else the built-in one. The picture is
    // composed again at the next refresh.
    void loadFrame(std::string_view code, const SnapSettings& settings);

    // The file list's selection: its file name, ROM-folder number and game name, and the name
    // the rename data give it (a snap may carry either). The same base name in the same ROM
    // folder is no change (false, nothing is read again); an empty file name shows the no-snap
    // picture without caption.
    bool select(const std::string& fileName, int romFolderIndex, std::string caption,
                const SnapSettings& settings, const std::string& datName = {});
    // As select, the picture left as it is: a window that looks the snap up away from its event
    // loop (load()) and shows it with take() when it arrives.
    bool choose(const std::string& fileName, int romFolderIndex, std::string caption,
                const std::string& datName = {});
    // The list lost its selection: the no-snap picture without caption. The file name and ROM
    // folder are kept.
    void clearSelection(const SnapSettings& settings);
    // Looks the snap up again and composes the picture.
    void refresh(const SnapSettings& settings);
    // refresh in three parts, the middle one free of the model (another thread may run it, with
    // listings of its own): what to look up, the lookup and the snap's picture, and the picture
    // composed of it.
    struct Request {
        SnapSettings settings;
        SnapQuery query;
    };
    struct Loaded {
        std::string found;  // empty: no snap, or none that could be read
        DibPicture snap;
    };
    Request request(const SnapSettings& settings) const { return {settings, query()}; }
    static Loaded load(const Request& request, ImageDecoder& decoder, fs::FolderListings& listings);
    void take(Loaded loaded, const SnapSettings& settings);
    // As refresh, the snap folders listed anew (the program wrote a snap, or the settings
    // changed).
    void reload(const SnapSettings& settings) {
        folders_.forget();
        refresh(settings);
    }

    int slot() const { return slot_; }
    // A hardware switch starts at slot 0; the picture follows at the next refresh.
    void setSlot(int slot) { slot_ = slot; }
    // "スナップウィンドウ : " and the current slot's name.
    std::string title(const SnapSettings& settings) const;

    // A left click: the next slot in use, and its snap.
    void nextSlot(const SnapSettings& settings);
    // Auto switching starts from the current slot.
    void startAutoSwitch() { lastSwitched_ = slot_; }
    // A tick of the auto-switch timer: the next slot in use. True when that changed the title
    // and picture; with one slot in use, or nothing selected, they stay (the slot still moves
    // while nothing is selected, and the next tick with a selection catches up).
    bool tick(const SnapSettings& settings);

    // Files dropped on the window: exactly one picture becomes the selected file's snap in the
    // current slot (see snapDropTarget) and is shown. False when the drop is not taken or the
    // copy failed.
    bool drop(const std::vector<std::string>& files, const SnapSettings& settings);

    const DibPicture& picture() const { return display_; }
    // The snap file shown; empty for the no-snap picture.
    const std::string& snapPath() const { return found_; }
    bool selected() const { return !query_.baseName.empty(); }
    const std::string& caption() const { return caption_; }

    // The picture the window shows for one file in `slot` of a hardware: what a command-line
    // user gets, without caption unless a painter is given.
    static DibPicture compose(ImageDecoder& decoder, const std::string& frameFolder,
                              std::string_view code, const SnapSettings& settings, int slot,
                              const std::string& fileName, int romFolderIndex,
                              const std::string& caption = {}, CaptionPainter painter = {});

private:
    SnapQuery query() const;
    void loadNoSnap(const SnapSettings& settings);

    ImageDecoder& decoder_;
    std::string frameFolder_;
    CaptionPainter painter_;
    SnapQuery query_;  // its slot is unused: slot_ is the current one
    int slot_ = 0;
    int lastSwitched_ = 0;
    std::string caption_;
    std::string found_;
    DibPicture snap_, frame_, display_;
    fs::FolderListings folders_;  // a lookup per selection looks at each folder, not its listing
};

}  // namespace romshelf
