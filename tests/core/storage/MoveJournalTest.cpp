#include "core/storage/MoveJournal.h"

#include <gtest/gtest.h>

#include <tuple>

#include "PowerCut.h"
#include "TempFolder.h"
#include "core/platform/FileSystem.h"

namespace romshelf::test {
namespace {

using Entry = MoveJournal::Entry;
using State = MoveJournal::State;
using Kind = MoveJournal::Kind;

auto fields(const Entry& e) {
    return std::tuple(e.seq, e.kind, e.from, e.to, e.newFolder, e.state, e.followed);
}

TEST(MoveJournal, ReadsBackWhatARunThatWasKilledWroteDown) {
    TempFolder dir;
    const std::string path = dir.file("journal.txt");
    EXPECT_FALSE(MoveJournal::read(path));
    {
        MoveJournal journal(path);
        ASSERT_TRUE(journal.begin("FC"));
        const int first = journal.intend(Kind::Move, "/r/a.nes", "/ok/Alpha.nes", 1);
        journal.moved(first, true);
        journal.followed(first);
        ASSERT_TRUE(journal.saved());  // what came before is on disk in the records
        // Names are bytes: a tab, a line feed and a backslash come back as they went.
        const int second = journal.intend(Kind::Move, "/r/b\t1\\.nes", "/ok/B\n2.nes", -1);
        journal.moved(second, false);
        const int third = journal.intend(Kind::Unpack, "/r/c.zip", "/r/Gamma.nes", 0);
        journal.moved(third, true);
        journal.intend(Kind::Move, "/r/d.nes", "/ok/Delta.nes", 1);
        // Killed here: the journal stays.
    }
    const auto contents = MoveJournal::read(path);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->hardware, "FC");
    ASSERT_EQ(contents->entries.size(), 3u);
    EXPECT_EQ(fields(contents->entries[0]),
              std::tuple(2, Kind::Move, "/r/b\t1\\.nes", "/ok/B\n2.nes", -1, State::Failed, false));
    EXPECT_EQ(fields(contents->entries[1]),
              std::tuple(3, Kind::Unpack, "/r/c.zip", "/r/Gamma.nes", 0, State::Moved, false));
    EXPECT_EQ(fields(contents->entries[2]),
              std::tuple(4, Kind::Move, "/r/d.nes", "/ok/Delta.nes", 1, State::Intended, false));

    // A line cut short by the kill is not read.
    const std::string whole = dir.read("journal.txt");
    dir.write("journal.txt", whole + "move\t5\tmove\t/r/e.nes\t/ok/E");
    EXPECT_EQ(MoveJournal::read(path)->entries.size(), 3u);
    // Not a journal of this program: nothing of it is taken.
    dir.write("journal.txt", "something else\nmove\t1\tmove\t/a\t/b\t0\n");
    EXPECT_TRUE(MoveJournal::read(path)->entries.empty());
}

TEST(MoveJournal, AFinishedChangeLeavesNoJournal) {
    TempFolder dir;
    const std::string path = dir.file("journal.txt");
    MoveJournal journal(path);
    ASSERT_TRUE(journal.begin("MD"));
    journal.moved(journal.intend(Kind::Move, "/a", "/b", 0), true);
    ASSERT_TRUE(journal.saved());
    journal.finish();
    EXPECT_FALSE(MoveJournal::read(path));
    // A journal that cannot be written: nothing may move.
    MoveJournal nowhere(dir.file("missing/journal.txt"));
    EXPECT_FALSE(nowhere.begin("MD"));
    EXPECT_EQ(nowhere.intend(Kind::Move, "/a", "/b", 0), -1);
}

// Each move is on the disk before intend() lets it happen: a power cut right after (no kill: the
// kernel's unwritten pages go too) leaves a journal that names it.
TEST(MoveJournal, AnIntendedMoveIsOnTheDiskBeforeItHappens) {
    TempFolder dir;
    const std::string path = dir.file("data/journal.txt");
    dir.makeFolder("data");
    dir.write("a.nes", "a");
    dir.write("b.nes", "b");
    PowerCutWatch watch(path);
    MoveJournal journal(path);
    ASSERT_TRUE(journal.begin("FC"));
    const std::pair<std::string, std::string> moves[] = {{dir.file("a.nes"), dir.file("A.nes")},
                                                         {dir.file("b.nes"), dir.file("B.nes")}};
    for (const auto& [from, to] : moves) {
        const int seq = journal.intend(Kind::Move, from, to, 0);
        ASSERT_GT(seq, 0);
        ASSERT_EQ(fs::moveFileNoReplace(from, to), fs::MoveResult::Moved);
        journal.moved(seq, true);
    }
    ASSERT_EQ(watch.renames().size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        const PowerCutWatch::Rename& cut = watch.renames()[k];
        ASSERT_TRUE(cut.fileOnDisk) << "the journal's name is not on the disk";
        dir.write("after-the-cut.txt", *cut.fileOnDisk);
        const auto left = MoveJournal::read(dir.file("after-the-cut.txt"));
        ASSERT_TRUE(left);
        EXPECT_EQ(left->hardware, "FC");
        ASSERT_EQ(left->entries.size(), k + 1);
        EXPECT_EQ(std::tie(left->entries[k].from, left->entries[k].to),
                  std::tie(moves[k].first, moves[k].second));
    }
}

}  // namespace
}  // namespace romshelf::test
