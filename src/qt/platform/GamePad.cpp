#include "qt/platform/GamePad.h"

#include <QDir>
#include <QFileSystemWatcher>

namespace romshelf {

namespace {

// Where the kernel makes the nodes of input devices: a new one there is a pad plugged in.
const char* const kInputDevices = "/dev/input";
constexpr int kReadMs = 16;  // 60 times a second

}  // namespace

GamePad::GamePad(Desktop& desktop, QObject* parent) : QObject(parent), desktop_(desktop) {
    clock_.start();
    timer_.setInterval(kReadMs);
    connect(&timer_, &QTimer::timeout, this, &GamePad::poll);
    setEnabled(true);
}

GamePad::~GamePad() { stopMapping(); }

void GamePad::setEnabled(bool on) {
    if (on == enabled()) return;
    if (!on) {
        stopMapping();
        timer_.stop();
        delete watcher_;
        watcher_ = nullptr;
        pads_.reset();
        state_ = PadState{};
        Q_EMIT padsChanged();
        return;
    }
    pads_ = std::make_unique<SdlPads>();
    if (QDir(QString::fromLatin1(kInputDevices)).exists()) {
        watcher_ = new QFileSystemWatcher({QString::fromLatin1(kInputDevices)}, this);
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &GamePad::poll);
    }
    poll();
    Q_EMIT padsChanged();
}

void GamePad::setQuitHotkey(std::vector<PadControl> combination, int holdMs) {
    quit_ = PadHoldTrigger(std::move(combination), holdMs);
}

void GamePad::setGameRunning(bool running) {
    if (running == gameRunning_) return;
    gameRunning_ = running;
    navigator_.setSuspended(running);
}

void GamePad::startMapping(int pid, const PadProfile& profile) {
    stopMapping();
    mapper_.emplace(profile);
    mappedPid_ = pid;
    mapperHasFocus_ = false;
    followConnections();
}

void GamePad::stopMapping() {
    if (!mapper_) return;
    sendKeys(mapper_->releaseAll());
    mapper_.reset();
    mappedPid_ = 0;
    followConnections();
}

std::vector<PadInfo> GamePad::joysticks() const {
    return pads_ ? pads_->joysticks() : std::vector<PadInfo>{};
}

void GamePad::sendKeys(const std::vector<KeyEvent>& events) {
    for (const KeyEvent& e : events) desktop_.keysym(e.keysym, e.down);
}

void GamePad::followConnections() {
    // Read only while something can be read.
    const bool reading = pads_ && pads_->connected() > 0;
    if (reading && !timer_.isActive()) timer_.start();
    if (!reading && timer_.isActive()) timer_.stop();
}

void GamePad::poll() {
    if (!pads_) return;
    const std::size_t before = pads_->connected();
    pads_->pump();
    const std::int64_t now = clock_.elapsed();
    const PadState state = pads_->state();
    const bool changed = !(state == state_);
    state_ = state;
    if (pads_->connected() != before) Q_EMIT padsChanged();
    followConnections();

    if (mapper_) {
        // Keys go to the emulator's window and nowhere else: never to ours, never to another
        // program that took the focus.
        const bool focus = desktop_.focusIsOfProcess(mappedPid_);
        if (!focus) {
            if (mapperHasFocus_) sendKeys(mapper_->releaseAll());
        } else {
            sendKeys(mapper_->update(state, now));
        }
        mapperHasFocus_ = focus;
    }
    if (quit_.update(state, now) && gameRunning_) Q_EMIT quitHotkey();
    for (const PadAction a : navigator_.update(state, now)) Q_EMIT action(a);
    if (changed) Q_EMIT stateChanged();
}

}  // namespace romshelf
