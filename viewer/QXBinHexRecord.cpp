// QXBinHexRecord.cpp — pages of the fixed-width layouts recorded without drawing them, and the
// page image brought up to date at the next paint or read.
#include "QXBinHex_p.h"

#include <QScopedValueRollback>
#include <algorithm>

bool TQXBinHexPrivate::RecordInsteadOfDrawing() {
    // DrawTo's own check of the buffer: a page it would refuse is left to it, to refuse now.
    const bool bufferHoldsPage = Buffer.Pos >= 0 && Buffer.Pos <= PosLast() &&
                                 binhex::BufferCovers(Buffer.Pos, BufMaxOffset, ViewPos);
    if (!RecordOnly || Drawing || IsTextLikeMode() || !BufferOK || FileSize < CharSize() ||
        !bufferHoldsPage)
        return false;
    TRedrawLockHold hold(RedrawLock);
    QScopedValueRollback<bool> drawing(Drawing, true);
    if (!PageStale) {
        PaintedPositions = StrPositions;
        PageStale = true;
    }
    // The passes of Redraw: a bar shown or hidden resizes the page.
    for (int pass = 0; pass < 3; ++pass) {
        RedrawPending = false;
        const QSize size = q->viewport()->size().expandedTo(QSize(1, 1));
        RecordFixedPage(StrPositions, size.width(), size.height());
        UpdateVertScrollBar();
        UpdateHorzScrollBar();
        if (!RedrawPending)
            break;
    }
    q->viewport()->update();
    return true;
}

void TQXBinHexPrivate::RecordFixedPage(TStrPositions& record, int width, int height) {
    ViewPageSize = 0;
    ViewAtEnd = false;
    // Measuring the font is the dearest part of a record; a key never changes the font.
    const QFont font = TextFont();
    const bool oem = TextFontIsOem();
    if (font.key() != RecordedFontKey || oem != RecordedFontOem) {
        RecordedFontMetrics = ReadFontMetrics(font, oem);
        RecordedFontKey = font.key();
        RecordedFontOem = oem;
    }
    const TFontMetricsInfo& metrics = RecordedFontMetrics;
    LineHeight = std::max(1, metrics.LineHeight + FTextLineSpacing);
    CharWidth = std::max(1, metrics.CharWidth);
    FirstPrintable = metrics.FirstPrintable;
    FontMonospaced = metrics.Monospaced;
    // The gutter of the fixed-width layouts has no line numbers: DrawGutter's narrow width.
    if (FTextGutter)
        GutterWidth = 10;

    FitWidths(binhex::ClampTextWidth((width - LeftMargin()) / CharWidth));
    const int linesNum = binhex::ClampInt((height - 2) / LineHeight, 0, binhex::MaxPageLines);
    const int lineSize = LineSize();
    ViewPageSize = static_cast<TOffset>(linesNum) * lineSize;
    record.ClearPositions(CharSize());

    const binhex::TLineLayout layout = LineLayout();
    const int unitBytes = layout.UnitBytes();
    const int w = CharWidth;
    const int left = LeftMargin() - HViewPos;
    const int lines = std::min(linesNum + 1, binhex::MaxPageLines);
    for (int i = 0; i < lines; ++i) {
        const TOffset lineOffset = static_cast<TOffset>(i) * lineSize;
        if (lineOffset >= FileSize - ViewPos)
            break;
        const TOffset linePos = ViewPos + lineOffset;
        const int y = i * LineHeight;
        if (FMode == vbmodeBinary) {
            const int count = static_cast<int>(std::min<TOffset>(lineSize, FileSize - linePos));
            record.AddString(ColumnText(linePos, count, 1), left, linePos, y);
            continue;
        }
        const int count =
            static_cast<int>(std::min<TOffset>(layout.Cells, (FileSize - linePos) / unitBytes));
        for (int j = 0; j < count; ++j)
            record.SetHexCell(j, left + layout.CellStart(j) * w, layout.CellUnits() * w,
                              layout.Cells);
        record.SetTextColumn(left + layout.TextColumn() * w);
        record.AddString(ColumnText(linePos, count, unitBytes), left + layout.CharsStart() * w,
                         linePos, y);
    }
    ViewAtEnd = ViewPos >= FileSize - static_cast<TOffset>(linesNum) * lineSize;
}

void TQXBinHexPrivate::PageDrawingStarts() {
    ++PagesDrawn;
    if (!PageStale)
        return;
    PageStale = false;
    StrPositions = std::move(PaintedPositions);
}

void TQXBinHexPrivate::UpdatePage() {
    if (!PageStale)
        return;
    QScopedValueRollback<bool> now(RecordOnly, false);
    Redraw();
}
