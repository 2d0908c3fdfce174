// QXBinHexAddressBaseTest.cpp — the offset column shows offsets plus AddressBase; everything else
// keeps stream offsets.
#include "DrawFixture.h"
#include "SyntheticDevice.h"

#include <gtest/gtest.h>

namespace {

// The offset column of every drawn line: the digits and the colon.
QImage OffsetColumn(const DrawFixture& f) {
    const int width = f.Column(f.Layout().OffsetDigits + 1);
    return f.Page().copy(0, 0, width, f.Page().height());
}

struct BaseCase {
    const char* name;
    TQXBinHex::TQXBinHexMode mode;
    TOffset base; // aligned down to a line below
};

class AddressBaseTest : public testing::TestWithParam<BaseCase> {};

// A small source shown with a base draws the offset column of a huge source scrolled to the base.
TEST_P(AddressBaseTest, OffsetColumnReadsAsTheHugeSourceAtTheBase) {
    const BaseCase& c = GetParam();
    constexpr TOffset Size = 0x400;
    DrawFixture shown(c.mode);
    shown.viewer.setTextWidthFitHex(false);
    shown.viewer.setTextWidthFitUHex(false);
    shown.Show(QByteArray(Size, '\x5A'));
    const TOffset base = c.base - c.base % shown.viewer.LineSize();
    shown.viewer.setAddressBase(base);

    DrawFixture reference(c.mode);
    reference.viewer.setTextWidthFitHex(false);
    reference.viewer.setTextWidthFitUHex(false);
    SyntheticDevice huge(base + Size);
    reference.viewer.OpenStream(&huge, /*redraw=*/true);
    reference.viewer.SetViewPos(base, /*redraw=*/true);
    ASSERT_EQ(reference.viewer.ViewPos(), base);

    EXPECT_EQ(shown.viewer.HexOffsetLen(), reference.viewer.HexOffsetLen());
    EXPECT_EQ(OffsetColumn(shown), OffsetColumn(reference));
    // The record, the selection and the view stay in offsets of the source.
    const TStrPositions& record = shown.viewer.StrPositions();
    ASSERT_GT(record.Count, 1);
    EXPECT_EQ(record.Entries[0].Pos, 0);
    EXPECT_EQ(record.Entries[1].Pos, shown.viewer.LineSize());
    EXPECT_EQ(shown.viewer.ViewPos(), 0);
    shown.viewer.SetSelection(16, 4, /*scroll=*/false, /*fireEvent=*/false, /*redraw=*/true);
    EXPECT_EQ(shown.viewer.MarkStart(), 16);
    reference.viewer.OpenStream(nullptr, /*redraw=*/false);
}

INSTANTIATE_TEST_SUITE_P(
    Bases, AddressBaseTest,
    testing::Values(BaseCase{"HexAcross4GiB", TQXBinHex::vbmodeHex, 0xFFFFFF80LL},
                    BaseCase{"UHexAcross4GiB", TQXBinHex::vbmodeUHex, 0xFFFFFF80LL},
                    BaseCase{"HexAtTheTop", TQXBinHex::vbmodeHex, INT64_MAX - 0x400},
                    BaseCase{"UHexAtTheTop", TQXBinHex::vbmodeUHex, INT64_MAX - 0x400}),
    [](const testing::TestParamInfo<BaseCase>& info) { return std::string(info.param.name); });

TEST(AddressBase, NegativeIsZeroAndZeroDrawsAsBefore) {
    DrawFixture plain;
    plain.Show(QByteArray(300, '\x11'));
    DrawFixture based;
    based.Show(QByteArray(300, '\x11'));
    based.viewer.setAddressBase(0x12345678);
    based.viewer.setAddressBase(-5);
    EXPECT_EQ(based.viewer.AddressBase(), 0);
    EXPECT_EQ(based.Page(), plain.Page());
}

} // namespace
