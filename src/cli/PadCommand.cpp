#include "cli/PadCommand.h"

#include <chrono>
#include <thread>

#include "cli/ArgumentReader.h"
#include "cli/CliSupport.h"
#include "cli/Interrupts.h"
#include "core/pad/KeyNames.h"
#include "core/pad/PadMapper.h"
#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/settings/ProgramFolder.h"
#include "pad/SdlPads.h"

namespace romshelf::cli {

namespace {

std::int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void printPadKeys(SdlPads& pads, PadMapper& mapper, std::ostream& out,
                  const std::function<std::int64_t()>& now,
                  const std::function<bool(std::int64_t)>& goOn,
                  const std::function<void()>& wait) {
    const auto print = [&out](const std::vector<KeyEvent>& events) {
        for (const KeyEvent& e : events)
            out << (e.down ? "down " : "up ") << keysymName(e.keysym) << "\n";
        out.flush();
    };
    for (;;) {
        const std::int64_t t = now();
        if (!goOn(t)) break;
        pads.pump();
        print(mapper.update(pads.state(), t));
        wait();
    }
    // Whatever is still held is let go, as when an emulator ends.
    print(mapper.releaseAll());
}

int padCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string profileName;
    std::optional<int> seconds;
    CommonOptions o;
    const int bad = ArgumentReader()
                        .text("--test", profileName)
                        .number("--seconds", seconds)
                        .wordsAtMost(0)
                        .read(args, o, err);
    if (bad) return bad;
    if (seconds && profileName.empty()) return usageError(err, "--seconds", "goes with --test");
    if (seconds && *seconds < 1) return usageError(err, "--seconds", "must be 1 or more");

    PadProfileReading reading;
    std::string shownName = profileName;
    if (!profileName.empty()) {
        // A path names the file itself; a bare name one of the program folder's profiles.
        if (profileName.find('/') != std::string::npos ||
            ascii::endsWithIgnoringCase(profileName, ".ini")) {
            const std::optional<std::string> text = fs::readFile(profileName, 1u << 20);
            if (!text) {
                err << "romshelf-cli: cannot read " << profileName << "\n";
                return 2;
            }
            reading = readPadProfile(*text);
        } else {
            const ProgramFolder folder = programFolderFrom(o.programFolder);
            shownName = padProfileFolder(folder.path()) + profileName + ".ini";
            reading = loadPadProfile(folder.path(), profileName);
        }
        if (!reading.profile) {
            err << "romshelf-cli: " << shownName << ": " << reading.error->text() << "\n";
            return 2;
        }
    }

    SdlPads pads;
    if (!pads.available()) {
        err << "romshelf-cli: no joystick support: " << pads.error() << "\n";
        return 3;
    }
    if (profileName.empty()) {
        pads.pump();
        for (const PadInfo& p : pads.joysticks())
            out << escapeText(p.name) << "\t" << p.guid << "\t"
                << (p.mapped ? "mapping" : "no mapping") << "\n";
        return 0;
    }
    if (pads.connected() == 0)
        err << "romshelf-cli: no game controller yet; waiting for one (Ctrl+C ends)\n";
    PadMapper mapper(std::move(*reading.profile));
    const std::int64_t start = steadyMs();
    printPadKeys(
        pads, mapper, out, steadyMs,
        [&](std::int64_t t) {
            if (interruptRequested()) return false;
            return !seconds || t - start < std::int64_t{*seconds} * 1000;
        },
        [] { std::this_thread::sleep_for(std::chrono::milliseconds(16)); });
    return 0;
}

}  // namespace romshelf::cli
