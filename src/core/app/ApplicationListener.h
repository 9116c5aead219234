#pragma once

#include <functional>

#include "core/launch/LaunchContext.h"

namespace romshelf {

// Told when something the windows show has changed. Every method does nothing by default, so a
// headless user (tests, the command-line companion) need not implement any of them.
class ApplicationListener {
public:
    virtual ~ApplicationListener() = default;
    virtual void hardwareComboChanged() {}
    virtual void emulatorComboChanged() {}
    virtual void recentFilesChanged() {}
    // The six category names changed (or another hardware's class name applies).
    virtual void categoryNamesChanged() {}
    // The category lists were read again.
    virtual void categoryListsChanged() {}
    // The file list's rows are rebuilt or sorted again by `rebuild`, which reads only the rows and
    // the current hardware's data. Until fileListChanged the window must not read the rows; it
    // may run `rebuild` on another thread while its event loop goes on, and returns once
    // `rebuild` has ended.
    virtual void fileListRebuilding(const std::function<void()>& rebuild) { rebuild(); }
    // The file list was rebuilt or sorted again.
    virtual void fileListChanged() {}
    // Work over the rows and the current hardware's data that reads them only, and changes
    // nothing the window shows (the files of a list gathered for the identity pass): the window
    // may run it on another thread while its event loop goes on, and returns once it has ended.
    virtual void besideEventLoop(const std::function<void()>& work) { work(); }
    // One row of the file list was changed in place by an edit (display position).
    virtual void fileListRowChanged(int /*row*/) {}
    // The file list's grid lines, alternate-row background or rename-OK colour may have changed.
    virtual void displayOptionsChanged() {}
    // A line was added to the system log: show it now, even in the middle of a launch.
    virtual void systemLogChanged() {}
    // An emulator the program started has ended: when, and how (after its line in the log).
    virtual void emulatorEnded(const EmulatorSession& /*run*/) {}
    // Emulator `pid` is to be given the pad as keys, as the built-in profile says.
    virtual void padMappingWanted(int /*pid*/, const PadProfile& /*profile*/) {}
    // The current hardware's data was loaded again, in this order of the reload: the snap and
    // media windows take the hardware's frame and the snap title its first snap folder; the
    // detail panes (file information, snap, media) are cleared; the folder window lists ROM
    // folders again; the capture tool forgets the last launched file (switches only).
    virtual void currentHardwareChanged() {}
    virtual void detailPanesCleared() {}
    virtual void folderWindowReset() {}
    virtual void captureToolReset() {}
    // A launch named the file whose snap the capture tool makes next.
    virtual void lastLaunchedFileChanged() {}
    // A layout command gave tool window `slot` a new placement: the window moves there.
    virtual void toolWindowPlaced(int /*slot*/) {}
};

// Passes every notice on to the listener of the moment (none: nobody is told).
class ListenerRelay : public ApplicationListener {
public:
    void setTarget(ApplicationListener* target) { target_ = target ? target : &nobody_; }
    void hardwareComboChanged() override { target_->hardwareComboChanged(); }
    void emulatorComboChanged() override { target_->emulatorComboChanged(); }
    void recentFilesChanged() override { target_->recentFilesChanged(); }
    void categoryNamesChanged() override { target_->categoryNamesChanged(); }
    void categoryListsChanged() override { target_->categoryListsChanged(); }
    void fileListRebuilding(const std::function<void()>& rebuild) override {
        target_->fileListRebuilding(rebuild);
    }
    void fileListChanged() override { target_->fileListChanged(); }
    void besideEventLoop(const std::function<void()>& work) override {
        target_->besideEventLoop(work);
    }
    void fileListRowChanged(int row) override { target_->fileListRowChanged(row); }
    void displayOptionsChanged() override { target_->displayOptionsChanged(); }
    void systemLogChanged() override { target_->systemLogChanged(); }
    void emulatorEnded(const EmulatorSession& run) override { target_->emulatorEnded(run); }
    void padMappingWanted(int pid, const PadProfile& profile) override {
        target_->padMappingWanted(pid, profile);
    }
    void currentHardwareChanged() override { target_->currentHardwareChanged(); }
    void detailPanesCleared() override { target_->detailPanesCleared(); }
    void folderWindowReset() override { target_->folderWindowReset(); }
    void captureToolReset() override { target_->captureToolReset(); }
    void lastLaunchedFileChanged() override { target_->lastLaunchedFileChanged(); }
    void toolWindowPlaced(int slot) override { target_->toolWindowPlaced(slot); }

private:
    ApplicationListener nobody_;
    ApplicationListener* target_ = &nobody_;
};

}  // namespace romshelf
