#include "core/platform/MappedReadGuard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "TempFolder.h"

namespace romshelf::test {
namespace {

// Four pages of a file, mapped, then the file cut to one and a half of them.
class CutMapping {
public:
    explicit CutMapping(const TempFolder& dir) {
        page_ = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        path_ = dir.write("cut", std::string(4 * page_, 'r'));
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        bytes_ = static_cast<const char*>(::mmap(nullptr, size(), PROT_READ, MAP_PRIVATE, fd_, 0));
        EXPECT_NE(bytes_, MAP_FAILED);
        EXPECT_EQ(::truncate(path_.c_str(), static_cast<off_t>(page_ + page_ / 2)), 0);
    }
    ~CutMapping() {
        ::munmap(const_cast<char*>(bytes_), size());
        ::close(fd_);
    }
    std::size_t size() const { return 4 * page_; }
    std::size_t page() const { return page_; }
    const char* bytes() const { return bytes_; }

    // The bytes read one by one, as a hash would: a volatile read is never left out.
    std::string readAll() const {
        std::string out(size(), '\0');
        for (std::size_t i = 0; i < size(); ++i)
            out[i] = static_cast<const volatile char*>(bytes_)[i];
        return out;
    }

private:
    std::size_t page_ = 0;
    std::string path_;
    int fd_ = -1;
    const char* bytes_ = nullptr;
};

TEST(MappedReadGuardTest, PagesPastTheCutReadAsZerosAndTheFaultIsTold) {
    TempFolder dir;
    const CutMapping m(dir);
    std::string read;
    bool faulted = false;
    {
        const MappedReadGuard guard(m.bytes(), m.size());
        EXPECT_FALSE(guard.faulted());
        read = m.readAll();
        faulted = guard.faulted();
    }
    EXPECT_TRUE(faulted);
    // The pages the file still has are its own bytes; its last page is zero past the cut, as the
    // kernel gives it; the pages past the file's end are the guard's zeros.
    const std::size_t cut = m.page() + m.page() / 2;
    EXPECT_EQ(read.substr(0, cut), std::string(cut, 'r'));
    EXPECT_EQ(read.substr(cut), std::string(m.size() - cut, '\0'));

    // A guard armed again starts with no fault told.
    const MappedReadGuard again(m.bytes(), m.size());
    EXPECT_FALSE(again.faulted());
}

TEST(MappedReadGuardTest, BytesWithinTheFileNeverFault) {
    TempFolder dir;
    const CutMapping m(dir);
    const MappedReadGuard guard(m.bytes(), m.page());
    char sum = 0;
    for (std::size_t i = 0; i < m.page(); ++i)
        sum ^= static_cast<const volatile char*>(m.bytes())[i];
    EXPECT_EQ(sum, 0);  // an even count of one letter
    EXPECT_FALSE(guard.faulted());
}

// Killed by the fault, or (under a sanitizer, whose handler came first) ended by its report,
// which exits or aborts.
bool endedByTheFault(int status) {
    return (WIFSIGNALED(status) && (WTERMSIG(status) == SIGBUS || WTERMSIG(status) == SIGABRT)) ||
           (WIFEXITED(status) && WEXITSTATUS(status) != 0);
}

// Only what a guard covers, and only on its own thread, is answered: any other fault still ends
// the program as before.
TEST(MappedReadGuardDeathTest, AFaultNoGuardCoversStillEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempFolder dir;
    // Outside the guarded bytes.
    EXPECT_EXIT(
        {
            const CutMapping m(dir);
            const MappedReadGuard guard(m.bytes(), m.page());
            (void)m.readAll();
            std::_Exit(0);
        },
        endedByTheFault, "");
    // After the guard is gone.
    EXPECT_EXIT(
        {
            const CutMapping m(dir);
            { const MappedReadGuard guard(m.bytes(), m.size()); }
            (void)m.readAll();
            std::_Exit(0);
        },
        endedByTheFault, "");
    // A SIGBUS sent by a program, not a fault, while a guard is armed: it ends the program as it
    // would without the guard.
    EXPECT_EXIT(
        {
            const CutMapping m(dir);
            const MappedReadGuard guard(m.bytes(), m.size());
            ::raise(SIGBUS);
            std::_Exit(0);
        },
        endedByTheFault, "");
    // On another thread than the guard's.
    EXPECT_EXIT(
        {
            const CutMapping m(dir);
            const MappedReadGuard guard(m.bytes(), m.size());
            std::thread([&m] { (void)m.readAll(); }).join();
            std::_Exit(0);
        },
        endedByTheFault, "");
}

}  // namespace
}  // namespace romshelf::test
