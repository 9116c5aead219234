#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "core/archive/LzhEncoder.h"

namespace {

using romshelf::archive::LzhMethod;

// 4 MB that behaves like a cartridge image: code-like text, fill runs, noise (graphics, sound)
// and blocks repeated from far back.
const std::string& romLikeBuffer() {
    static const std::string buffer = [] {
        std::mt19937 rng(20240601);
        static const char* const words[] = {"LDA",     "STA",    "JSR",  "RTS",  "BNE", "#$00",
                                            "($20),Y", "sprite", "tile", "bank", "\n",  " "};
        std::string out;
        while (out.size() < (4u << 20)) {
            switch (rng() % 4) {
                case 0:
                    for (int i = 0; i < 400; ++i) out += words[rng() % std::size(words)];
                    break;
                case 1:
                    out.append(256 + rng() % 4096, (rng() & 1) ? '\xFF' : '\0');
                    break;
                case 2:
                    for (int i = 0, n = 512 + rng() % 2048; i < n; ++i) {
                        out.push_back(static_cast<char>(rng() & 0xFF));
                    }
                    break;
                default:
                    if (out.size() > 100000) {
                        out += out.substr(rng() % (out.size() - 100000), 1000 + rng() % 8000);
                    }
                    break;
            }
        }
        out.resize(4u << 20);
        return out;
    }();
    return buffer;
}

void BM_LzhCompress(benchmark::State& state, LzhMethod method) {
    const std::string& input = romLikeBuffer();
    std::size_t packed = 0;
    for (auto _ : state) {
        const auto out = romshelf::archive::lzhCompress(input, method);
        packed = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
    state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(input.size());
}

BENCHMARK_CAPTURE(BM_LzhCompress, lh5, LzhMethod::Lh5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LzhCompress, lh6, LzhMethod::Lh6)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LzhCompress, lh7, LzhMethod::Lh7)->Unit(benchmark::kMillisecond);

}  // namespace
