// Whole DATs against the tools a collector would compare with, timed alternately in every
// iteration so that the load of a shared machine falls on both alike (medians of the ratios).
//
// - BM_ParseAgainstXmllint / BM_ParseAgainstElementTree: reading a Logiqx DAT of 60,000 games
//   (real-looking No-Intro names and tags, size, CRC-32, MD5 and SHA-1 per rom) into entries,
//   next to `xmllint --noout` and Python's xml.etree.ElementTree.parse of the same file, each a
//   whole process; `ratio` is our time over theirs (goal: <= 0.6).
// - BM_VerifyAgainstCksum: the verify command over 20,000 page-cached files (16 to 64 KiB) of a
//   ROM folder against a DAT of 20,000 games (sizes and CRC-32s: the CRC dominates), from
//   reading the DAT to the report, next to `cksum` over the same files in one process;
//   `ratio` is our time over cksum's (goal: <= 1.3). ROMSHELF_BENCH_FILES=N runs N files.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/app/Application.h"
#include "core/commands/DatVerifyCommand.h"
#include "core/app/Host.h"
#include "core/rename/DatFile.h"
#include "core/settings/FolderSettings.h"

using namespace romshelf;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Titles as the No-Intro and Redump DATs write them: words, then region, languages, status and
// revision tags, each game's name unique by a number where the words repeat.
std::string gameName(std::mt19937_64& random, std::size_t i) {
    static constexpr const char* kWords[] = {
        "Super",  "Dragon", "Quest",   "Mario", "Fighter", "Star",   "Soldier", "Legend",
        "Castle", "Ninja",  "Warrior", "Space", "Racing",  "Puzzle", "Kid",     "Adventure"};
    static constexpr const char* kRegions[] = {"(Japan)", "(USA)",         "(Europe)",
                                               "(World)", "(USA, Europe)", "(Japan, USA)"};
    static constexpr const char* kExtras[] = {"",         "",         "",         " (En,Ja)",
                                              " (Rev 1)", " (Beta)",  " (Proto)", " (Unl)",
                                              " (v1.1)",  " (Fr,De)", " (Demo)",  " (Rev A)"};
    std::string name;
    for (int w = 1 + static_cast<int>(random() % 3); w >= 0; --w)
        name += std::string(name.empty() ? "" : " ") + kWords[random() % 16];
    return name + " " + std::to_string(i) + " " + kRegions[random() % 6] + kExtras[random() % 12];
}

std::string hex(std::mt19937_64& random, int digits) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string s(static_cast<std::size_t>(digits), '0');
    for (char& c : s) c = kHex[random() & 15];
    return s;
}

// "A & B" as XML writes it.
std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) out += c == '&' ? "&amp;" : std::string(1, c);
    return out;
}

struct ScratchFolder {
    std::string path;
    ScratchFolder() {
        char pattern[] = "/tmp/romshelf-dat-bench-XXXXXX";
        path = std::string(::mkdtemp(pattern)) + "/";
    }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
};

// The time of a shell command, whole; negative when it failed.
double timedCommand(const std::string& command) {
    const auto t0 = Clock::now();
    const int status = std::system(command.c_str());
    const auto t1 = Clock::now();
    return status == 0 ? seconds(t0, t1) : -1;
}

void parseAgainst(benchmark::State& state, const std::string& tool) {
    ScratchFolder scratch;
    std::mt19937_64 random(60);
    std::string xml =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management "
        "Datafile//EN\" \"http://www.logiqx.com/Dats/datafile.dtd\">\n<datafile>\n\t<header>\n"
        "\t\t<name>Nintendo - Famicom</name>\n\t\t<description>Bench</description>\n"
        "\t\t<version>20261208</version>\n\t\t<author>bench</author>\n"
        "\t\t<clrmamepro header=\"No-Intro_NES.xml\"/>\n\t</header>\n";
    for (std::size_t i = 0; i < 60000; ++i) {
        const std::string name = escaped(gameName(random, i));
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(random()));
        xml += "\t<game name=\"" + name + "\">\n\t\t<description>" + name +
               "</description>\n\t\t<rom name=\"" + name + ".nes\" size=\"" +
               std::to_string(16384 << (random() % 6)) + "\" crc=\"" + crc + "\" md5=\"" +
               hex(random, 32) + "\" sha1=\"" + hex(random, 40) + "\"/>\n\t</game>\n";
    }
    xml += "</datafile>\n";
    const std::string path = scratch.path + "big.dat";
    std::ofstream(path, std::ios::binary) << xml;
    const std::string command = tool == "xmllint"
                                    ? "xmllint --noout --nonet '" + path + "'"
                                    : "python3 -c 'import sys, xml.etree.ElementTree as E; "
                                      "E.parse(sys.argv[1])' '" +
                                          path + "'";
    std::vector<double> ratios;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::string error;
        const auto dat = readDatFile(path, error);
        const auto t1 = Clock::now();
        const double theirs = timedCommand(command);
        if (!dat || dat->roms.size() != 60000 || theirs <= 0) {
            state.SkipWithError(("the DAT was not read: " + error).c_str());
            break;
        }
        ratios.push_back(seconds(t0, t1) / theirs);
    }
    state.counters["MB"] = static_cast<double>(xml.size()) / 1e6;
    if (!ratios.empty()) state.counters["ratio"] = median(ratios);
}

