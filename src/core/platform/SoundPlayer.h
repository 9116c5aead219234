#pragma once

#include <string>

namespace romshelf {

// Background sound of the media window: a MIDI and a WAVE file may sound together, each played
// once from its beginning.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Replaces the sound of the file's kind (MIDI or WAVE). False when the file cannot be
    // played; nothing is shown.
    virtual bool play(const std::string& path) = 0;
    // Stops both.
    virtual void stop() = 0;
};

class SilentSoundPlayer : public SoundPlayer {
public:
    bool play(const std::string&) override { return false; }
    void stop() override {}
};

}  // namespace romshelf
