// Writes the seed corpora of the fuzz targets, from the same writers the tests use:
//   make-fuzz-seeds OUTDIR TESTDATA
#include <filesystem>
#include <fstream>
#include <string>

#include "core/archive/ArchiveCompressor.h"
#include "core/database/CategoryLists.h"
#include "core/database/RomTable.h"
#include "core/launch/EmulatorEntry.h"
#include "core/platform/FileSystem.h"
#include "core/rename/RenameData.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"
#include "core/roms/RomHeader.h"
#include "core/views/FolderListingFile.h"
#include "core/views/SortKeyFile.h"
#include "../tests/support/BmpCases.h"
#include "../tests/support/RomImages.h"
#include "FuzzSupport.h"

using namespace romshelf;
namespace fsys = std::filesystem;

namespace {

void put(const fsys::path& file, const std::string& bytes) {
    fsys::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// A data-file seed: the kind byte, then the file as the program writes it.
void dataSeed(const fsys::path& out, int kind, const std::string& file) {
    put(out / ("kind" + std::to_string(kind)),
        std::string(1, static_cast<char>(kind)) + *fs::readFile(file));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 64;
    const fsys::path out(argv[1]);
    const fsys::path testData(argv[2]);
    const std::string scratch = fuzz::workFolder();
    DataStream s;

    MainSettings m;
    m.customNames[0] = "ファミコン";
    m.recentLaunches[0][0] = {"マリオ", "mario.nes", 0};
    saveMainSettings(s, scratch + "m", m);
    dataSeed(out / "data", 0, scratch + "m");
    FolderSettings f;
    f.romFolderNames[0] = "本体";
    f.romFolderPaths[0] = ".\\roms\\";
    saveFolderSettingsFile(s, scratch + "f", f);
    dataSeed(out / "data", 1, scratch + "f");
    EmulatorEntries e{};
    e[0].name = "Nestopia";
    e[0].commandLine = "-f \"$P\"";
    saveEmulatorFile(s, scratch + "e", e);
    dataSeed(out / "data", 2, scratch + "e");
    RomTable t;
    RomRecord r;
    r.fileTitle = "Mario";
    r.gameName = "マリオ";
    t.append(r);
    t.save(s, scratch + "r");
    dataSeed(out / "data", 3, scratch + "r");
    CategoryLists lists;
    lists.items[0] = {"アクション", "RPG"};
    fsys::create_directories(scratch + "data");  // saving the lists does not make it
    lists.save(s, ProgramFolder(scratch), "FC");
    dataSeed(out / "data", 4, scratch + "data/ClassData1.slb");

    // DAT files: a small Logiqx one (a SHA-1, a rom not dumped, a disc image of 4 GiB) and one
    // that declares entities, which the reader refuses whole.
    put(out / "dat/logiqx",
        "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management "
        "Datafile//EN\" \"http://www.logiqx.com/Dats/datafile.dtd\">\n<datafile>\n"
        "\t<header>\n\t\t<name>Nintendo - Famicom</name>\n\t</header>\n"
        "\t<game name=\"Mario &amp; Co (Japan)\">\n\t\t<description>Mario</description>\n"
        "\t\t<rom name=\"Mario &amp; Co (Japan).nes\" size=\"40976\" crc=\"3e2a5b6c\" "
        "sha1=\"a9993e364706816aba3e25717850c26c9cd0d89d\"/>\n\t</game>\n"
        "\t<game name=\"Disc\">\n\t\t<rom name=\"Disc\\Track 01.bin\" size=\"4294967296\" "
        "crc=\"00ff00ff\"/>\n\t\t<rom name=\"Bad.bin\" size=\"16\" status=\"nodump\"/>\n"
        "\t</game>\n</datafile>\n");
    put(out / "dat/entities",
        "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile [<!ENTITY a \"ha\"><!ENTITY b \"&a;&a;\">]>"
        "<datafile><game name=\"&b;\"><rom name=\"a.nes\" size=\"1\" crc=\"00000000\"/>"
        "</game></datafile>\n");
    // The same kind of DAT in clrmamepro's text format, with a header skipper and a SHA-1 alone.
    put(out / "dat/clrmamepro",
        "clrmamepro (\n\tname \"Nintendo - Famicom\"\n\theader \"No-Intro_NES.xml\"\n)\n\n"
        "game (\n\tname \"Mario & Co (Japan)\"\n\tdescription \"Mario\"\n"
        "\trom ( name \"Mario & Co (Japan).nes\" size 40976 crc 3E2A5B6C "
        "sha1 A9993E364706816ABA3E25717850C26C9CD0D89D )\n)\n"
        "resource (\n\tname bios\n\trom ( name bios.rom sha1 "
        "a9993e364706816aba3e25717850c26c9cd0d89d )\n\trom ( name bad.bin flags nodump )\n)\n");
    // Rename data: records as the program makes them from files and from a DAT.
    RenameData rename;
    rename.hardware = "FC";
    rename.records = {{"スーパーマリオ", {40976, 0x3e2a5b6c, 12, 345, 2048}, ""},
                      {"Zelda (Japan)",
                       {131088, -12345, kUnknownProbeSum, kUnknownProbeSum, kUnknownProbeSum},
                       "a9993e364706816aba3e25717850c26c9cd0d89d"}};
    saveRenameData(s, scratch + "rename", rename);
    put(out / "rename/valid", *fs::readFile(scratch + "rename"));

    // Game lists: this program's own (a comma, a quote and a line break in the comment) and the
    // older one's unescaped lines.
    put(out / "csv/own",
        "\"ゲーム名\",\"ゲーム名読み方\",\"ファイル名\",\"優先エミュレータ\",\"評価\","
        "\"分類 1\",\"分類 2\",\"分類 3\",\"分類 4\",\"分類 5\",\"機種別分類\",\"コメント\","
        "\"お気に入り\"\r\n\"マリオ\",\"まりお\",\"Mario.nes\",\"\",\"★★\",\"ACT\",\"\",\"\","
        "\"\",\"\",\"\",\"a, \"\"b\"\"\r\nc\",\"1\"\r\n");
    put(out / "csv/old", "Zelda,ぜるだ,Zelda.nes,,3,RPG,,,,,,comment \"x\",0,,\r\n");
    put(out / "textlist/cp932", "\x83\x7d\x83\x8a\x83\x49\r\nGame (J)\r\n");
    put(out / "textlist/utf8bom", "\xEF\xBB\xBF한국\nzelda\n");
    put(out / "ini/plain", "[General]\r\nLang=JP\r\n[LastStatus]\r\nFileName=old\r\n");
    put(out / "ini/bom", "\xEF\xBB\xBF[LastStatus]\nFileName=x\n");
    put(out / "coreinfo/nestopia",
        "# Software Information\ndisplay_name = \"Nintendo - NES / Famicom (Nestopia UE)\"\n"
        "corename = \"Nestopia\"\nsystemname = \"Nintendo Entertainment System\"\n"
        "database = \"Nintendo - Nintendo Entertainment System|Nintendo - Family Computer Disk "
        "System\"\nfirmware_count = 1\n");
    put(out / "coreinfo/plain",
        "\xEF\xBB\xBF# no quotes\r\ncorename=QUASI88\r\n"
        "systemname = \"PC-8000 / PC-8800 series\"\r\n");
    // RetroArch databases: one game (name, crc as a binary, size), a nil, {"count": 1}; and none.
    put(out / "rdb/one", std::string("RARCHDB\0\0\0\0\0\0\0\0\x2B", 16) +
                             "\x83\xA4name\xA1"
                             "A\xA3"
                             "crc\xC4\x04\x12\x34\x56\x78\xA4size\xCD\x40\x00" +
                             std::string("\xC0\x81\xA5"
                                         "count\x01",
                                         9));
    put(out / "rdb/empty", std::string("RARCHDB\0\0\0\0\0\0\0\0\x11\xC0\x81\xA5"
                                       "count\x00",
                                       25));
    put(out / "codec/cp932", "\x83\x7d\x83\x8a\x83\x49 (J) [!]");
    put(out / "codec/marked", "\xEF\xBB\xBF\xED\x95\x9C\xEA\xB5\xAD");
    put(out / "codec/stray", "A\x83\x80\xFD");

    // Pictures: the reader's test files, every depth and compression, each also cut inside its
    // header and halfway; and the malformed headers the reader's tests refuse.
    for (const auto& entry : fsys::directory_iterator(testData / "bmp")) {
        if (entry.path().extension() != ".bmp") continue;
        const std::string bytes = *fs::readFile(entry.path());
        const std::string name = entry.path().filename().string();
        put(out / "bmp" / name, bytes);
        put(out / "bmp" / ("cut-header-" + name), bytes.substr(0, 30));
        put(out / "bmp" / ("cut-half-" + name), bytes.substr(0, bytes.size() / 2));
    }
    int malformed = 0;
    for (const auto& m : test::bmp::kMalformed)
        if (const auto bytes = fs::readFile((testData / "bmp" / m.file).string()))
            put(out / "bmp" / ("malformed-" + std::to_string(malformed++) + "-" + m.file),
                test::bmp::mutated(*bytes, m));

    // Archives: the committed test archives, and one of each type the program writes.
    for (const auto& entry : fsys::directory_iterator(testData / "archive"))
        if (entry.path().extension() == ".lzh")
            put(out / "archive" / entry.path().filename(),
                std::string(1, '\1') + *fs::readFile(entry.path()));
    put(scratch + "Game (J).nes", "NES\x1a rom bytes");
    const struct {
        archive::CompressionFormat format;
        char kind;
        const char* name;
    } packed[] = {{archive::CompressionFormat::Zip, 0, "Game (J).zip"},
                  {archive::CompressionFormat::Lzh, 1, "Game (J).lzh"},
                  {archive::CompressionFormat::SevenZip, 2, "Game (J).7z"},
                  {archive::CompressionFormat::Cab, 3, "Game (J).cab"}};
    fuzz::SilentPrompter prompter;
    for (const auto& p : packed) {
        archive::Compression how;
        how.format = p.format;
        if (archive::compress(scratch + "Game (J).nes", how, prompter))
            put(out / "archive" / p.name, std::string(1, p.kind) + *fs::readFile(scratch + p.name));
    }
    SortKeyCache keys;
    keys.insert("マリオ", "\x30\x31\x01", false);
    keys.insert("Zelda", std::string("\x40\x00\x05", 3), false);
    put(out / "data/kind5", "\x05" + sortKeyFileBytes(keys, fuzz::kSortKeyStamp));
    put(out / "data/kind6", "\x06" + sortKeyFileBytes(keys, fuzz::kSortKeyStamp));
    // Kept folder listings: a whole file of two folders (the first under the stamp the target
    // looks up, the second's path padded), and one folder's names alone.
    const std::string_view names("Game (J).sfc\0\xE3\x83\x9E.smc\0", 20);
    const FolderListing listings[] = {{"/roms/a/", {1, 2, 3, 4}, 7, 20, names, 2},
                                      {"/roms/b", {5, 6, 7, 8}, 9, 0, {}, 0}};
    put(out / "listing/file", "\x00" + folderListingBytes("fuzz", listings));
    put(out / "listing/names", "\x01" + std::string(names));
    // Cartridge headers: the kind byte (the reader), then an image the tests build (the Game Boy
    // one cut after its header).
    namespace rom = test::rom;
    const struct {
        RomHeaderKind kind;
        const char* name;
        std::string image;
    } headers[] = {{RomHeaderKind::Nes, "ines", rom::ines(1, 1, 4, 3)},
                   {RomHeaderKind::Nes, "nes2", rom::ines(1, 0, 0x1A5, 4, true)},
                   {RomHeaderKind::Snes, "lorom", rom::snes(false, 32, true, "LO")},
                   {RomHeaderKind::Snes, "hirom", rom::snes(true, 64, false, "HI")},
                   {RomHeaderKind::MegaDrive, "md", rom::megaDrive(1, "MD")},
                   {RomHeaderKind::MasterSystem, "sms", rom::masterSystem()},
                   {RomHeaderKind::GameBoy, "gb", rom::gameBoy("GB").substr(0, 0x400)},
                   {RomHeaderKind::GameBoyAdvance, "gba", rom::gameBoyAdvance("GBA", "AAAJ")}};
    for (const auto& h : headers)
        put(out / "header" / h.name, std::string(1, static_cast<char>(h.kind)) + h.image);
    fsys::remove_all(scratch);
    return 0;
}
