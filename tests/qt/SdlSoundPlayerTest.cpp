#include "qt/platform/SdlSoundPlayer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <thread>

#include "TempFolder.h"
#include "core/views/MediaPlayback.h"

using namespace romshelf;

namespace {

// Three half-second notes: a standard MIDI file of one track.
std::string tinyMidi() {
    std::string track;
    for (char note : {60, 64, 67})
        track += std::string{0x00, '\x90', note, 100, '\x83', 0x60, '\x80', note, 0};
    track += std::string("\x00\xff\x2f\x00", 4);
    std::string midi("MThd\0\0\0\6\0\0\0\1\1\xe0MTrk\0\0\0", 21);
    return midi + static_cast<char>(track.size()) + track;
}

// The same wrapped in RIFF, as some Windows MIDI files come.
std::string tinyRmid() {
    const std::string midi = tinyMidi();
    std::string riff = "RIFF" + std::string(4, '\0') + "RMIDdata" + std::string(4, '\0') + midi;
    riff[4] = static_cast<char>(riff.size() - 8);
    riff[16] = static_cast<char>(midi.size());
    return riff;
}

// Waits (a generous while, for a loaded machine) until `done`.
bool eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

}  // namespace

// Selecting a game with a MIDI in its media folder sounds it; selecting one without media
// silences it.
TEST(SdlSoundPlayerTest, ASelectedGamesMidiSoundsUntilAGameWithoutMediaIsSelected) {
    test::TempFolder dir;
    const std::string out = dir.file("audio.raw");
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    SdlSoundPlayer player;
    MediaPlayback playback(player);
    MediaFolderPaths media{dir.makeFolder("media")};
    dir.write("media/game.mid", tinyRmid());
    ASSERT_TRUE(playback.select("game.nes", 0, media));
    ASSERT_EQ(playback.found().midi, dir.file("media/game.mid"));
    EXPECT_TRUE(eventually(
        [&] { return dir.read("audio.raw").find_first_not_of('\0') != std::string::npos; }));

    ASSERT_TRUE(playback.select("quiet.nes", 0, media));
    const std::size_t stoppedAt = dir.read("audio.raw").size();
    // One buffer mixed before the stop may still be written; what follows is silence.
    const std::size_t buffer = 2048 * 2 * 2;
    ASSERT_TRUE(eventually([&] { return dir.read("audio.raw").size() >= stoppedAt + 4 * buffer; }));
    const std::string after = dir.read("audio.raw").substr(stoppedAt + buffer, 3 * buffer);
    EXPECT_EQ(after.find_first_not_of('\0'), std::string::npos);
}

TEST(SdlSoundPlayerTest, WithoutADeviceNothingSounds) {
    test::TempFolder dir;
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SdlSoundPlayer player;
    EXPECT_FALSE(player.play(dir.write("song.mid", tinyMidi())));
    player.stop();
    EXPECT_FALSE(player.play(dir.file("song.mid")));
}

TEST(SdlSoundPlayerTest, RefusesWhatIsNoSoundAndKeepsCtrlCForTheProgram) {
    test::TempFolder dir;
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::signal(SIGINT, SIG_DFL);
    SdlSoundPlayer player;
    ASSERT_EQ(::mkfifo(dir.file("fifo.wav").c_str(), 0600), 0);
    EXPECT_FALSE(player.play(dir.file("fifo.wav")));  // without waiting for a writer
    EXPECT_FALSE(player.play(dir.write("cut.mid", std::string("MThd\0\0\0\6", 8))));
    EXPECT_FALSE(player.play(dir.write("text.wav", "RIFF but not a wave")));
    EXPECT_FALSE(player.play(dir.file("missing.wav")));
    EXPECT_TRUE(player.play(dir.write("song.mid", tinyMidi())));
    // 8 kHz, mono, 8 bits: a tenth of a second of a square wave.
    std::string wave(
        "RIFF\x44\x03\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x40\x1f\0\0\x40\x1f\0\0\1\0\x08\0"
        "data\x20\x03\0\0",
        44);
    for (int i = 0; i < 800; ++i) wave += (i / 20 % 2) ? '\xc0' : '\x40';
    EXPECT_TRUE(player.play(dir.write("sound.wav", wave)));
    EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_DFL);
}
