#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/database/CategoryLists.h"
#include "core/database/RomRecord.h"

namespace romshelf {

class Application;
struct FileListRow;

inline constexpr std::string_view kNotSpecified = "指定しない";
inline constexpr std::string_view kKeepUnchanged = "変更しない";
inline constexpr std::string_view kSymbolInNameMessage =
    "ファイル名に記号が入っているのでリネームできません。";
inline constexpr std::string_view kRenameQuestion =
    "ファイル名が変更されています。\nリネームしますか？";
inline constexpr std::string_view kClearQuestion = "登録してある情報を削除しますか？";
inline constexpr std::string_view kBulkClearQuestion =
    "選択しているファイルの情報を初期化しますか？";

// The characters a new file title must not hold.
inline constexpr std::string_view kForbiddenNameCharacters = "\\?\"<>|*:/.";

// The edited values of the registration dialog.
struct RegistrationFields {
    std::string title;      // the file name without its extension
    std::string extension;  // without the dot
    std::string reading;
    std::string gameName;
    int emulator = 0;  // item of the emulator combo: 0 "指定しない"
    int rating = 0;    // item of the rating combo: 0 "指定しない", 1-5 the stars
    // Categories 1-5 and the hardware class: an item, a typed text or "指定しない".
    std::array<std::string, kCategoryListCount> categories;
    // Lines broken by "\n" as an edit box has them; the record holds "\r\n".
    std::string comment;
    bool favourite = false;

    bool operator==(const RegistrationFields&) const = default;
};

// The file-information registration dialog: which row it was opened for, the values it shows and
// what its buttons do. The widget only shows `fields` and passes its buttons on.
class RegistrationModel {
public:
    explicit RegistrationModel(Application& app) : app_(app) {}

    // Opens for row `row` (display position) of the file list; false for no row or the
    // placeholder. An unregistered file shows its title as game name and reading (underscores
    // as spaces unless the option keeps them); a registered one its record.
    bool open(int row);
    bool isOpen() const { return row_ >= 0; }
    int row() const { return row_; }
    int folderNumber() const { return folder_; }
    const std::string& oldTitle() const { return oldTitle_; }
    const std::string& oldExtension() const { return oldExtension_; }
    // The file can be renamed (and moved or deleted): it lies in a ROM folder.
    bool canRename() const;

    // The combos' items: "指定しない" first.
    std::vector<std::string> emulatorItems() const;
    std::vector<std::string> categoryItems(int list) const;
    static std::vector<std::string> ratingItems();
    // List `list`'s value in the open row's record as it is now (the organiser's renames reach
    // the records); empty without a record.
    std::string recordCategory(int list) const;

    RegistrationFields fields;

    // "データの更新": the rename question and the rename when the name was changed, the typed
    // category texts into their lists, then the commit and the row updated in place. False when
    // the rename was refused or failed: nothing is committed and the dialog stays open.
    bool accept();
    // "情報の初期化": asks; on yes the record is deleted and the row shows the bare file. True
    // when cleared (the dialog hides).
    bool clear();
    // Closing the window: nothing is saved.
    void close() { row_ = -1; }

    // The file operations of the dialog: pack or unpack the file (asking which), move it to ROM
    // folder `destination`, delete it (asking first). True when done: the dialog's name and
    // folder follow the file, its values are committed, the start list is built again and the
    // dialog hides.
    bool compressOrDecompress();
    bool moveTo(int destination);
    bool deleteFile();
    // "ファイルの移動" needs another ROM folder to go to.
    bool canMove() const;

private:
    // Renames the file and its companions to the edited name; false (and told) when refused.
    bool rename();
    // Writes the dialog's values into the record; `inPlace`: the row shows them at once.
    void commit(bool inPlace = true);
    void finishFileOperation(int folder, const std::string& title, const std::string& extension);

    Application& app_;
    int row_ = -1;
    int folder_ = -1;
    std::string oldTitle_;
    std::string oldExtension_;
};

// A row's file name split as the dialog shows it: the title and the extension without its dot.
// Unowned rows show a title only.
std::pair<std::string, std::string> splitRowName(const FileListRow& row);

// The bulk dialog's choices; nullopt keeps the field ("変更しない").
struct BulkChoices {
    std::optional<int> rating;  // 0 none, 1-5 stars
    // Categories 1-5 and the hardware class: "" none, otherwise the item.
    std::array<std::optional<std::string>, kCategoryListCount> categories;
    std::optional<bool> favourite;
};

// Whether the bulk dialog is offered for the current hardware (not for other software).
bool bulkRegistrationAvailable(const Application& app);

// "選択した内容を登録": for each row (display positions, in list order) with a file, the choices
// go into its record; a row without one gets a record of its title first. Then the start list is
// shown again. The number of records changed, or nullopt when not available here.
std::optional<int> applyBulkRegistration(Application& app, const std::vector<int>& rows,
                                         const BulkChoices& choices);

// "ファイルの初期化": asks, deletes the records of the rows, runs `cleared` (the dialog closes),
// shows the start list again and says how many it cleared. The count, or nullopt when the answer
// was no.
std::optional<int> clearBulkRegistration(Application& app, const std::vector<int>& rows,
                                         const std::function<void()>& cleared = {});

}  // namespace romshelf
