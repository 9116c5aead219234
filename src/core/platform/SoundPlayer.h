#pragma once

#include <string>

namespace romshelf {

// Background sound of the media window: one MIDI or WAVE file at a time.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // False when the file cannot be played.
    virtual bool play(const std::string& path) = 0;
    virtual void stop() = 0;
};

class SilentSoundPlayer : public SoundPlayer {
public:
    bool play(const std::string&) override { return false; }
    void stop() override {}
};

}  // namespace romshelf
