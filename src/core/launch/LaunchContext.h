#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/launch/EmulatorEntry.h"
#include "core/launch/WindowsPrograms.h"
#include "core/pad/PadProfile.h"
#include "core/platform/Clock.h"
#include "core/platform/Desktop.h"
#include "core/platform/ProcessRunner.h"
#include "core/platform/SoundPlayer.h"
#include "core/platform/WindowControl.h"
#include "core/settings/DriveMap.h"
#include "core/settings/FolderSettings.h"
#include "core/settings/MainSettings.h"
#include "core/views/SystemLog.h"

namespace romshelf {

// What the file list (or a recent-file command) asks to start.
struct LaunchRequest {
    std::string gameName;
    std::string fileName;   // with extension, no folder
    int folderNumber = -1;  // ROM folder; negative: no file to start
    int recordIndex = -1;   // the file's record, whose preferred emulator wins; -1: none
};

// One run of an emulator the program started, as the notice of its end carries it.
struct EmulatorSession {
    int pid = 0;
    LaunchRequest request;   // folderNumber -1: the emulator was started alone
    int hardwareIndex = -1;  // the hardware it was started for
    std::chrono::system_clock::time_point started, ended;
    ProcessEnd end;
};

// What the launcher reads and changes around it. The application gives it the current
// hardware's data and its ports; the launcher holds nothing of the catalogue itself.
class LaunchContext {
public:
    virtual ~LaunchContext() = default;

    virtual const MainSettings& settings() const = 0;
    virtual const std::string& programFolderPath() const = 0;
    // Where the Windows paths of the settings lead; none: they lead nowhere.
    virtual const DriveMap* drives() const { return nullptr; }
    // The Wine that starts Windows programs; by default `wine` on PATH in Wine's own prefix.
    virtual WineSettings wine() const { return {}; }
    // Where unpacked images are kept for the next launch, and the bytes they may take; an empty
    // folder or a cap of 0: archives are unpacked into TEMP at each launch.
    virtual std::string unpackCacheFolder() const { return {}; }
    virtual std::uint64_t unpackCacheLimit() const { return 0; }
    virtual const std::string& hardwareCode() const = 0;
    virtual int hardwareIndex() const = 0;
    virtual const FolderSettings& folders() const = 0;
    virtual const EmulatorEntries& emulators() const = 0;
    // The emulator combo's text.
    virtual std::string selectedEmulatorName() const = 0;
    // The preferred emulator of record `recordIndex` when that record still belongs to
    // `fileName`; -1 when there is none.
    virtual int preferredEmulator(int recordIndex, const std::string& fileName) const = 0;

    virtual SystemLog& systemLog() = 0;
    // A line was added: the window shows it now, in the middle of the launch.
    virtual void systemLogChanged() = 0;
    // The launch is over: it goes into hardware `hardwareIndex`'s recent files.
    virtual void recordLaunch(int hardwareIndex, const LaunchRequest& request) = 0;
    virtual void setLastLaunchedFile(const std::string& name) = 0;
    // An emulator the launcher started has ended (told after its line in the log, if any).
    virtual void emulatorEnded(const EmulatorSession& run) = 0;
    // Emulator `pid` was started with a built-in pad profile: the program that reads the pad
    // maps it to keys for that emulator's window until it ends.
    virtual void padMappingWanted(int /*pid*/, const PadProfile& /*profile*/) {}

    virtual ProcessRunner& processes() = 0;
    virtual Desktop& desktop() = 0;
    virtual SoundPlayer& sound() = 0;
    virtual WindowControl& windows() = 0;
    virtual Clock& clock() = 0;

    // Work that goes on from the event loop after the launch returned (the special start's
    // keys) keeps close requests and other commands waiting while it holds this.
    using BusyHold = std::shared_ptr<void>;
    virtual BusyHold holdBusy() = 0;
};

// The launch's story in the system log.
class LaunchLog {
public:
    explicit LaunchLog(LaunchContext& context) : context_(context) {}
    void clear();
    void line(std::string text);
    void colour(LogColour colour);
    // A red line; the colour stays red for the lines that follow.
    void error(std::string text);
    // Lines in the warning colour (magenta); the lines after them keep the colour they had.
    void warning(const std::vector<std::string>& lines);

private:
    LaunchContext& context_;
};

}  // namespace romshelf
