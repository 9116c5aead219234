#include "cli/InfoCommand.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "cli/CliSupport.h"
#include "core/app/Application.h"
#include "core/app/RowDetails.h"
#include "core/archive/ArchiveExtractor.h"
#include "core/archive/ArchiveTypes.h"
#include "core/platform/FileSystem.h"
#include "core/pictures/DetailPictures.h"
#include "core/roms/RomHeader.h"
#include "core/views/SnapModel.h"

namespace romshelf::cli {

namespace {

struct InfoOptions {
    CommonOptions common;
    RowChoice choice;
    std::string mediaPicture;  // where the media picture goes; empty: nowhere
    std::string snapPicture;   // the same for the snap window's picture
};

void line(std::ostream& out, const char* key, const std::string& text) {
    out << key << '\t' << escapeText(text) << '\n';
}

// The media window's picture as a BMP file; false when it cannot be written.
bool writeMediaPicture(Application& app, const MediaFiles& media, const std::string& path,
                       std::ostream& err) {
    const bool enlarge = app.settings().option(Option::EnlargeSmallSnaps);
    ImageDecoder& decoder = app.host().images;
    MediaPicture picture;
    picture.loadFrame(app.programFolder().frameFolder(), app.currentCode(), decoder, enlarge);
    picture.show(media.picture, decoder, enlarge);
    if (!media.picture.empty() && !picture.loaded())
        err << "the media picture cannot be read here (BMP only without the window program): "
               "white\n";
    if (picture.display().saveBmp(path)) return true;
    err << "cannot write " << path << "\n";
    return false;
}

// The snap window's part: the snap found from the first snap folder, as the window shows it
// after a hardware switch, and its picture (the no-snap picture carries no caption here: the
// caption's font belongs to the window program).
int showSnap(Application& app, const FileListRow& row, const InfoOptions& o, std::ostream& out,
             std::ostream& err) {
    const SnapSettings settings = snapSettingsOf(app.folders().folders, app.settings());
    const std::string& file = row.fileName();
    const std::string datName = app.datNameOf(row);
    const std::string snap = lookUpSnap(
        settings,
        {std::string(fs::pathTitle(file)), file, row.folderNumber, 0, {row.gameName(), datName}});
    line(out, "snap", snap);
    if (o.snapPicture.empty()) return 0;
    SnapModel model(app.host().images, app.programFolder().frameFolder());
    model.loadFrame(app.currentCode(), settings);
    model.select(file, row.folderNumber, {}, settings, datName);
    // The model drops a snap it cannot decode and shows the no-snap picture instead.
    if (!snap.empty() && model.snapPath().empty())
        err << "the snap cannot be read here (BMP only without the window program): "
               "the no-snap picture\n";
    if (model.picture().saveBmp(o.snapPicture)) return 0;
    err << "cannot write " << o.snapPicture << "\n";
    return 1;
}

// A folder of our own under the system's temporary folder, removed with what it holds.
struct UnpackFolder {
    UnpackFolder() {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/romshelf-XXXXXX";
        if (::mkdtemp(pattern.data())) folder = pattern + "/";
    }
    ~UnpackFolder() {
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }
    UnpackFolder(const UnpackFolder&) = delete;
    UnpackFolder& operator=(const UnpackFolder&) = delete;
    std::string folder;
};

// `info --header FILE [--hardware CODE]`: the built-in header reader's lines. An archive's
// member is unpacked into a folder of our own, removed afterwards.
int showHeader(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommonOptions o;  // the header needs no catalogue: --program-folder is taken and not used
    std::string file;
    if (const int status =
            ArgumentReader().wordsAtMost(0).text("--header", file).read(args, o, err))
        return status;
    const std::string& code = o.code;
    if (file.empty()) return usageError(err, "--header", "needs a value");
    if (!fs::fileExists(file)) {
        err << "romshelf-cli: cannot read " << file << "\n";
        return 2;
    }
    std::optional<UnpackFolder> unpacked;
    std::string rom = file;
    if (archive::archiveTypeOf(file)) {
        unpacked.emplace();
        rom = unpacked->folder.empty() ? "" : archive::extract(file, unpacked->folder, {});
        if (rom.empty()) {
            err << "cannot unpack " << file << "\n";
            return 2;
        }
    }
    const std::optional<RomHeaderKind> kind =
        code.empty() ? headerKindOfFile(rom) : headerKindOf(code);
    if (!kind) {
        err << "no header reader for " << (code.empty() ? rom : code)
            << " (give --hardware FC, SFC, MD, MSYS, GB or GBA)\n";
        return 2;
    }
    const HeaderReport report = readRomHeaderFile(*kind, rom);
    for (const std::string& line : report.lines) out << line << '\n';
    return report.valid ? 0 : 1;
}

}  // namespace

int showInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (std::find(args.begin(), args.end(), "--header") != args.end())
        return showHeader(args, out, err);
    InfoOptions o;
    ArgumentReader reader;
    reader.wordsAtMost(0).text("--media-picture", o.mediaPicture);
    reader.text("--snap-picture", o.snapPicture);
    if (const int status = o.choice.addTo(reader).read(args, o.common, err)) return status;
    if (const int status = o.choice.check(err)) return status;
    OpenedApplication opened =
        openHardware(o.common.programFolder, o.common.code, err, o.common.yes);
    if (opened.exitStatus != 0) return opened.exitStatus;
    Application& app = *opened.app;
    // A reader: the play history is read as it is, even when damaged.
    app.playHistory().setAccess(PlayHistory::Access::Read);
    app.showAll();  // the rows as `list` prints them
    const std::optional<std::size_t> found = o.choice.find(app, err);
    if (!found) return 2;
    const FileListRow* row = &app.fileList().rows()[*found];
    const RowDetails d = rowDetails(app, *row);
    line(out, "database", d.database);
    const PlayStats plays = app.playStats(*row);
    line(out, "playcount", std::to_string(plays.count));
    line(out, "playtime", playTimeText(plays.seconds));
    line(out, "lastplayed", plays.count > 0 ? localDateTimeText(plays.lastPlayed) : "");
    line(out, "name", d.info.gameName);
    line(out, "status", d.info.status);
    line(out, "rating", d.info.rating);
    static constexpr const char* kCategoryKeys[] = {"category1", "category2", "category3",
                                                    "category4", "category5", "class"};
    for (std::size_t k = 0; k < d.info.categories.size(); ++k)
        line(out, kCategoryKeys[k], d.info.categories[k]);
    line(out, "media-picture", d.media.picture);
    line(out, "media-midi", d.media.midi);
    line(out, "media-wave", d.media.wave);
    if (const int status = showSnap(app, *row, o, out, err); status != 0) return status;
    if (!o.mediaPicture.empty() && !writeMediaPicture(app, d.media, o.mediaPicture, err)) return 1;
    return 0;
}

}  // namespace romshelf::cli
