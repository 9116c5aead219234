#include "core/views/MediaPlayback.h"

#include <gtest/gtest.h>

#include <sstream>

#include "AppFixture.h"
#include "core/platform/FileSystem.h"

using namespace romshelf;
using V = std::vector<std::string>;

namespace {

// Media folders m1..m5 holding `files` (blank-separated, "m2/game.bmp").
struct Media {
    test::TempFolder dir;
    MediaFolderPaths folders;
    explicit Media(const std::string& files) {
        for (std::size_t i = 0; i < folders.size(); ++i)
            folders[i] = dir.makeFolder("m" + std::to_string(i + 1));
        std::istringstream in(files);
        for (std::string f; in >> f;) dir.write(f, "x");
    }
    std::string rel(const std::string& p) const {
        return p.empty() ? p : p.substr(dir.path().size());
    }
};

}  // namespace

TEST(MediaLookupTest, FirstFolderAndEntryOfEachKindPassingOverTheRom) {
    // The files, the one selected, the picture|midi|wave found, and whether the picture is a BMP.
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"m1/game.a m1/game.bmp", "game.a", "m1/game.bmp||", true},  // the ROM listed first
        {"m1/game.zip", "game.zip", "||", false},
        {"m1/game.zip m1/game.zip.bmp", "game.zip", "m1/game.zip.bmp||", true},
        // A sound listed before the picture is taken as the picture (and shows white).
        {"m1/game.mid m1/game.png", "game.zip", "m1/game.mid|m1/game.mid|", false},
        {"m1/game.wav", "game.zip", "m1/game.wav||m1/game.wav", false},
        {"m2/game.bmp m4/game.wav m5/game.mid", "game.zip", "m2/game.bmp|m5/game.mid|m4/game.wav",
         true},
        {"m3/GAME.MID m3/Game.Wav", "game.zip", "m3/GAME.MID|m3/GAME.MID|m3/Game.Wav", false},
        {"m1/game.midi m1/game2.mid m1/game", "game.lzh", "m1/game.midi||", false},
        {"m2/game.Bmp", "game.lzh", "m2/game.Bmp||", true},
        {"m1/a.b.png", "a.b.zip", "m1/a.b.png||", false},
        {"m1/game.bmp m1/game.mid", "g?me.zip", "||", false},  // names are no patterns
        {"m1/game.mid m2/game.wav", "", "||", false},          // nothing selected
    };
    // The same with the folders' listings kept between lookups, asked twice.
    for (const auto& [files, selected, expected, bmp] : cases) {
        Media m(files);
        fs::FolderListings listings;
        for (fs::FolderListings* kept :
             {static_cast<fs::FolderListings*>(nullptr), &listings, &listings}) {
            const MediaFiles f = lookUpMedia(m.folders, fs::pathTitle(selected), selected, kept);
            EXPECT_EQ(m.rel(f.picture) + "|" + m.rel(f.midi) + "|" + m.rel(f.wave), expected)
                << files << (kept ? " (kept)" : "");
            EXPECT_EQ(f.pictureIsBmp(), bmp) << files;
        }
    }
}

TEST(MediaPlaybackTest, EachNewSelectionRestartsItsSoundsAndStopsTheOthers) {
    Media m("m1/game.mid m1/game.wav m1/game.png m2/next.mid m3/only.wav");
    test::FakeSound sound;
    MediaPlayback media(sound);
    auto calls = [&] {
        V out;
        for (const std::string& c : sound.calls)
            out.push_back(c == "stop" ? c : "play " + m.rel(c.substr(5)));
        sound.calls.clear();
        return out;
    };
    EXPECT_TRUE(media.select("game.zip", 0, m.folders));
    EXPECT_EQ(m.rel(media.found().picture), "m1/game.mid");
    EXPECT_EQ(calls(), (V{"play m1/game.mid", "play m1/game.wav"}));
    EXPECT_FALSE(media.select("game.7z", 0, m.folders));  // same base name and folder
    EXPECT_EQ(calls(), V{});
    EXPECT_TRUE(media.select("game.7z", 1, m.folders));
    EXPECT_EQ(calls(), (V{"stop", "play m1/game.mid", "play m1/game.wav"}));
    EXPECT_TRUE(media.select("next.zip", 1, m.folders));
    EXPECT_EQ(calls(), (V{"stop", "play m2/next.mid"}));
    EXPECT_TRUE(media.select("only.zip", 1, m.folders));
    EXPECT_EQ(calls(), (V{"stop", "play m3/only.wav"}));
    EXPECT_TRUE(media.select("none.zip", 1, m.folders));
    EXPECT_EQ(calls(), V{"stop"});
    EXPECT_EQ(media.found().picture, "");
    EXPECT_TRUE(media.select("none.lzh", 2, m.folders));  // nothing sounds: nothing to stop
    EXPECT_EQ(calls(), V{});

    media.select("game.zip", 0, m.folders);
    calls();
    media.clearSelection(m.folders);
    EXPECT_EQ(calls(), V{"stop"});
    EXPECT_EQ(media.found().picture, "");
    EXPECT_TRUE(media.select("game.zip", 0, m.folders));  // the same file again
    EXPECT_EQ(calls(), (V{"play m1/game.mid", "play m1/game.wav"}));
    media.stopSound();
    media.stopSound();
    EXPECT_EQ(calls(), V{"stop"});
    EXPECT_TRUE(media.select("", -1, m.folders));
    EXPECT_EQ(calls(), V{});
}

using MediaExitTest = test::AppFixture;

TEST_F(MediaExitTest, TheSoundStopsAtExit) {
    app.startUp();
    ports.sound.calls.clear();
    app.shutDown();
    EXPECT_EQ(ports.sound.calls, V{"stop"});
}
