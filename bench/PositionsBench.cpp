// PositionsBench.cpp — hit-testing a point on a full hex page through the positions record.
#include "BenchViewer.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

namespace {

void BM_PosFromPoint(benchmark::State& state) {
    QByteArray data = bench::PatternMiB();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    TQXBinHex viewer;
    bench::ShowPage(viewer, 1920, 1080);
    viewer.OpenStream(&buffer, true);
    viewer.GoToPos(4096);
    const QFont font = viewer.TextFont();
    const auto options = viewer.OutputOptions(false);
    const auto& rec = viewer.StrPositions();
    const int y = (rec.Count - 1) * viewer.LineHeight() + 1;
    const int x = rec.Entries[0].X + 12 * viewer.CharWidth() + 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(rec.PosFromPoint(font, x, y, false, options));
}
BENCHMARK(BM_PosFromPoint)->Unit(benchmark::kMicrosecond);

} // namespace
