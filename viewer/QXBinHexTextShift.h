// QXBinHexTextShift.h — what a page of the text layouts keeps of its lines for the next drawing,
// and when such a page can be shifted by whole lines instead of drawn whole.
#pragma once

#include <QtGlobal>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace binhex {

// The display lines of a drawn page of the text layouts.
struct TTextPageLines {
    // The start of each drawn line, then the start of the line after them (-1: the data ends).
    std::vector<int64_t> Starts;
    // The width of each drawn line as the widest-line search measures it (no line-end glyph).
    std::vector<int> Widths;
    // Every drawn line was laid out by the glyph cache and its ink stays within its own band and
    // the one above it (accents over capitals reach a pixel above the ascent).
    bool Contained = true;
    void Clear() {
        Starts.clear();
        Widths.clear();
        Contained = true;
    }
};

// What decides whether any drawn page can be shifted to show the page from NewViewPos: the
// image's height and lines' height (widget pixels), the lines a whole drawing draws, the device
// pixels per widget pixel, and the search matches and the highlighted links (offset, length in
// characters of CharSize bytes) the old page was drawn with and the page now has.
struct TPageShiftQuery {
    int64_t NewViewPos = 0;
    int Height = 0;
    int LineHeight = 0;
    int LinesDrawn = 0;
    qreal Ratio = 1;
    std::span<const std::pair<int64_t, int64_t>> OldHighlights;
    std::span<const std::pair<int64_t, int64_t>> NewHighlights;
    std::span<const std::pair<int64_t, int64_t>> OldUrls;
    std::span<const std::pair<int64_t, int64_t>> NewUrls;
    int CharSize = 1;
};

// Whether a page moved by lines whole lines (either way) keeps the pixels it still shows: the
// matches and the links that reach into keepStart..keepEnd (exclusive) are the same on both pages
// (a link and a match over the same characters are not the same highlight), and the move
// is a whole number of device pixel rows.
bool ShiftKeepsPixels(const TPageShiftQuery& query, int lines, int64_t keepStart, int64_t keepEnd);

// What decides whether a page of the text layouts drawn with OldStarts can be shifted to show the
// page from NewViewPos: besides the page's own, the old page's line starts (LinesDrawn + 1 of
// them) and the starts of the display lines from NewViewPos on up to the first at or past the old
// page's first line (only when NewViewPos lies before it).
struct TTextShiftQuery : TPageShiftQuery {
    std::span<const int64_t> OldStarts;
    std::span<const int64_t> LeadStarts;
};

// The whole lines to move the old page up by (negative: down) so that it shows NewViewPos, or 0
// when the page must be drawn whole: NewViewPos starts no line of the old page and the lines from
// it do not meet the old page's first line; the move leaves fewer than two whole lines of the old
// page; the lines drawn do not fill the image; the old page reaches past the data; the matches in
// the lines both pages show differ; or the move is not a whole number of device pixel rows.
int TextLineShiftFor(const TTextShiftQuery& query);

} // namespace binhex
