// DrawBench.cpp — drawing a hex page of a 1 MiB source at the main window's viewer size and at
// full-screen size, and hit-testing a point on a full page.
#include "QXBinHex.h"

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

// A shown viewer whose page is width × height, showing the source from a middle offset.
struct Viewer {
    Viewer(int width, int height) {
        buffer.setData(Source());
        buffer.open(QIODevice::ReadOnly);
        viewer.setMode(TQXBinHex::vbmodeHex);
        viewer.show();
        const QSize frame = viewer.size() - viewer.viewport()->size();
        viewer.resize(width + frame.width(), height + frame.height());
        viewer.OpenStream(&buffer, true);
        viewer.ReadBuffer(4096);
        viewer.ViewPos = 4096;
    }
    QBuffer buffer;
    TQXBinHex viewer;
};

void BM_RedrawHexPage(benchmark::State& state) {
    Viewer v(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        v.viewer.Redraw();
        benchmark::DoNotOptimize(v.viewer.PageImage().constBits());
    }
    state.SetLabel(QStringLiteral("%1 lines").arg(v.viewer.StrPositions.Count).toStdString());
}
BENCHMARK(BM_RedrawHexPage)
    ->Args({641, 297})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_PosFromPoint(benchmark::State& state) {
    Viewer v(1920, 1080);
    v.viewer.Redraw();
    const QFont font = v.viewer.TextFont();
    const auto options = v.viewer.OutputOptions(false);
    const auto& rec = v.viewer.StrPositions;
    const int y = (rec.Count - 1) * v.viewer.LineHeight + 1;
    const int x = rec.Entries[0].X + 12 * v.viewer.CharWidth + 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(rec.PosFromPoint(font, x, y, false, options));
}
BENCHMARK(BM_PosFromPoint)->Unit(benchmark::kMicrosecond);

} // namespace
