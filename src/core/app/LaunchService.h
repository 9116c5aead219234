#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/app/BusyGuard.h"
#include "core/app/FileListController.h"
#include "core/app/HardwareSession.h"
#include "core/app/Host.h"
#include "core/launch/LaunchExecutor.h"
#include "core/settings/PlusSettings.h"
#include "core/views/SystemLog.h"

namespace romshelf {

// Launching as the user asks for it: from the file list, the recent files or the emulator
// alone, with the system log and the recent files it keeps. It is the launcher's context: the
// launcher reads the current hardware through it and reaches the ports through it.
class LaunchService : private LaunchContext {
public:
    LaunchService(HardwareSession& session, MainSettings& settings, const PlusSettings& plus,
                  const ProgramFolder& folder, const FileListController& fileList, const Host& host,
                  ApplicationListener& notices, BusyGuard& busy);

    LaunchExecutor& executor() { return executor_; }

    // Double click or Enter on a file-list row (other software: the program or document). While
    // the emulator started for the row's file still runs, the log says so and nothing starts.
    bool launchRow(int row);
    // A file named directly (the command-line companion).
    bool launchFile(const LaunchRequest& request);
    // Recent-file item k (0..4) of the current hardware.
    bool launchRecent(int k);
    bool startEmulatorOnly();

    const SystemLog& log() const { return log_; }
    LaunchLog logWriter() { return LaunchLog(*this); }

    // Labels of the File menu's recent-file items; all empty when no hardware is current.
    std::array<std::optional<std::string>, kRecentLaunchCount> recentFileLabels() const;
    // The entry behind recent-file item k (0..4), if any.
    std::optional<RecentLaunch> recentLaunch(int k) const;

    // Told of each emulator's end before the windows are (the play history).
    void whenEmulatorEnded(std::function<void(const EmulatorSession&)> then) {
        whenEnded_ = std::move(then);
    }

    const std::string& lastLaunchedFile() const { return lastLaunchedFile_; }
    void forgetLastLaunchedFile() { lastLaunchedFile_.clear(); }

private:
    // LaunchContext
    const MainSettings& settings() const override { return settings_; }
    const std::string& programFolderPath() const override { return folder_.path(); }
    const DriveMap* drives() const override { return &folder_.drives(); }
    WineSettings wine() const override { return {plus_.wine, plus_.winePrefix}; }
    std::string unpackCacheFolder() const override { return folder_.cacheFolder() + "unpacked/"; }
    std::uint64_t unpackCacheLimit() const override { return plus_.unpackCacheLimit; }
    const std::string& hardwareCode() const override { return session_.code(); }
    int hardwareIndex() const override { return session_.index(); }
    const FolderSettings& folders() const override { return session_.folders().folders; }
    const EmulatorEntries& emulators() const override { return session_.emulators(); }
    std::string selectedEmulatorName() const override;
    int preferredEmulator(int recordIndex, const std::string& fileName) const override;
    SystemLog& systemLog() override { return log_; }
    void systemLogChanged() override { notices_.systemLogChanged(); }
    void recordLaunch(int hardwareIndex, const LaunchRequest& request) override;
    void setLastLaunchedFile(const std::string& name) override {
        lastLaunchedFile_ = name;
        notices_.lastLaunchedFileChanged();
    }
    void emulatorEnded(const EmulatorSession& run) override {
        if (whenEnded_) whenEnded_(run);
        notices_.emulatorEnded(run);
    }
    void padMappingWanted(int pid, const PadProfile& profile) override {
        notices_.padMappingWanted(pid, profile);
    }
    ProcessRunner& processes() override { return host_.processes; }
    Desktop& desktop() override { return host_.desktop; }
    SoundPlayer& sound() override { return host_.sound; }
    WindowControl& windows() override { return host_.windows; }
    Clock& clock() override { return host_.clock; }
    BusyHold holdBusy() override { return std::make_shared<BusyGuard::Scope>(busy_); }

    bool recentFileExists(const RecentLaunch& entry) const;

    HardwareSession& session_;
    MainSettings& settings_;
    const PlusSettings& plus_;
    const ProgramFolder& folder_;
    const FileListController& fileList_;
    Host host_;
    ApplicationListener& notices_;
    BusyGuard& busy_;
    SystemLog log_;
    std::string lastLaunchedFile_;
    std::function<void(const EmulatorSession&)> whenEnded_;
    LaunchExecutor executor_{*this};
};

}  // namespace romshelf
