#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "core/platform/Prompter.h"
#include "core/settings/DriveMap.h"
#include "core/settings/MainSettings.h"

namespace romshelf {

// The setting one control of the environment dialog edits.
enum class EnvField {
    Option,             // index: the Option
    CategoryName,       // index: category 0..4
    ClassListName,      // name: the code of the hardware whose class-list name it is
    CompressionFormat,  // the radio groups: index is the value the button stands for
    ZipRate,
    LzhMethod,
    CabRate,
    SevenZipType,
    ToolPath,  // index: tool row 0..7; name: the file the picker asks for
    ListFontName,
};

enum class EnvControlKind { CheckBox, RadioButton, Edit, FontList };

struct EnvControl {
    EnvControlKind kind;
    std::string_view text;  // a check box's or radio button's text; an edit's or list's label
    EnvField field;
    int index = 0;
    std::string_view name = {};
    std::string_view group = {};  // a radio button's group title
};

// One tab of the dialog. The widgets are built from these tables only.
struct EnvPage {
    std::string_view title;       // the tab's text
    std::string_view groupTitle;  // the group box around the page's controls
    std::string_view heading;     // a line above the controls, or empty
    std::span<const EnvControl> controls;
};

inline constexpr int kEnvPageCount = 8;
enum EnvPageIndex : int {
    kEnvPageMain,
    kEnvPageEmulator,
    kEnvPageButtons,
    kEnvPageCompression,
    kEnvPageSnap,
    kEnvPageTools,
    kEnvPageOther,
    kEnvPageExtra,
};

// The pages in tab order.
const std::array<EnvPage, kEnvPageCount>& environmentPages();

// The items of the file-list font list, stored by these names exactly.
inline constexpr std::array<std::string_view, 5> kListFontNames = {
    "ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ Ｐ明朝", "ＭＳ 明朝", "MS UI Gothic"};

// The installed Japanese family that stands for a stored list-font name; empty for a name that
// is not one of the list's.
std::string_view listFontFamily(std::string_view storedName);

inline constexpr std::string_view kThanksButtonText = "サンクスダイアログの表示";

// What the environment dialog edits: its own copy of the option fields of the main settings.
// Dropping the model is "キャンセル"; apply() is "設定の保存".
class EnvironmentSettingsModel {
public:
    EnvironmentSettingsModel(const MainSettings& settings, std::string programFolder);
    // A tool picked under a mapped drive is kept in its Windows form.
    void setDrives(DriveMap drives) { drives_ = std::move(drives); }

    // A check box's flag; for a radio button, whether its value is the chosen one.
    bool checked(const EnvControl& c) const;
    // Checking a radio button chooses its value; unchecking one changes nothing (another one of
    // its group is being checked).
    void setChecked(const EnvControl& c, bool on);
    // An edit's or the font list's text.
    const std::string& text(const EnvControl& c) const;
    void setText(const EnvControl& c, std::string value);

    // The EXT page shows the thanks button once the first thanks list was unlocked.
    bool thanksAvailable() const { return thanksUnlocked_; }

    // The tool rows' "参照": a picker titled "<file>の場所を指定してください" that offers only
    // files of that exact name. False when the user cancelled.
    static std::string pickerTitle(const EnvControl& tool);
    bool browse(const EnvControl& tool, Prompter& prompter);
    // "相対パス": an absolute path becomes relative to the program folder; a relative one stays.
    void makeRelative(const EnvControl& tool);

    // Writes every page back into `settings`.
    void apply(MainSettings& settings) const;

private:
    std::string& textField(const EnvControl& c);
    std::int32_t* radioField(const EnvControl& c);
    const std::int32_t* radioField(const EnvControl& c) const {
        return const_cast<EnvironmentSettingsModel*>(this)->radioField(c);
    }

    std::array<bool, kOptionCount> options_{};
    std::array<std::string, kCategoryCount> categoryNames_{};
    std::array<std::string, kHardwareSlots> classListNames_{};
    CompressionSettings compression_{};
    std::array<std::string, kToolPathCount> toolPaths_{};
    std::string listFontName_;
    bool thanksUnlocked_ = false;
    std::string programFolder_;
    DriveMap drives_;
    std::string none_;  // what text() gives for a control without text
};

}  // namespace romshelf