void BM_ParseAgainstXmllint(benchmark::State& state) { parseAgainst(state, "xmllint"); }
BENCHMARK(BM_ParseAgainstXmllint)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ParseAgainstElementTree(benchmark::State& state) { parseAgainst(state, "python3"); }
BENCHMARK(BM_ParseAgainstElementTree)->Iterations(5)->Unit(benchmark::kMillisecond);

// Declines every question: no report is saved.
struct QuietPrompter : SilentPrompter {
    bool messageBox(const std::string&, const std::string&, bool) override { return false; }
};

void BM_VerifyAgainstCksum(benchmark::State& state) {
    ScratchFolder scratch;
    const std::string roms = scratch.path + "roms/";
    std::filesystem::create_directories(roms);
    const char* count = std::getenv("ROMSHELF_BENCH_FILES");
    const std::size_t n = count ? static_cast<std::size_t>(std::max(1, std::atoi(count))) : 20000;
    std::mt19937_64 random(20);
    std::vector<char> data((64 << 10) + 4096);
    for (auto& c : data) c = static_cast<char>(random());
    std::string dat = "clrmamepro (\n\tname \"Bench\"\n\tversion 20261208\n)\n\n";
    std::string list;  // the files, NUL-separated, for cksum
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = n == 1 ? 0 : double(i) / double(n - 1);
        const auto size = static_cast<std::size_t>(16 * 1024 * std::pow(4.0, t));
        const char* start = data.data() + (i * 4099) % 4096;
        const std::string name = gameName(random, i);
        const std::string path = roms + name + ".nes";
        std::ofstream(path, std::ios::binary).write(start, static_cast<std::streamsize>(size));
        const auto crc = ::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(start),
                                 static_cast<uInt>(size));
        char crcText[9];
        std::snprintf(crcText, sizeof crcText, "%08lx", crc);
        dat += "game (\n\tname \"" + name + "\"\n\tdescription \"" + name + "\"\n\trom ( name \"" +
               name + ".nes\" size " + std::to_string(size) + " crc " + crcText + " )\n)\n\n";
        list += path + '\0';
        bytes += size;
    }
    const std::string datPath = scratch.path + "bench.dat";
    std::ofstream(datPath, std::ios::binary) << dat;
    const std::string listPath = scratch.path + "files.list";
    std::ofstream(listPath, std::ios::binary) << list;
    const std::string cksum = "xargs -0 -a '" + listPath + "' cksum >/dev/null";

    QuietPrompter prompter;
    HeadlessPorts ports;
    const std::string program = scratch.path + "program/";
    std::filesystem::create_directories(program);
    Application app(ProgramFolder(program), ports.host(prompter));
    app.createFolders();
    FolderSettings folders;
    folders.romFolderPaths[0] = roms;
    DataStream stream;
    saveFolderSettingsFile(stream, program + "data/Folder_FC.slb", folders);
    app.preferHardware("FC");
    app.startUp(Application::StartList::Skip);
    if (app.currentCode() != "FC") {
        state.SkipWithError("the program folder did not start");
        return;
    }
    timedCommand(cksum);  // every byte in the page cache first

    std::vector<double> ratios;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::string error;
        const auto file = readDatFile(datPath, error);
        app.showAll();
        const VerifyRun run = verifyListedFiles(app, *file);
        const auto t1 = Clock::now();
        const double theirs = timedCommand(cksum);
        if (run.report.count(VerifyStatus::Have) != static_cast<int>(n) || theirs <= 0) {
            state.SkipWithError(("not every file was had: " + verifySummary(run.report)).c_str());
            break;
        }
        ratios.push_back(seconds(t0, t1) / theirs);
    }
    state.counters["files"] = static_cast<double>(n);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    if (!ratios.empty()) state.counters["ratio"] = median(ratios);
}
BENCHMARK(BM_VerifyAgainstCksum)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
