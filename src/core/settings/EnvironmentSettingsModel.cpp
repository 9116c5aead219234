#include "core/settings/EnvironmentSettingsModel.h"

#include "core/settings/PathRules.h"

namespace romshelf {

namespace {

using K = EnvControlKind;
using F = EnvField;

constexpr EnvControl check(Option o, std::string_view text) {
    return {K::CheckBox, text, F::Option, static_cast<int>(o)};
}
constexpr EnvControl radio(F field, int value, std::string_view text, std::string_view group) {
    return {K::RadioButton, text, field, value, {}, group};
}
constexpr EnvControl className(std::string_view label, std::string_view code) {
    return {K::Edit, label, F::ClassListName, 0, code};
}
constexpr EnvControl tool(int row, std::string_view label, std::string_view file) {
    return {K::Edit, label, F::ToolPath, row, file};
}

constexpr EnvControl kMainPage[] = {
    check(Option::ShowCategoryItemNames, "ファイル情報ウィンドウに分類項目名を表示する"),
    check(Option::GridLines, "ファイルリストにグリッドラインを表示する"),
    check(Option::AlternateRowBackground, "ファイルリストに1行おきに背景ラインを表示する"),
    check(Option::RenameOkInBlue,
          "正常リネームフォルダにあるファイルはファイルリストで青色に表記する"),
    check(Option::ListMissingFiles,
          "全ファイル表示の場合所持していないファイル一覧もファイルリストに表示する"),
    check(Option::CountsInMainTitle,
          "メインウィンドウのタイトルバーにもフォルダやファイル数などを表示する"),
    check(Option::SortDistinguishesKana, "ファイルリストは平仮名と片仮名を区別してソートする"),
    check(Option::NeverSort, "ファイルリストは一切ソートしない (表示の高速化)"),
    check(Option::ShowFirstRomFolder,
          "ファイルリストの初期表示は全ファイル表示ではなくロムフォルダ1表示にする"),
    {K::FontList, "ファイルリストのフォント (再起動後に有効)", F::ListFontName},
};

constexpr EnvControl kEmulatorPage[] = {
    check(Option::MinimiseWhileRunning, "エミュレータ起動時にRomshelfPlus!!を最小化する"),
    check(Option::AlternativeLaunch,
          "一部のエミュレータを別方法で起動させる (JoyToKey等は自動終了しなくなる)"),
};

constexpr EnvControl kButtonsPage[] = {
    {K::Edit, "分類 1", F::CategoryName, 0},
    {K::Edit, "分類 2", F::CategoryName, 1},
    {K::Edit, "分類 3", F::CategoryName, 2},
    {K::Edit, "分類 4", F::CategoryName, 3},
    {K::Edit, "分類 5", F::CategoryName, 4},
    className("FC", "FC"),
    className("SFC", "SFC"),
    className("N64", "N64"),
    className("PCE", "PCE"),
    className("MSYS", "MSYS"),
    className("MD", "MD"),
    className("GB", "GB"),
    className("GBA", "GBA"),
    className("WS", "WS"),
    className("GG", "GG"),
    className("NGP", "NGP"),
    className("LYNX", "LYNX"),
    className("MAME", "MAME"),
    className("MSX", "MSX"),
    className("X68", "X68"),
    className("PC88", "PC88"),
    className("PC98", "PC98"),
    className("USER 1", "USER1"),
    className("USER 2", "USER2"),
    className("USER 3", "USER3"),
    className("USER 4", "USER4"),
    className("USER 5", "USER5"),
    className("その他", "HARD"),
};

constexpr std::string_view kFormatGroup = "圧縮形式の設定";
constexpr std::string_view kZipGroup = "ZIPの圧縮率";
constexpr std::string_view kLzhGroup = "LZHの圧縮率";
constexpr std::string_view kCabGroup = "CABの圧縮率";
constexpr std::string_view kSevenZipGroup = "7zの圧縮タイプ";

constexpr EnvControl kCompressionPage[] = {
    radio(F::CompressionFormat, 0, "ZIP", kFormatGroup),
    radio(F::CompressionFormat, 1, "LZH", kFormatGroup),
    radio(F::CompressionFormat, 2, "CAB", kFormatGroup),
    radio(F::CompressionFormat, 3, "7z", kFormatGroup),
    radio(F::ZipRate, 0, "高い", kZipGroup),
    radio(F::ZipRate, 1, "普通", kZipGroup),
    radio(F::ZipRate, 2, "低い", kZipGroup),
    radio(F::LzhMethod, 0, "lh7", kLzhGroup),
    radio(F::LzhMethod, 1, "lh6", kLzhGroup),
    radio(F::LzhMethod, 2, "lh5", kLzhGroup),
    radio(F::CabRate, 0, "高い", kCabGroup),
    radio(F::CabRate, 1, "普通", kCabGroup),
    radio(F::CabRate, 2, "低い", kCabGroup),
    radio(F::SevenZipType, 0, "7z", kSevenZipGroup),
    radio(F::SevenZipType, 1, "ZIP", kSevenZipGroup),
    check(Option::UpperCaseExtension, "圧縮の際に拡張子を大文字にする (CABの場合は無効)"),
    check(Option::SevenZipForBrackets,
          "ZIP圧縮する際ファイル名に [ ] が含まれている場合は7zでZIP圧縮する"),
};

constexpr EnvControl kSnapPage[] = {
    check(Option::EnlargeSmallSnaps, "スナップが小さい場合は拡大して表示する"),
    check(Option::SearchAllSnapFolders, "全てのスナップフォルダからスナップを探して表示する"),
    check(Option::PreferSnapFolderOfRomFolder,
          "ロムフォルダNo.と同じNo.のスナップフォルダから優先してスナップを表示する"),
    check(Option::SwitchSnapFolderEverySecond,
          "1秒ごとに自動的に表示するスナップフォルダを切り替える"),
};

constexpr EnvControl kToolsPage[] = {
    tool(0, "JoyToKey", "JoyToKey.exe"), tool(1, "nes.com", "nes.com"),
    tool(2, "Ncr32.exe", "Ncr32.exe"),   tool(3, "smc.com", "smc.com"),
    tool(4, "sms.com", "sms.com"),       tool(5, "smd.com", "smd.com"),
    tool(6, "Sbm.exe", "Sbm.exe"),       tool(7, "gb.com", "gb.com"),
};

constexpr EnvControl kOtherPage[] = {
    check(Option::KeepUnderscores,
          "ファイル情報初登録時にゲーム名等のアンダーバーをスペースに変換しない"),
    check(Option::FcCheckerUsesNcr32, "ファミリーコンピュータのロムチェッカはNcr32を使用する"),
    check(Option::MdCheckerUsesSbm, "メガドライブのロムチェッカはSbmを使用する"),
    check(Option::DeleteWithoutTrash, "ファイルを削除する場合はゴミ箱に捨てないで完全に削除する"),
    check(Option::BackupAtExit, "RomshelfPlus!!の終了時に自動的にdataフォルダをバックアップする"),
    check(Option::SpaceKeyDoesNotRegister,
          "ファイルリスト上でスペースを押してもファイル情報登録ウィンドウを表示しない"),
};

const std::array<EnvPage, kEnvPageCount> kPages = {{
    {"メイン画面", "メイン画面オプション", {}, kMainPage},
    {"エミュレータ", "エミュレータオプション", {}, kEmulatorPage},
    {"ボタン表示", "分類ボタン表示オプション", {}, kButtonsPage},
    {"圧縮・解凍", "圧縮･解凍オプション", {}, kCompressionPage},
    {"スナップ", "スナップオプション", {}, kSnapPage},
    {"ツール", "外部ツールオプション", "各ツールの場所を設定します", kToolsPage},
    {"その他", "その他オプション", {}, kOtherPage},
    {"EXT",
     "エキストラオプション",
     "特定の条件を満たせば出現するエミュレータとは関係のないオプションです",
     {}},
}};

// The IPA fonts stand in for the fonts the names were stored with; MS UI Gothic is proportional.
constexpr std::array<std::string_view, kListFontNames.size()> kListFontFamilies = {
    "IPAPGothic", "IPAGothic", "IPAPMincho", "IPAMincho", "IPAPGothic"};

}  // namespace

const std::array<EnvPage, kEnvPageCount>& environmentPages() { return kPages; }

std::string_view listFontFamily(std::string_view storedName) {
    for (std::size_t i = 0; i < kListFontNames.size(); ++i)
        if (kListFontNames[i] == storedName) return kListFontFamilies[i];
    return {};
}

EnvironmentSettingsModel::EnvironmentSettingsModel(const MainSettings& settings,
                                                   std::string programFolder)
    : options_(settings.options),
      categoryNames_(settings.categoryNames),
      classListNames_(settings.classListNames),
      compression_(settings.compression),
      toolPaths_(settings.toolPaths),
      listFontName_(settings.listFontName),
      thanksUnlocked_(settings.extraOptions[0].flag),
      programFolder_(std::move(programFolder)) {}

void EnvironmentSettingsModel::apply(MainSettings& settings) const {
    settings.options = options_;
    settings.categoryNames = categoryNames_;
    settings.classListNames = classListNames_;
    settings.compression = compression_;
    settings.toolPaths = toolPaths_;
    settings.listFontName = listFontName_;
}

std::int32_t* EnvironmentSettingsModel::radioField(const EnvControl& c) {
    switch (c.field) {
        case F::CompressionFormat:
            return &compression_.format;
        case F::ZipRate:
            return &compression_.zipRate;
        case F::LzhMethod:
            return &compression_.lzhMethod;
        case F::CabRate:
            return &compression_.cabRate;
        case F::SevenZipType:
            return &compression_.sevenZipType;
        default:
            return nullptr;
    }
}

bool EnvironmentSettingsModel::checked(const EnvControl& c) const {
    if (c.field == F::Option) return options_.at(static_cast<std::size_t>(c.index));
    const std::int32_t* value = radioField(c);
    return value && *value == c.index;
}

void EnvironmentSettingsModel::setChecked(const EnvControl& c, bool on) {
    if (c.field == F::Option) {
        options_.at(static_cast<std::size_t>(c.index)) = on;
    } else if (std::int32_t* value = radioField(c); value && on) {
        *value = c.index;
    }
}

std::string& EnvironmentSettingsModel::textField(const EnvControl& c) {
    switch (c.field) {
        case F::CategoryName:
            return categoryNames_.at(static_cast<std::size_t>(c.index));
        case F::ClassListName: {
            const int i = hardwareIndexOf(c.name);
            return i >= 0 ? classListNames_[static_cast<std::size_t>(i)] : none_;
        }
        case F::ToolPath:
            return toolPaths_.at(static_cast<std::size_t>(c.index));
        case F::ListFontName:
            return listFontName_;
        default:
            return none_;
    }
}

const std::string& EnvironmentSettingsModel::text(const EnvControl& c) const {
    return const_cast<EnvironmentSettingsModel*>(this)->textField(c);
}

void EnvironmentSettingsModel::setText(const EnvControl& c, std::string value) {
    std::string& field = textField(c);
    if (&field != &none_) field = std::move(value);
}

std::string EnvironmentSettingsModel::pickerTitle(const EnvControl& tool) {
    return std::string(tool.name) + "の場所を指定してください";
}

bool EnvironmentSettingsModel::browse(const EnvControl& tool, Prompter& prompter) {
    const std::string file(tool.name);
    auto chosen = prompter.chooseOpenFile(pickerTitle(tool), file, file, programFolder_);
    if (!chosen || chosen->empty()) return false;
    setText(tool, paths::storedForm(*chosen, &drives_));
    return true;
}

void EnvironmentSettingsModel::makeRelative(const EnvControl& tool) {
    setText(tool, paths::makeRelative(text(tool), programFolder_));
}

}  // namespace romshelf
