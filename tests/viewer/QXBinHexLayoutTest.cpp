// QXBinHexLayoutTest.cpp — the page-buffer window and width rules without a widget.
#include "QXBinHexLayout.h"
#include "QXStreamSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace binhex;

TEST(BufferWindow, CoversOnlyItsFirstTwoThirds) {
    const int page = BufMaxOffsetFor(1);
    ASSERT_EQ(page, 45000);
    EXPECT_TRUE(BufferCovers(0, page, 0));
    EXPECT_TRUE(BufferCovers(0, page, 89999));
    EXPECT_FALSE(BufferCovers(0, page, 90000));
    EXPECT_FALSE(BufferCovers(0, page, -1));
    EXPECT_FALSE(BufferCovers(100, page, 99));
    EXPECT_EQ(BufferStartFor(90000, page, 1), 45000);
    EXPECT_EQ(BufferStartFor(-1, page, 1), 0);
    EXPECT_EQ(BufferStartFor(44999, page, 1), 0);
}

TEST(BufferWindow, TwoByteModesStartEven) {
    const int page = BufMaxOffsetFor(2);
    ASSERT_EQ(page, 90000);
    EXPECT_EQ(BufferStartFor(180001, page, 2), 90000);
    EXPECT_EQ(BufferStartFor(180003, page, 2), 90002);
    EXPECT_EQ(BufferStartFor(int64_t(9) << 30 | 1, page, 2) % 2, 0);
}

TEST(OffsetDigits, GrowAtPowersOfSixteenAndStayEven) {
    EXPECT_EQ(HexOffsetDigits(0, 1), 0);
    EXPECT_EQ(HexOffsetDigits(1, 2), 0);
    EXPECT_EQ(HexOffsetDigits(1, 1), 8);
    EXPECT_EQ(HexOffsetDigits(4294967295LL, 1), 8);
    EXPECT_EQ(HexOffsetDigits(4294967296LL, 1), 10);
    EXPECT_EQ(HexOffsetDigits((1LL << 40) - 1, 1), 10);
    EXPECT_EQ(HexOffsetDigits(1LL << 40, 1), 12);
    EXPECT_EQ(HexOffsetDigits(INT64_MAX, 1), 16);
}

TEST(OffsetDigits, CountTheLargestAddressWithTheBase) {
    struct Case {
        TOffset size, base;
        int charSize, digits;
    };
    for (const Case& c : {Case{0, 0x10000000000LL, 1, 0}, Case{1, 0x10000000000LL, 2, 0},
                          Case{0x100, 0xFFFFFEFFLL, 1, 8}, Case{0x100, 0xFFFFFF00LL, 1, 10},
                          Case{0x10, 0x0FFFFFFFFFFFFFF0LL, 1, 16},
                          Case{0x10, INT64_MAX - 0x10, 1, 16}, Case{INT64_MAX, INT64_MAX, 1, 16}})
        EXPECT_EQ(HexOffsetDigits(c.size, c.charSize, c.base), c.digits)
            << c.size << " + " << c.base;
}

TEST(LastChar, AlignedAndNeverNegative) {
    EXPECT_EQ(LastCharPos(0, 1), 0);
    EXPECT_EQ(LastCharPos(10, 1), 9);
    EXPECT_EQ(LastCharPos(11, 2), 8);
    EXPECT_EQ(LastCharPos(1, 2), 0);
}

TEST(Widths, HexWidthsAreTwoOrMultiplesOfFour) {
    EXPECT_EQ(ClampHexWidth(1), 2);
    EXPECT_EQ(ClampHexWidth(2), 2);
    EXPECT_EQ(ClampHexWidth(3), 2);
    EXPECT_EQ(ClampHexWidth(7), 4);
    EXPECT_EQ(ClampHexWidth(17), 16);
    EXPECT_EQ(ClampHexWidth(299), 296);
    EXPECT_EQ(ClampHexWidth(1000), 300);
    EXPECT_EQ(ClampTextWidth(-5), 2);
    EXPECT_EQ(ClampTextWidth(301), 300);
}

TEST(ModeTraits, CharSizeAndTextLikeness) {
    struct Row {
        TViewMode mode;
        int charSize;
        bool textLike;
    };
    for (const Row& r : {Row{ModeText, 1, true}, Row{ModeBinary, 1, false}, Row{ModeHex, 1, false},
                         Row{ModeUnicode, 2, true}, Row{ModeUHex, 2, false}}) {
        EXPECT_EQ(CharSizeOf(r.mode), r.charSize) << r.mode;
        EXPECT_EQ(IsTextLike(r.mode), r.textLike) << r.mode;
    }
}

// ---- Line layouts ------------------------------------------------------------------------------

struct LayoutRow {
    const char* name;
    TLineLayout layout;
    int firstCell, middleCell, lastCell, textColumn, charsStart;
    int separators[3];
};

void PrintTo(const LayoutRow& row, std::ostream* os) {
    *os << row.name;
}

