// QXBinHexHighDensityTest.cpp — the viewer on a screen of two device pixels per widget pixel: the
// page image has the device's pixels and a click lands on the byte under the pointer. Registered
// once more with QT_SCALE_FACTOR=2 and VORNEX_EXPECT_DPR=2; at any other ratio it is skipped.
#include "DrawFixture.h"
#include "TestSupport.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr qreal Ratio = 2;

class HighDensity : public ::testing::Test {
protected:
    void SetUp() override {
        const qreal ratio = f.viewer.viewport()->devicePixelRatioF();
        if (ratio == Ratio)
            return;
        if (qEnvironmentVariableIntValue("VORNEX_EXPECT_DPR") == Ratio)
            FAIL() << "the device pixel ratio is " << ratio << ", not " << Ratio;
        GTEST_SKIP() << "runs at a device pixel ratio of 2 (QT_SCALE_FACTOR=2)";
    }

    // The recorded line that holds pos.
    const TStrEntry& LineOf(int64_t pos) const {
        const TStrPositions& rec = f.viewer.StrPositions();
        for (int i = rec.Count - 1; i > 0; --i)
            if (rec.Entries[i].Pos <= pos)
                return rec.Entries[i];
        return rec.Entries[0];
    }
    // A point a quarter (or three quarters) into the hex cell of the byte at pos.
    QPoint InHexCell(int64_t pos, int quarters) const {
        const TStrPositions& rec = f.viewer.StrPositions();
        const TStrEntry& line = LineOf(pos);
        const auto cell = static_cast<int>(pos - line.Pos);
        return QPoint(rec.CellX[cell] + rec.CellWidth * quarters / 4, line.Y + f.LH() / 2);
    }
    // A point a quarter (or three quarters) into the character of the byte at pos.
    QPoint InCharacter(int64_t pos, int quarters) {
        int x = 0, y = 0;
        EXPECT_TRUE(f.viewer.StrPositions().PointFromPos(f.viewer.TextFont(),
                                                         f.viewer.OutputOptions(false), pos, x, y));
        return QPoint(x + f.W() * quarters / 4, y + f.LH() / 2);
    }
    void DragOver(QPoint from, QPoint to) {
        QWidget* page = f.viewer.viewport();
        QTest::mousePress(page, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(page, to);
        QTest::mouseRelease(page, Qt::LeftButton, Qt::NoModifier, to);
    }

    DrawFixture f;
};

} // namespace

TEST_F(HighDensity, PageImageHasTheDevicePixels) {
    f.Show(test::Ramp(4096));
    EXPECT_EQ(f.Page().size(), f.viewer.viewport()->size() * Ratio);
    EXPECT_EQ(f.Page().devicePixelRatio(), Ratio);
    // A page scaled up from the widget's pixels would have every aligned 2×2 block of one colour;
    // text drawn at the device's resolution has edges inside the blocks.
    const QImage& page = f.Page();
    const QPoint at = InCharacter(0, 0) * Ratio;
    const int width = f.W() * 16 * Ratio, height = f.LH() * 4 * Ratio;
    int split = 0;
    for (int y = at.y() & ~1; y + 1 < at.y() + height && y + 1 < page.height(); y += 2)
        for (int x = at.x() & ~1; x + 1 < at.x() + width && x + 1 < page.width(); x += 2) {
            const QRgb c = page.pixel(x, y);
            split += page.pixel(x + 1, y) != c || page.pixel(x, y + 1) != c ||
                     page.pixel(x + 1, y + 1) != c;
        }
    EXPECT_GT(split, 0) << "the text is drawn at the widget's resolution and scaled up";
}

TEST_F(HighDensity, DragSelectsTheBytesUnderThePointer) {
    f.Show(test::Ramp(4096));
    const int lineSize = f.viewer.LineSize();
    ASSERT_GE(lineSize, 12);
    // Bytes away from the first line and column, so that a point taken in the device's pixels (or
    // halved) would land on other bytes.
    const int64_t first = 2 * lineSize + 5, last = 4 * lineSize + 11;
    DragOver(InHexCell(first, 1), InHexCell(last, 3));
    EXPECT_EQ(f.viewer.MarkStart(), first);
    EXPECT_EQ(f.viewer.MarkLength(), last - first + 1);

    DragOver(InCharacter(first + 1, 1), InCharacter(last - 1, 3));
    EXPECT_EQ(f.viewer.MarkStart(), first + 1);
    EXPECT_EQ(f.viewer.MarkLength(), last - first - 1);
}
