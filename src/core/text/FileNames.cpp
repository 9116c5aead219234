#include "core/text/FileNames.h"

#include <algorithm>

#include "core/platform/FileSystem.h"
#include "core/text/TextCodec.h"

namespace romshelf::text {

std::string fileNameText(std::string name) {
    if (isValidUtf8(name)) return name;
    return fromCp932(name);
}

std::string pathOnDisk(const std::string& folder, const std::string& name) {
    std::string path = fs::joinPath(folder, name);
    // Only a name that is not plain ASCII can have another form: no look at the disk for one.
    if (std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; })) return path;
    if (fs::pathExists(path)) return path;
    if (const auto bytes = toCp932(name); bytes && *bytes != name) {
        std::string other = fs::joinPath(folder, *bytes);
        if (fs::pathExists(other)) return other;
    }
    return path;
}

}  // namespace romshelf::text
