// QXBinHexLineShiftTest.cpp — when a page drawn at one view position is shifted to show another
// instead of being drawn whole (the pure decision; the pixels are QXBinHexPageCacheTest's).
#include "QXBinHexPageCache.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

using binhex::LineShiftFor;
using binhex::TLineShiftQuery;

namespace {

using THighlights = std::vector<std::pair<int64_t, int64_t>>;

// A hex page of 16-byte lines, 297 pixels high in lines of 15 (19 whole lines, 20 drawn), far
// from the end of a 1 MiB source.
TLineShiftQuery Page(int64_t oldPos, int64_t newPos) {
    TLineShiftQuery q;
    q.OldViewPos = oldPos;
    q.NewViewPos = newPos;
    q.LineSize = 16;
    q.FileSize = 1 << 20;
    q.Height = 297;
    q.LineHeight = 15;
    q.LinesDrawn = 20;
    return q;
}

} // namespace

TEST(LineShift, WholeLinesEitherWay) {
    EXPECT_EQ(LineShiftFor(Page(4096, 4096 + 3 * 16)), 3);
    EXPECT_EQ(LineShiftFor(Page(4096, 4096 - 5 * 16)), -5);
}

// Every move from one position: a shift of delta / 16 lines exactly when the move is a whole
// number of lines and keeps at least two whole lines of the 19 in the image.
TEST(LineShift, EveryMoveAroundAPosition) {
    const int64_t from = 100000;
    for (int64_t delta = -40 * 16; delta <= 40 * 16; ++delta) {
        const int shift = LineShiftFor(Page(from, from + delta));
        const bool shiftable = delta != 0 && delta % 16 == 0 && std::abs(delta / 16) <= 17;
        EXPECT_EQ(shift, shiftable ? delta / 16 : 0) << delta;
    }
}

TEST(LineShift, LinesThatDoNotFillTheImageAreDrawnWhole) {
    TLineShiftQuery q = Page(4096, 4096 + 16);
    q.LinesDrawn = 19; // 285 pixels of 297
    EXPECT_EQ(LineShiftFor(q), 0);
    q.Height = 285;
    EXPECT_EQ(LineShiftFor(q), 1);
}

// Both pages must be full of data: a page reaching past the end is drawn whole.
TEST(LineShift, PagesReachingTheEndAreDrawnWhole) {
    const int64_t pageBytes = 20 * 16;
    const int64_t size = 1 << 20;
    EXPECT_EQ(LineShiftFor(Page(size - pageBytes - 16, size - pageBytes)), 1);
    EXPECT_EQ(LineShiftFor(Page(size - pageBytes, size - pageBytes + 16)), 0);
    EXPECT_EQ(LineShiftFor(Page(size - pageBytes + 16, size - pageBytes)), 0);
}

// Only the part both pages show must have the same matches; a match reaching into it with its
// characters (two bytes each here) counts.
TEST(LineShift, MatchesWhereThePagesOverlap) {
    TLineShiftQuery q = Page(4096, 4096 + 2 * 16); // both show 4128..4416
    q.CharSize = 2;
    const THighlights shared{{4200, 3}};
    q.OldHighlights = shared;
    q.NewHighlights = shared;
    EXPECT_EQ(LineShiftFor(q), 2);

    const THighlights gone{};
    q.NewHighlights = gone;
    EXPECT_EQ(LineShiftFor(q), 0);

    const THighlights before{{4096, 3}, {4200, 3}}; // 4096..4101: the old page only
    q.OldHighlights = before;
    q.NewHighlights = shared;
    EXPECT_EQ(LineShiftFor(q), 2);

    const THighlights reaching{{4124, 3}, {4200, 3}}; // 4124..4129 reaches 4128
    q.OldHighlights = reaching;
    EXPECT_EQ(LineShiftFor(q), 0);
}

// The image moves by whole device pixel rows only.
TEST(LineShift, FractionalDeviceRowsAreDrawnWhole) {
    TLineShiftQuery q = Page(4096, 4096 + 16);
    q.Ratio = 1.5; // 15 × 1.5 = 22.5 rows per line
    EXPECT_EQ(LineShiftFor(q), 0);
    q.NewViewPos = 4096 + 2 * 16;
    EXPECT_EQ(LineShiftFor(q), 2);
}

TEST(LineShift, NothingToMoveOrNoLayoutIsNoShift) {
    EXPECT_EQ(LineShiftFor(Page(4096, 4096)), 0);
    TLineShiftQuery q = Page(4096, 4096 + 16);
    q.LineHeight = 0;
    EXPECT_EQ(LineShiftFor(q), 0);
    q = Page(4096, 4096 + 16);
    q.LineSize = 0;
    EXPECT_EQ(LineShiftFor(q), 0);
}
