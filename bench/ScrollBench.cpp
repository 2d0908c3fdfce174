// ScrollBench.cpp — moving the view: random jumps in a sparse 16 GiB file (one buffer load and one
// page drawing each) and line-by-line scrolling through a 1 MiB image in hex mode.
#include "BenchViewer.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

namespace {

void BM_GoToPosSparse16GiB(benchmark::State& state) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("sparse.bin")));
    const int64_t size = int64_t(16) << 30;
    if (!file.open(QIODevice::WriteOnly) || !file.resize(size)) {
        state.SkipWithError("cannot make the sparse file");
        return;
    }
    file.close();
    TQXBinHex viewer;
    bench::ShowPage(viewer, 641, 297);
    viewer.Open(file.fileName(), true);
    std::mt19937_64 rng(42);
    for (auto _ : state) {
        viewer.GoToPos(static_cast<int64_t>(rng() % static_cast<uint64_t>(size)));
        benchmark::DoNotOptimize(viewer.ViewPos());
    }
}
BENCHMARK(BM_GoToPosSparse16GiB)
    ->Iterations(1000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_ScrollLineDownHex1MiB(benchmark::State& state) {
    QByteArray data = bench::PatternMiB();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    TQXBinHex viewer;
    bench::ShowPage(viewer, 641, 297);
    viewer.OpenStream(&buffer, true);
    for (auto _ : state) {
        if (viewer.ViewAtEnd())
            viewer.ScrollToBegin();
        viewer.ScrollLineDown(1);
        benchmark::DoNotOptimize(viewer.ViewPos());
    }
}
BENCHMARK(BM_ScrollLineDownHex1MiB)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace
