// DetectBench.cpp — detect's search on a 1 MiB reference for each family it finds and for
// compositions, next to a byte comparison of the same pair in the same process. Counter
// x_compare: the time of one detection over the time of one comparison of two 1 MiB buffers
// counting the bytes that differ (best of many, measured once at start); shown with an "s" suffix
// because it is an inverted rate.
#include "Detect.h"
#include "support/RandomBytes.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <string>
#include <vector>

namespace {

using tool::DetectStep;
using Kind = DetectStep::Kind;

constexpr int64_t ImageBytes = int64_t(1) << 20;

int64_t CountDiffering(const tool::Bytes& a, const tool::Bytes& b) {
    int64_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i)
        differing += a[i] != b[i];
    return differing;
}

// The fastest of many short batches, so that a busy machine's interruptions drop out.
double CompareSeconds() {
    static const double seconds = [] {
        const tool::Bytes a = RandomBytes(ImageBytes, 1);
        tool::Bytes b = a;
        b[ImageBytes / 2] ^= 1;
        constexpr int Batch = 16;
        double best = 1e9;
        for (int round = 0; round < 200; ++round) {
            const auto start = std::chrono::steady_clock::now();
            for (int k = 0; k < Batch; ++k) {
                benchmark::DoNotOptimize(CountDiffering(a, b));
                benchmark::ClobberMemory();
            }
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            best = std::min(best, elapsed.count() / Batch);
        }
        return best;
    }();
    return seconds;
}

DetectStep Step(Kind kind, int size = 0, bool lowFirst = true) {
    DetectStep step;
    step.kind = kind;
    step.size = size;
    step.lowFirst = lowFirst;
    return step;
}

DetectStep Split(int ways, int width, int part) {
    DetectStep step = Step(Kind::Split);
    step.ways = ways;
    step.width = width;
    step.part = part;
    return step;
}

DetectStep Rewire(int lines, bool data) {
    DetectStep step = Step(Kind::Scramble);
    for (int i = 0; i < lines; ++i)
        step.wiring.addressLines.push_back((i * 7 + 3) % lines);
    step.wiring.addressXor = 0x5A5A5u & ((1u << lines) - 1);
    if (data) {
        step.wiring.dataLines = {2, 0, 1, 7, 5, 6, 3, 4};
        step.wiring.dataXor = 0xA5;
    }
    return step;
}

struct Case {
    const char* name;
    tool::Recipe recipe;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"identity", {}},
        {"mirror", {Step(Kind::Mirror, 1)}},
        {"mirror_words_low", {Step(Kind::Mirror, 2)}},
        {"mirror_words_high", {Step(Kind::Mirror, 2, false)}},
        {"swap_2", {Step(Kind::Swap, 2)}},
        {"swap_4", {Step(Kind::Swap, 4)}},
        {"swap_8", {Step(Kind::Swap, 8)}},
        {"bitrev", {Step(Kind::Bitrev)}},
        {"invert", {Step(Kind::Invert)}},
        {"data_lines_and_mask", {Rewire(0, true)}},
        {"split_2_part_1", {Split(2, 1, 1)}},
        {"split_4_width_2_part_3", {Split(4, 2, 3)}},
        {"address_lines_20", {Rewire(20, false)}},
        {"address_and_data_lines_20", {Rewire(20, true)}},
        {"split_swap_invert", {Split(2, 1, 0), Step(Kind::Swap, 2), Step(Kind::Invert)}},
        {"mirror_swap_bitrev", {Step(Kind::Mirror, 2), Step(Kind::Swap, 8), Step(Kind::Bitrev)}},
        {"lines_before_split_4", {Rewire(20, false), Split(4, 1, 2)}},
        {"split_2_width_2_lines_19", {Split(2, 2, 1), Rewire(19, true)}},
    };
    return cases;
}

void BM_Detect(benchmark::State& state, const Case& c, bool firmware) {
    const tool::Bytes reference =
        firmware ? FirmwareLikeBytes(ImageBytes, 7) : RandomBytes(ImageBytes, 7);
    const tool::Bytes dump = tool::ApplyRecipe(c.recipe, reference);
    double share = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(tool::DetectTransformation(reference, dump, &share));
    if (share < 1.0)
        state.SkipWithError("not found");
    // Iterations over elapsed seconds times the comparison's seconds, inverted: the time per
    // detection in comparisons.
    state.counters["x_compare"] =
        benchmark::Counter(CompareSeconds(), benchmark::Counter::kIsIterationInvariantRate |
                                                 benchmark::Counter::kInvert);
}

const bool Registered = [] {
    for (const Case& c : Cases())
        for (bool firmware : {false, true}) {
            // Built up in place: a temporary concatenation trips a false -Wrestrict.
            std::string name = "Detect/";
            name += firmware ? "firmware/" : "random/";
            name += c.name;
            benchmark::RegisterBenchmark(name.c_str(), [&c, firmware](benchmark::State& state) {
                BM_Detect(state, c, firmware);
            })->Unit(benchmark::kMillisecond);
        }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
