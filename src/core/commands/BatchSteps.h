#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/commands/BatchOperations.h"

namespace romshelf {

class Application;
class JournaledChange;

// The steps the batch commands (packing, unpacking, deleting, moving) share.

inline constexpr const char* kBatchWarning = "警告";

// A listed file a batch works on, taken before the loop: the list is rebuilt only after it.
struct Target {
    int row = 0;
    std::string name;    // as shown
    std::string folder;  // its ROM folder's path
    std::string path;    // on disk
    int folderNumber = -1;
    int recordIndex = -1;
};

// The path of ROM folder `folder`; empty when it is none or not set.
const std::string& romFolderPath(const Application& app, int folder);
// Rows without a ROM folder (unowned titles, the placeholder, a folder no longer set) are never
// touched.
std::optional<Target> targetOf(const Application& app, int row);
std::vector<Target> targetsOf(const Application& app, const std::vector<int>& rows);
// The file a dialog names, on disk; empty when its folder is not set.
std::string dialogFilePath(const Application& app, const DialogFile& file);

// Deletes the files of one run: into the trash unless "delete permanently" is on. A file no trash
// can take is deleted for good only when the user agrees, asked once a run.
class Deleter {
public:
    explicit Deleter(Application& app);
    bool remove(const std::string& path);

private:
    Application& app_;
    bool permanent_;
    std::optional<bool> forGood_;
};

enum class Packed { Ok, Failed };
// Packs `path` and reads the archive back: the member must hold the source's bytes (length and
// CRC-32), or the source may not be deleted. An archive this call made that does not read back is
// removed again. Without `flushNow` the caller flushes the folder to disk later.
Packed packChecked(Application& app, const std::string& path, const Packer& pack,
                   std::string& archivePath, bool flushNow);

inline constexpr std::string_view kUnpackFolderPrefix = ".romshelf-unpack-";
// Unpacking folders that a run which did not end left in `folder`: only this program's pattern,
// only folders last changed more than a minute before this run started (another instance's
// unpacking goes on).
void removeLeftoverUnpackFolders(const std::string& folder, long long startedAt);

enum class Unpacked { Ok, Taken, Failed };
// Unpacks into a private folder beside the target and then gives the member its name without
// replacing anything: an existing file of that name stays as it is. A member of another title
// than the archive takes over the archive's record and companions: that is journaled in `change`
// first (`seq` its entry), so that a kill cannot part them.
Unpacked unpackInto(const Application& app, const std::string& archivePath,
                    const std::string& folder, std::string& memberName, JournaledChange& change,
                    int folderNumber, int& seq);

}  // namespace romshelf
