// QXBinHexDraw.cpp — the page image: hex, 16-bit hex and binary lines, highlights and selection,
// the read-error and empty pages, and copying the image to the screen; the glyph runs and the line
// shift are QXBinHexPageCache.cpp's.
#include "QXBinHex_p.h"

#include "QXViewerMsg.h"
#include "QXxAssert.h"
#include "QXxCodepages.h"
#include "QXxSProc.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

// The address of offset: the offset plus the base (neither negative, the sum below 2^64).
QString HexOffsetText(TOffset offset, TOffset base, int digits) {
    const uint64_t address = static_cast<uint64_t>(offset) + static_cast<uint64_t>(base);
    return QString::number(address, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

} // namespace

void TQXBinHexPrivate::TPageCanvas::Begin() {
    Painter.begin(&Target);
    Painter.setFont(Font);
    Painter.setPen(Colors.Text);
    SeparatorPen = QPen(Colors.Lines);
    SeparatorPen.setWidth(2);
    SeparatorPen.setCapStyle(Qt::FlatCap);
}

// ---- Settings of a drawing ----------------------------------------------------------------------

bool TQXBinHexPrivate::TextFontIsOem() const {
    return FMode != vbmodeUnicode && FMode != vbmodeUHex && FTextEncoding == EncodingOEM &&
           FTextOemSpecial;
}

QFont TQXBinHexPrivate::TextFont() const {
    QFont f = TextFontIsOem() ? FFontOEM : q->font();
    // Whole-pixel advances keep the character column on the same grid as the hex cells, and make
    // a string's width the sum of its characters' widths.
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setKerning(false);
    return f;
}

TColor TQXBinHexPrivate::TextFontColor() const {
    return TextFontIsOem() ? FFontOEMColor : FFontColor;
}

TColor TQXBinHexPrivate::EnabledColor(TColor color) const {
    return q->isEnabled() ? color : platform::clGrayText;
}

TQXBinHexOutputOptions TQXBinHexPrivate::OutputOptions(bool lineEnd) const {
    TQXBinHexOutputOptions o;
    o.ShowNonPrintable = FTextNonPrintable;
    o.ShowLineEnd = lineEnd;
    o.OemFont = TextFontIsOem();
    o.Monospaced = FontMonospaced;
    o.TabSize = FTextTabSize;
    return o;
}

int TQXBinHexPrivate::WidthInChars() const {
    const int w =
        CharWidth > 0
            ? (PageBitmap.deviceIndependentSize().toSize().width() - LeftMargin()) / CharWidth
            : binhex::MaxLength;
    return binhex::ClampTextWidth(w);
}

void TQXBinHexPrivate::FitWidths(int widthInChars) {
    using binhex::TLineLayout;
    if (FTextWidthFit)
        FTextWidth = TLineLayout::CellsFitting(binhex::ModeBinary, widthInChars, HexOffsetLen);
    if (FTextWidthFitHex)
        FTextWidthHex = binhex::ClampHexWidth(
            TLineLayout::CellsFitting(binhex::ModeHex, widthInChars, HexOffsetLen));
    if (FTextWidthFitUHex)
        FTextWidthUHex = binhex::ClampHexWidth(
            TLineLayout::CellsFitting(binhex::ModeUHex, widthInChars, HexOffsetLen));
}

binhex::TLineLayout TQXBinHexPrivate::LineLayout() const {
    const int cells =
        FMode == vbmodeHex ? FTextWidthHex : (FMode == vbmodeUHex ? FTextWidthUHex : FTextWidth);
    return {binhex::TViewMode(FMode), cells, HexOffsetLen};
}

// ---- Redraw and DrawTo --------------------------------------------------------------------------

void TQXBinHexPrivate::Redraw() {
    if (RecordInsteadOfDrawing())
        return;
    if (Drawing) {
        // Showing or hiding a scroll bar resizes the page while it is drawn: draw once more after.
        RedrawPending = true;
        return;
    }
    TRedrawLockHold hold(RedrawLock);
    QScopedValueRollback<bool> drawing(Drawing, true);
    PageDrawingStarts();
    for (int pass = 0; pass < 3; ++pass) {
        RedrawPending = false;
        const QSize size = q->viewport()->size().expandedTo(QSize(1, 1));
        if (FileSize < CharSize()) {
            ScrollBars.VertInfo = {};
            ScrollBars.HorzInfo = {};
            SetScrollBar(q->verticalScrollBar(), ScrollBars.VertInfo);
            SetScrollBar(q->horizontalScrollBar(), ScrollBars.HorzInfo);
            PrepareBitmap(PageBitmap, size.width(), size.height());
            // An empty page has nothing to hit.
            StrPositions.ClearPositions(CharSize());
        } else {
            FindHighlights();
            DrawTo(PageBitmap, size.width(), size.height(), &StrPositions);
            UpdateVertScrollBar();
            UpdateHorzScrollBar();
        }
        if (!RedrawPending)
            break;
    }
    q->viewport()->update();
}

void TQXBinHexPrivate::PrepareBitmap(QImage& target, int width, int height) {
    // The page has the device's pixels, so that text stays sharp on a high-density screen; it is
    // drawn in the widget's pixels all the same.
    const qreal ratio = q->viewport()->devicePixelRatioF();
    if (&target == &PageBitmap)
        PageCache.Valid = false;
    if (target.deviceIndependentSize().toSize() != QSize(width, height) ||
        target.devicePixelRatio() != ratio) {
        target = QImage(QSizeF(width * ratio, height * ratio).toSize(), QImage::Format_RGB32);
        target.setDevicePixelRatio(ratio);
    }
    target.fill(platform::ColorToQColor(FColor));
    if (FTextGutter) {
        QPainter canvas(&target);
        DrawGutter(canvas, height);
    }
}

void TQXBinHexPrivate::DrawGutter(QPainter& canvas, int height) {
    if (!FTextGutter)
        return;
    GutterWidth = 10;
    if (LineNumbersShown()) {
        canvas.setFont(FFontGutter);
        const int numberWidth =
            QFontMetrics(FFontGutter).horizontalAdvance(QString::number(TextModel.LineCount + 1));
        GutterWidth = std::max(10, numberWidth + 2);
    }
    canvas.fillRect(QRect(0, 0, GutterWidth, height), platform::ColorToQColor(FTextColorGutter));
}

void TQXBinHexPrivate::DrawTo(QImage& target, int width, int height, TStrPositions* positions) {
    if (Buffer.Pos < 0 || Buffer.Pos > PosLast() || ViewPos < Buffer.Pos ||
        ViewPos - Buffer.Pos > 2 * static_cast<TOffset>(BufMaxOffset)) {
        throw EAssertionFailed(
            QStringLiteral("Positions out of range: DrawTo\rBufferPos: %1, ViewPos: %2, "
                           "BufMaxOffset: %3")
                .arg(Buffer.Pos)
                .arg(ViewPos)
                .arg(BufMaxOffset)
                .toStdString());
    }
    ViewPageSize = 0;
    ViewAtEnd = false;

    TPageCanvas page(target, positions);
    page.Font = TextFont();
    const TFontMetricsInfo metrics = ReadFontMetrics(page.Font, TextFontIsOem());
    LineHeight = std::max(1, metrics.LineHeight + FTextLineSpacing);
    CharWidth = std::max(1, metrics.CharWidth);
    FirstPrintable = metrics.FirstPrintable;
    FontMonospaced = metrics.Monospaced;
    page.Ascent = QFontMetrics(page.Font).ascent();

    page.Colors.Back = platform::ColorToQColor(FColor);
    page.Colors.HexBack = platform::ColorToQColor(FTextColorHexBack);
    page.Colors.Text = platform::ColorToQColor(EnabledColor(TextFontColor()));
    page.Colors.Hex = platform::ColorToQColor(EnabledColor(FTextColorHex));
    page.Colors.Hex2 = platform::ColorToQColor(EnabledColor(FTextColorHex2));
    page.Colors.Lines = platform::ColorToQColor(EnabledColor(FTextColorLines));
    page.Colors.Error = platform::ColorToQColor(EnabledColor(FTextColorError));
    page.Colors.Url = platform::ColorToQColor(EnabledColor(FTextColorURL));
    page.Colors.Hi = platform::ColorToQColor(FTextColorHi);
    page.Options = OutputOptions(false);
    page.GlyphRuns = PageCache.UseGlyphRuns && PrepareDigitGlyphs(page.Font);

    auto fit = [&] {
        const int widthInChars = binhex::ClampTextWidth((width - LeftMargin()) / CharWidth);
        FitWidths(widthInChars);
        page.LinesNum = binhex::ClampInt((height - 2) / LineHeight, 0, binhex::MaxPageLines);
        ViewPageSize = static_cast<TOffset>(page.LinesNum) * LineSize();
    };
    page.FontHeight = QFontMetrics(page.Font).height();
    // Only the control's own page is remembered; the fixed-width modes without a gutter and the
    // text layouts can shift.
    const bool ownPage = &target == &PageBitmap && positions == &StrPositions;
    const bool shiftable =
        ownPage && BufferOK && (IsTextLikeMode() || !FTextGutter) && PageCache.UseLineShift;
    TPageCache::TState state;
    if (shiftable) {
        fit();
        state = PageState(page);
        state.Size = QSize(width, height);
        state.Ratio = q->viewport()->devicePixelRatioF();
        if (IsTextLikeMode() ? ShiftTextPage(page, state) : ShiftPage(page, state)) {
            RememberPage(page, state);
            ++PageCache.Shifts;
            return;
        }
    }
    if (ownPage)
        PageCache.Valid = false;

    PrepareBitmap(target, width, height);
    if (positions)
        positions->ClearPositions(CharSize());
    page.Begin();
    fit();

    if (!BufferOK) {
        DrawReadErrorPage(page);
        return;
    }
    switch (FMode) {
    case vbmodeHex:
    case vbmodeUHex:
        DrawCellLines(page, LineLayout());
        break;
    case vbmodeBinary:
        DrawBinaryLines(page);
        break;
    default:
        if (ownPage) {
            PageCache.TextLines.Clear();
            page.TextLines = &PageCache.TextLines;
        }
        DrawTextLines(page);
        if (ownPage)
            RememberTextPage();
        break;
    }
    if (shiftable)
        RememberPage(page, state);
}

// ---- Lines of the fixed layouts -----------------------------------------------------------------

QString TQXBinHexPrivate::ColumnText(TOffset linePos, int count, int step) {
    if (step == 2) {
        QString s;
        s.reserve(count);
        for (int j = 0; j < count; ++j)
            s += QChar(GetChar(linePos + 2 * j));
        return s;
    }
    QByteArray bytes(count, Qt::Uninitialized);
    for (int j = 0; j < count; ++j)
        bytes[j] = static_cast<char>(GetChar(linePos + j));
    if (TextFontIsOem())
        return OemGlyphs(bytes);
    return CodepageToUnicode(bytes, OneByteEncoding());
}

void TQXBinHexPrivate::DrawColumnText(TPageCanvas& page, const QString& str, int x, int y,
                                      TOffset startPos) {
    page.Painter.setPen(page.Colors.Text);
    if (!page.GlyphRuns || !DrawSimpleGlyphs(page, PrepareOutputText(str, page.Options), x, y))
        DrawOutputText(page.Painter, x, y, page.Options, str);
    InvertSelection(page, str, x, y, /*withHighlights=*/true, /*singleCell=*/false, startPos);
    if (page.Positions)
        page.Positions->AddString(str, x, startPos, y);
}

void TQXBinHexPrivate::DrawSeparators(TPageCanvas& page, int y, const binhex::TLineLayout& layout) {
    page.Painter.setPen(page.SeparatorPen);
    const int left = LeftMargin() - HViewPos;
    for (int k = 0; k < layout.SeparatorCount(); ++k) {
        const int x = left + layout.Separator(k) * CharWidth;
        page.Painter.drawLine(x, y, x, y + LineHeight);
    }
    page.Painter.setPen(page.Colors.Text);
}

// Lines of cells as the layout places them: the offset column, the tinted cell area with a gap in
// its middle, the character column and the separators.
void TQXBinHexPrivate::DrawCellLines(TPageCanvas& page, const binhex::TLineLayout& layout) {
    const int cells = layout.Cells;
    const int unitBytes = layout.UnitBytes();
    const int n = layout.BytesPerLine();
    const int cellUnits = layout.CellUnits();
    const int w = CharWidth;
    const int left = LeftMargin() - HViewPos;
    DrawFixedLines(page, n, [&](TOffset linePos, int y) {
        const TOffset lineBytes = FileSize - linePos;
        const int count = static_cast<int>(std::min<TOffset>(cells, lineBytes / unitBytes));
        if (page.GlyphRuns) {
            DrawCellGlyphs(page, layout, linePos, y, count);
        } else {
            page.Painter.setPen(page.Colors.Text);
            page.Painter.drawText(left, y + page.Ascent,
                                  HexOffsetText(linePos, AddressBase, layout.OffsetDigits) +
                                      QLatin1Char(':'));
            page.Painter.fillRect(
                QRect(left + layout.TintStart() * w, y, w * layout.TintUnits(), LineHeight + 1),
                page.Colors.HexBack);
        }
        const bool marked = Marks.Count() != 0 && DrawMarkedCells(page, layout, linePos, y, count);
        size_t markRun = 0;
        for (int j = 0; j < count; ++j) {
            const TOffset cellPos = linePos + static_cast<TOffset>(unitBytes) * j;
            const int x = left + layout.CellStart(j) * w;
            if (!page.GlyphRuns) {
                const QString cell = GetHex(cellPos);
                // A marked cell's digits are drawn with its mark.
                if (!marked || !binhex::TMarkSet::RunsCover(MarkRuns, markRun, j)) {
                    page.Painter.setPen(j % 4 < 2 ? page.Colors.Hex : page.Colors.Hex2);
                    page.Painter.drawText(x, y + page.Ascent, cell);
                }
                InvertSelection(page, cell, x, y, false, /*singleCell=*/true, cellPos);
            } else if (cellPos >= MarkStart && cellPos <= MarkStart + MarkLength - unitBytes) {
                // The glyphs are drawn already; only a selected cell needs its string.
                InvertSelection(page, GetHex(cellPos), x, y, false, /*singleCell=*/true, cellPos);
            }
            if (page.Positions)
                page.Positions->SetHexCell(j, x, cellUnits * w, cells);
        }
        if (page.Positions)
            page.Positions->SetTextColumn(left + layout.TextColumn() * w);
        DrawColumnText(page, ColumnText(linePos, count, unitBytes), left + layout.CharsStart() * w,
                       y, linePos);
        DrawSeparators(page, y, layout);
    });
}

void TQXBinHexPrivate::DrawBinaryLines(TPageCanvas& page) {
    const int n = FTextWidth;
    DrawFixedLines(page, n, [&](TOffset linePos, int y) {
        const int count = static_cast<int>(std::min<TOffset>(n, FileSize - linePos));
        DrawColumnText(page, ColumnText(linePos, count, 1), LeftMargin() - HViewPos, y, linePos);
    });
}

void TQXBinHexPrivate::DrawFixedLines(TPageCanvas& page, int lineSize,
                                      const std::function<void(TOffset linePos, int y)>& drawLine) {
    const int lines = std::min({page.LinesNum + 1, binhex::MaxPageLines, page.EndLine});
    for (int i = page.FirstLine + 1; i <= lines; ++i) {
        // Compared as distances from ViewPos, which cannot overflow near the largest offset.
        const TOffset lineOffset = static_cast<TOffset>(i - 1) * lineSize;
        if (lineOffset >= FileSize - ViewPos)
            break;
        drawLine(ViewPos + lineOffset, (i - 1) * LineHeight);
    }
    DrawGutter(page.Painter, page.Height());
    ViewAtEnd = ViewPos >= FileSize - static_cast<TOffset>(page.LinesNum) * lineSize;
}

// ---- Lines of the text modes --------------------------------------------------------------------

void TQXBinHexPrivate::DrawTextLines(TPageCanvas& page) {
    const int left = LeftMargin();
    const int lines = std::min({page.LinesNum + 1, binhex::MaxPageLines, page.EndLine});
    TOffset p = page.FirstPos >= 0 ? page.FirstPos : ViewPos;
    TOffset next = p;
    for (int i = page.FirstLine + 1; i <= lines; ++i) {
        TLineChars line;
        next = FindLineStart(p, /*forward=*/true, /*start=*/false, &line);
        if (page.TextLines)
            page.TextLines->Starts.push_back(p);
        const bool lineEnd = EndsWithBreak(p, line.Length);
        const bool startsLine = StartsTextLine(p);
        const int y = (i - 1) * LineHeight;

        page.Painter.setPen(page.Colors.Text);
        bool done = false;
        if (DrawLineObserved()) {
            const QString prepared = PrepareOutputText(line.Str, page.Options);
            const QString whole = TextAround(p);
            const QRect rect(0, y, page.Width(), LineHeight);
            const QPoint textPoint(left, y);
            if (OnDrawLine)
                OnDrawLine(q, &page.Painter, prepared, whole, rect, textPoint, done);
            Q_EMIT q->aboutToDrawLine(&page.Painter, prepared, whole, rect, textPoint, &done);
            page.Painter.setFont(page.Font);
            page.Painter.setPen(page.Colors.Text);
        }
        if (!done) {
            const TQXBinHexOutputOptions options = OutputOptions(lineEnd);
            const int x = left - HViewPos;
            DrawTextString(page, x, y, options, line.Str);
            InvertSelection(page, line.Str, x, y, /*withHighlights=*/true, /*singleCell=*/false, p);
            if (page.Positions)
                page.Positions->AddString(line.Str, x, p, y);
            if (DrawLine2Observed()) {
                const QString prepared = PrepareOutputText(line.Str, page.Options);
                if (OnDrawLine2)
                    OnDrawLine2(q, &page.Painter, prepared, QPoint(x, y), options);
                Q_EMIT q->lineDrawn(&page.Painter, prepared, QPoint(x, y), options);
                page.Painter.setFont(page.Font);
                page.Painter.setPen(page.Colors.Text);
            }
        } else if (page.TextLines) {
            page.TextLines->Contained = false;
            page.TextLines->Widths.push_back(-1);
        }
        if (FTextGutter)
            DrawGutterCell(page, y, p, startsLine);

        if (i <= page.LinesNum) {
            ViewPageSize = next < 0 ? FileSize - ViewPos : next - ViewPos;
            ViewAtEnd = next < 0;
        }
        if (next < 0)
            break;
        p = next;
    }
    if (page.TextLines)
        page.TextLines->Starts.push_back(next);
}

void TQXBinHexPrivate::DrawGutterCell(TPageCanvas& page, int y, TOffset linePos, bool startsLine) {
    QPainter& canvas = page.Painter;
    canvas.fillRect(QRect(0, y, GutterWidth, LineHeight),
                    platform::ColorToQColor(FTextColorGutter));
    if (!startsLine)
        return;
    const int number = LineNumbersShown() ? LineNumber(linePos) : 0;
    if (number >= 1 && number % FTextGutterLinesStep == 0) {
        const QString text = QString::number(number);
        const QFontMetrics metrics(FFontGutter);
        canvas.setFont(FFontGutter);
        canvas.setPen(platform::ColorToQColor(FFontGutterColor));
        const int x = GutterWidth - metrics.horizontalAdvance(text) - 2;
        canvas.drawText(x, y + (LineHeight - metrics.height()) / 2 + metrics.ascent(), text);
        canvas.setFont(page.Font);
    } else {
        canvas.setBrush(page.Colors.Back);
        canvas.setPen(QPen(page.Colors.Text, 1));
        const int cx = GutterWidth / 2, cy = y + LineHeight / 2;
        canvas.drawEllipse(QRect(cx - 3, cy - 3, 6, 6));
        canvas.setBrush(Qt::NoBrush);
    }
    canvas.setPen(page.Colors.Text);
}

void TQXBinHexPrivate::DrawReadErrorPage(TPageCanvas& page) {
    const QString text =
        FormatW(ReadErrorText, {HexOffsetText(ViewPos, AddressBase, HexOffsetLen)});
    const int textWidth = OutputTextWidth(page.Font, text, page.Options);
    const int x = std::max((page.Width() - textWidth) / 2, LeftMargin());
    const int y = std::max((page.Height() - LineHeight) / 2, 0);
    page.Painter.setPen(page.Colors.Error);
    DrawOutputText(page.Painter, x, y, page.Options, text, page.Colors.Back);
}

// ---- Highlights and selection -------------------------------------------------------------------

void TQXBinHexPrivate::DrawHighlights(TPageCanvas& page, const QString& str, int x, int y,
                                      TOffset startPos) {
    const bool anyUrl = !TextModel.UrlTable.front().Url.isEmpty();
    const bool anyHit = !SearchHighlights.empty() && SearchHighlights.front().HiLength != 0;
    if (!anyUrl && !anyHit)
        return;
    TExtents extents;
    if (!OutputTextExtents(page.Font, str, extents, page.Options))
        return;
    const int length = static_cast<int>(str.size());
    auto clampRange = [&](TOffset s, TOffset e, int& from, int& to) {
        if (s > length || e < 0)
            return false;
        from = static_cast<int>(std::max<TOffset>(s, 0));
        to = static_cast<int>(std::min<TOffset>(e, length));
        return from <= MaxExtentChars;
    };
    const int cs = CharSize();
    for (const TQXUrl& url : TextModel.UrlTable) {
        if (url.Url.isEmpty())
            break;
        const TOffset s = (url.Pos - startPos) / cs;
        // The table is in offset order: no later URL reaches this string either.
        if (s > length)
            break;
        int from = 0, to = 0;
        if (!clampRange(s, s + url.Url.size(), from, to))
            continue;
        QFont underlined = page.Font;
        underlined.setUnderline(true);
        page.Painter.setFont(underlined);
        page.Painter.setPen(page.Colors.Url);
        DrawOutputText(page.Painter, x + extents[static_cast<size_t>(from)], y, page.Options,
                       str.mid(from, to - from), page.Colors.Back);
        page.Painter.setFont(page.Font);
        page.Painter.setPen(page.Colors.Text);
    }
    for (size_t k = 0; k < SearchHighlights.size() && k < MaxSearchHighlights &&
                       SearchHighlights[k].HiLength != 0;
         ++k) {
        const TOffset s = (SearchHighlights[k].HiStart - startPos) / cs;
        int from = 0, to = 0;
        if (!clampRange(s, s + SearchHighlights[k].HiLength, from, to))
            continue;
        DrawOutputText(page.Painter, x + extents[static_cast<size_t>(from)], y, page.Options,
                       str.mid(from, to - from), page.Colors.Hi);
    }
}

void TQXBinHexPrivate::InvertSelection(TPageCanvas& page, const QString& str, int x, int y,
                                       bool withHighlights, bool singleCell, TOffset startPos) {
    if (withHighlights) {
        if (Marks.Count() != 0)
            DrawMarkedChars(page, str, x, y, startPos);
        DrawHighlights(page, str, x, y, startPos);
    }
    const int cs = CharSize();
    const int n = singleCell ? 1 : static_cast<int>(str.size());
    if (startPos + static_cast<TOffset>(n - 1) * cs < MarkStart ||
        startPos > MarkStart + MarkLength - cs || x >= page.Width() || y >= page.Height())
        return;
    TExtents extents;
    if (!OutputTextExtents(page.Font, str, extents, page.Options))
        return;
    QRect rect;
    if (singleCell) {
        const int len = static_cast<int>(std::min<qsizetype>(str.size(), MaxExtentChars));
        rect = QRect(QPoint(x, y),
                     QPoint(x + extents[static_cast<size_t>(len)] - 1, y + LineHeight - 1));
    } else {
        const TOffset s = std::max<TOffset>((MarkStart - startPos) / cs, 0);
        const TOffset e = std::min<TOffset>((MarkStart + MarkLength - startPos) / cs,
                                            std::min<qsizetype>(str.size(), MaxExtentChars));
        if (s > MaxExtentChars)
            return;
        rect = QRect(QPoint(x + extents[static_cast<size_t>(s)], y),
                     QPoint(x + extents[static_cast<size_t>(e)] - 1, y + LineHeight - 1));
    }
    if (rect.width() <= 0)
        return;
    page.Painter.save();
    page.Painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    page.Painter.fillRect(rect, Qt::white);
    page.Painter.restore();
}

// ---- Copying to the screen and resizing ---------------------------------------------------------

void TQXBinHexPrivate::PaintViewport(const QRect& rect) {
    UpdatePage();
    QPainter painter(q->viewport());
    painter.setClipRect(rect);
    painter.drawImage(QPoint(0, 0), PageBitmap);
    if (Scroll.AutoScrollMode)
        painter.drawPixmap(Scroll.AutoScrollOrigin - QPoint(16, 16), MoveBitmap());
}

void TQXBinHexPrivate::Resized() {
    const int height = ClientHeight();
    // After a reset no resize has been seen yet: the page as last drawn is the height the view
    // was laid out for, so a bar appearing beside it (same height) does not count as growth.
    const int before = Scroll.LastClientHeight > 0
                           ? Scroll.LastClientHeight
                           : PageBitmap.deviceIndependentSize().toSize().height();
    const bool grew = height > before;
    Scroll.LastClientHeight = height;
    if (Drawing) {
        RedrawPending = true;
        return;
    }
    if (grew && ViewAtEnd && SourceAssigned())
        ScrollToEndRepeat();
    else
        Redraw();
}
