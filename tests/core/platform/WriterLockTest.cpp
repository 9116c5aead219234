#include "core/platform/WriterLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "TempFolder.h"

namespace romshelf::test {
namespace {

// A child process that holds the lock at `path` ("romshelf-cli rename") until it is killed; -1
// when it could not take it.
pid_t holderProcess(const std::string& path) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        WriterLock lock(path);
        const char ok = lock.tryAcquire("romshelf-cli rename") == WriterLock::Result::Acquired;
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    const bool told = ::read(ready[0], &ok, 1) == 1;
    ::close(ready[0]);
    ::close(ready[1]);
    if (told && ok) return child;
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -1;
}

TEST(WriterLock, OneHolderAtATimeAndTheOthersLearnWho) {
    TempFolder dir;
    const std::string path = dir.file("romshelf.lock");
    WriterLock window(path), command(path);
    ASSERT_EQ(window.tryAcquire("romshelf"), WriterLock::Result::Acquired);
    // Two holders in one process exclude each other too.
    EXPECT_EQ(command.tryAcquire("romshelf-cli set"), WriterLock::Result::Held);
    EXPECT_EQ(command.holder().pid, static_cast<long>(::getpid()));
    EXPECT_EQ(command.holder().role, "romshelf");
    EXPECT_EQ(describeHolder(command.holder()),
              "the window (romshelf, process " + std::to_string(::getpid()) + ")");
    int waited = 0;
    EXPECT_EQ(command.acquire(
                  "romshelf-cli set", 150, [&](const WriterLock::Holder&) { ++waited; }, 20),
              WriterLock::Result::Held);
    EXPECT_EQ(waited, 1);  // told once, however often it looked
    window.release();
    EXPECT_EQ(command.tryAcquire("romshelf-cli set"), WriterLock::Result::Acquired);
    EXPECT_EQ(window.tryAcquire("romshelf"), WriterLock::Result::Held);
    EXPECT_EQ(describeHolder(window.holder()),
              "another command (romshelf-cli set, process " + std::to_string(::getpid()) + ")");

    WriterLock nowhere(dir.file("missing/romshelf.lock"));
    EXPECT_EQ(nowhere.tryAcquire("romshelf"), WriterLock::Result::Failed);
}

// The kernel drops the lock of a process that dies, whatever killed it: no stale lock.
TEST(WriterLock, AHolderKilledLeavesNoLockBehind) {
    TempFolder dir;
    const std::string path = dir.file("romshelf.lock");
    const pid_t child = holderProcess(path);
    ASSERT_GT(child, 0);
    WriterLock mine(path);
    EXPECT_EQ(mine.tryAcquire("romshelf"), WriterLock::Result::Held);
    EXPECT_EQ(mine.holder().pid, static_cast<long>(child));
    EXPECT_EQ(mine.holder().role, "romshelf-cli rename");
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(mine.tryAcquire("romshelf"), WriterLock::Result::Acquired);
}

// The owner file beside the lock: the lock that other machines on a share see. Written here as
// another machine's program writes it.
std::string ownerFile(const std::string& host, const std::string& boot, long pid,
                      const std::string& role, long long heartbeat) {
    return "host=" + host + "\nboot=" + boot + "\npid=" + std::to_string(pid) + "\nrole=" + role +
           "\nheartbeat=" + std::to_string(heartbeat) + "\ntoken=other\n";
}

long long now() { return static_cast<long long>(std::time(nullptr)); }

TEST(WriterLock, AnotherMachinesLiveOwnerFileRefusesAndSaysWhereUnlessTakenOver) {
    TempFolder dir;
    const std::string path = dir.file("romshelf.lock");
    const std::string owner = ownerFile("nas-pc", "b00t", 4242, "romshelf", now() - 30);
    dir.write("romshelf.owner", owner);
    WriterLock lock(path);
    EXPECT_EQ(lock.ownerPath(), dir.file("romshelf.owner"));
    EXPECT_EQ(lock.tryAcquire("romshelf-cli set"), WriterLock::Result::Held);
    EXPECT_EQ(lock.holder().host, "nas-pc");
    EXPECT_EQ(lock.holder().pid, 4242);
    EXPECT_EQ(describeHolder(lock.holder()), "the window (romshelf, process 4242 on nas-pc)");
    // The window's messages are Japanese throughout.
    EXPECT_EQ(describeHolderInJapanese(lock.holder()),
              "ウィンドウ (romshelf、プロセスID 4242、コンピュータ nas-pc)");
    // Read before anything is written: the holder's file is as it was.
    EXPECT_EQ(dir.read("romshelf.owner"), owner);
    EXPECT_FALSE(lock.held());

    // Forced (the user says that program is gone): taken, and said from whom.
    EXPECT_EQ(lock.tryAcquire("romshelf-cli set", true), WriterLock::Result::Acquired);
    ASSERT_TRUE(lock.tookOverFrom().has_value());
    EXPECT_EQ(lock.tookOverFrom()->host, "nas-pc");
    const std::string mine = dir.read("romshelf.owner");
    EXPECT_NE(mine.find("host=" + WriterLock::thisHost() + "\n"), std::string::npos) << mine;
    EXPECT_NE(mine.find("pid=" + std::to_string(::getpid()) + "\n"), std::string::npos);
    EXPECT_NE(mine.find("role=romshelf-cli set\n"), std::string::npos);
    // A second program of this machine sees it through the owner file alone too.
    WriterLock other(path);
    EXPECT_EQ(other.tryAcquire("romshelf"), WriterLock::Result::Held);
    EXPECT_EQ(other.holder().role, "romshelf-cli set");
    lock.release();
    EXPECT_FALSE(std::filesystem::exists(dir.file("romshelf.owner")));
    EXPECT_EQ(other.tryAcquire("romshelf"), WriterLock::Result::Acquired);
    EXPECT_FALSE(other.tookOverFrom().has_value());
}

TEST(WriterLock, OwnerFilesOfHoldersThatAreGoneAreTakenOver) {
    // A process of this machine that has ended (a child, waited for), a heartbeat older than the
    // limit on another machine, this machine before its last boot, and a file cut before its
    // holder could finish it, old enough.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const long long stale = now() - WriterLock::kStaleSeconds - 5;
    const std::string host = WriterLock::thisHost(), boot = WriterLock::thisBoot();
    const std::pair<const char*, std::string> gone[] = {
        {"ended process", ownerFile(host, boot, child, "romshelf", now())},
        {"stale heartbeat", ownerFile("nas-pc", "b00t", 4242, "romshelf", stale)},
        {"earlier boot", ownerFile(host, "not-this-boot", ::getpid(), "romshelf", now())},
    };
    for (const auto& [what, text] : gone) {
        SCOPED_TRACE(what);
        TempFolder dir;
        dir.write("romshelf.owner", text);
        WriterLock lock(dir.file("romshelf.lock"));
        ASSERT_EQ(lock.tryAcquire("romshelf"), WriterLock::Result::Acquired);
        ASSERT_TRUE(lock.tookOverFrom().has_value());
        EXPECT_EQ(lock.tookOverFrom()->role, "romshelf");
        // Nothing is left of the stale file beside it.
        int entries = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
            ++entries;
        EXPECT_EQ(entries, 2);
    }
    // Alive: this process itself, and a fresh heartbeat just inside the limit elsewhere.
    const std::pair<const char*, std::string> alive[] = {
        {"live process", ownerFile(host, boot, ::getpid(), "romshelf", now())},
        {"fresh heartbeat", ownerFile("nas-pc", "b00t", 1, "romshelf", now() - 60)},
    };
    for (const auto& [what, text] : alive) {
        SCOPED_TRACE(what);
        TempFolder dir;
        dir.write("romshelf.owner", text);
        WriterLock lock(dir.file("romshelf.lock"));
        EXPECT_EQ(lock.tryAcquire("romshelf"), WriterLock::Result::Held);
        EXPECT_EQ(dir.read("romshelf.owner"), text);
    }
    // Half-written: refused while it may still be being written, taken once it is old.
    TempFolder dir;
    dir.write("romshelf.owner", "host=nas");
    WriterLock lock(dir.file("romshelf.lock"));
    EXPECT_EQ(lock.tryAcquire("romshelf"), WriterLock::Result::Held);
    const auto old = std::filesystem::file_time_type::clock::now() -
                     std::chrono::seconds(WriterLock::kStaleSeconds + 5);
    std::filesystem::last_write_time(dir.file("romshelf.owner"), old);
    EXPECT_EQ(lock.tryAcquire("romshelf"), WriterLock::Result::Acquired);
}

// A holder killed outright leaves its owner file; the next program of this machine sees that its
// process has ended and takes the folder.
TEST(WriterLock, AKilledHoldersOwnerFileIsTakenOverAtOnce) {
    TempFolder dir;
    const std::string path = dir.file("romshelf.lock");
    const pid_t child = holderProcess(path);
    ASSERT_GT(child, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("romshelf.owner")));
    ::kill(child, SIGKILL);
    // Not yet waited for: a zombie has ended all the same.
    ::usleep(100000);
    WriterLock mine(path);
    EXPECT_EQ(mine.tryAcquire("romshelf"), WriterLock::Result::Acquired);
    ASSERT_TRUE(mine.tookOverFrom().has_value());
    EXPECT_EQ(mine.tookOverFrom()->pid, static_cast<long>(child));
    ::waitpid(child, nullptr, 0);
}

}  // namespace
}  // namespace romshelf::test
