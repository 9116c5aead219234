// Text lists written by people and other programs: the unowned-file list and whole text files.
#include <cstdint>

#include "FuzzSupport.h"
#include "core/text/TextCodec.h"
#include "core/views/FileList.h"

using namespace romshelf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = text::decodeTextFile(bytes);
    // A file the program writes reads back as the same text.
    if (text::isValidUtf8(text) && text::decodeTextFile(text::encodeTextFile(text)) != text)
        std::abort();

    static FolderSettings folders;
    static RomTable records;
    static CategoryLists lists;
    FileListSources s;
    s.code = "FC";
    s.folders = &folders;
    s.records = &records;
    s.lists = &lists;
    s.noHavePath = fuzz::writeInput("NoHave_FC.txt", data, size);
    s.listMissingFiles = true;
    FileList list;
    list.showAll(s);
    list.clickColumn(0, s);
    return 0;
}
