// QXBinHexPageCache.cpp — the quick paths of the page drawing: the hex digits and the character
// column drawn as glyph runs, and a page moved by whole lines shifted rather than drawn again.
#include "QXBinHex_p.h"

#include <QGlyphRun>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

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

namespace binhex {

int LineShiftFor(const TLineShiftQuery& query) {
    const int64_t delta = query.NewViewPos - query.OldViewPos;
    if (query.LineSize <= 0 || query.LineHeight <= 0 || delta == 0 || delta % query.LineSize != 0)
        return 0;
    const int whole = query.Height / query.LineHeight; // lines wholly inside the image
    const int64_t steps = delta / query.LineSize;
    if (std::abs(steps) >= whole - 1 || query.LinesDrawn * query.LineHeight < query.Height)
        return 0;
    // Both pages full of data: the end of the data is drawn whole.
    const int64_t pageBytes = static_cast<int64_t>(query.LinesDrawn) * query.LineSize;
    if (std::max(query.NewViewPos, query.OldViewPos) > query.FileSize - pageBytes)
        return 0;
    // The part both pages show.
    const int64_t keepStart = std::max(query.NewViewPos, query.OldViewPos);
    const int64_t keepEnd = std::min(query.NewViewPos, query.OldViewPos) + pageBytes;
    return ShiftKeepsPixels(query, static_cast<int>(std::abs(steps)), keepStart, keepEnd)
               ? static_cast<int>(steps)
               : 0;
}

} // namespace binhex

// ---- Digit glyphs -------------------------------------------------------------------------------

bool TQXBinHexPrivate::PrepareDigitGlyphs(const QFont& font) {
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

bool TQXBinHexPrivate::DrawSimpleGlyphs(TPageCanvas& page, const QString& prepared, int x, int y) {
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
void TQXBinHexPrivate::DrawCellGlyphs(TPageCanvas& page, const binhex::TLineLayout& layout,
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
    for (uint64_t v = static_cast<uint64_t>(linePos) + static_cast<uint64_t>(AddressBase);
         v != 0 || n == 0; v >>= 4)
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
        CheckBufferHolds(cellPos, "GetHex");
        const int run = j % 4 < 2 ? 0 : 1;
        qreal cx = left + layout.CellStart(j) * w;
        const binhex::TPageBuffer::THexDigits digits = Buffer.HexDigitsAt(cellPos, unitBytes);
        for (int k = 0; k < digits.Count; ++k)
            append(run, digits.Digit[static_cast<size_t>(k)], cx);
    }
    draw(0, page.Colors.Hex, baseline);
    draw(1, page.Colors.Hex2, baseline);
}

void TQXBinHexPrivate::DrawCellRunGlyphs(TPageCanvas& page, const binhex::TLineLayout& layout,
                                         TOffset linePos, int y, int from, int to,
                                         const QColor* color) {
    auto& glyphs = PageCache.LineGlyphs;
    auto& positions = PageCache.LinePositions;
    for (int run = 0; run < 2; ++run) {
        glyphs[static_cast<size_t>(run)].clear();
        positions[static_cast<size_t>(run)].clear();
    }
    const int left = LeftMargin() - HViewPos;
    const int unitBytes = layout.UnitBytes();
    for (int j = from; j < to; ++j) {
        const TOffset cellPos = linePos + static_cast<TOffset>(unitBytes) * j;
        CheckBufferHolds(cellPos, "GetHex");
        const size_t run = color || j % 4 < 2 ? 0 : 1;
        qreal x = left + layout.CellStart(j) * CharWidth;
        const binhex::TPageBuffer::THexDigits digits = Buffer.HexDigitsAt(cellPos, unitBytes);
        for (int k = 0; k < digits.Count; ++k) {
            const auto digit = static_cast<size_t>(digits.Digit[static_cast<size_t>(k)]);
            glyphs[run].push_back(PageCache.Digits[digit]);
            positions[run].push_back(QPointF(x, 0));
            x += PageCache.Advances[digit];
        }
    }
    const QColor runColors[2] = {color ? *color : page.Colors.Hex, page.Colors.Hex2};
    for (size_t run = 0; run < 2; ++run) {
        if (glyphs[run].isEmpty())
            continue;
        page.Painter.setPen(runColors[run]);
        DrawGlyphs(page.Painter, PageCache.Raw, glyphs[run], positions[run], y + page.Ascent);
    }
}

// ---- Shifting the page by whole lines -----------------------------------------------------------

TQXBinHexPrivate::TPageCache::TState TQXBinHexPrivate::PageState(const TPageCanvas& page) const {
    TPageCache::TState st;
    const binhex::TLineLayout layout = LineLayout();
    st.Mode = FMode;
    st.Cells = layout.Cells;
    st.OffsetDigits = layout.OffsetDigits;
    st.AddressBase = AddressBase;
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
    st.Marks = Marks.Generation();
    if (IsTextLikeMode()) {
        st.Wrap = FTextWrap;
        st.Gutter = FTextGutter;
        st.LineNumbers = LineNumbersShown();
        st.GutterWidth = GutterWidth;
        st.LineCount = TextModel.LineCount;
        st.LinesStep = FTextGutterLinesStep;
        st.MaxLength = MaxLength;
        st.GutterFontKey = FFontGutter.key();
        st.GutterColor = FTextColorGutter;
        st.GutterFontColor = FFontGutterColor;
    }
    return st;
}

void TQXBinHexPrivate::RememberPage(const TPageCanvas& page, const TPageCache::TState& state) {
    PageCache.Valid = page.Positions == &StrPositions;
    PageCache.Urls = UrlRanges();
    PageCache.State = state;
    PageCache.ViewPos = ViewPos;
    PageCache.Highlights.clear();
    for (const THighlight& h : SearchHighlights)
        PageCache.Highlights.emplace_back(h.HiStart, h.HiLength);
}

bool TQXBinHexPrivate::ShiftPage(TPageCanvas& page, const TPageCache::TState& state) {
    if (!PageCache.Valid || !(PageCache.State == state) ||
        !TextModel.UrlTable.front().Url.isEmpty())
        return false;
    std::vector<std::pair<TOffset, int64_t>> highlights;
    highlights.reserve(SearchHighlights.size());
    for (const THighlight& h : SearchHighlights)
        highlights.emplace_back(h.HiStart, h.HiLength);
    const int height = state.Size.height();
    const int lineHeight = LineHeight;
    const int drawn = std::min(page.LinesNum + 1, binhex::MaxPageLines);
    binhex::TLineShiftQuery query;
    query.OldViewPos = PageCache.ViewPos;
    query.NewViewPos = ViewPos;
    query.LineSize = state.LineSize;
    query.CharSize = CharSize();
    query.FileSize = FileSize;
    query.Height = height;
    query.LineHeight = lineHeight;
    query.LinesDrawn = drawn;
    query.Ratio = state.Ratio;
    query.OldHighlights = PageCache.Highlights;
    query.NewHighlights = highlights;
    const int steps = binhex::LineShiftFor(query);
    if (steps == 0)
        return false;
    const int whole = height / lineHeight; // lines wholly inside the image
    const int k = std::abs(steps);
    QImage& image = page.Target;
    const int shift = static_cast<int>(k * lineHeight * state.Ratio);
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
