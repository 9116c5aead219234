// The command-line conventions of both programs, run as built: --help and --version answer on
// stdout with status 0 and make nothing; a command's --help prints that command's usage and runs
// nothing; romshelf-cli's common options may stand before the command word.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "AppFixture.h"
#include "core/platform/WriterLock.h"
#include "core/settings/HardwareTable.h"
#include "ProcessProbe.h"

using namespace romshelf;
using namespace romshelf::test;
namespace fsys = std::filesystem;

namespace {

struct Ran {
    int status = -1;
    std::string out;
};

// Runs `argv` in `folder` (when given) with its own user folders under `home`, no display to
// open a window on (a program that tried would end at once) and its errors thrown away.
Ran runProgram(std::vector<std::string> argv, const std::string& home,
               const std::string& folder = "") {
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0), ::dup2(out[1], 1), ::dup2(devNull, 2);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home + "data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (home + "state").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        if (!folder.empty() && ::chdir(folder.c_str()) != 0) ::_exit(126);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    Ran run;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        run.out.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    run.status = waitExit(pid);
    return run;
}

// The names in `folder`, sorted.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fsys::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// Each program copied into an empty folder (its program folder when it starts), answering as a
// command-line program does, and the folder and the user's folders as empty as before.
TEST(CommandLine, HelpAndVersionAnswerOnStdoutAndMakeNothing) {
    const std::string version = "\nLicense GPL-3.0-or-later";
    const std::string commands = "\n\nCommands:\n  dump FILE ";
    const std::tuple<const char*, std::vector<std::string>, const char*, std::string, const char*>
        cases[] = {
            // program, arguments, the start, a line, and the end of what it prints
            {"romshelf",
             {"--help"},
             "Usage: romshelf [--demo [DIR]]",
             "\n  --version ",
             "nothing was changed\n"},
            {"romshelf",
             {"--demo", "demo", "--help"},
             "Usage: romshelf [",
             "",
             "nothing was changed\n"},
            {"romshelf", {"--version"}, "romshelf (Romshelf Plus) ", version, "law.\n"},
            {"romshelf-cli", {"--help"}, "Usage: romshelf-cli [", commands, "is found.\n"},
            {"romshelf-cli", {"help"}, "Usage: romshelf-cli [", commands, "is found.\n"},
            {"romshelf-cli", {"--version"}, "romshelf-cli (Romshelf Plus) ", version, "law.\n"},
            // A command's own usage: its lines only, and the command is not run.
            {"romshelf-cli",
             {"list", "--help"},
             "Usage: romshelf-cli list [--program-folder DIR] ",
             "",
             "hiragana as katakana\n"},
            {"romshelf-cli",
             {"--hardware", "MD", "clean-temp", "--yes", "--help"},
             "Usage: romshelf-cli clean-temp [",
             "",
             ".INI stays); asks first\n"},
            {"romshelf-cli",
             {"help", "info"},
             "Usage: romshelf-cli info [",
             "\n   or: romshelf-cli info --header FILE ",
             "header is not valid\n"},
            {"romshelf-cli",
             {"move", "--all", "--help"},
             "Usage: romshelf-cli compress|decompress|delete|move|copy ",
             "",
             "counts on\n              stdout\n"},
            {"romshelf-cli",
             {"rename", "merge", "--help"},
             "Usage: romshelf-cli rename create|apply ",
             "\n   or: romshelf-cli rename merge ",
             "renaming reads the rest from the DAT\n"},
        };
    for (const auto& [program, args, start, line, end] : cases) {
        TempFolder dir, home;
        const std::string exe = dir.file(program);
        fsys::copy_file(builtProgram(program), exe);
        std::vector<std::string> argv{exe};
        argv.insert(argv.end(), args.begin(), args.end());
        const Ran run = runProgram(argv, home.path(), dir.path());
        const std::string what = std::string(program) + " " + args.front() + " " + args.back();
        EXPECT_EQ(run.status, 0) << what;
        EXPECT_TRUE(run.out.starts_with(start) && run.out.find(line) != std::string::npos &&
                    run.out.ends_with(end))
            << what << ":\n"
            << run.out;
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{program}) << what;
        EXPECT_TRUE(namesIn(home.path()).empty()) << what;
    }
}

