// QXStrPositionsTest.cpp — hit-testing on a drawn hex page and the record's own limits.
#include "DrawFixture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class HitTest : public ::testing::Test {
protected:
    void SetUp() override { f.Show(test::Ramp(100)); }
    int64_t At(int x, int y, bool strict = false) {
        return f.viewer.StrPositions().PosFromPoint(f.viewer.TextFont(), x, y, strict,
                                                    f.viewer.OutputOptions(false));
    }
    const TStrPositions& rec() const { return f.viewer.StrPositions(); }
    DrawFixture f;
};

} // namespace

TEST_F(HitTest, CellHalvesGiveTheBoundaryNearest) {
    const int y = f.LH() + 2; // second line, offsets 16..31
    const int cell0 = rec().CellX[0];
    EXPECT_EQ(At(cell0 + 1, y), 16);
    EXPECT_EQ(At(cell0 + 3 * f.W() / 2 + 1, y), 17);
    EXPECT_EQ(At(rec().CellX[15] + 3 * f.W() / 2 + 1, y), 32) << "right half of the last cell";
    EXPECT_EQ(At(rec().CellX[8] + 1, y), 24) << "left half of the first cell after the gap";
    EXPECT_EQ(At(f.Left() + 2, y), 16) << "the offset column is the line's start";
}

TEST_F(HitTest, GapBeforeTheColumnGivesTheLineEnd) {
    EXPECT_EQ(At(rec().TextColumnX - 1, 2), 16);
    EXPECT_EQ(At(rec().TextColumnX, 2), 16);
}

TEST_F(HitTest, CharacterColumnGivesTheNearestBoundary) {
    const int x0 = rec().Entries[0].X;
    const int w = f.W();
    EXPECT_EQ(At(x0 + 1, 2), 0);
    EXPECT_EQ(At(x0 + 3 * w + w / 4, 2), 3);
    EXPECT_EQ(At(x0 + 3 * w + 3 * w / 4 + 1, 2), 4);
    EXPECT_EQ(At(x0 + 40 * w, 2), 16);
    EXPECT_EQ(At(x0 + 40 * w, 2, /*strict=*/true), -1);
}

TEST_F(HitTest, AboveAndBelowTheDrawnLines) {
    EXPECT_EQ(At(100, -1), 0);
    EXPECT_EQ(At(100, -1, true), -1);
    const int below = 7 * f.LH() + 1; // 100 bytes make 7 lines
    EXPECT_EQ(At(100, below), 100);
    EXPECT_EQ(At(100, below, true), -1);
}

TEST_F(HitTest, LineSpacingIsNoLinesBand) {
    f.viewer.setTextLineSpacing(6);
    f.viewer.Redraw();
    const int font = FontHeight(f.viewer.TextFont());
    ASSERT_EQ(f.LH(), font + 6);
    EXPECT_EQ(At(rec().Entries[0].X + 1, font + 2), 100) << "the spacing belongs to no line";
    EXPECT_EQ(At(rec().Entries[0].X + 1, f.LH() + 1), 16);
}

TEST_F(HitTest, PointFromPosFindsTheColumnCharacter) {
    int x = 0, y = 0;
    ASSERT_TRUE(rec().PointFromPos(f.viewer.TextFont(), f.viewer.OutputOptions(false), 35, x, y));
    EXPECT_EQ(y, 2 * f.LH());
    EXPECT_EQ(x, rec().Entries[2].X + 3 * f.W());
    EXPECT_FALSE(rec().PointFromPos(f.viewer.TextFont(), f.viewer.OutputOptions(false), 100, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(rec().MaxExtent(f.viewer.TextFont(), f.viewer.OutputOptions(false)),
              rec().Entries[0].X + 16 * f.W());
}

TEST_F(HitTest, HorizontalShiftMovesEveryRecordedX) {
    const int before = rec().CellX[0];
    TQXBinHexPrivate::get(f.viewer).HViewPos = 3 * f.W();
    f.viewer.Redraw();
    EXPECT_EQ(rec().CellX[0], before - 3 * f.W());
    EXPECT_EQ(At(rec().CellX[0] + 1, 2), 0);
}

TEST(StrPositions, EmptyRecordAnswersNothing) {
    TStrPositions rec;
    const QFont font(QStringLiteral("Courier New"));
    int x = 5, y = 5;
    EXPECT_EQ(rec.PosFromPoint(font, 10, 10, false, {}), -1);
    EXPECT_FALSE(rec.PointFromPos(font, {}, 0, x, y));
    EXPECT_EQ(rec.MaxExtent(font, {}), 0);
}

TEST(StrPositions, LimitsOfTheRecord) {
    TStrPositions rec;
    rec.ClearPositions(2);
    for (int i = 0; i < 160; ++i)
        rec.AddString(QStringLiteral("ab"), 700, i * 4, i * 10);
    EXPECT_EQ(rec.Count, 150);
    EXPECT_EQ(rec.Entries[149].Pos, 149 * 4);
    rec.SetHexCell(64, 99, 15, 100);
    rec.SetHexCell(-1, 99, 15, 100);
    EXPECT_EQ(rec.CellCount, 64);
    EXPECT_EQ(rec.CellX[63], 0);
    rec.SetHexCell(63, 500, 15, 100);
    rec.SetTextColumn(600);
    const QFont font(QStringLiteral("Courier New"));
    // Right of the middle of cell 63 and left of the column: the offset after cell 63.
    EXPECT_EQ(rec.PosFromPoint(font, 510, 0, false, {}), 64 * 2);
    rec.ClearPositions(1);
    EXPECT_EQ(rec.Count, 0);
    EXPECT_EQ(rec.CellX[63], 0);
    EXPECT_EQ(rec.CharSize, 1);
    EXPECT_TRUE(rec.Entries[0].Str.isEmpty());
}
