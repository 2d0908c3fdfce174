// DrawBench.cpp — what the user waits for on a page of a 1 MiB source: a repaint of a hex page at
// the main window's viewer size and at full-screen size, one line down with its repaint in the hex,
// text and Unicode layouts, and moving to a new page of hex or of UTF-16 text over random data.
// Only the control's public API is used, so that the same source measures an older tree too
// (bench.sh).
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

void BM_RepaintHexPage(benchmark::State& state) {
    Viewer v(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
             TQXBinHex::vbmodeHex);
    for (auto _ : state) {
        v.viewer.Redraw();
        v.Repaint();
    }
}
BENCHMARK(BM_RepaintHexPage)
    ->Args({641, 297})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_LineDownHexPage(benchmark::State& state) {
    Viewer v(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
             TQXBinHex::vbmodeHex);
    // Far from the end of the source: a line down never stops there.
    constexpr int StepsPerRun = 4096;
    int steps = 0;
    for (auto _ : state) {
        if (++steps == StepsPerRun) {
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
BENCHMARK(BM_LineDownHexPage)
    ->Args({641, 297})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One line down and its repaint in a layout of lines of varying length, from StartPos for at most
// 2048 lines.
void LineDown(benchmark::State& state, TQXBinHex::TQXBinHexMode mode, const QByteArray& data) {
    Viewer v(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), mode, data);
    constexpr int StepsPerRun = 2048;
    int steps = 0;
    for (auto _ : state) {
        if (++steps == StepsPerRun || v.viewer.ViewAtEnd()) {
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

// Prose in the text layout, with links (highlighted: each page is drawn whole) and without.
void BM_LineDownTextPage(benchmark::State& state) {
    LineDown(state, TQXBinHex::vbmodeText, bench::Prose(1 << 20, state.range(2) != 0));
}
BENCHMARK(BM_LineDownTextPage)
    ->Args({641, 297, 1})
    ->Args({641, 297, 0})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 0})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Text mixing scripts, marks and emoji in the Unicode layout.
void BM_LineDownUnicodePage(benchmark::State& state) {
    LineDown(state, TQXBinHex::vbmodeUnicode, bench::MixedUtf16(1 << 20));
}
BENCHMARK(BM_LineDownUnicodePage)
    ->Args({641, 297})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// A page not shown before, as BM_PageUnicodeRandom moves, in the hex layout.
void BM_PageHexRandom(benchmark::State& state) {
    Viewer v(641, 297, TQXBinHex::vbmodeHex);
    constexpr int64_t Step = 4096;
    int64_t pos = StartPos;
    for (auto _ : state) {
        pos = pos + Step < (int64_t(1) << 20) - Step ? pos + Step : StartPos;
        v.viewer.GoToPos(pos);
        v.Repaint();
    }
}
BENCHMARK(BM_PageHexRandom)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_PageUnicodeRandom(benchmark::State& state) {
    Viewer v(641, 297, TQXBinHex::vbmodeUnicode);
    // Each step shows a page not shown before (a page holds less than 4 KiB), until the end.
    constexpr int64_t Step = 4096;
    int64_t pos = StartPos;
    for (auto _ : state) {
        pos = pos + Step < (int64_t(1) << 20) - Step ? pos + Step : StartPos;
        v.viewer.GoToPos(pos);
        v.Repaint();
    }
}
BENCHMARK(BM_PageUnicodeRandom)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace
