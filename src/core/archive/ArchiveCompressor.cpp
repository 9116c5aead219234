#include "core/archive/ArchiveCompressor.h"

#include "core/platform/AsciiCase.h"
#include "core/archive/CabUpdater.h"
#include "core/archive/LibarchiveUpdater.h"
#include "core/archive/LzhWriter.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Prompter.h"

namespace romshelf::archive {

namespace {

bool hasBracket(const std::string& text) {
    return text.find_first_of("[]") != std::string::npos;
}

int deflateLevelFor(int level) {
    switch (level) {
        case 0:
            return 9;
        case 1:
            return 6;
        case 2:
            return 1;
        default:
            return kDefaultDeflateLevel;
    }
}

LzhMethod lzhMethodFor(int level) {
    switch (level) {
        case 0:
            return LzhMethod::Lh7;
        case 1:
            return LzhMethod::Lh6;
        default:
            return LzhMethod::Lh5;
    }
}

const char* extensionFor(int format, int level) {
    switch (format) {
        case kFormatZip:
            return "zip";
        case kFormatLzh:
            return "lzh";
        case kFormatCab:
            return "cab";
        case kFormat7z:
            return level == k7zTypeSevenZip ? "7z" : "zip";
        default:
            return nullptr;
    }
}

}  // namespace

std::string compressedArchivePath(const std::string& filePath, int format, int level,
                                  bool upperCaseExtension) {
    const char* extension = extensionFor(format, level);
    if (extension == nullptr)
        return "";
    const std::string ext = upperCaseExtension ? ascii::upper(extension) : std::string(extension);
    return fs::pathFolder(filePath) + fs::pathTitle(filePath) + "." + ext;
}

bool compress(const std::string& filePath, int format, int level, bool upperCaseExtension,
              bool sevenZipForBrackets, Prompter& prompter) {
    if (extensionFor(format, level) == nullptr)
        return false;

    // The bracket fallback is decided on the file's name alone; the refusal looks at the whole
    // path, so a bracket in a folder is refused even when the fallback is on.
    const bool zipViaSevenZip =
        format == kFormatZip && sevenZipForBrackets && hasBracket(fs::pathName(filePath));
    if (format == kFormatZip && !zipViaSevenZip && hasBracket(filePath)) {
        prompter.inform(kZipBracketMessage, kZipBracketTitle);
        return false;
    }

    if (!fs::fileExists(filePath))
        return false;
    const std::string archivePath =
        compressedArchivePath(filePath, format, level, upperCaseExtension);
    // "game.zip" packed as ZIP would name the archive after itself and destroy the file.
    if (archivePath == filePath)
        return false;

    switch (format) {
        case kFormatZip:
            return addFileToZip(archivePath, filePath,
                                zipViaSevenZip ? kDefaultDeflateLevel : deflateLevelFor(level));
        case kFormatLzh:
            return addFileToLzh(archivePath, filePath, lzhMethodFor(level));
        case kFormatCab:
            return addFileToCab(archivePath, filePath);
        case kFormat7z:
            return level == k7zTypeSevenZip
                       ? addFileTo7z(archivePath, filePath)
                       : addFileToZip(archivePath, filePath, kDefaultDeflateLevel);
    }
    return false;
}

}  // namespace romshelf::archive
