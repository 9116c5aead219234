#include "qt/platform/SdlSoundPlayer.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <SDL_mixer.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string_view>

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

std::uint32_t read32(std::string_view b, std::size_t at, bool bigEndian) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t{static_cast<unsigned char>(b[at + i])} << 8 * (bigEndian ? 3 - i : i);
    return v;
}

bool isRmid(std::string_view b) {
    return b.size() >= 12 && b.starts_with("RIFF") && b.substr(8, 4) == "RMID";
}

// The standard MIDI file in `bytes`, unwrapped from RIFF (RMID), which the synthesiser does not
// read itself; empty when there is none. Only the header is checked: whole, and a chunk after it.
std::string_view standardMidi(std::string_view bytes) {
    if (isRmid(bytes))
        bytes = bytes.size() >= 20 && bytes.substr(12, 4) == "data"
                    ? bytes.substr(20, read32(bytes, 16, false))
                    : std::string_view{};
    if (bytes.size() < 22 || !bytes.starts_with("MThd")) return {};
    const std::uint32_t headerLength = read32(bytes, 4, true);
    return headerLength >= 6 && headerLength <= bytes.size() - 16 ? bytes : std::string_view{};
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
    if (isRmid(*bytes) || bytes->starts_with("MThd")) {
        device_->haltMusic();
        const std::string_view midi = standardMidi(*bytes);
        if (midi.empty()) return false;
        device_->musicBytes = midi;
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
