#include "demo/DemoFrontendFiles.h"

#include "core/platform/FileSystem.h"
#include "core/rename/ContentHash.h"
#include "core/rename/DatFile.h"

namespace romshelf {

namespace {

void writeOnce(const ProgramFolder& folder, const std::string& relative, const std::string& text,
               DemoReport& report) {
    const std::string path = folder.path() + relative;
    if (fs::pathExists(path)) return;
    const bool done =
        fs::createDirectory(fs::pathFolder(path)) && fs::writeFileAtomically(path, text);
    (done ? report.written : report.failed).push_back(relative);
}

// Every file of the demo's ROM folder, with its sums as a DAT gives them.
std::vector<DatRom> romsOf(const std::string& romFolder) {
    std::vector<DatRom> roms;
    for (const fs::DirEntry& entry : fs::listDirectory(romFolder)) {
        if (entry.isDirectory) continue;
        const auto identity = fileContentIdentity(romFolder + entry.name);
        if (!identity) continue;
        DatRom rom;
        rom.game = std::string(fs::pathTitle(entry.name));
        rom.name = entry.name;
        rom.size = identity->whole.size;
        rom.crc = identity->whole.crc;
        rom.md5 = identity->whole.md5;
        rom.sha1 = identity->whole.sha1;
        roms.push_back(std::move(rom));
    }
    return roms;
}

// The Famicom games as ES-DE keeps them: a description, a rating (0 to 1), a genre and plays.
constexpr const char* kFamicomGamelist = R"(<?xml version="1.0"?>
<gameList>
	<game>
		<path>./Hoshizora Demo (J).nes</path>
		<name>Hoshizora Demo</name>
		<desc>A night sky, painted by a home-made program.</desc>
		<rating>1</rating>
		<genre>Action</genre>
		<playcount>3</playcount>
		<lastplayed>20261201T203000</lastplayed>
	</game>
	<game>
		<path>./Yuuyake Puzzle (J).nes</path>
		<name>Yuuyake Puzzle</name>
		<rating>0.6</rating>
		<genre>Puzzle</genre>
	</game>
</gameList>
)";

}  // namespace

void writeDemoFrontendFiles(const ProgramFolder& folder, DemoReport& report) {
    for (const std::string& code : report.codes) {
        // Summed only when the DAT is missing: a demo folder the user filled stays quick to open.
        const std::string dat = "dat/" + code + ".dat";
        if (fs::pathExists(folder.path() + dat)) continue;
        const std::vector<DatRom> roms = romsOf(folder.path() + "roms/" + code + "/");
        const LogiqxHeader header{"Demo - " + code, "", "1", "Romshelf Plus", "", ""};
        if (!roms.empty()) writeOnce(folder, dat, writeLogiqxDat(header, roms), report);
    }
    writeOnce(folder, "es-de/gamelist.xml", kFamicomGamelist, report);
}

}  // namespace romshelf
