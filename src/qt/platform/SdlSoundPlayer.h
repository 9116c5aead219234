#pragma once

#include <memory>

#include "core/platform/SoundPlayer.h"

namespace romshelf {

// The media window's sound over SDL2_mixer: a MIDI (synthesised with a General MIDI soundfont)
// as the music, a WAVE on a channel of its own. The audio device opens at the first play; where
// there is none everything stays silent. SDL's mixer is one per process: so is this player.
class SdlSoundPlayer final : public SoundPlayer {
public:
    SdlSoundPlayer();
    ~SdlSoundPlayer() override;
    SdlSoundPlayer(const SdlSoundPlayer&) = delete;
    SdlSoundPlayer& operator=(const SdlSoundPlayer&) = delete;

    bool play(const std::string& path) override;
    void stop() override;

private:
    bool openDevice();

    struct Device;
    std::unique_ptr<Device> device_;
    bool unavailable_ = false;  // opening failed once: not tried again
};

}  // namespace romshelf