class LineLayoutTest : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(LineLayoutTest, ColumnsStandWhereTheLineIsDrawn) {
    const LayoutRow& r = GetParam();
    const TLineLayout& l = r.layout;
    if (l.HasCells()) {
        EXPECT_EQ(l.CellStart(0), r.firstCell);
        EXPECT_EQ(l.CellStart(l.MiddleCell()), r.middleCell);
        EXPECT_EQ(l.CellStart(l.Cells - 1), r.lastCell);
    }
    EXPECT_EQ(l.TextColumn(), r.textColumn);
    EXPECT_EQ(l.CharsStart(), r.charsStart);
    ASSERT_EQ(l.SeparatorCount(), l.HasCells() ? 3 : 0);
    for (int k = 0; k < l.SeparatorCount(); ++k)
        EXPECT_EQ(l.Separator(k), r.separators[k]) << k;
    if (l.HasCells()) {
        // The tint runs from the first separator to the last, and the last cell ends by it.
        EXPECT_EQ(l.TintStart() + l.TintUnits(), l.TextColumn());
        EXPECT_LE(l.CellStart(l.Cells - 1) + l.CellUnits(), l.TextColumn());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, LineLayoutTest,
    ::testing::Values(LayoutRow{"Hex16", {ModeHex, 16, 8}, 11, 36, 57, 60, 61, {10, 35, 60}},
                      LayoutRow{"Hex4Digits10", {ModeHex, 4, 10}, 13, 20, 23, 26, 27, {12, 19, 26}},
                      LayoutRow{"Hex2", {ModeHex, 2, 8}, 11, 15, 15, 18, 19, {10, 14, 18}},
                      LayoutRow{"UHex8", {ModeUHex, 8, 8}, 11, 32, 47, 52, 53, {10, 31, 52}},
                      LayoutRow{"Binary80", {ModeBinary, 80, 8}, 0, 0, 0, 0, 0, {0, 0, 0}}),
    [](const ::testing::TestParamInfo<LayoutRow>& info) { return std::string(info.param.name); });

// The fitted cell count is the largest whose whole line fits the width, clamped to 2..MaxLength.
class CellsFittingTest : public ::testing::TestWithParam<TViewMode> {};

TEST_P(CellsFittingTest, LargestWholeLineThatFits) {
    const TViewMode mode = GetParam();
    for (int digits : {8, 10, 16}) {
        for (int width = 2; width <= MaxLength; ++width) {
            const int cells = TLineLayout::CellsFitting(mode, width, digits);
            const TLineLayout fitted{mode, cells, digits};
            const TLineLayout wider{mode, cells + 1, digits};
            if (cells > 2) {
                EXPECT_LE(fitted.LineUnits(), width) << width;
            }
            if (cells < MaxLength) {
                EXPECT_GT(wider.LineUnits(), width) << width;
            }
            EXPECT_GE(cells, 2);
            EXPECT_LE(cells, MaxLength);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, CellsFittingTest, ::testing::Values(ModeBinary, ModeHex, ModeUHex),
                         [](const ::testing::TestParamInfo<TViewMode>& info) {
                             return std::string(info.param == ModeBinary ? "Binary"
                                                : info.param == ModeHex  ? "Hex"
                                                                         : "UHex");
                         });

// ---- Scroll-bar mapping ------------------------------------------------------------------------

class ScrollMappingTest : public ::testing::TestWithParam<int64_t> {};

// size × p ÷ n without a wider type: n and p are below 2^15, so the remainder's product fits.
int64_t ReferenceThumbPos(int64_t size, int p, int64_t n) {
    return size / n * p + size % n * p / n;
}

TEST_P(ScrollMappingTest, ThumbToPositionIsExact) {
    const int64_t size = GetParam();
    const int64_t n = std::clamp<int64_t>(size / 16, 1, MaxScrollRange);
    for (int p : {-1, 0, 1, 16384, static_cast<int>(n)})
        EXPECT_EQ(ThumbToPos(size, 16, static_cast<int16_t>(p)), ReferenceThumbPos(size, p, n))
            << p;
    EXPECT_EQ(ThumbToPos(size, 16, static_cast<int16_t>(n)), size) << "the last step is the end";
}

TEST_P(ScrollMappingTest, PositionToThumbIsExactAndMapsBackWithinOneStep) {
    const int64_t size = GetParam();
    if (size == 0)
        GTEST_SKIP() << "an empty source has no bar";
    const int lines = 40;
    const int64_t range = std::clamp<int64_t>(size / 16, 4, MaxScrollRange);
    const int64_t lastPage = std::max<int64_t>(0, (size - 1) / 16 * 16 - (lines - 1) * 16);
    for (int64_t view : {int64_t(0), size / 3 / 16 * 16, lastPage, size - 1}) {
        const TVertThumb bar = VertThumbFor(size, view, 16, lines, /*textLike=*/false);
        EXPECT_EQ(bar.Range, range);
        __extension__ using Wide = __int128;
        // Pos is the floor of view × Range ÷ size.
        EXPECT_LE(Wide(bar.Pos) * size, Wide(view) * range) << view;
        EXPECT_GT(Wide(bar.Pos + 1) * size, Wide(view) * range) << view;
        if (size >= 16 * 4) {
            const int64_t back = ThumbToPos(size, 16, static_cast<int16_t>(bar.Pos));
            EXPECT_LE(back, view) << view;
            EXPECT_LE(view - back, size / range + 1) << view;
        }
        EXPECT_GE(bar.Page, 1);
        EXPECT_LE(bar.Page, MaxScrollRange);
        EXPECT_EQ(VertThumbFor(size, view, 16, lines, /*textLike=*/true).Page, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScrollMappingTest,
                         ::testing::Values(int64_t(0), int64_t(1), int64_t(1) << 31,
                                           int64_t(1) << 32, int64_t(1) << 40, int64_t(1) << 48,
                                           int64_t(1) << 62, INT64_MAX),
                         [](const ::testing::TestParamInfo<int64_t>& info) {
                             const int64_t v = info.param;
                             if (v == INT64_MAX)
                                 return std::string("TwoToThe63MinusOne");
                             if (v < 2)
                                 return std::string(v == 0 ? "Empty" : "OneByte");
                             return "TwoToThe" +
                                    std::to_string(__builtin_ctzll(static_cast<uint64_t>(v)));
                         });
