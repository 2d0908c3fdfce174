// MarksBench.cpp — what marks cost: the repaint of a hex page of a 1 GiB file with none, 1,000 and
// 100,000 marks spread over it (compare with none), and adding 100,000 marks until the first query
// has found one (compare with sorting 100,000 random 64-bit integers). Only the control's public
// API is used.
#include "BenchViewer.h"

#include <QCoreApplication>
#include <QTemporaryFile>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

constexpr int64_t FileSize = int64_t(1) << 30;
constexpr int MaxMarks = 100000;

struct Span {
    int64_t Start, Length;
};

// Marks at random places of the file, 1 to 256 bytes long; the first n of them are the set of n.
const std::vector<Span>& Spans() {
    static const std::vector<Span> spans = [] {
        std::mt19937_64 rng(1);
        std::vector<Span> s(MaxMarks);
        for (Span& m : s)
            m = {int64_t(rng() % (FileSize - 256)), 1 + int64_t(rng() % 256)};
        return s;
    }();
    return spans;
}

// A file of 1 GiB that takes no room on disk (it reads as zeros).
QString SparseFile() {
    static QTemporaryFile file;
    if (!file.isOpen() && (!file.open() || !file.resize(FileSize)))
        qFatal("cannot make the sparse file");
    return file.fileName();
}

void AddMarks(TQXBinHex& viewer, int n) {
    const std::vector<Span>& spans = Spans();
    for (int i = 0; i < n; ++i)
        viewer.AddMark(spans[size_t(i)].Start, spans[size_t(i)].Length,
                       i % 2 ? QColor(250, 230, 40) : QColor(40, 230, 250),
                       i % 3 ? QColor() : QColor(200, 0, 160));
}

// The hex page at width × height showing the first mark's line at the top (so that the sets of
// 1,000 and 100,000 marks both have marks on it) with the given number of marks.
void BM_RepaintHexPageWithMarks(benchmark::State& state) {
    TQXBinHex viewer;
    bench::ShowPage(viewer, int(state.range(0)), int(state.range(1)));
    viewer.Open(SparseFile(), true);
    AddMarks(viewer, int(state.range(2)));
    viewer.GoToPos(Spans().front().Start);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        viewer.Redraw();
        viewer.viewport()->repaint();
        benchmark::DoNotOptimize(viewer.PageImage().constBits());
    }
}
BENCHMARK(BM_RepaintHexPageWithMarks)
    ->ArgsProduct({{641}, {297}, {0, 1000, MaxMarks}})
    ->ArgsProduct({{1920}, {1080}, {0, 1000, MaxMarks}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Adding the marks and the first query, which indexes them.
void BM_AddMarks(benchmark::State& state) {
    TQXBinHex viewer;
    for (auto _ : state) {
        state.PauseTiming();
        viewer.ClearMarks();
        state.ResumeTiming();
        AddMarks(viewer, MaxMarks);
        benchmark::DoNotOptimize(viewer.MarkAt(Spans().back().Start).Id);
    }
}
BENCHMARK(BM_AddMarks)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_SortRandomUint64(benchmark::State& state) {
    std::mt19937_64 rng(2);
    std::vector<uint64_t> values(MaxMarks);
    for (uint64_t& v : values)
        v = rng();
    std::vector<uint64_t> work;
    for (auto _ : state) {
        state.PauseTiming();
        work = values;
        state.ResumeTiming();
        std::sort(work.begin(), work.end());
        benchmark::DoNotOptimize(work.data());
    }
}
BENCHMARK(BM_SortRandomUint64)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
