// QXBinHexDraw.cpp — the page image: hex, 16-bit hex and binary lines, highlights and selection,
// the read-error and empty pages, and copying the image to the screen.
#include "QXBinHex.h"

#include "QXViewerMsg.h"
#include "QXxAssert.h"
#include "QXxCodepages.h"
#include "QXxSProc.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

QString HexOffsetText(TOffset value, int digits) {
    return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

constexpr char16_t DigitChars[] = u"0123456789ABCDEF:";

// The glyph of a character in the font alone, 0 when the font lacks it or shaping may draw it
// other than as that glyph at the sum of the advances before it: marks, surrogates, the scripts
// that join or reorder, and the punctuation and symbols from U+2000 on (measured to differ).
binhex::TPageCache::TCharGlyph CharGlyph(const QRawFont& raw, QChar c) {
    const char16_t u = c.unicode();
    if (u == 0 || c.isSurrogate() || c.isMark() || (u >= 0x0590 && u < 0x1E00) || u >= 0x2000 ||
        !raw.supportsCharacter(c))
        return {};
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString(c));
    if (glyphs.size() != 1 || glyphs.front() == 0)
        return {};
    return {glyphs.front(), raw.advancesForGlyphIndexes(glyphs).front().x()};
}
constexpr int ColonDigit = 16;

// Draws the glyphs of raw at their positions (x along the line) on the baseline, when there are
// any.
void DrawGlyphs(QPainter& painter, const QRawFont& raw, const QList<quint32>& glyphs,
                const QList<QPointF>& positions, int baseline) {
    if (glyphs.isEmpty())
        return;
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(QPointF(0, baseline), run);
}

} // namespace

// The colours fixed at the start of a drawing.
struct TQXBinHex::TDrawColors {
    QColor Back, HexBack, Text, Hex, Hex2, Lines, Error, Url, Hi;
};

// What one drawing works with: the painter on the target, its size, colours, font and records.
class TQXBinHex::TPageCanvas {
public:
    TPageCanvas(QImage& target, TStrPositions* positions) : Target(target), Positions(positions) {}
    // Opens the painter on the target once it has its size.
    void Begin() {
        Painter.begin(&Target);
        Painter.setFont(Font);
        Painter.setPen(Colors.Text);
        SeparatorPen = QPen(Colors.Lines);
        SeparatorPen.setWidth(2);
        SeparatorPen.setCapStyle(Qt::FlatCap);
    }
    QPainter Painter;
    QImage& Target;
    // The page in the widget's pixels; the image itself has the device's.
    int Width() const { return Target.deviceIndependentSize().toSize().width(); }
    int Height() const { return Target.deviceIndependentSize().toSize().height(); }
    TStrPositions* Positions;
    TDrawColors Colors;
    QFont Font;
    int Ascent = 0;
    int LinesNum = 0;
    TQXBinHexOutputOptions Options;
    QPen SeparatorPen;
    // The lines of the page to draw (a shifted page draws only those it uncovers).
    int FirstLine = 0;
    int EndLine = binhex::MaxPageLines + 1;
    bool GlyphRuns = false;
};

// ---- Settings of a drawing ----------------------------------------------------------------------

bool TQXBinHex::TextFontIsOem() const {
    return FMode != vbmodeUnicode && FMode != vbmodeUHex && FTextEncoding == EncodingOEM &&
           FTextOemSpecial;
}

QFont TQXBinHex::TextFont() const {
    QFont f = TextFontIsOem() ? FFontOEM : font();
    // Whole-pixel advances keep the character column on the same grid as the hex cells, and make
    // a string's width the sum of its characters' widths.
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setKerning(false);
    return f;
}

TColor TQXBinHex::TextFontColor() const {
    return TextFontIsOem() ? FFontOEMColor : FFontColor;
}

TColor TQXBinHex::EnabledColor(TColor color) const {
    return isEnabled() ? color : platform::clGrayText;
}

TQXBinHexOutputOptions TQXBinHex::OutputOptions(bool lineEnd) const {
    TQXBinHexOutputOptions o;
    o.ShowNonPrintable = FTextNonPrintable;
    o.ShowLineEnd = lineEnd;
    o.OemFont = TextFontIsOem();
    o.Monospaced = FontMonospaced;
    o.TabSize = FTextTabSize;
    return o;
}

int TQXBinHex::WidthInChars() const {
    const int w =
        CharWidth > 0
            ? (PageBitmap.deviceIndependentSize().toSize().width() - LeftMargin()) / CharWidth
            : binhex::MaxLength;
    return binhex::ClampTextWidth(w);
}

