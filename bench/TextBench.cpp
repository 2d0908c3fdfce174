// TextBench.cpp — drawing a page of wrapped text at the main window's viewer size, and finding the
// URLs of a full page buffer.
#include "BenchViewer.h"
#include "QXUrlScan.h"

#include <QBuffer>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// Prose of words from 2 to 11 letters in lines of 20 to 400 characters, with a tab, a URL and an
// address now and then.
QByteArray Prose(int size) {
    QByteArray data;
    data.reserve(size + 512);
    uint32_t x = 12345;
    auto next = [&x](uint32_t n) {
        x = x * 1103515245u + 12345u;
        return (x >> 16) % n;
    };
    while (data.size() < size) {
        const int lineLength = 20 + static_cast<int>(next(380));
        const qsizetype start = data.size();
        while (data.size() - start < lineLength) {
            switch (next(40)) {
            case 0:
                data += "http://example.com/page?id=42 ";
                break;
            case 1:
                data += "someone@example.org ";
                break;
            case 2:
                data += '\t';
                break;
            default:
                for (uint32_t k = 2 + next(10); k > 0; --k)
                    data += static_cast<char>('a' + next(26));
                data += ' ';
            }
        }
        data += "\r\n";
    }
    return data;
}

void BM_RedrawTextPageWrapped(benchmark::State& state) {
    QBuffer buffer;
    buffer.setData(Prose(1 << 20));
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
    const QByteArray page = Prose(135000).left(135000);
    auto table = std::make_unique<TQXUrlArray>();
    int found = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(found = ScanUrls(page, 0, *table));
    state.SetLabel(std::to_string(found) + " URLs");
    state.SetBytesProcessed(state.iterations() * page.size());
}
BENCHMARK(BM_ScanUrlsPageBuffer)->Unit(benchmark::kMicrosecond);

} // namespace
