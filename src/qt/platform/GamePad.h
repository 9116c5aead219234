#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

#include "core/pad/PadMapper.h"
#include "core/pad/PadNavigator.h"
#include "core/platform/Desktop.h"
#include "pad/SdlPads.h"

class QFileSystemWatcher;

namespace romshelf {

// The game controllers as the window reads them, on the GUI thread's event loop. Nothing runs
// while no pad is plugged in: a new device under /dev/input wakes it (and SDL then opens it), and
// only while a pad is open is it read, 60 times a second. It tells the window the pad's actions,
// the hotkey that ends the running game, and maps the pad to keys for an emulator that reads only
// the keyboard.
class GamePad : public QObject {
    Q_OBJECT
public:
    explicit GamePad(Desktop& desktop, QObject* parent = nullptr);
    ~GamePad() override;

    // Off: SDL is let go and nothing is read.
    void setEnabled(bool on);
    bool enabled() const { return pads_ != nullptr; }
    void setRepeat(int delayMs, int intervalMs) { navigator_.setRepeat(delayMs, intervalMs); }
    // An empty combination or a time of 0: no hotkey.
    void setQuitHotkey(std::vector<PadControl> combination, int holdMs);
    // While a game runs the pad is the game's: no actions, only the hotkey (and a mapping).
    void setGameRunning(bool running);

    // Maps the pad to keys for the windows of process `pid` until stopMapping(). Keys go only
    // while one of its windows has the focus: when another program (or ours) takes it, every
    // key is let go at once.
    void startMapping(int pid, const PadProfile& profile);
    void stopMapping();
    int mappedProcess() const { return mapper_ ? mappedPid_ : 0; }

    std::vector<PadInfo> joysticks() const;
    std::size_t connected() const { return pads_ ? pads_->connected() : 0; }
    const PadState& state() const { return state_; }

    // Reads the pads now (the timer does, and a plug-in notice).
    void poll();

Q_SIGNALS:
    void action(romshelf::PadAction action);
    void quitHotkey();
    // A pad came or went.
    void padsChanged();
    // What the pads hold changed (the test view).
    void stateChanged();

private:
    void sendKeys(const std::vector<KeyEvent>& events);
    void followConnections();

    Desktop& desktop_;
    std::unique_ptr<SdlPads> pads_;
    QTimer timer_;
    QFileSystemWatcher* watcher_ = nullptr;
    QElapsedTimer clock_;
    PadNavigator navigator_;
    PadHoldTrigger quit_;
    bool gameRunning_ = false;
    std::optional<PadMapper> mapper_;
    int mappedPid_ = 0;
    bool mapperHasFocus_ = false;
    PadState state_;
};

}  // namespace romshelf
