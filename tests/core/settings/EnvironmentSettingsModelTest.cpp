#include "core/settings/EnvironmentSettingsModel.h"

#include <gtest/gtest.h>

#include <map>

#include "ScriptedPrompter.h"

using namespace romshelf;

namespace {

// Every stored field of the main settings as text, named by its place in the file layout.
struct Fields {
    std::map<std::string, std::string> byName;
    std::string name;
    void part(const char* p) { name += std::string(name.empty() ? "" : ".") + p; }
    void part(int i) { name += "." + std::to_string(i); }
    template <class T, class... Path>
    void field(T& value, const Path&... path) {
        name.clear();
        (part(path), ...);
        if constexpr (std::is_convertible_v<T&, std::string>)
            byName[name] = value;
        else
            byName[name] = std::to_string(static_cast<long long>(value));
    }
    template <class... A>
    void reservedFlag(A...) {}
    template <class... A>
    void reservedInteger(A...) {}
    template <class... A>
    void reservedString(A...) {}
};

// The fields that differ, as "options.6=1".
std::string changes(const MainSettings& before, const MainSettings& after) {
    Fields a, b;
    transferMainSettings(a, before);
    transferMainSettings(b, after);
    std::string out;
    for (const auto& [name, value] : b.byName)
        if (a.byName[name] != value) out += (out.empty() ? "" : " ") + name + "=" + value;
    return out;
}

}  // namespace

TEST(EnvironmentSettingsModelTest, EveryControlEditsItsOwnSetting) {
    std::string classes;  // page 177: categories, then the hardware in this order
    for (int i = 0; i < 5; ++i) classes += "categoryNames." + std::to_string(i) + "=x|";
    for (const char* code : {"FC",   "SFC",   "N64",   "PCE",   "MSYS",  "MD",    "GB",  "GBA",
                             "WS",   "GG",    "NGP",   "LYNX",  "MAME",  "MSX",   "X68", "PC88",
                             "PC98", "USER1", "USER2", "USER3", "USER4", "USER5", "HARD"})
        classes += "classListNames." + std::to_string(hardwareIndexOf(code)) + "=x|";
    const std::string expected[kEnvPageCount] = {
        // option flags counted from 0
        "options.0=1|options.6=1|options.7=1|options.10=1|options.11=1|options.13=1|"
        "options.16=1|options.20=1|options.22=1|listFontName=x",
        "options.2=1|options.17=1",
        classes.substr(0, classes.size() - 1),
        "compression.format=0|compression.format=1|compression.format=2|compression.format=3|"
        "compression.zipRate=0|compression.zipRate=1|compression.zipRate=2|"
        "compression.lzhMethod=0|compression.lzhMethod=1|compression.lzhMethod=2|"
        "compression.cabRate=0|compression.cabRate=1|compression.cabRate=2|"
        "compression.sevenZipType=0|compression.sevenZipType=1|options.1=1|options.14=1",
        "options.8=1|options.9=1|options.12=1|options.19=1",
        "toolPaths.0=x|toolPaths.1=x|toolPaths.2=x|toolPaths.3=x|toolPaths.4=x|toolPaths.5=x|"
        "toolPaths.6=x|toolPaths.7=x",
        "options.3=1|options.4=1|options.5=1|options.15=1|options.18=1|options.21=1",
        "",
    };
    MainSettings before;
    before.compression = {9, 9, 9, 9, 9, {1, 2, 3, 4, 5}};  // every radio button changes it
    before.extraOptions[0] = {true, 60};
    before.toolPaths[10] = "no control";  // rows and hardware without controls are kept
    before.classListNames[5] = "FX";
    for (int p = 0; p < kEnvPageCount; ++p) {
        std::string seen;
        for (const EnvControl& c : environmentPages()[static_cast<std::size_t>(p)].controls) {
            EnvironmentSettingsModel model(before, "/prog/");
            const bool choice =
                c.kind != EnvControlKind::Edit && c.kind != EnvControlKind::FontList;
            EXPECT_FALSE(choice && model.checked(c)) << c.text;
            choice ? model.setChecked(c, true) : model.setText(c, "x");
            MainSettings after = before;
            model.apply(after);
            seen += (seen.empty() ? "" : "|") + changes(before, after);
            model.setChecked(c, false);  // a radio button: another of its group takes over
            EXPECT_EQ(model.checked(c), c.kind == EnvControlKind::RadioButton) << c.text;
        }
        EXPECT_EQ(seen, expected[p]) << environmentPages()[static_cast<std::size_t>(p)].title;
    }
}

TEST(EnvironmentSettingsModelTest, ToolRowsPickTheirFileAndTurnRelative) {
    const EnvControl& joy = environmentPages()[kEnvPageTools].controls[0];
    test::ScriptedPrompter prompter;
    EnvironmentSettingsModel model(MainSettings(), "/prog/");
    prompter.pickFile("/prog/tools/JoyToKey.exe");
    prompter.pickFile(std::nullopt);
    EXPECT_TRUE(model.browse(joy, prompter));
    EXPECT_FALSE(model.browse(joy, prompter));  // cancelled: the path stays
    ASSERT_EQ(prompter.filePickers.size(), 2u);
    const auto& picker = prompter.filePickers[0];
    EXPECT_EQ(picker.title, "JoyToKey.exeの場所を指定してください");
    EXPECT_EQ(picker.filterDescription + "|" + picker.pattern, "JoyToKey.exe|JoyToKey.exe");
    model.makeRelative(joy);
    EXPECT_EQ(model.text(joy), "./tools/JoyToKey.exe");
}
