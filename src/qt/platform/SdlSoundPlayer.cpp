#include "qt/platform/SdlSoundPlayer.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_mixer.h>

#include <climits>
#include <optional>

#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

// A longer recording is refused rather than held whole in memory.
constexpr std::uint64_t kMaxSoundBytes = 128ull * 1024 * 1024;
static_assert(kMaxSoundBytes <= INT_MAX, "SDL_RWFromConstMem takes an int size");
constexpr int kWaveChannel = 0;

// General MIDI soundfonts where distributions install them, the system's choice first.
constexpr const char* kSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/soundfonts/default.sf2",
};

bool isMidi(const std::string& bytes) {
    // A standard MIDI file, or one wrapped in RIFF (RMID).
    return bytes.starts_with("MThd") ||
           (bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.compare(8, 4, "RMID") == 0);
}

}  // namespace

struct SdlSoundPlayer::Device {
    Mix_Music* music = nullptr;
    std::string musicBytes;  // the music may read from them while it plays
    Mix_Chunk* wave = nullptr;

    ~Device() {
        haltMusic();
        haltWave();
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    void haltMusic() {
        if (!music) return;
        Mix_HaltMusic();
        Mix_FreeMusic(music);
        music = nullptr;
        musicBytes.clear();
    }
    void haltWave() {
        if (!wave) return;
        Mix_HaltChannel(kWaveChannel);
        Mix_FreeChunk(wave);
        wave = nullptr;
    }
};

SdlSoundPlayer::SdlSoundPlayer() = default;
SdlSoundPlayer::~SdlSoundPlayer() = default;

bool SdlSoundPlayer::openDevice() {
    if (device_ || unavailable_) return device_ != nullptr;
    unavailable_ = true;
    SDL_SetMainReady();
    // SDL would take SIGINT and SIGTERM from the program (and reset them when it quits).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    // SDL_SOUNDFONTS, when set, is the user's own choice.
    if (!SDL_getenv("SDL_SOUNDFONTS")) {
        for (const char* font : kSoundFonts) {
            if (!fs::fileExists(font)) continue;
            Mix_SetSoundFonts(font);
            break;
        }
    }
    Mix_Init(MIX_INIT_MID);
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    device_ = std::make_unique<Device>();
    unavailable_ = false;
    return true;
}

bool SdlSoundPlayer::play(const std::string& path) {
    if (!openDevice()) return false;
    // Read through the file helpers: a FIFO under a media name must not block the window.
    std::optional<std::string> bytes = fs::readFile(path, kMaxSoundBytes);
    if (!bytes) return false;
    if (isMidi(*bytes)) {
        device_->haltMusic();
        device_->musicBytes = std::move(*bytes);
        SDL_RWops* rw = SDL_RWFromConstMem(device_->musicBytes.data(),
                                           static_cast<int>(device_->musicBytes.size()));
        device_->music = Mix_LoadMUSType_RW(rw, MUS_MID, 1);
        return device_->music && Mix_PlayMusic(device_->music, 0) == 0;
    }
    device_->haltWave();
    SDL_RWops* rw = SDL_RWFromConstMem(bytes->data(), static_cast<int>(bytes->size()));
    device_->wave = Mix_LoadWAV_RW(rw, 1);  // decoded into the chunk's own memory
    return device_->wave && Mix_PlayChannel(kWaveChannel, device_->wave, 0) == kWaveChannel;
}

void SdlSoundPlayer::stop() {
    if (!device_) return;
    device_->haltMusic();
    device_->haltWave();
}

}  // namespace romshelf
