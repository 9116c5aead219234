// How a command comes into a program folder: each way it can stop, in the order it meets them.
#include "core/commands/CommandOpening.h"

#include <gtest/gtest.h>

#include "AppFixture.h"
#include "core/platform/WriterLock.h"

namespace romshelf::test {
namespace {

using Outcome = CommandEntry::Outcome;

class CommandOpeningTest : public AppFixture {
protected:
    CommandOpening writer(const std::string& code) {
        CommandOpening o;
        o.writerRole = "romshelf-cli set";
        o.waitMs = 0;
        o.code = code;
        return o;
    }
    // A fresh application on the same folder, as the next command would make.
    CommandEntry enter(const CommandOpening& o) {
        next = std::make_unique<Application>(ProgramFolder(dir.path()), ports.host());
        return enterForCommand(*next, o);
    }
    std::unique_ptr<Application> next;
};

TEST_F(CommandOpeningTest, AHeldFolderStopsAWriterBeforeAnythingIsReadAndAReaderGoesOn) {
    setUpHardware("FC");
    WriterLock window(app.writerLock().path());
    ASSERT_EQ(window.tryAcquire("romshelf"), WriterLock::Result::Acquired);

    CommandOpening o = writer("FC");
    std::vector<std::string> asked;
    o.takeOver = true;
    o.askTakeOver = [&](const WriterLock::Holder& h) {
        asked.push_back(h.role);
        return false;
    };
    const CommandEntry locked = enter(o);
    EXPECT_EQ(locked.outcome, Outcome::Locked);
    EXPECT_EQ(locked.exitStatus(), 75);
    EXPECT_EQ(asked, std::vector<std::string>{"romshelf"});
    EXPECT_TRUE(next->currentCode().empty());  // no hardware was started

    CommandOpening reader = writer("FC");
    reader.writerRole.clear();
    const CommandEntry read = enter(reader);
    EXPECT_EQ(read.outcome, Outcome::Opened);
    EXPECT_EQ(next->currentCode(), "FC");
}

TEST_F(CommandOpeningTest, AHardwareIsCheckedByCodeThenBySettings) {
    EXPECT_EQ(enter(writer("ZZ")).outcome, Outcome::UnknownHardware);
    EXPECT_EQ(enter(writer("ZZ")).exitStatus(), 64);
    EXPECT_EQ(enter(writer("FC")).outcome, Outcome::NoFolderSettings);
    EXPECT_EQ(enter(writer("FC")).exitStatus(), 2);
    // No code, and none set up: nothing to start.
    EXPECT_EQ(enter(writer("")).outcome, Outcome::NoHardware);
    setUpHardware("FC");
    const CommandEntry opened = enter(writer("FC"));
    EXPECT_EQ(opened.outcome, Outcome::Opened);
    EXPECT_EQ(opened.exitStatus(), 0);
    EXPECT_EQ(next->currentCode(), "FC");
    // The program folder alone: no hardware is started, whatever is set up.
    CommandOpening folderOnly = writer("");
    folderOnly.hardware = false;
    EXPECT_EQ(enter(folderOnly).outcome, Outcome::Opened);
    EXPECT_TRUE(next->currentCode().empty());
}

TEST_F(CommandOpeningTest, ADamagedCatalogueStopsAWriterOnlyAndIsNamed) {
    setUpHardware("FC");
    writeRecords("FC", {record("old", "Old Game"), record("taken", "Taken")});
    const std::string whole = dir.read("data/RomData_FC.slb");
    dir.write("data/RomData_FC.slb", whole.substr(0, whole.size() - 10));
    DataStream::forgetSeen(dir.file("data/RomData_FC.slb"));

    const CommandEntry refused = enter(writer("FC"));
    EXPECT_EQ(refused.outcome, Outcome::Damaged);
    EXPECT_EQ(refused.exitStatus(), 2);
    ASSERT_EQ(refused.damaged.size(), 1u);
    EXPECT_EQ(refused.damaged[0].path, dir.file("data/RomData_FC.slb"));

    CommandOpening reader = writer("FC");
    reader.writerRole.clear();
    EXPECT_EQ(enter(reader).outcome, Outcome::Opened);
}

}  // namespace
}  // namespace romshelf::test
