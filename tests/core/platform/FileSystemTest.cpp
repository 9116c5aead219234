#include "core/platform/FileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "TempFolder.h"
#include "core/storage/DataStream.h"

namespace romshelf::test {
namespace {

// Runs `read` beside the FIFO `fifo`. A reader that opens it the blocking way waits for a
// writer; after a while one comes and goes, so that such a reader fails the test instead of
// hanging it. True when `read` finished on its own.
bool finishesWithoutAWriter(const std::string& fifo, const std::function<void()>& read) {
    std::future<void> done = std::async(std::launch::async, read);
    bool alone = true;
    for (auto wait = std::chrono::seconds(5); done.wait_for(wait) != std::future_status::ready;
         wait = std::chrono::seconds(0)) {
        alone = false;
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    done.get();
    return alone;
}

struct Reader {
    const char* name;
    // The bytes read from `path` (the text in them when `readsText`), or nullopt when refused.
    std::function<std::optional<std::string>(const std::string& path, const TempFolder& dir)> read;
    bool readsText = false;
};

const Reader kReaders[] = {
    {"fs::readFile", [](const std::string& path, const TempFolder&) { return fs::readFile(path); }},
    {"fs::openRegularFile",
     [](const std::string& path, const TempFolder&) -> std::optional<std::string> {
         const int fd = fs::openRegularFile(path);
         if (fd < 0) return std::nullopt;
         std::string bytes(64, '\0');
         const ssize_t n = ::read(fd, bytes.data(), bytes.size());
         ::close(fd);
         return n < 0 ? std::nullopt : std::optional(bytes.substr(0, static_cast<std::size_t>(n)));
     }},
    {"fs::copyFile",
     [](const std::string& path, const TempFolder& dir) -> std::optional<std::string> {
         const std::string to = dir.file("copy");
         std::filesystem::remove(to);
         if (!fs::copyFile(path, to)) {
             EXPECT_FALSE(std::filesystem::exists(to));
             return std::nullopt;
         }
         return dir.read("copy");
     }},
    {"DataStream::openForReading",
     [](const std::string& path, const TempFolder&) -> std::optional<std::string> {
         DataStream stream;
         if (!stream.openForReading(path)) return std::nullopt;
         return stream.readRawString();
     },
     true},
};

TEST(RegularFilesOnly, FifosDevicesAndFoldersAreRefusedWithoutWaiting) {
    TempFolder dir;
    const std::string fifo = dir.file("RomData_FC.slb");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(fifo, dir.file("link-to-fifo.slb"));
    const std::string things[] = {fifo,
                                  dir.file("link-to-fifo.slb"),
                                  dir.makeFolder("folder.slb"),
                                  "/dev/null",
                                  "/dev/zero",
                                  dir.file("missing.slb"),
                                  ""};
    for (const Reader& reader : kReaders) {
        for (const std::string& path : things) {
            std::optional<std::string> read;
            EXPECT_TRUE(finishesWithoutAWriter(fifo, [&] { read = reader.read(path, dir); }))
                << reader.name << " waited on " << path;
            EXPECT_FALSE(read.has_value()) << reader.name << " read " << path;
        }
    }
}

TEST(RegularFilesOnly, FilesAndLinksToThemAreRead) {
    TempFolder dir;
    // A length-prefixed text, so that the data stream reads the same bytes back.
    const std::string bytes("\x04\x00\x00\x00text\x00", 9);
    const std::string file = dir.write("data.slb", bytes);
    std::filesystem::create_symlink(file, dir.file("link.slb"));
    for (const Reader& reader : kReaders) {
        for (const std::string& path : {file, dir.file("link.slb")}) {
            const std::optional<std::string> read = reader.read(path, dir);
            ASSERT_TRUE(read.has_value()) << reader.name << " " << path;
            EXPECT_EQ(*read, reader.readsText ? "text" : bytes) << reader.name << " " << path;
        }
    }
    // A descriptor handed out reads the blocking way, as every reader expects.
    const int fd = fs::openRegularFile(file);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    ::close(fd);
}

}  // namespace
}  // namespace romshelf::test
