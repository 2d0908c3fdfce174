// QXBinHexTextShift.cpp — the text layouts' lines drawn from the glyph cache, and a page of them
// moved by whole display lines shifted rather than drawn again.
#include "QXBinHexTextShift.h"

#include "QXBinHex_p.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace binhex {

bool ShiftKeepsPixels(const TPageShiftQuery& query, int lines, int64_t keepStart, int64_t keepEnd) {
    using TRanges = std::span<const std::pair<int64_t, int64_t>>;
    auto keptEqual = [&](TRanges a, TRanges b) {
        auto inKept = [&](const std::pair<int64_t, int64_t>& h) {
            return h.first < keepEnd && h.first + h.second * query.CharSize > keepStart;
        };
        std::vector<std::pair<int64_t, int64_t>> ka, kb;
        std::copy_if(a.begin(), a.end(), std::back_inserter(ka), inKept);
        std::copy_if(b.begin(), b.end(), std::back_inserter(kb), inKept);
        return ka == kb;
    };
    if (!keptEqual(query.NewHighlights, query.OldHighlights) ||
        !keptEqual(query.NewUrls, query.OldUrls))
        return false;
    // The image moves by whole device rows only.
    const qreal rows = lines * query.LineHeight * query.Ratio;
    return rows == std::floor(rows);
}

int TextLineShiftFor(const TTextShiftQuery& query) {
    const auto& old = query.OldStarts;
    const int drawn = query.LinesDrawn;
    if (query.LineHeight <= 0 || drawn <= 0 || static_cast<int>(old.size()) != drawn + 1 ||
        drawn * query.LineHeight < query.Height)
        return 0;
    if (std::any_of(old.begin(), old.end(), [](int64_t s) { return s < 0; }))
        return 0;
    const int whole = std::min(query.Height / query.LineHeight, drawn); // wholly inside the image
    int steps = 0;
    const auto at = std::find(old.begin() + 1, old.end(), query.NewViewPos);
    if (at != old.end()) {
        steps = static_cast<int>(at - old.begin());
    } else if (const auto lead =
                   std::find(query.LeadStarts.begin(), query.LeadStarts.end(), old.front());
               lead != query.LeadStarts.end() && !query.LeadStarts.empty() &&
               query.LeadStarts.front() == query.NewViewPos) {
        steps = -static_cast<int>(lead - query.LeadStarts.begin());
    }
    if (steps == 0 || std::abs(steps) >= whole - 1)
        return 0;
    // The lines both pages show.
    const int k = std::abs(steps);
    const int64_t keepStart = steps > 0 ? old[static_cast<size_t>(k)] : old.front();
    const int64_t keepEnd =
        steps > 0 ? old[static_cast<size_t>(whole)] : old[static_cast<size_t>(drawn - k)];
    return ShiftKeepsPixels(query, k, keepStart, keepEnd) ? steps : 0;
}

} // namespace binhex

// ---- Lines from the glyph cache -----------------------------------------------------------------

void TQXBinHexPrivate::DrawTextString(TPageCanvas& page, int x, int y,
                                      const TQXBinHexOutputOptions& options, const QString& str) {
    binhex::TTextPageLines* lines = page.TextLines;
    binhex::TLaidOutLine& laid = PageCache.TextLine;
    if (!page.GlyphRuns || !PageCache.TextGlyphs.LayOut(page.Font, PrepareOutputText(str, options),
                                                        /*withInk=*/lines != nullptr, laid)) {
        DrawOutputText(page.Painter, x, y, options, str, page.Colors.Back);
        if (lines) {
            lines->Contained = false;
            lines->Widths.push_back(-1);
        }
        return;
    }
    const int width = static_cast<int>(laid.Width);
    page.Painter.fillRect(QRect(x, y, width, page.FontHeight), page.Colors.Back);
    // Glyphs that start this far right of the page cannot reach into it.
    const int reach = page.Width() + 4 * LineHeight;
    binhex::TGlyphCache::Draw(page.Painter, laid, x, y + page.Ascent, reach);
    if (lines) {
        lines->Contained = lines->Contained && page.Ascent + laid.InkTop >= -LineHeight &&
                           page.Ascent + laid.InkBottom <= LineHeight;
        // The widest-line search measures the lines without their line-end glyph.
        lines->Widths.push_back(options.ShowNonPrintable ? -1 : width);
    }
}

