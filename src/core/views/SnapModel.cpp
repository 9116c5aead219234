#include "core/views/SnapModel.h"

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

// The built-in pictures, drawn once.
DibPicture drawn(void (*draw)(DibPicture&)) {
    DibPicture picture;
    draw(picture);
    return picture;
}

const DibPicture& builtInFrame() {
    static const DibPicture frame = drawn(drawBuiltInFrame);
    return frame;
}

const DibPicture& builtInNoSnap() {
    static const DibPicture noSnap = drawn(drawBuiltInNoSnap);
    return noSnap;
}

}  // namespace

SnapModel::SnapModel(ImageDecoder& decoder, std::string frameFolder, CaptionPainter painter)
    : decoder_(decoder), frameFolder_(std::move(frameFolder)), painter_(std::move(painter)) {
    const PictureSize size = DibPicture::kWindowSize;
    snap_.create(size.width, size.height);
    display_.create(size.width, size.height);
    frame_ = builtInFrame();
    snap_ = builtInNoSnap();
    display_.composeCentered(snap_, frame_);
}

void SnapModel::loadFrame(std::string_view code, const SnapSettings& settings) {
    const std::string path = snapFramePath(frameFolder_, code);
    frame_.create(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    // A frame is drawn as it is (it is made for the window); only a decoded one is enlarged.
    if (code.empty() || !fs::fileExists(path) ||
        !frame_.load(path, decoder_, false, false, settings.enlarge))
        frame_ = builtInFrame();
}

bool SnapModel::select(const std::string& fileName, int romFolderIndex, std::string caption,
                       const SnapSettings& settings, const std::string& datName) {
    if (!choose(fileName, romFolderIndex, std::move(caption), datName)) return false;
    refresh(settings);
    return true;
}

bool SnapModel::choose(const std::string& fileName, int romFolderIndex, std::string caption,
                       const std::string& datName) {
    caption_ = std::move(caption);
    std::string baseName = fs::pathTitle(fileName);
    // game.zip and game.7z in one folder share their snap.
    if (!fileName.empty() && baseName == query_.baseName && romFolderIndex == query_.romFolderIndex)
        return false;
    // Collections made for other frontends name snaps by the game.
    query_.otherNames.clear();
    for (const std::string* name : {static_cast<const std::string*>(&caption_), &datName})
        if (!name->empty() && *name != baseName) query_.otherNames.push_back(*name);
    query_.fileName = fileName;
    query_.baseName = std::move(baseName);
    query_.romFolderIndex = romFolderIndex;
    return true;
}

void SnapModel::clearSelection(const SnapSettings& settings) {
    caption_.clear();
    query_.baseName.clear();
    refresh(settings);
}

SnapQuery SnapModel::query() const {
    SnapQuery q = query_;
    q.slot = slot_;
    return q;
}

void SnapModel::refresh(const SnapSettings& settings) {
    take(load(request(settings), decoder_, folders_), settings);
}

SnapModel::Loaded SnapModel::load(const Request& request, ImageDecoder& decoder,
                                  fs::FolderListings& listings) {
    Loaded loaded;
    loaded.found = lookUpSnap(request.settings, request.query, &listings);
    if (loaded.found.empty()) return loaded;
    // Drawn into a picture of the window's size, as the window's own.
    loaded.snap.create(DibPicture::kWindowSize.width, DibPicture::kWindowSize.height);
    const bool enlarge = request.settings.enlarge;
    // A snap that cannot be read shows as no snap at all.
    if (!loaded.snap.load(loaded.found, decoder, enlarge, true, enlarge)) loaded.found.clear();
    return loaded;
}

void SnapModel::take(Loaded loaded, const SnapSettings& settings) {
    found_ = std::move(loaded.found);
    if (found_.empty())
        loadNoSnap(settings);
    else
        snap_ = std::move(loaded.snap);
    display_.composeCentered(snap_, frame_);
}

void SnapModel::loadNoSnap(const SnapSettings& settings) {
    const std::string path = noSnapPath(frameFolder_);
    if (!fs::fileExists(path) || !snap_.load(path, decoder_, false, false, settings.enlarge))
        snap_ = builtInNoSnap();
    if (selected() && painter_) painter_(snap_, caption_);
}

std::string SnapModel::title(const SnapSettings& settings) const {
    return std::string(kSnapTitle) + settings.names[static_cast<std::size_t>(slot_)];
}

void SnapModel::nextSlot(const SnapSettings& settings) {
    slot_ = nextSnapSlot(settings, slot_);
    refresh(settings);
}

bool SnapModel::tick(const SnapSettings& settings) {
    slot_ = nextSnapSlot(settings, slot_);
    if (slot_ == lastSwitched_ || !selected()) return false;
    lastSwitched_ = slot_;
    refresh(settings);
    return true;
}

bool SnapModel::drop(const std::vector<std::string>& files, const SnapSettings& settings) {
    if (files.size() != 1) return false;
    const std::string target = snapDropTarget(settings, query(), files[0], decoder_);
    if (target.empty()) return false;
    const bool copied = files[0] == target || fs::copyFile(files[0], target);
    folders_.forget();
    // A failed copy still shows whatever the lookup finds now.
    refresh(settings);
    return copied;
}

DibPicture SnapModel::compose(ImageDecoder& decoder, const std::string& frameFolder,
                              std::string_view code, const SnapSettings& settings, int slot,
                              const std::string& fileName, int romFolderIndex,
                              const std::string& caption, CaptionPainter painter) {
    SnapModel model(decoder, frameFolder, std::move(painter));
    model.loadFrame(code, settings);
    model.setSlot(slot);
    model.select(fileName, romFolderIndex, caption, settings);
    return model.display_;
}

}  // namespace romshelf
