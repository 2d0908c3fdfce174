// DrawBench.cpp — what the user waits for on a page of a 1 MiB source: a repaint of a hex page at
// the main window's viewer size and at full-screen size, one line down with its repaint, and
// moving to a new page of UTF-16 text over random data. Only the control's public API is used, so
// that the same source measures an older tree too (bench.sh).
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
    Viewer(int width, int height, TQXBinHex::TQXBinHexMode mode) {
        buffer.setData(Source());
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