int TQXBinHexPrivate::PageExtentMax() const {
    const binhex::TTextPageLines& lines = PageCache.TextLines;
    const TStrPositions& record = StrPositions;
    bool known = IsTextLikeMode() &&
                 PageCache.TextRecord.size() == static_cast<size_t>(record.Count) &&
                 lines.Widths.size() == static_cast<size_t>(record.Count);
    int result = 0;
    for (int k = 0; known && k < record.Count; ++k) {
        const TStrEntry& e = record.Entries[static_cast<size_t>(k)];
        const int width = lines.Widths[static_cast<size_t>(k)];
        known = width >= 0 && e.Str == PageCache.TextRecord[static_cast<size_t>(k)];
        result = std::max(result, e.X + width);
    }
    return known ? result : record.MaxExtent(TextFont(), OutputOptions(false));
}

// ---- Shifting a page of text lines --------------------------------------------------------------

bool TQXBinHexPrivate::TextLinesIndependent() const {
    // Nothing but the glyphs of a line draws outside its band: no observer draws on the page, the
    // lines' backgrounds do not overlap, and the gutter's marks and numbers fit a line.
    if (DrawLineObserved() || DrawLine2Observed() || FTextLineSpacing < 0)
        return false;
    if (!FTextGutter)
        return true;
    if (LineHeight < 8)
        return false;
    return !LineNumbersShown() || QFontMetrics(FFontGutter).height() <= LineHeight;
}

bool TQXBinHexPrivate::TextRegionHeld(TOffset from, TOffset lastStart) const {
    // A line read from a buffer that holds all it can reach (the characters before and after it
    // included) is the same whatever buffer it is read from.
    const int cs = CharSize();
    from = std::max<TOffset>(from - cs, 0);
    const TOffset to =
        std::min<TOffset>(lastStart + static_cast<TOffset>(MaxLength + 2) * cs, PosLast());
    return InBufferAndData(from) && InBufferAndData(to);
}

