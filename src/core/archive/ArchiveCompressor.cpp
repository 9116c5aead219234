#include "core/archive/ArchiveCompressor.h"

#include "core/platform/AsciiCase.h"
#include "core/archive/CabUpdater.h"
#include "core/archive/LibarchiveUpdater.h"
#include "core/archive/LzhWriter.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Prompter.h"

namespace romshelf::archive {

namespace {

bool hasBracket(const std::string& text) { return text.find_first_of("[]") != std::string::npos; }

int deflateLevelFor(CompressionLevel level) {
    switch (level) {
        case CompressionLevel::High:
            return 9;
        case CompressionLevel::Normal:
            return 6;
        case CompressionLevel::Low:
            return 1;
    }
    return kDefaultDeflateLevel;
}

LzhMethod lzhMethodFor(CompressionLevel level) {
    switch (level) {
        case CompressionLevel::High:
            return LzhMethod::Lh7;
        case CompressionLevel::Normal:
            return LzhMethod::Lh6;
        case CompressionLevel::Low:
            break;
    }
    return LzhMethod::Lh5;
}

// nullptr for a format number that no option page offers (a damaged settings file).
const char* extensionFor(const Compression& how) {
    switch (how.format) {
        case CompressionFormat::Zip:
            return "zip";
        case CompressionFormat::Lzh:
            return "lzh";
        case CompressionFormat::Cab:
            return "cab";
        case CompressionFormat::SevenZip:
            return how.sevenZipType == SevenZipType::SevenZip ? "7z" : "zip";
    }
    return nullptr;
}

}  // namespace

std::string compressedArchivePath(const std::string& filePath, const Compression& how) {
    const char* extension = extensionFor(how);
    if (extension == nullptr) return "";
    const std::string ext =
        how.upperCaseExtension ? ascii::upper(extension) : std::string(extension);
    return fs::pathFolder(filePath) + fs::pathTitle(filePath) + "." + ext;
}

bool compress(const std::string& filePath, const Compression& how, Prompter& prompter) {
    if (extensionFor(how) == nullptr) return false;

    // The bracket fallback is decided on the file's name alone; the refusal looks at the whole
    // path, so a bracket in a folder is refused even when the fallback is on.
    const bool zipViaSevenZip = how.format == CompressionFormat::Zip && how.sevenZipForBrackets &&
                                hasBracket(fs::pathName(filePath));
    if (how.format == CompressionFormat::Zip && !zipViaSevenZip && hasBracket(filePath)) {
        prompter.inform(kZipBracketMessage, kZipBracketTitle);
        return false;
    }

    if (!fs::fileExists(filePath)) return false;
    const std::string archivePath = compressedArchivePath(filePath, how);
    // "game.zip" packed as ZIP would name the archive after itself and destroy the file.
    if (archivePath == filePath) return false;

    const bool flush = how.flushToDisk;
    switch (how.format) {
        case CompressionFormat::Zip:
            return addFileToZip(archivePath, filePath,
                                zipViaSevenZip ? kDefaultDeflateLevel : deflateLevelFor(how.level),
                                flush);
        case CompressionFormat::Lzh:
            return addFileToLzh(archivePath, filePath, lzhMethodFor(how.level), flush);
        case CompressionFormat::Cab:
            return addFileToCab(archivePath, filePath, flush);
        case CompressionFormat::SevenZip:
            return how.sevenZipType == SevenZipType::SevenZip
                       ? addFileTo7z(archivePath, filePath, flush)
                       : addFileToZip(archivePath, filePath, kDefaultDeflateLevel, flush);
    }
    return false;
}

}  // namespace romshelf::archive
