#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "AppFixture.h"

namespace romshelf::test {

// SFC with two named ROM folders and one without a name, registered and unregistered files, and
// category 2's items RPG, ACT and SLG (SLG used by no record):
//   RPG棚 (slot 0):        hero.sfc (ドラゴン, ★★★, RPG, favourite), loose.sfc (unregistered)
//   slot 1, no name:       stray.sfc (unregistered)
//   アクション棚 (slot 4): jump.sfc (マリオ, ★★★, ACT), blank.sfc (ブランク, no category 2)
struct ShelfFixture : AppFixture {
    void setUpShelf() {
        FolderSettings f;
        f.romFolderNames[0] = "RPG棚";
        f.romFolderPaths[0] = "./roms/a/";
        f.romFolderPaths[1] = "./roms/b/";
        f.romFolderNames[4] = "アクション棚";
        f.romFolderPaths[4] = "./roms/c/";
        writeFolderSettings("SFC", f);
        for (const char* file : {"roms/a/hero.sfc", "roms/a/loose.sfc", "roms/b/stray.sfc",
                                 "roms/c/jump.sfc", "roms/c/blank.sfc"})
            dir.write(file, "x");
        RomRecord hero = record("hero", "ドラゴン"), jump = record("jump", "マリオ");
        hero.rating = jump.rating = 3;
        hero.classes[1] = "RPG";
        jump.classes[1] = "ACT";
        hero.favourite = true;
        writeRecords("SFC", {hero, jump, record("blank", "ブランク")});
        CategoryLists lists;
        lists.items[1] = {"RPG", "ACT", "SLG"};
        DataStream s;
        lists.save(s, ProgramFolder(dir.path()), "SFC");
    }
    // The file names the list shows, sorted and joined by '|' (empty for the placeholder row).
    std::string shown() const {
        std::vector<std::string> names;
        if (app.fileList().count() > 0)
            for (const FileListRow& row : app.fileList().rows()) names.push_back(row.fileName());
        std::ranges::sort(names);
        std::string out;
        for (const auto& n : names) out += (out.empty() ? "" : "|") + n;
        return out;
    }
};

}  // namespace romshelf::test