void TQXBinHex::FitWidths(int widthInChars) {
    using binhex::TLineLayout;
    if (FTextWidthFit)
        FTextWidth = TLineLayout::CellsFitting(binhex::ModeBinary, widthInChars, HexOffsetLen);
    if (FTextWidthFitHex)
        setTextWidthHex(TLineLayout::CellsFitting(binhex::ModeHex, widthInChars, HexOffsetLen));
    if (FTextWidthFitUHex)
        setTextWidthUHex(TLineLayout::CellsFitting(binhex::ModeUHex, widthInChars, HexOffsetLen));
}

binhex::TLineLayout TQXBinHex::LineLayout() const {
    const int cells =
        FMode == vbmodeHex ? FTextWidthHex : (FMode == vbmodeUHex ? FTextWidthUHex : FTextWidth);
    return {binhex::TViewMode(FMode), cells, HexOffsetLen};
}

// ---- Redraw and DrawTo --------------------------------------------------------------------------

void TQXBinHex::Redraw() {
    if (Drawing) {
        // Showing or hiding a scroll bar resizes the page while it is drawn: draw once more after.
        RedrawPending = true;
        return;
    }
    TRedrawLockHold hold(RedrawLock);
    QScopedValueRollback<bool> drawing(Drawing, true);
    for (int pass = 0; pass < 3; ++pass) {
        RedrawPending = false;
        const QSize size = viewport()->size().expandedTo(QSize(1, 1));
        if (FileSize < CharSize()) {
            ScrollBars.VertInfo = {};
            ScrollBars.HorzInfo = {};
            SetScrollBar(verticalScrollBar(), ScrollBars.VertInfo);
            SetScrollBar(horizontalScrollBar(), ScrollBars.HorzInfo);
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
    viewport()->update();
}

void TQXBinHex::PrepareBitmap(QImage& target, int width, int height) {
    // The page has the device's pixels, so that text stays sharp on a high-density screen; it is
    // drawn in the widget's pixels all the same.
    const qreal ratio = viewport()->devicePixelRatioF();
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

void TQXBinHex::DrawGutter(QPainter& canvas, int height) {
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

void TQXBinHex::DrawTo(QImage& target, int width, int height, TStrPositions* positions) {
    if (BufferPos < 0 || BufferPos > PosLast() || ViewPos < BufferPos ||
        ViewPos - BufferPos > 2 * static_cast<TOffset>(BufMaxOffset)) {
        throw EAssertionFailed(
            QStringLiteral("Positions out of range: DrawTo\rBufferPos: %1, ViewPos: %2, "
                           "BufMaxOffset: %3")
                .arg(BufferPos)
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
    // Only the control's own page is remembered; the fixed-width modes without a gutter can shift.
    const bool ownPage = &target == &PageBitmap && positions == &StrPositions;
    const bool shiftable =
        ownPage && BufferOK && !FTextGutter && !IsTextLikeMode() && PageCache.UseLineShift;
    TPageCache::TState state;
    if (shiftable) {
        fit();
        state = PageState(page);
        state.Size = QSize(width, height);
        state.Ratio = viewport()->devicePixelRatioF();
        if (ShiftPage(page, state)) {
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
        DrawHexLines(page);
        break;
    case vbmodeUHex:
        DrawUHexLines(page);
        break;
    case vbmodeBinary:
        DrawBinaryLines(page);
        break;
    default:
        DrawTextLines(page);
        break;
    }
    if (shiftable)
        RememberPage(page, state);
}

// ---- Lines of the fixed layouts -----------------------------------------------------------------

QString TQXBinHex::ColumnText(TOffset linePos, int count, int step) const {
    // GetChar is not const (it checks the buffer window); the drawing only reads.
    auto* self = const_cast<TQXBinHex*>(this);
    if (step == 2) {
        QString s;
        s.reserve(count);
        for (int j = 0; j < count; ++j)
            s += QChar(self->GetChar(linePos + 2 * j));
        return s;
    }
    QByteArray bytes(count, Qt::Uninitialized);
    for (int j = 0; j < count; ++j)
        bytes[j] = static_cast<char>(self->GetChar(linePos + j));
    if (TextFontIsOem())
        return OemGlyphs(bytes);
    return CodepageToUnicode(bytes, OneByteEncoding());
}

void TQXBinHex::DrawColumnText(TPageCanvas& page, const QString& str, int x, int y,
                               TOffset startPos) {
    page.Painter.setPen(page.Colors.Text);
    if (!page.GlyphRuns || !DrawSimpleGlyphs(page, PrepareOutputText(str, page.Options), x, y))
        DrawOutputText(page.Painter, x, y, page.Options, str);
    InvertSelection(page, str, x, y, /*withHighlights=*/true, /*singleCell=*/false, startPos);
    if (page.Positions)
        page.Positions->AddString(str, x, startPos, y);
}

void TQXBinHex::DrawSeparators(TPageCanvas& page, int y, const binhex::TLineLayout& layout) {
    page.Painter.setPen(page.SeparatorPen);
    const int left = LeftMargin() - HViewPos;
    for (int k = 0; k < layout.SeparatorCount(); ++k) {
        const int x = left + layout.Separator(k) * CharWidth;
        page.Painter.drawLine(x, y, x, y + LineHeight);
    }
    page.Painter.setPen(page.Colors.Text);
}

void TQXBinHex::DrawHexLines(TPageCanvas& page) {
    DrawCellLines(page, LineLayout());
}

void TQXBinHex::DrawUHexLines(TPageCanvas& page) {
    DrawCellLines(page, LineLayout());
}

// Lines of cells as the layout places them: the offset column, the tinted cell area with a gap in
// its middle, the character column and the separators.
void TQXBinHex::DrawCellLines(TPageCanvas& page, const binhex::TLineLayout& layout) {
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
                                  HexOffsetText(linePos, layout.OffsetDigits) + QLatin1Char(':'));
            page.Painter.fillRect(
                QRect(left + layout.TintStart() * w, y, w * layout.TintUnits(), LineHeight + 1),
                page.Colors.HexBack);
        }
        for (int j = 0; j < count; ++j) {
            const TOffset cellPos = linePos + static_cast<TOffset>(unitBytes) * j;
            const int x = left + layout.CellStart(j) * w;
            if (!page.GlyphRuns) {
                page.Painter.setPen(j % 4 < 2 ? page.Colors.Hex : page.Colors.Hex2);
                const QString cell = GetHex(cellPos);
                page.Painter.drawText(x, y + page.Ascent, cell);
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

void TQXBinHex::DrawBinaryLines(TPageCanvas& page) {
    const int n = FTextWidth;
    DrawFixedLines(page, n, [&](TOffset linePos, int y) {
        const int count = static_cast<int>(std::min<TOffset>(n, FileSize - linePos));
        DrawColumnText(page, ColumnText(linePos, count, 1), LeftMargin() - HViewPos, y, linePos);
    });
}

void TQXBinHex::DrawFixedLines(TPageCanvas& page, int lineSize,
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

// ---- Digit glyphs -------------------------------------------------------------------------------

bool TQXBinHex::PrepareDigitGlyphs(const QFont& font) {
    const QString key = font.key();
    if (key == PageCache.FontKey)
        return PageCache.DigitsOk;
    PageCache.FontKey = key;
    PageCache.DigitsOk = false;
    PageCache.Raw = QRawFont::fromFont(font);
    if (!PageCache.Raw.isValid())
        return false;
    const QString digits = QString::fromUtf16(DigitChars);
    const QList<quint32> glyphs = PageCache.Raw.glyphIndexesForString(digits);
    if (glyphs.size() != digits.size())
        return false;
    const QList<QPointF> advances = PageCache.Raw.advancesForGlyphIndexes(glyphs);
    for (qsizetype k = 0; k < glyphs.size(); ++k) {
        // A digit the font lacks comes from a fallback font: only a shaped string finds it.
        if (glyphs[k] == 0 || !PageCache.Raw.supportsCharacter(digits.at(k)))
            return false;
        PageCache.Digits[static_cast<size_t>(k)] = glyphs[k];
        PageCache.Advances[static_cast<size_t>(k)] = advances[k].x();
    }
    PageCache.CharGlyphs.clear();
    PageCache.DigitsOk = true;
    return true;
}

bool TQXBinHex::DrawSimpleGlyphs(TPageCanvas& page, const QString& prepared, int x, int y) {
    QList<quint32>& glyphs = PageCache.LineGlyphs[0];
    QList<QPointF>& positions = PageCache.LinePositions[0];
    glyphs.clear();
    positions.clear();
    qreal at = x;
    for (const QChar c : prepared) {
        auto it = PageCache.CharGlyphs.constFind(c.unicode());
        if (it == PageCache.CharGlyphs.constEnd())
            it = PageCache.CharGlyphs.insert(c.unicode(), CharGlyph(PageCache.Raw, c));
        if (it->Glyph == 0)
            return false;
        glyphs.push_back(it->Glyph);
        positions.push_back(QPointF(at, 0));
        at += it->Advance;
    }
    DrawGlyphs(page.Painter, PageCache.Raw, glyphs, positions, y + page.Ascent);
    return true;
}

// The offset, the tint and the cells' digits of one line, each colour in one glyph run, drawn in
// the order and at the places of the strings of the plain path.
void TQXBinHex::DrawCellGlyphs(TPageCanvas& page, const binhex::TLineLayout& layout,
                               TOffset linePos, int y, int count) {
    auto& glyphs = PageCache.LineGlyphs;
    auto& positions = PageCache.LinePositions;
    auto append = [&](int run, int digit, qreal& x) {
        glyphs[static_cast<size_t>(run)].push_back(PageCache.Digits[static_cast<size_t>(digit)]);
        positions[static_cast<size_t>(run)].push_back(QPointF(x, 0));
        x += PageCache.Advances[static_cast<size_t>(digit)];
    };
    auto draw = [&](int run, const QColor& color, int baseline) {
        if (glyphs[static_cast<size_t>(run)].isEmpty())
            return;
        page.Painter.setPen(color);
        DrawGlyphs(page.Painter, PageCache.Raw, glyphs[static_cast<size_t>(run)],
                   positions[static_cast<size_t>(run)], baseline);
    };
    for (int run = 0; run < 2; ++run) {
        glyphs[static_cast<size_t>(run)].clear();
        positions[static_cast<size_t>(run)].clear();
    }
    const int w = CharWidth;
    const int left = LeftMargin() - HViewPos;
    const int baseline = y + page.Ascent;

    // The offset: its hex digits, at least OffsetDigits of them, and a colon.
    std::array<int, 16> offsetDigits{};
    int n = 0;
    for (auto v = static_cast<uint64_t>(linePos); v != 0 || n == 0; v >>= 4)
        offsetDigits[static_cast<size_t>(n++)] = static_cast<int>(v & 0xF);
    qreal x = left;
    for (int k = std::max(n, layout.OffsetDigits) - 1; k >= 0; --k)
        append(0, k < n ? offsetDigits[static_cast<size_t>(k)] : 0, x);
    append(0, ColonDigit, x);
    draw(0, page.Colors.Text, baseline);
    glyphs[0].clear();
    positions[0].clear();

    page.Painter.fillRect(
        QRect(left + layout.TintStart() * w, y, w * layout.TintUnits(), LineHeight + 1),
        page.Colors.HexBack);

    const int unitBytes = layout.UnitBytes();
    for (int j = 0; j < count; ++j) {
        const TOffset cellPos = linePos + static_cast<TOffset>(unitBytes) * j;
        const int d = BufferOffsetOf(cellPos, "GetHex");
        const int run = j % 4 < 2 ? 0 : 1;
        qreal cx = left + layout.CellStart(j) * w;
        // GetHex's digits: in the two-byte modes the byte at pos + 1 first, while the buffer has
        // it.
        if (unitBytes == 2 && d + 1 < BufferAllocSize) {
            append(run, Buffer[static_cast<size_t>(d) + 1] >> 4, cx);
            append(run, Buffer[static_cast<size_t>(d) + 1] & 0xF, cx);
        }
        append(run, Buffer[static_cast<size_t>(d)] >> 4, cx);
        append(run, Buffer[static_cast<size_t>(d)] & 0xF, cx);
    }
    draw(0, page.Colors.Hex, baseline);
    draw(1, page.Colors.Hex2, baseline);
}

// ---- Shifting the page by whole lines -----------------------------------------------------------

TQXBinHex::TPageCache::TState TQXBinHex::PageState(const TPageCanvas& page) const {
    TPageCache::TState st;
    const binhex::TLineLayout layout = LineLayout();
    st.Mode = FMode;
    st.Cells = layout.Cells;
    st.OffsetDigits = layout.OffsetDigits;
    st.LineSize = LineSize();
    st.FontKey = page.Font.key();
    st.LineHeight = LineHeight;
    st.CharWidth = CharWidth;
    st.Ascent = page.Ascent;
    st.HViewPos = HViewPos;
    st.LeftMargin = LeftMargin();
    const TDrawColors& c = page.Colors;
    st.Colors = {c.Back.rgba(),  c.HexBack.rgba(),
                 c.Text.rgba(),  c.Hex.rgba(),
                 c.Hex2.rgba(),  c.Lines.rgba(),
                 c.Error.rgba(), c.Url.rgba(),
                 c.Hi.rgba(),    static_cast<QRgb>(page.GlyphRuns)};
    st.Encoding = FTextEncoding;
    st.ByteOrder = FileUnicodeFmt;
    st.TabSize = page.Options.TabSize;
    st.Oem = TextFontIsOem();
    st.NonPrintable = page.Options.ShowNonPrintable;
    st.Monospaced = page.Options.Monospaced;
    st.FirstPrintable = FirstPrintable;
    st.MarkStart = MarkStart;
    st.MarkLength = MarkLength;
    st.FileSize = FileSize;
    return st;
}

void TQXBinHex::RememberPage(const TPageCanvas& page, const TPageCache::TState& state) {
    // URLs are found per page; such a page is always drawn whole.
    PageCache.Valid = TextModel.UrlTable.front().Url.isEmpty() && page.Positions == &StrPositions;
    PageCache.State = state;
    PageCache.ViewPos = ViewPos;
    PageCache.Highlights.clear();
    for (const THighlight& h : SearchHighlights)
        PageCache.Highlights.emplace_back(h.HiStart, h.HiLength);
}

bool TQXBinHex::ShiftPage(TPageCanvas& page, const TPageCache::TState& state) {
    if (!PageCache.Valid || !(PageCache.State == state) ||
        !TextModel.UrlTable.front().Url.isEmpty())
        return false;
    const TOffset lineSize = state.LineSize;
    const TOffset delta = ViewPos - PageCache.ViewPos;
    if (delta == 0 || delta % lineSize != 0)
        return false;
    const int height = state.Size.height();
    const int lineHeight = LineHeight;
    const int drawn = std::min(page.LinesNum + 1, binhex::MaxPageLines);
    const int whole = height / lineHeight; // lines wholly inside the image
    const TOffset steps = delta / lineSize;
    if (std::abs(steps) >= whole - 1 || drawn * lineHeight < height)
        return false;
    const int k = static_cast<int>(std::abs(steps));
    // Both pages full of data: the end of the data is drawn whole.
    const TOffset pageBytes = drawn * lineSize;
    if (std::max(ViewPos, PageCache.ViewPos) > FileSize - pageBytes)
        return false;
    // The highlights in the part both pages show must be the same.
    const TOffset keepStart = std::max(ViewPos, PageCache.ViewPos);
    const TOffset keepEnd = std::min(ViewPos, PageCache.ViewPos) + pageBytes;
    std::vector<std::pair<TOffset, int64_t>> now;
    auto inKept = [&](const std::pair<TOffset, int64_t>& h) {
        return h.first < keepEnd && h.first + h.second * CharSize() > keepStart;
    };
    for (const THighlight& h : SearchHighlights)
        if (inKept({h.HiStart, h.HiLength}))
            now.emplace_back(h.HiStart, h.HiLength);
    std::vector<std::pair<TOffset, int64_t>> before;
    std::copy_if(PageCache.Highlights.begin(), PageCache.Highlights.end(),
                 std::back_inserter(before), inKept);
    if (now != before)
        return false;
    // The image moves by whole device rows only.
    const qreal rows = k * lineHeight * state.Ratio;
    if (rows != std::floor(rows))
        return false;
    QImage& image = page.Target;
    const int shift = static_cast<int>(rows);
    const qsizetype stride = image.bytesPerLine();
    uchar* bits = image.bits();
    const int kept = image.height() - shift;
    const bool down = steps > 0;
    if (down)
        std::memmove(bits, bits + shift * stride, static_cast<size_t>(kept * stride));
    else
        std::memmove(bits + shift * stride, bits, static_cast<size_t>(kept * stride));

    // The lines that were whole, with whole lines around them, keep their pixels and records after
    // the move; the others are drawn under a clip, together with the line beyond each side of it:
    // a line's tint, separators and glyphs may reach into its neighbours.
    TStrPositions& record = *page.Positions;
    std::array<TStrEntry, TStrPositions::MaxStrings> entries = record.Entries;
    const int count = record.Count;
    const int offsetY = (down ? -k : k) * lineHeight;
    QRect clip;
    record.Count = 0;
    page.Begin();
    if (down) {
        // The first line whose old place was not whole or had no whole line below.
        const int first = whole - k - 1;
        for (int i = 0; i + 1 < first; ++i) {
            TStrEntry e = entries[static_cast<size_t>(i + k)];
            record.AddString(e.Str, e.X, e.Pos, e.Y + offsetY);
        }
        page.FirstLine = first - 1;
        clip = QRect(0, first * lineHeight, state.Size.width(), height);
    } else {
        page.EndLine = k + 2;
        clip = QRect(0, 0, state.Size.width(), (k + 1) * lineHeight);
    }
    page.Painter.setClipRect(clip);
    page.Painter.fillRect(clip, page.Colors.Back);
    if (FMode == vbmodeBinary)
        DrawBinaryLines(page);
    else
        DrawCellLines(page, LineLayout());
    if (!down) {
        for (int i = k + 2; i < drawn && i - k < count; ++i) {
            TStrEntry e = entries[static_cast<size_t>(i - k)];
            record.AddString(e.Str, e.X, e.Pos, e.Y + offsetY);
        }
    }
    return true;
}

// ---- Lines of the text modes --------------------------------------------------------------------

void TQXBinHex::DrawTextLines(TPageCanvas& page) {
    const int left = LeftMargin();
    const int lines = std::min(page.LinesNum + 1, binhex::MaxPageLines);
    TOffset p = ViewPos;
    for (int i = 1; i <= lines; ++i) {
        TLineChars line;
        const TOffset next = FindLineStart(p, /*forward=*/true, /*start=*/false, &line);
        const bool lineEnd = EndsWithBreak(p, line.Length);
        const bool startsLine = StartsTextLine(p);
        const int y = (i - 1) * LineHeight;

        page.Painter.setPen(page.Colors.Text);
        bool done = false;
        if (OnDrawLine) {
            OnDrawLine(this, &page.Painter, PrepareOutputText(line.Str, page.Options),
                       TextAround(p), QRect(0, y, page.Width(), LineHeight), QPoint(left, y), done);
            page.Painter.setFont(page.Font);
            page.Painter.setPen(page.Colors.Text);
        }
        if (!done) {
            const TQXBinHexOutputOptions options = OutputOptions(lineEnd);
            const int x = left - HViewPos;
            DrawOutputText(page.Painter, x, y, options, line.Str, page.Colors.Back);
            InvertSelection(page, line.Str, x, y, /*withHighlights=*/true, /*singleCell=*/false, p);
            if (page.Positions)
                page.Positions->AddString(line.Str, x, p, y);
            if (OnDrawLine2) {
                OnDrawLine2(this, &page.Painter, PrepareOutputText(line.Str, page.Options),
                            QPoint(x, y), options);
                page.Painter.setFont(page.Font);
                page.Painter.setPen(page.Colors.Text);
            }
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
}

void TQXBinHex::DrawGutterCell(TPageCanvas& page, int y, TOffset linePos, bool startsLine) {
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

void TQXBinHex::DrawReadErrorPage(TPageCanvas& page) {
    const QString text = FormatW(ReadErrorText, {HexOffsetText(ViewPos, HexOffsetLen)});
    const int textWidth = OutputTextWidth(page.Font, text, page.Options);
    const int x = std::max((page.Width() - textWidth) / 2, LeftMargin());
    const int y = std::max((page.Height() - LineHeight) / 2, 0);
    page.Painter.setPen(page.Colors.Error);
    DrawOutputText(page.Painter, x, y, page.Options, text, page.Colors.Back);
}

// ---- Highlights and selection -------------------------------------------------------------------

void TQXBinHex::DrawHighlights(TPageCanvas& page, const QString& str, int x, int y,
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

void TQXBinHex::InvertSelection(TPageCanvas& page, const QString& str, int x, int y,
                                bool withHighlights, bool singleCell, TOffset startPos) {
    if (withHighlights)
        DrawHighlights(page, str, x, y, startPos);
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

// ---- Events -------------------------------------------------------------------------------------

void TQXBinHex::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setClipRect(event->rect());
    painter.drawImage(QPoint(0, 0), PageBitmap);
    if (Scroll.AutoScrollMode)
        painter.drawPixmap(Scroll.AutoScrollOrigin - QPoint(16, 16), MoveBitmap());
}

void TQXBinHex::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
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

void TQXBinHex::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        Redraw();
}

// The scroll bars never move the view by themselves; the page is redrawn from ViewPos.
void TQXBinHex::scrollContentsBy(int, int) {}
