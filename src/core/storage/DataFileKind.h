#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace romshelf {

// Every kind of data file the program reads and writes, with its header and load messages.
enum class DataFileKind {
    Main,
    Folder,
    Emulator,
    Rom,
    Class,
    Class1,
    Class2,
    Class3,
    Class4,
    Class5,
    Window,
    Rename,
};

struct DataFileKindInfo {
    DataFileKind kind;
    std::string_view magic;
    std::int32_t version;
    std::string_view brokenMessage;
    std::string_view wrongVersionMessage;
    // The name the program gives the file, `*` standing for a hardware code; empty when the
    // user names it.
    std::string_view fileNamePattern;
};

const DataFileKindInfo& dataFileKindInfo(DataFileKind kind);

// The kind whose magic is exactly `magic`.
std::optional<DataFileKind> dataFileKindFromMagic(std::string_view magic);

// The kind of the program's file named `fileName` (matched as Windows matches names).
std::optional<DataFileKind> dataFileKindFromFileName(std::string_view fileName);

// Category list kind for list number 1..5.
DataFileKind classListKind(int number);

inline constexpr std::string_view kWarningTitle = "警告";

}  // namespace romshelf
