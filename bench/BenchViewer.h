// BenchViewer.h — a shown viewer with a page of a chosen size, and the patterned 1 MiB source, for
// the widget benchmarks. Only the control's public API is used (bench.sh builds these benchmarks
// against an older tree too).
#pragma once

#include "QXBinHex.h"

#include <QByteArray>

namespace bench {

// Shows viewer in mode with a page (its viewport) of width × height pixels.
inline void ShowPage(TQXBinHex& viewer, int width, int height,
                     TQXBinHex::TQXBinHexMode mode = TQXBinHex::vbmodeHex) {
    viewer.setMode(mode);
    viewer.show();
    const QSize frame = viewer.size() - viewer.viewport()->size();
    viewer.resize(width + frame.width(), height + frame.height());
}

// 1 MiB whose byte i is i × 7 (mod 256).
inline QByteArray PatternMiB() {
    QByteArray data(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    return data;
}

} // namespace bench
