#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/archive/ArchiveCompressor.h"

namespace romshelf {

class Application;
class Prompter;

// Packs one file beside itself (archive::compress); tests put a faulty one in its place.
using Packer = std::function<bool(const std::string& filePath, const archive::Compression& how,
                                  Prompter& prompter)>;

struct BatchCounts {
    int done = 0;     // packed, unpacked, moved, deleted or cleared
    int failed = 0;   // a delete that did not happen; an archive that did not read back right
    int skipped = 0;  // its new name was taken already: nothing was replaced
    bool aborted = false;
    bool stopped = false;  // a file could not be packed or unpacked, which ended the run
};

// The compression the options page chose (format, level of that format, upper-case extension,
// 7z for brackets).
archive::Compression chosenCompression(const Application& app);

// --- file menu: every file the list shows ------------------------------------------------------
// "ファイルを解凍" (Ctrl+D): asks, then unpacks every listed archive into its own ROM folder;
// a member whose title differs takes the archive's record, snaps, TEMP and save files with it.
// nullopt when the user said no or the list is empty.
std::optional<BatchCounts> decompressAll(Application& app);
// "ファイルを圧縮" (Ctrl+P): asks, then packs every listed file that is no archive yet.
std::optional<BatchCounts> compressAll(Application& app, const Packer& pack = archive::compress);
// "ファイルをコピー" (Ctrl+C): the save picker, then a copy of row `row`'s file that never leaves
// a half-written file at the chosen name; a file already there is replaced only when the user
// says so. False when nothing was copied.
bool copySelectedFile(Application& app, int row);

// --- the bulk dialog's buttons: `rows` are display row numbers of the selection ----------------
// Each asks its own question first (nullopt: the answer was no) and rebuilds the list at the end.
std::optional<BatchCounts> compressRows(Application& app, const std::vector<int>& rows,
                                        const Packer& pack = archive::compress);
std::optional<BatchCounts> decompressRows(Application& app, const std::vector<int>& rows);
std::optional<BatchCounts> deleteRows(Application& app, const std::vector<int>& rows);
// The bulk packing run without its two questions, for the command line: `deleteSource` decided.
BatchCounts packRows(Application& app, const std::vector<int>& rows, bool unpack, bool deleteSource,
                     const Packer& pack = archive::compress);
// After the move-destination dialog chose `destination` (a ROM folder number): no question.
BatchCounts moveRows(Application& app, const std::vector<int>& rows, int destination);

// --- the registration dialog's buttons: one file -----------------------------------------------
// The file as the dialog holds it: its ROM folder, title and extension (without the dot).
struct DialogFile {
    int folderNumber = -1;
    std::string title;
    std::string extension;
};
// "ファイルの圧縮": unpacks an archive or packs anything else, after asking which. The file's new
// title and extension (an archive's extension when packed, the member's when unpacked), or
// nullopt when nothing changed. The caller hides the dialog and commits with a list rebuild.
std::optional<DialogFile> compressOrDecompressFile(Application& app, const DialogFile& file,
                                                   const Packer& pack = archive::compress);
// "ファイルの移動" after the move-destination dialog: true when the file now lies in
// `destination` (the caller then sets its folder number, hides and commits); the failure is told.
bool moveDialogFile(Application& app, const DialogFile& file, int destination);
// "ファイルの削除": asks; true when the user said yes (the caller hides, commits and rebuilds).
bool deleteDialogFile(Application& app, const DialogFile& file);

// --- the move-destination dialog ---------------------------------------------------------------
inline constexpr int kMoveFoldersPerPage = 10;
inline constexpr int kMovePageCount = 25;
inline constexpr const char* kSelectedFilesName = "選択しているファイル";
// "<name> の移動先を指定してください"
std::string moveDestinationPrompt(const std::string& name);
// A folder can be chosen when its path is set and it is not the source (-1: rows of several).
bool canMoveTo(const Application& app, int folder, int sourceFolder);
// Asks "フォルダ 「<display name>」 に移動させますか？".
bool confirmMoveTo(Application& app, int folder);

}  // namespace romshelf