bool TQXBinHexPrivate::ShiftTextPage(TPageCanvas& page, const TPageCache::TState& state) {
    const binhex::TTextPageLines& old = PageCache.TextLines;
    if (!PageCache.Valid || !(PageCache.State == state) || !old.Contained ||
        !TextLinesIndependent() || old.Starts.empty())
        return false;
    const int height = state.Size.height();
    const int drawn = std::min(page.LinesNum + 1, binhex::MaxPageLines);
    const int whole = std::min(height / LineHeight, drawn);
    // The display lines from ViewPos on up to the old page's first line, when the view moved up.
    std::vector<TOffset> lead;
    if (ViewPos < old.Starts.front()) {
        TOffset p = ViewPos;
        lead.push_back(p);
        while (p >= 0 && p < old.Starts.front() && static_cast<int>(lead.size()) < whole) {
            p = FindLineStart(p, /*forward=*/true, /*start=*/false);
            lead.push_back(p);
        }
    }
    std::vector<std::pair<TOffset, int64_t>> highlights;
    highlights.reserve(SearchHighlights.size());
    for (const THighlight& h : SearchHighlights)
        highlights.emplace_back(h.HiStart, h.HiLength);
    binhex::TTextShiftQuery query;
    query.OldStarts = old.Starts;
    query.LeadStarts = lead;
    query.NewViewPos = ViewPos;
    query.Height = height;
    query.LineHeight = LineHeight;
    query.LinesDrawn = drawn;
    query.Ratio = state.Ratio;
    query.CharSize = CharSize();
    query.OldHighlights = PageCache.Highlights;
    query.NewHighlights = highlights;
    const std::vector<std::pair<TOffset, int64_t>> urls = UrlRanges();
    query.OldUrls = PageCache.Urls;
    query.NewUrls = urls;
    const int steps = binhex::TextLineShiftFor(query);
    if (steps == 0 || !PageCache.TextExact)
        return false;

    const int k = std::abs(steps);
    const bool down = steps > 0;
    QImage& image = page.Target;
    const int shift = static_cast<int>(k * LineHeight * state.Ratio);
    const qsizetype stride = image.bytesPerLine();
    uchar* bits = image.bits();
    const size_t kept = static_cast<size_t>(image.height() - shift) * static_cast<size_t>(stride);
    if (down)
        std::memmove(bits, bits + shift * stride, kept);
    else
        std::memmove(bits + shift * stride, bits, kept);

    // The uncovered lines are drawn on cleared bands together with the kept line beside them: a
    // line's ink may reach into the band above it (see TTextPageLines::Contained), so that line
    // is drawn again whole going down, and only where it reaches above going up.
    TStrPositions& record = *page.Positions;
    const std::array<TStrEntry, TStrPositions::MaxStrings> entries = record.Entries;
    const int offsetY = (down ? -k : k) * LineHeight;
    const int first = whole - k - 1; // going down, the first line drawn again
    binhex::TTextPageLines fresh;
    page.TextLines = &fresh;
    record.Count = 0;
    page.Begin();
    QRect band;
    if (down) {
        for (int i = 0; i < first; ++i) {
            const TStrEntry& e = entries[static_cast<size_t>(i + k)];
            record.AddString(e.Str, e.X, e.Pos, e.Y + offsetY);
        }
        page.FirstLine = first;
        page.FirstPos = old.Starts[static_cast<size_t>(first + k)];
        band = QRect(0, first * LineHeight, state.Size.width(), height);
    } else {
        page.EndLine = k + 2;
        band = QRect(0, 0, state.Size.width(), (k + 1) * LineHeight);
    }
    page.Painter.setClipRect(band);
    page.Painter.fillRect(band, page.Colors.Back);
    if (FTextGutter)
        page.Painter.fillRect(QRect(0, band.top(), GutterWidth, band.height()),
                              platform::ColorToQColor(FTextColorGutter));
    DrawTextLines(page);
    const size_t freshLines =
        down ? static_cast<size_t>(drawn - first) : static_cast<size_t>(k + 2);
    if (!fresh.Contained || fresh.Starts.size() != freshLines + 1 || fresh.Starts.back() < 0 ||
        !TextRegionHeld(std::min(ViewPos, old.Starts.front()),
                        std::max(old.Starts.back(), fresh.Starts[freshLines - 1]))) {
        // A line drawn reaches the end of the data or past its band: the page is drawn whole.
        page.Painter.end();
        page.FirstLine = 0;
        page.EndLine = TPageCanvas(page.Target, nullptr).EndLine;
        page.FirstPos = -1;
        page.TextLines = nullptr;
        return false;
    }

    // The lines, widths and strings of the new page: the kept ones and the ones drawn.
    binhex::TTextPageLines lines;
    std::vector<QString> texts;
    if (down) {
        const auto from = static_cast<ptrdiff_t>(k), to = static_cast<ptrdiff_t>(first + k);
        lines.Starts.assign(old.Starts.begin() + from, old.Starts.begin() + to);
        lines.Widths.assign(old.Widths.begin() + from, old.Widths.begin() + to);
        texts.assign(PageCache.TextRecord.begin() + from, PageCache.TextRecord.begin() + to);
        lines.Starts.insert(lines.Starts.end(), fresh.Starts.begin(), fresh.Starts.end());
        lines.Widths.insert(lines.Widths.end(), fresh.Widths.begin(), fresh.Widths.end());
        for (int i = first; i < record.Count; ++i)
            texts.push_back(record.Entries[static_cast<size_t>(i)].Str);
    } else {
        for (int i = 0; i < k + 2; ++i)
            texts.push_back(record.Entries[static_cast<size_t>(i)].Str);
        for (int i = k + 2; i < drawn; ++i) {
            const TStrEntry& e = entries[static_cast<size_t>(i - k)];
            record.AddString(e.Str, e.X, e.Pos, e.Y + offsetY);
        }
        const auto keptEnd = static_cast<ptrdiff_t>(drawn - k);
        lines.Starts.assign(fresh.Starts.begin(), fresh.Starts.end() - 1);
        lines.Starts.insert(lines.Starts.end(), old.Starts.begin() + 2,
                            old.Starts.begin() + keptEnd + 1);
        lines.Widths = fresh.Widths;
        lines.Widths.insert(lines.Widths.end(), old.Widths.begin() + 2,
                            old.Widths.begin() + keptEnd);
        texts.insert(texts.end(), PageCache.TextRecord.begin() + 2,
                     PageCache.TextRecord.begin() + keptEnd);
    }
    PageCache.TextLines = std::move(lines);
    PageCache.TextRecord = std::move(texts);
    ViewPageSize = PageCache.TextLines.Starts[static_cast<size_t>(page.LinesNum)] - ViewPos;
    ViewAtEnd = false;
    return true;
}

void TQXBinHexPrivate::RememberTextPage() {
    const std::vector<TOffset>& starts = PageCache.TextLines.Starts;
    PageCache.TextExact =
        starts.size() >= 2 && TextRegionHeld(starts.front(), starts[starts.size() - 2]);
    PageCache.TextRecord.clear();
    for (int i = 0; i < StrPositions.Count; ++i)
        PageCache.TextRecord.push_back(StrPositions.Entries[static_cast<size_t>(i)].Str);
}
