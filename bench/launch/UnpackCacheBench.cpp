// A launch's unpack of a 256 MB zipped image: the first launch unpacks it into the cache, the
// second takes the kept image (a hard link into TEMP). Goal: the second within 0.1 of the first.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

#include "core/launch/UnpackCache.h"

namespace {

namespace stdfs = std::filesystem;

constexpr std::size_t kImageSize = 256u << 20;

// The archive is made once per run with the real zip, in a scratch folder.
class Sample {
public:
    Sample() {
        std::string pattern = (stdfs::temp_directory_path() / "romshelf-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
        root_ = pattern + "/";
        stdfs::create_directories(root_ + "temp");
        // Bytes of six bits each: an image that packs to about three quarters, as ROMs do.
        std::string image(kImageSize, '\0');
        std::uint32_t x = 2463534242u;
        for (char& c : image) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x & 0x3F);
        }
        std::ofstream(root_ + "game.iso", std::ios::binary) << image;
        const std::string command = "cd " + root_ + " && zip -q -X game.zip game.iso";
        if (std::system(command.c_str()) != 0) throw std::runtime_error("zip failed");
        stdfs::remove(root_ + "game.iso");
    }
    ~Sample() {
        std::error_code ec;
        stdfs::remove_all(root_, ec);
    }
    std::string archive() const { return root_ + "game.zip"; }
    std::string temp() const { return root_ + "temp/"; }
    std::string cache() const { return root_ + "cache/unpacked/"; }

private:
    std::string root_;
};

double secondsOf(const std::function<bool()>& step) {
    const auto begin = std::chrono::steady_clock::now();
    if (!step()) throw std::runtime_error("the step failed");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

// Each iteration: a first launch on an empty cache, then a second; the time is the second's.
void BM_SecondLaunchAgainstFirst(benchmark::State& state) {
    static const Sample sample;
    romshelf::UnpackCache cache(sample.cache(), 4ull << 30);
    double first = 0, second = 0;
    for (auto _ : state) {
        cache.clear();
        stdfs::remove(sample.temp() + "game.iso");
        first += secondsOf([&] {
            return cache.unpack(sample.archive(), {}, sample.temp()).outcome ==
                   romshelf::UnpackCache::Outcome::Unpacked;
        });
        stdfs::remove(sample.temp() + "game.iso");
        const double s =
            secondsOf([&] { return cache.reuse(sample.archive(), {}, sample.temp()).has_value(); });
        second += s;
        state.SetIterationTime(s);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["first_ms"] = first / n * 1e3;
    state.counters["second_ms"] = second / n * 1e3;
    state.counters["ratio_to_first"] = first > 0 ? second / first : 0;
}

BENCHMARK(BM_SecondLaunchAgainstFirst)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
