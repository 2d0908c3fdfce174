// QXBinHexLayoutTest.cpp — the page-buffer window and width rules without a widget.
#include "QXBinHexLayout.h"

#include <gtest/gtest.h>

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
