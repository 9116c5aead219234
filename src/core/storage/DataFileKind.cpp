#include "core/storage/DataFileKind.h"

#include <array>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

constexpr std::array<DataFileKindInfo, 12> kKinds = {{
    {DataFileKind::Main, "ROMSHELF_MAINDATA", 1,
     "設定ファイル「MainData.slb」が異常です。\nデータを読み込めません。",
     "設定ファイル「MainData.slb」のバージョンが違います。\nデータを読み込めません。",
     "MainData.slb"},
    {DataFileKind::Folder, "ROMSHELF_FOLDERDATA", 1,
     "フォルダ設定ファイルが異常です。\nデータを読み込めません。",
     "フォルダ設定ファイルのバージョンが違います。\nデータを読み込めません。", "Folder_*.slb"},
    {DataFileKind::Emulator, "ROMSHELF_EMULATORDATA", 1,
     "エミュレータ設定ファイルが異常です。\nデータを読み込めません。",
     "エミュレータ設定ファイルのバージョンが違います。\nデータを読み込めません。",
     "Emulator_*.slb"},
    {DataFileKind::Rom, "ROMSHELF_ROMDATA", 1,
     "ロム情報ファイルが異常です。\nデータを読み込めません。",
     "ロム情報ファイルのバージョンが違います。\nデータを読み込めません。", "RomData_*.slb"},
    {DataFileKind::Class, "ROMSHELF_CLASSDATA", 1,
     "機種別分類設定ファイルが異常です。\nデータを読み込めません。",
     "機種別分類設定ファイルのバージョンが違います。\nデータを読み込めません。", "ClassData_*.slb"},
    {DataFileKind::Class1, "ROMSHELF_CLASS1DATA", 1,
     "分類1設定ファイルが異常です。\nデータを読み込めません。",
     "分類1設定ファイルのバージョンが違います。\nデータを読み込めません。", "ClassData1.slb"},
    {DataFileKind::Class2, "ROMSHELF_CLASS2DATA", 1,
     "分類2設定ファイルが異常です。\nデータを読み込めません。",
     "分類2設定ファイルのバージョンが違います。\nデータを読み込めません。", "ClassData2.slb"},
    {DataFileKind::Class3, "ROMSHELF_CLASS3DATA", 1,
     "分類3設定ファイルが異常です。\nデータを読み込めません。",
     "分類3設定ファイルのバージョンが違います。\nデータを読み込めません。", "ClassData3.slb"},
    {DataFileKind::Class4, "ROMSHELF_CLASS4DATA", 1,
     "分類4設定ファイルが異常です。\nデータを読み込めません。",
     "分類4設定ファイルのバージョンが違います。\nデータを読み込めません。", "ClassData4.slb"},
    {DataFileKind::Class5, "ROMSHELF_CLASS5DATA", 1,
     "分類5設定ファイルが異常です。\nデータを読み込めません。",
     "分類5設定ファイルのバージョンが違います。\nデータを読み込めません。", "ClassData5.slb"},
    {DataFileKind::Window, "ROMSHELF_WINDOWDATA", 2, "ウィンドウ位置データが異常です。",
     "ウィンドウ位置データが異常です。", "WindowPosition.slb"},
    {DataFileKind::Rename, "ROMSHELF_RENAMEDATA", 1, "リネームデータが破損しています。",
     "リネームデータのバージョンが違います。", "Rename_*.dat"},
}};

}  // namespace

const DataFileKindInfo& dataFileKindInfo(DataFileKind kind) {
    return kKinds[static_cast<std::size_t>(kind)];
}

std::optional<DataFileKind> dataFileKindFromMagic(std::string_view magic) {
    for (const auto& info : kKinds)
        if (info.magic == magic) return info.kind;
    return std::nullopt;
}

std::optional<DataFileKind> dataFileKindFromFileName(std::string_view fileName) {
    for (const auto& info : kKinds)
        if (!info.fileNamePattern.empty() && fs::matchesPattern(fileName, info.fileNamePattern))
            return info.kind;
    return std::nullopt;
}

DataFileKind classListKind(int number) {
    return static_cast<DataFileKind>(static_cast<int>(DataFileKind::Class1) + (number - 1));
}

}  // namespace romshelf
