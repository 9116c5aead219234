#include "core/launch/IniFile.h"

#include <gtest/gtest.h>

#include "RawBytes.h"
#include "TempFolder.h"

using namespace romshelf;

// Files saved by Notepad (JoyToKey.ini, NP2.ini) begin with a byte-order mark; their first line
// is still a section header, and the mark stays at the front.
TEST(IniFile, ByteOrderMarkBeforeTheFirstSection) {
    romshelf::test::TempFolder dir;
    const std::string kBom = "\xEF\xBB\xBF";
    const struct {
        const char* what;
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    } cases[] = {
        {"an existing key of the first section is replaced",
         kBom + "[LastStatus]\r\nFileName=old\r\n", "LastStatus", "FileName", "ゼルダ",
         kBom + "[LastStatus]\r\nFileName=ゼルダ\r\n"},
        {"a new key joins the first section (names ignore case)",
         kBom + "[NekoProjectII]\nclk_base=2457600\n\n[Other]\nk=v\n", "nekoprojectii", "FDfolder",
         "/roms/pc98/",
         kBom + "[NekoProjectII]\nclk_base=2457600\nFDfolder=/roms/pc98/\n\n[Other]\nk=v\n"},
        {"the first section without a line break", kBom + "[S]", "S", "K", "v", kBom + "[S]\nK=v"},
        {"a key before any section is not the section's", kBom + "K=top\n[S]\nA=1\n", "S", "K", "v",
         kBom + "K=top\n[S]\nA=1\nK=v\n"},
        {"another section: a new one at the end", kBom + "[Other]\r\nk=v\r\n", "S", "K", "v",
         kBom + "[Other]\r\nk=v\r\n[S]\r\nK=v\r\n"},
        {"only the mark: the section right after it", kBom, "S", "K", "v", kBom + "[S]\r\nK=v\r\n"},
        // Found by fuzzing: the entry was glued onto a last line that ends in a lone CR.
        {"a last line ending in a lone CR", kBom + "[S]\r", "S", "K", "v", kBom + "[S]\r\nK=v"},
    };
    for (const auto& c : cases) {
        dir.write("a.ini", c.before);
        for (int time : {1, 2}) {  // written again: still one section of that name
            ASSERT_TRUE(writeIniValue(dir.file("a.ini"), c.section, c.key, c.value)) << c.what;
            EXPECT_TRUE(romshelf::test::sameBytes(dir.read("a.ini"), c.after)) << c.what << time;
        }
    }
}
