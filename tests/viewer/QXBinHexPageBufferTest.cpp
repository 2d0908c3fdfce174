// QXBinHexPageBufferTest.cpp — the page buffer's reads: what it holds, bytes and UTF-16 units at
// source offsets, views, and the hex cells' digit order.
#include "QXBinHexPageBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using binhex::TPageBuffer;

namespace {

// A buffer of the bytes at source offset pos.
TPageBuffer Filled(TOffset pos, std::initializer_list<uint8_t> bytes) {
    TPageBuffer buffer;
    buffer.Allocate(static_cast<int>(bytes.size()));
    std::memcpy(buffer.Data(), bytes.begin(), bytes.size());
    buffer.Pos = pos;
    return buffer;
}

} // namespace

TEST(PageBuffer, HoldsExactlyItsBytes) {
    const TPageBuffer b = Filled(1000, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_FALSE(b.Holds(999));
    EXPECT_TRUE(b.Holds(1000));
    EXPECT_TRUE(b.Holds(1007));
    EXPECT_FALSE(b.Holds(1008));
    EXPECT_TRUE(b.Holds(1000, 8));
    EXPECT_TRUE(b.Holds(1004, 4));
    EXPECT_FALSE(b.Holds(1004, 5));
    EXPECT_FALSE(b.Holds(999, 2));
    EXPECT_FALSE(b.Holds(1000, 0));
    EXPECT_FALSE(TPageBuffer().Holds(0));
}

TEST(PageBuffer, FreedBufferHoldsNothing) {
    TPageBuffer b = Filled(0, {9, 9});
    b.Free();
    EXPECT_FALSE(b.Allocated());
    EXPECT_EQ(b.Size(), 0);
    EXPECT_FALSE(b.Holds(0));
    EXPECT_EQ(b.ByteAt(0), 0);
}

TEST(PageBuffer, OffsetsNearTheLargestDoNotOverflow) {
    constexpr TOffset Max = std::numeric_limits<TOffset>::max();
    const TPageBuffer b = Filled(Max - 3, {0xA1, 0xA2, 0xA3, 0xA4});
    EXPECT_TRUE(b.Holds(Max));
    EXPECT_TRUE(b.Holds(Max - 1, 2));
    EXPECT_FALSE(b.Holds(Max - 1, 3));
    EXPECT_FALSE(b.Holds(Max, Max));
    EXPECT_EQ(b.ByteAt(Max), 0xA4);
    EXPECT_FALSE(b.Holds(std::numeric_limits<TOffset>::min()));
}

TEST(PageBuffer, BytesAtSourceOffsetsAndZeroOutside) {
    const TPageBuffer b = Filled(500, {0x10, 0x20, 0x30});
    EXPECT_EQ(b.ByteAt(500), 0x10);
    EXPECT_EQ(b.ByteAt(502), 0x30);
    EXPECT_EQ(b.ByteAt(499), 0);
    EXPECT_EQ(b.ByteAt(503), 0);
}

TEST(PageBuffer, UnitsInEitherOrderWithAMissingSecondByteAsZero) {
    const TPageBuffer b = Filled(10, {0x41, 0x00, 0xFE, 0xFF, 0x7A});
    EXPECT_EQ(b.UnitAt(10, TByteOrder::LittleEndian), u'A');
    EXPECT_EQ(b.UnitAt(10, TByteOrder::BigEndian), char16_t(0x4100));
    EXPECT_EQ(b.UnitAt(12, TByteOrder::LittleEndian), char16_t(0xFFFE));
    EXPECT_EQ(b.UnitAt(12, TByteOrder::BigEndian), char16_t(0xFEFF));
    EXPECT_EQ(b.UnitAt(14, TByteOrder::LittleEndian), char16_t(0x007A));
    EXPECT_EQ(b.UnitAt(14, TByteOrder::BigEndian), char16_t(0x7A00));
    EXPECT_EQ(b.UnitAt(15, TByteOrder::LittleEndian), 0);
}

TEST(PageBuffer, ViewsOnlyWhatItHoldsWhole) {
    const TPageBuffer b = Filled(100, {'a', 'b', 'c', 'd'});
    EXPECT_EQ(b.View(101, 2), QByteArrayView("bc"));
    EXPECT_EQ(b.View(100, 4), QByteArrayView("abcd"));
    EXPECT_TRUE(b.View(101, 4).isEmpty());
    EXPECT_TRUE(b.View(99, 2).isEmpty());
    EXPECT_TRUE(b.View(100, 0).isEmpty());
}

// A two-byte cell shows the byte at pos + 1 first, whatever the source's byte order, and only
// the byte at pos where the buffer ends after it.
TEST(PageBuffer, HexDigitsInTheOrderTheCellShowsThem) {
    const TPageBuffer b = Filled(0, {0x12, 0xAB, 0x3C});
    const auto one = b.HexDigitsAt(1, 1);
    ASSERT_EQ(one.Count, 2);
    EXPECT_EQ(one.Digit[0], 0xA);
    EXPECT_EQ(one.Digit[1], 0xB);

    const auto two = b.HexDigitsAt(0, 2);
    ASSERT_EQ(two.Count, 4);
    EXPECT_EQ(two.Digit[0], 0xA);
    EXPECT_EQ(two.Digit[1], 0xB);
    EXPECT_EQ(two.Digit[2], 0x1);
    EXPECT_EQ(two.Digit[3], 0x2);

    const auto cut = b.HexDigitsAt(2, 2);
    ASSERT_EQ(cut.Count, 2);
    EXPECT_EQ(cut.Digit[0], 0x3);
    EXPECT_EQ(cut.Digit[1], 0xC);

    EXPECT_EQ(b.HexDigitsAt(3, 1).Count, 0);
    EXPECT_EQ(b.HexDigitsAt(-1, 2).Count, 0);
}
