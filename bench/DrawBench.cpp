// DrawBench.cpp — what the user waits for on a page of a 1 MiB source: a repaint of a hex page at
// the main window's viewer size and at full-screen size, one line down with its repaint in the hex,
// text and Unicode layouts, and moving to a new page of hex or of UTF-16 text over random data or
// over text mixing scripts. Only the control's public API is used, so that the same source measures
// an older tree too (bench.sh).
#include "BenchViewer.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

namespace {

QByteArray Source() {
    QByteArray data(1 << 20, Qt::Uninitialized);
    uint32_t x = 12345;
    for (auto& c : data) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return data;
}

constexpr int64_t StartPos = 4096;

// A shown viewer whose page is width × height, showing the source from StartPos in mode.
struct Viewer {
    Viewer(int width, int height, TQXBinHex::TQXBinHexMode mode, QByteArray data = Source()) {
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        bench::ShowPage(viewer, width, height, mode);
        viewer.OpenStream(&buffer, true);
        viewer.GoToPos(StartPos);
    }
    void Repaint() {
        viewer.viewport()->repaint();
        benchmark::DoNotOptimize(viewer.PageImage().constBits());
    }
    QBuffer buffer;
    TQXBinHex viewer;
};

// Figures in milliseconds, only the aggregates of Runs runs reported.
template <int Runs> void Aggregated(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->Repetitions(Runs)->ReportAggregatesOnly(true);
}

// Figures for a page at the main window's viewer size and at full-screen size, five runs each.
void AtBothSizes(benchmark::internal::Benchmark* b) {
    b->Args({641, 297})->Args({1920, 1080})->Apply(Aggregated<5>);
}

void BM_RepaintHexPage(benchmark::State& state) {
    Viewer v(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
             TQXBinHex::vbmodeHex);
    for (auto _ : state) {
        v.viewer.Redraw();
        v.Repaint();
    }
}
BENCHMARK(BM_RepaintHexPage)->Apply(AtBothSizes);

// One line down and its repaint, from StartPos for at most stepsPerRun lines or to the end.
void LineDown(benchmark::State& state, TQXBinHex::TQXBinHexMode mode, const QByteArray& data,
              int stepsPerRun) {
    Viewer v(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), mode, data);
    int steps = 0;
    for (auto _ : state) {
        if (++steps == stepsPerRun || v.viewer.ViewAtEnd()) {
            state.PauseTiming();
            v.viewer.GoToPos(StartPos);
            v.Repaint();
            steps = 0;
            state.ResumeTiming();
        }
        v.viewer.ScrollLineDown(1);
        v.Repaint();
    }
}

// Far from the end of the source: a line down never stops there.
void BM_LineDownHexPage(benchmark::State& state) {
    LineDown(state, TQXBinHex::vbmodeHex, Source(), 4096);
}
BENCHMARK(BM_LineDownHexPage)->Apply(AtBothSizes);

// Prose in the text layout, with links (highlighted: each page is drawn whole) and without; as in
// the Unicode layout, lines of varying length, 2048 of them at the most.
void BM_LineDownTextPage(benchmark::State& state) {
    LineDown(state, TQXBinHex::vbmodeText, bench::Prose(1 << 20, state.range(2) != 0), 2048);
}
BENCHMARK(BM_LineDownTextPage)
    ->Args({641, 297, 1})
    ->Args({641, 297, 0})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 0})
    ->Apply(Aggregated<5>);

// Text mixing scripts, marks and emoji in the Unicode layout.
void BM_LineDownUnicodePage(benchmark::State& state) {
    LineDown(state, TQXBinHex::vbmodeUnicode, bench::MixedUtf16(1 << 20), 2048);
}
BENCHMARK(BM_LineDownUnicodePage)->Apply(AtBothSizes);

// A page not shown before at each step (a page holds less than 4 KiB), until the end, in a layout
// of fixed lines and in one of lines of varying length.
void PageRandom(benchmark::State& state, TQXBinHex::TQXBinHexMode mode,
                QByteArray data = Source()) {
    Viewer v(641, 297, mode, std::move(data));
    constexpr int64_t Step = 4096;
    int64_t pos = StartPos;
    for (auto _ : state) {
        pos = pos + Step < (int64_t(1) << 20) - Step ? pos + Step : StartPos;
        v.viewer.GoToPos(pos);
        v.Repaint();
    }
}

void BM_PageHexRandom(benchmark::State& state) {
    PageRandom(state, TQXBinHex::vbmodeHex);
}
BENCHMARK(BM_PageHexRandom)->Apply(Aggregated<3>);

void BM_PageUnicodeRandom(benchmark::State& state) {
    PageRandom(state, TQXBinHex::vbmodeUnicode);
}
BENCHMARK(BM_PageUnicodeRandom)->Apply(Aggregated<3>);

// The same steps over text mixing scripts, marks and emoji: what a user paging through real text
// waits for.
void BM_PageUnicodeMixed(benchmark::State& state) {
    PageRandom(state, TQXBinHex::vbmodeUnicode, bench::MixedUtf16(1 << 20));
}
BENCHMARK(BM_PageUnicodeMixed)->Apply(Aggregated<3>);

} // namespace
