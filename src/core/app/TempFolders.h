#pragma once

#include <string>
#include <vector>

#include "core/app/HardwareSession.h"

namespace romshelf {

// The TEMP folders of the run: emptied at exit and by "テンポラリフォルダのクリア", never
// when emptying one would touch a folder the user keeps.
class TempFolders {
public:
    TempFolders(HardwareSession& session, const ProgramFolder& folder, DataStream& stream,
                Prompter& prompter)
        : session_(session), folder_(folder), stream_(stream), prompter_(prompter) {}

    // Adds the TEMP folders that runs of the command-line companion used (they are cleaned by
    // the next clean, whichever program runs it).
    void takeOverLeftFolders();
    // The command-line companion's run ends: its TEMP folders are left to the next clean.
    void leaveFoldersForLater();

    // Empties every TEMP folder of the run; a folder that holds the program, data, ROM, snap or
    // media folders or the home folder is left alone and told once. Returns the files removed.
    int clean();
    // "テンポラリフォルダのクリア": asks first. -1 when the user said no.
    int clearCommand();

    // The folders that a clean must never empty or hold.
    std::vector<std::string> keptFolders();

private:
    std::string leftFoldersFile() const { return folder_.dataFile("TempFolders.txt"); }

    HardwareSession& session_;
    const ProgramFolder& folder_;
    DataStream& stream_;
    Prompter& prompter_;
};

inline constexpr std::string_view kClearTempQuestion =
    "TEMPフォルダの中身を全て消去します。\n消去してもいいですか？";
inline constexpr std::string_view kClearTempTitle = "TEMPフォルダのクリア確認";

}  // namespace romshelf
