// QXBinHexMarkView.cpp — the marks as the control shows them: its operations on them, their
// drawing over the cells and characters of a line, and their tool tips.
#include "QXBinHex_p.h"

#include <QHelpEvent>
#include <QToolTip>
#include <algorithm>

// ---- Operations ---------------------------------------------------------------------------------

qint64 TQXBinHex::AddMark(TOffset start, TOffset length, const QColor& backColor,
                          const QColor& textColor, const QString& hint) {
    const qint64 id = d->Marks.Add(start, length, backColor, textColor, hint);
    if (id != 0)
        d->MarksChanged();
    return id;
}

bool TQXBinHex::RemoveMark(qint64 id) {
    if (!d->Marks.Remove(id))
        return false;
    d->MarksChanged();
    return true;
}

void TQXBinHex::ClearMarks() {
    if (d->Marks.Count() == 0)
        return;
    d->Marks.Clear();
    d->MarksChanged();
}

int TQXBinHex::MarkCount() const {
    return d->Marks.Count();
}

QList<TQXBinHexMark> TQXBinHex::Marks(TOffset start, TOffset length) const {
    return d->Marks.Covering(start, length);
}

TQXBinHexMark TQXBinHex::MarkAt(TOffset pos) const {
    return d->Marks.At(pos);
}

void TQXBinHexPrivate::MarksChanged() {
    // The page image is drawn by Redraw alone; a caller adding thousands of marks gets one drawing
    // when control returns to the event loop. The marks' generation is in the page state, so
    // that drawing does not shift a page drawn with other marks.
    if (!MarksRedrawPosted) {
        MarksRedrawPosted = true;
        QMetaObject::invokeMethod(
            q,
            [this] {
                MarksRedrawPosted = false;
                Redraw();
            },
            Qt::QueuedConnection);
    }
    Q_EMIT q->marksChanged();
}

// ---- Drawing ------------------------------------------------------------------------------------

bool TQXBinHexPrivate::DrawMarkedCells(TPageCanvas& page, const binhex::TLineLayout& layout,
                                       TOffset linePos, int y, int count) {
    const int unitBytes = layout.UnitBytes();
    Marks.Runs(linePos, count, unitBytes, MarkRuns);
    if (MarkRuns.empty())
        return false;
    const int w = CharWidth;
    const int left = LeftMargin() - HViewPos;
    const int digitsWidth = 2 * unitBytes * w;
    for (const binhex::TMarkSet::TRun& run : MarkRuns) {
        const TQXBinHexMark& mark = Marks.Item(run.Mark);
        // One band from the first cell's digits to the last one's, over the blanks between.
        const int x0 = left + layout.CellStart(run.From) * w;
        const int x1 = left + layout.CellStart(run.To - 1) * w + digitsWidth;
        page.Painter.fillRect(QRect(x0, y, x1 - x0, LineHeight), mark.BackColor);
        const QColor* color = mark.TextColor.isValid() ? &mark.TextColor : nullptr;
        if (page.GlyphRuns) {
            DrawCellRunGlyphs(page, layout, linePos, y, run.From, run.To, color);
            continue;
        }
        for (int j = run.From; j < run.To; ++j) {
            page.Painter.setPen(color ? *color : (j % 4 < 2 ? page.Colors.Hex : page.Colors.Hex2));
            page.Painter.drawText(left + layout.CellStart(j) * w, y + page.Ascent,
                                  GetHex(linePos + static_cast<TOffset>(unitBytes) * j));
        }
    }
    page.Painter.setPen(page.Colors.Text);
    return true;
}

void TQXBinHexPrivate::DrawMarkedChars(TPageCanvas& page, const QString& str, int x, int y,
                                       TOffset startPos) {
    const int length = static_cast<int>(std::min<qsizetype>(str.size(), MaxExtentChars));
    Marks.Runs(startPos, length, CharSize(), MarkRuns);
    if (MarkRuns.empty())
        return;
    TExtents extents;
    if (!OutputTextExtents(page.Font, str, extents, page.Options))
        return;
    for (const binhex::TMarkSet::TRun& run : MarkRuns) {
        const TQXBinHexMark& mark = Marks.Item(run.Mark);
        const int from = extents[static_cast<size_t>(run.From)];
        const int to = extents[static_cast<size_t>(run.To)];
        page.Painter.fillRect(QRect(x + from, y, to - from, LineHeight), mark.BackColor);
        page.Painter.setPen(mark.TextColor.isValid() ? mark.TextColor : page.Colors.Text);
        const QString chars = str.mid(run.From, run.To - run.From);
        if (!page.GlyphRuns ||
            !DrawSimpleGlyphs(page, PrepareOutputText(chars, page.Options), x + from, y))
            DrawOutputText(page.Painter, x + from, y, page.Options, chars);
    }
    page.Painter.setPen(page.Colors.Text);
}

// ---- Tool tips ----------------------------------------------------------------------------------

bool TQXBinHexPrivate::ShowMarkTip(QHelpEvent* event) {
    const TOffset pos = Marks.Count() == 0
                            ? -1
                            : StrPositions.CharAtPoint(TextFont(), event->pos().x(),
                                                       event->pos().y(), OutputOptions(false));
    const QString hint = pos >= 0 ? Marks.At(pos).Hint : QString();
    if (hint.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return false;
    }
    QToolTip::showText(event->globalPos(), hint, q->viewport());
    event->accept();
    return true;
}
