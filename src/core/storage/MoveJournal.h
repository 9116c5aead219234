#pragma once

#include <optional>
#include <string>
#include <vector>

namespace romshelf {

// The intent journal of changes that move ROM files: each move is written down (and flushed to
// disk) before it happens, then its outcome, then that its companions followed, and a mark each
// time the records were saved. A run that is killed leaves the journal behind; the next start
// finishes what it says (the records and companions follow the files that moved), so that no
// file is parted from its record and nothing is moved twice. An append-only text file in the
// data folder, removed when the change is complete and saved.
class MoveJournal {
public:
    // What a journal entry moved: a file given a new name or folder, or an archive unpacked into
    // a new file (the archive itself may stay).
    enum class Kind { Move, Unpack };
    enum class State { Intended, Moved, Failed };
    struct Entry {
        int seq = 0;
        Kind kind = Kind::Move;
        std::string from, to;  // paths on disk
        int newFolder = -1;    // the ROM folder number the file lands in, -1 when none
        State state = State::Intended;
        bool followed = false;  // its record, companions and recent launches follow it already
    };
    // What a journal left behind: the hardware and the entries after the last save mark.
    struct Contents {
        std::string hardware;
        std::vector<Entry> entries;
    };

    explicit MoveJournal(std::string path) : path_(std::move(path)) {}
    ~MoveJournal();
    MoveJournal(const MoveJournal&) = delete;
    MoveJournal& operator=(const MoveJournal&) = delete;

    static std::string fileName() { return "romshelf-journal.txt"; }
    const std::string& path() const { return path_; }

    // Starts a journal for a change of `hardware`'s files (a journal left behind must be finished
    // first: it is replaced). False when it cannot be written: then nothing may move.
    bool begin(const std::string& hardware);
    // Writes down a move before it happens and flushes it; its number, or -1 when the journal
    // could not be written (the move must not happen then).
    int intend(Kind kind, const std::string& from, const std::string& to, int newFolder);
    // The outcome of move `seq`, and that its companions followed it. Not flushed by themselves:
    // the next flushed line takes them along, and a lost one is found out from the files.
    void moved(int seq, bool done);
    void followed(int seq);
    // The records and main settings were saved with every change before this line.
    bool saved();
    // The change is complete and saved: the journal goes.
    void finish();
    bool active() const { return fd_ >= 0; }
    // Why the journal could not be written last (an errno value), 0 when it could.
    int error() const { return error_; }

    // Reads a journal; nullopt when there is none. Lines cut short by a crash are ignored.
    static std::optional<Contents> read(const std::string& path);

private:
    bool append(const std::string& line, bool flush);

    std::string path_;
    int fd_ = -1;
    int next_ = 1;
    int error_ = 0;
};

}  // namespace romshelf