TEST(CommandLine, AnUnknownCommandsHelpIsAUsageError) {
    TempFolder home;
    const Ran run = runProgram({builtProgram("romshelf-cli"), "frobnicate", "--help"}, home.path());
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.out, "");
}

// MD with ROM folder 0 at ./roms/ holding one file.
struct OptionsFirst : AppFixture {
    TempFolder home;
    void SetUp() override {
        setUpLaunch("MD", emulator("Gens", "/bin/true"));
        dir.write("roms/Sonic.md", "x");
    }
    Ran cli(std::vector<std::string> args) const {
        args.insert(args.begin(), builtProgram("romshelf-cli"));
        return runProgram(args, home.path());
    }
};

TEST_F(OptionsFirst, TheCommonOptionsMayStandBeforeTheCommand) {
    const std::string folder = dir.path();
    const Ran after = cli({"list", "--program-folder", folder, "--hardware", "MD"});
    ASSERT_EQ(after.status, 0);
    ASSERT_NE(after.out.find("\tSonic.md\t"), std::string::npos) << after.out;
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        // arguments, status, stdout
        {{"--program-folder", folder, "--hardware", "MD", "list"}, 0, after.out},
        {{"--hardware", "MD", "list", "--program-folder", folder}, 0, after.out},
        // clean-temp asks first: --yes answers; without it and without a terminal to ask on,
        // a usage error.
        {{"--yes", "--program-folder", folder, "--hardware", "MD", "clean-temp"},
         0,
         "0 files removed\n"},
        {{"--program-folder", folder, "--hardware", "MD", "clean-temp"}, 64, ""},
        // An option without its value is a usage error.
        {{"--yes", "--program-folder"}, 64, ""},
    };
    for (const auto& [args, status, out] : cases) {
        const Ran run = cli(args);
        EXPECT_EQ(run.status, status) << args.front() << " " << args.back();
        EXPECT_EQ(run.out, out) << args.front() << " " << args.back();
    }
}

