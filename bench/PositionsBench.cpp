// PositionsBench.cpp — hit-testing a point on a full hex page through the positions record.
#include "QXBinHex.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

namespace {

void BM_PosFromPoint(benchmark::State& state) {
    QByteArray data(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    TQXBinHex viewer;
    viewer.setMode(TQXBinHex::vbmodeHex);
    viewer.show();
    const QSize frame = viewer.size() - viewer.viewport()->size();
    viewer.resize(1920 + frame.width(), 1080 + frame.height());
    viewer.OpenStream(&buffer, true);
    viewer.GoToPos(4096);
    const QFont font = viewer.TextFont();
    const auto options = viewer.OutputOptions(false);
    const auto& rec = viewer.StrPositions;
    const int y = (rec.Count - 1) * viewer.LineHeight + 1;
    const int x = rec.Entries[0].X + 12 * viewer.CharWidth + 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(rec.PosFromPoint(font, x, y, false, options));
}
BENCHMARK(BM_PosFromPoint)->Unit(benchmark::kMicrosecond);

} // namespace
