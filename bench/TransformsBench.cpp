// TransformsBench.cpp — the mirrors and the inversion on a 1 MiB image, on every code path this
// processor runs, next to a memcpy of 1 MiB in the same process. Counter x_memcpy: the time of one
// transformation over the time of one memcpy of 1 MiB (best of many, measured once at start);
// being an inverted rate, it is shown with an "s" suffix.
#include "ImageTransforms.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t ImageBytes = int64_t(1) << 20;

std::vector<uint8_t> Image() {
    std::vector<uint8_t> image(ImageBytes);
    for (int64_t i = 0; i < ImageBytes; ++i)
        image[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
    return image;
}

// The fastest of many short batches, so that a busy machine's interruptions drop out.
double MemcpySeconds() {
    static const double seconds = [] {
        const std::vector<uint8_t> from = Image();
        std::vector<uint8_t> to(ImageBytes);
        constexpr int Batch = 16;
        double best = 1e9;
        for (int round = 0; round < 200; ++round) {
            const auto start = std::chrono::steady_clock::now();
            for (int k = 0; k < Batch; ++k) {
                std::memcpy(to.data(), from.data(), ImageBytes);
                benchmark::ClobberMemory();
            }
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            best = std::min(best, elapsed.count() / Batch);
        }
        return best;
    }();
    return seconds;
}

void SetCounters(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * ImageBytes);
    // Iterations over elapsed seconds times the memcpy's seconds, inverted: the time per
    // iteration in memcpys.
    state.counters["x_memcpy"] =
        benchmark::Counter(MemcpySeconds(), benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
}

void BM_Memcpy(benchmark::State& state) {
    const std::vector<uint8_t> from = Image();
    std::vector<uint8_t> to(ImageBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), ImageBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state);
}

template <typename Transform> void Run(benchmark::State& state, TransformPath path, Transform f) {
    UseTransformPath(path);
    std::vector<uint8_t> image = Image();
    for (auto _ : state) {
        f(image.data(), ImageBytes);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state);
    UseTransformPath(AvailableTransformPaths().back());
}

// "operation/path", built up in place (a temporary concatenation trips a false -Wrestrict).
std::string Name(const char* operation, TransformPath path) {
    std::string name = operation;
    name += '/';
    name += TransformPathName(path);
    return name;
}

// What the transformations took before their vector paths: a plain reversal and a plain loop.
void BM_StdReverse(benchmark::State& state) {
    std::vector<uint8_t> image = Image();
    for (auto _ : state) {
        std::reverse(image.begin(), image.end());
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("Memcpy1MiB", BM_Memcpy);
    benchmark::RegisterBenchmark("StdReverse1MiB", BM_StdReverse);
    for (const TransformPath path : AvailableTransformPaths()) {
        benchmark::RegisterBenchmark(Name("MirrorBytes", path).c_str(),
                                     [path](auto& state) { Run(state, path, MirrorBytes); });
        benchmark::RegisterBenchmark(
            Name("MirrorWordsLowFirst", path).c_str(), [path](auto& state) {
                Run(state, path,
                    [](uint8_t* b, int64_t n) { MirrorWords(b, n, /*highByteFirst=*/false); });
            });
        benchmark::RegisterBenchmark(
            Name("MirrorWordsHighFirst", path).c_str(), [path](auto& state) {
                Run(state, path,
                    [](uint8_t* b, int64_t n) { MirrorWords(b, n, /*highByteFirst=*/true); });
            });
        benchmark::RegisterBenchmark(Name("Invert", path).c_str(),
                                     [path](auto& state) { Run(state, path, InvertBytes); });
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