// A command that only reads takes no lock, wherever the options stand: it runs while the window
// holds the folder (a writer would wait and then end with 75).
TEST_F(OptionsFirst, AReaderWithItsOptionsFirstRunsWhileTheFolderIsHeld) {
    WriterLock window(dir.file("data/romshelf.lock"));
    ASSERT_EQ(window.tryAcquire("romshelf"), WriterLock::Result::Acquired);
    const auto started = std::chrono::steady_clock::now();
    const Ran run = cli({"--program-folder", dir.path(), "--hardware", "MD", "list"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\tSonic.md\t"), std::string::npos) << run.out;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
}

namespace {

// What the installed bash completion offers after `words` (the last one the word being typed).
std::vector<std::string> bashCompletion(const std::vector<std::string>& words) {
    std::string command = "bash -c '. \"$0\"; COMP_WORDS=(";
    for (const std::string& w : words) command += " \"" + w + "\"";
    command += "); COMP_CWORD=" + std::to_string(words.size() - 1) +
               "; _romshelf_cli; printf \"%s\\n\" \"${COMPREPLY[@]}\"' \"" ROMSHELF_SOURCE_DIR
               "/resources/completion/romshelf-cli.bash\"";
    std::vector<std::string> offered;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return offered;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string word(line);
        if (!word.empty() && word.back() == '\n') word.pop_back();
        if (!word.empty()) offered.push_back(word);
    }
    ::pclose(pipe);
    return offered;
}

}  // namespace

// The completion keeps up with the program: it offers every hardware code the program knows and
// no other, and every command it offers has a usage of its own.
TEST(CommandLine, TheBashCompletionOffersTheProgramsCodesAndCommands) {
    std::vector<std::string> codes;
    for (const HardwareInfo& row : hardwareTable()) codes.emplace_back(row.code);
    EXPECT_EQ(bashCompletion({"romshelf-cli", "--hardware", ""}), codes);
    EXPECT_EQ(bashCompletion({"romshelf-cli", "list", "--program-folder", "x", "--hardware", "M"}),
              (std::vector<std::string>{"MSYS", "MD", "MAME", "MSX"}));
    // The commands come from the program itself (romshelf-cli --commands), the first word.
    const std::vector<std::string> words =
        bashCompletion({builtProgram("romshelf-cli"), "--yes", ""});
    ASSERT_FALSE(words.empty());
    for (const char* command : {"list", "verify", "fill", "pad", "compress", "help"})
        EXPECT_NE(std::find(words.begin(), words.end(), command), words.end()) << command;
    EXPECT_TRUE(bashCompletion({"no-such-romshelf-cli", "--yes", "li"}).empty());
    TempFolder home;
    for (const std::string& word : words) {
        if (word.starts_with("--")) continue;
        const Ran run = runProgram({builtProgram("romshelf-cli"), "help", word}, home.path());
        EXPECT_EQ(run.status, 0) << word;
        // Its usage (or, for help, the general one).
        const std::string first = run.out.substr(0, run.out.find('\n'));
        EXPECT_TRUE(first.find(word) != std::string::npos || word == "help")
            << word << ": " << first;
    }
}

// Every command example of the README runs, in its order, on a demo made as the README says:
// taken from the README itself, so that the test fails when the README drifts from the program.
// The emulators are stand-ins that end at once.
TEST(ReadmeExamples, EveryCommandLineExampleRunsOnTheDemo) {
    std::ifstream file(ROMSHELF_SOURCE_DIR "/README.md");
    const std::string readme{std::istreambuf_iterator<char>(file), {}};
    const std::size_t section = readme.find("## Command-line companion");
    ASSERT_NE(section, std::string::npos);
    const std::size_t start = readme.find("```sh\n", section);
    ASSERT_NE(start, std::string::npos);
    const std::size_t end = readme.find("\n```", start + 6);
    ASSERT_NE(end, std::string::npos);
    const std::string block = readme.substr(start + 6, end - start - 6);
    std::size_t examples = 0;
    for (std::size_t at = 0; (at = block.find("\n$cli ", at)) != std::string::npos; ++at)
        ++examples;
    EXPECT_GE(examples, 30u);

    TempFolder dir, home;
    fsys::create_directories(dir.file("build/bin"));
    fsys::copy_file(builtProgram("romshelf-cli"), dir.file("build/bin/romshelf-cli"));
    for (const char* emulator : {"mednafen", "retroarch"})
        fsys::permissions(dir.write(std::string("fake/") + emulator, "#!/bin/sh\nexit 0\n"),
                          fsys::perms::owner_all);
    dir.write("examples.sh",
              "exec 2>&1\nset -e\ntrap 'echo \"failed: $BASH_COMMAND\"' ERR\n"
              "export PATH=\"$PWD/fake:$PATH\"\n"
              "build/bin/romshelf-cli demo build/demo > /dev/null\n" +
                  block + "\necho 'every example ran'\n");
    const Ran run = runProgram({"/bin/bash", dir.file("examples.sh")}, home.path(), dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.ends_with("every example ran\n"))
        << run.out.substr(run.out.size() > 3000 ? run.out.size() - 3000 : 0);
    // The examples changed what they say they change.
    EXPECT_TRUE(fsys::exists(dir.file("build/demo/backup/RomData_FC.slb")));
    EXPECT_TRUE(fsys::exists(dir.file("build/demo/gamelist_fc.csv")));
    EXPECT_TRUE(fsys::exists(dir.file("have.csv")));
    EXPECT_FALSE(fsys::exists(dir.file("build/demo/roms/GB-2/Kaze no Uta (J).gb")));

    // The search example finds the game it is written for on a new demo (a list of nothing
    // would pass the run above).
    const std::size_t search = block.find("$cli list --hardware FC search ﾕｳﾔｹ");
    ASSERT_NE(search, std::string::npos);
    const std::string line = block.substr(search, block.find('\n', search) - search);
    dir.write("search.sh",
              "set -e\nrm -rf build/demo\nbuild/bin/romshelf-cli demo build/demo > "
              "/dev/null\ncli=\"build/bin/romshelf-cli --program-folder build/demo\"\n" +
                  line + "\n");
    const Ran found = runProgram({"/bin/bash", dir.file("search.sh")}, home.path(), dir.path());
    EXPECT_EQ(found.status, 0);
    EXPECT_NE(found.out.find("\tYuuyake Puzzle (J).nes\t"), std::string::npos) << found.out;
}
