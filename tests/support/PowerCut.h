#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/platform/FileSystem.h"

namespace romshelf::test {

// What a power cut at each rename would leave of one file (a journal, say): written bytes reach
// the disk only when flushed, and a new file's name only once its folder is flushed after it.
// Watches the file system's flushes and renames while it lives; one at a time.
class PowerCutWatch {
public:
    struct Rename {
        std::string from, to;
        // The watched file as the disk held it just before this rename; nullopt: not there.
        std::optional<std::string> fileOnDisk;
    };

    explicit PowerCutWatch(std::string file) {
        state() = State{std::move(file), std::nullopt, false, {}};
        fs::detail::watchDisk(&watch);
    }
    ~PowerCutWatch() { fs::detail::watchDisk(nullptr); }
    PowerCutWatch(const PowerCutWatch&) = delete;
    PowerCutWatch& operator=(const PowerCutWatch&) = delete;

    const std::vector<Rename>& renames() const { return state().renames; }

private:
    struct State {
        std::string file;
        std::optional<std::string> flushed;  // its bytes at its last flush
        bool named = false;                  // its folder was flushed after it existed
        std::vector<Rename> renames;
    };
    static State& state() {
        static State s;
        return s;
    }
    static void watch(const fs::detail::DiskEvent& e) {
        State& s = state();
        if (e.kind == fs::detail::DiskEvent::Kind::Renamed) {
            s.renames.push_back({e.path, e.to, s.named ? s.flushed : std::nullopt});
        } else if (e.path == s.file) {
            s.flushed = fs::readFile(s.file);
        } else if (e.path == fs::pathFolder(s.file) && fs::fileExists(s.file)) {
            s.named = true;
        }
    }
};

}  // namespace romshelf::test
