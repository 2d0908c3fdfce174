// TextBench.cpp — drawing a page of wrapped text at the main window's viewer size, and finding the
// URLs of a full page buffer.
#include "BenchViewer.h"
#include "QXUrlScan.h"

#include <QBuffer>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

void BM_RedrawTextPageWrapped(benchmark::State& state) {
    QBuffer buffer;
    buffer.setData(bench::Prose(1 << 20));
    buffer.open(QIODevice::ReadOnly);
    TQXBinHex viewer;
    viewer.setTextWrap(true);
    bench::ShowPage(viewer, 641, 297, TQXBinHex::vbmodeText);
    viewer.OpenStream(&buffer, true);
    viewer.ReadBuffer(4096);
    viewer.SetViewPos(viewer.FindLineStart(4096, /*forward=*/true, /*start=*/false),
                      /*redraw=*/false);
    for (auto _ : state) {
        viewer.Redraw();
        benchmark::DoNotOptimize(viewer.PageImage().constBits());
    }
    state.SetLabel(QStringLiteral("%1 lines, page %2x%3")
                       .arg(viewer.StrPositions().Count)
                       .arg(viewer.PageImage().width())
                       .arg(viewer.PageImage().height())
                       .toStdString());
}
BENCHMARK(BM_RedrawTextPageWrapped)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_ScanUrlsPageBuffer(benchmark::State& state) {
    const QByteArray page = bench::Prose(135000).left(135000);
    auto table = std::make_unique<TQXUrlArray>();
    int found = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(found = ScanUrls(page, 0, *table));
    state.SetLabel(std::to_string(found) + " URLs");
    state.SetBytesProcessed(state.iterations() * page.size());
}
BENCHMARK(BM_ScanUrlsPageBuffer)->Unit(benchmark::kMicrosecond);

} // namespace
