// Extracting the launchable member of an archive against a plain libarchive read of the same
// member, in the same run. The archives hold 63 small text members and a ~1 MB ROM listed
// last, the worst case for the member search. Goal: extract within 1.2x of the plain read.
#include <archive.h>
#include <archive_entry.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "core/archive/ArchiveExtractor.h"

namespace {

namespace stdfs = std::filesystem;

constexpr std::size_t kRomSize = 1024 * 1024;
constexpr int kTextMembers = 63;

// The archives are made once per run with the real archivers, in a scratch folder.
class Samples {
public:
    Samples() {
        std::string pattern = (stdfs::temp_directory_path() / "romshelf-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
        root_ = pattern + "/";
        stdfs::create_directories(root_ + "src");
        stdfs::create_directories(root_ + "out");
        std::string list;
        for (int i = 0; i < kTextMembers; ++i) {
            const std::string name = "note" + std::to_string(100 + i) + ".txt";
            std::ofstream(root_ + "src/" + name) << "member " << i << " of the benchmark archive\n";
            list += " " + name;
        }
        std::string rom(kRomSize, '\0');
        std::uint32_t x = 2463534242u;
        for (char& c : rom) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x & 0x3F);
        }
        std::ofstream(root_ + "src/game.nes", std::ios::binary) << rom;
        list += " game.nes";
        run("cd " + root_ + "src && zip -q -X ../pack.zip" + list);
        run("cd " + root_ + "src && 7z a -bd -y -ms=off ../pack.7z" + list + " >/dev/null");
    }
    ~Samples() {
        std::error_code ec;
        stdfs::remove_all(root_, ec);
    }

    std::string archive(const char* ext) const { return root_ + "pack" + ext; }
    std::string out() const { return root_ + "out/"; }

private:
    static void run(const std::string& command) {
        if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
    }
    std::string root_;
};

const Samples& samples() {
    static const Samples instance;
    return instance;
}

// The plain read: walk to the member by name and copy its data into a file.
bool plainRead(const std::string& path, bool sevenZip, const std::string& target) {
    struct archive* a = archive_read_new();
    if (sevenZip) {
        archive_read_support_format_7zip(a);
    } else {
        archive_read_support_format_zip(a);
    }
    bool ok = false;
    if (archive_read_open_filename(a, path.c_str(), 64 * 1024) == ARCHIVE_OK) {
        struct archive_entry* entry = nullptr;
        while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
            if (std::string(archive_entry_pathname(entry)) != "game.nes") continue;
            const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            const void* block = nullptr;
            std::size_t size = 0;
            la_int64_t offset = 0;
            int r = ARCHIVE_OK;
            while ((r = archive_read_data_block(a, &block, &size, &offset)) == ARCHIVE_OK) {
                if (::write(fd, block, size) != static_cast<ssize_t>(size)) break;
            }
            ::close(fd);
            ok = r == ARCHIVE_EOF;
            break;
        }
    }
    archive_read_free(a);
    return ok;
}

void BM_PlainRead(benchmark::State& state, const char* ext) {
    const std::string path = samples().archive(ext);
    const std::string target = samples().out() + "game.nes";
    for (auto _ : state) {
        if (!plainRead(path, std::string(ext) == ".7z", target)) state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kRomSize));
}

void BM_Extract(benchmark::State& state, const char* ext, bool flush) {
    const std::string path = samples().archive(ext);
    romshelf::archive::ExtractOptions options;
    options.flushToDisk = flush;
    for (auto _ : state) {
        if (romshelf::archive::extract(path, samples().out(), {}, options).empty()) {
            state.SkipWithError("extract failed");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kRomSize));
}

BENCHMARK_CAPTURE(BM_PlainRead, zip, ".zip")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Extract, zip, ".zip", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PlainRead, sevenzip_nonsolid, ".7z")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Extract, sevenzip_nonsolid, ".7z", false)->Unit(benchmark::kMicrosecond);
// With the flush to disk that a caller deleting the archive afterwards asks for.
BENCHMARK_CAPTURE(BM_Extract, zip_flushed, ".zip", true)->Unit(benchmark::kMicrosecond);

}  // namespace
