// QXBinHexLineNumbersTest.cpp — the line table and the gutter of the text modes: numbers every
// TextGutterLinesStep lines, dots on other line starts, the scanned-prefix and capacity limits and
// the extension filter.
#include "TestSupport.h"
#include "TextFixture.h"

#include <gtest/gtest.h>

namespace {

// count lines of "abcdefghi\n" (ten bytes each), so that line k starts at 10 × (k − 1).
QByteArray TenByteLines(int count) {
    QByteArray data;
    for (int i = 0; i < count; ++i)
        data += "abcdefghi\n";
    return data;
}

bool IsRed(QColor c) {
    return c.red() > 150 && c.green() < 100 && c.blue() < 100;
}
bool IsDark(QColor c) {
    return c.red() < 110 && c.green() < 110 && c.blue() < 110;
}

// A text viewer with line numbers whose gutter numbers are red, so that they tell apart from the
// dots, which are drawn in the (black) text colour.
struct GutterFixture : DrawFixture {
    GutterFixture() : DrawFixture(TQXBinHex::vbmodeText) {
        viewer.setTextGutter(true);
        viewer.setFontGutterColor(0x0000FF);
    }
    QRect Cell(int row) const {
        return QRect(0, row * LH(), TQXBinHexPrivate::get(viewer).GutterWidth, LH());
    }
    int Red(int row) const { return CountPixels(Cell(row), IsRed); }
    int Dark(int row) const { return CountPixels(Cell(row), IsDark); }
};

} // namespace

TEST(LineNumbers, EveryFifthLineNumberedOthersDotted) {
    GutterFixture f;
    f.Show(TenByteLines(40));
    ASSERT_TRUE(TQXBinHexPrivate::get(f.viewer).LineNumbersShown());
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).LineNumber(0), 1);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).LineNumber(40), 5);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).LineNumber(45), 0) << "not a line start";
    const int rows = f.viewer.LinesNum();
    ASSERT_GE(rows, 10);
    for (int row = 0; row < rows; ++row) {
        const int number = row + 1;
        if (number % 5 == 0) {
            EXPECT_GT(f.Red(row), 0) << "line " << number;
        } else {
            EXPECT_EQ(f.Red(row), 0) << "line " << number;
            EXPECT_GT(f.Dark(row), 0) << "dot of line " << number;
        }
    }
    EXPECT_GE(TQXBinHexPrivate::get(f.viewer).GutterWidth,
              QFontMetrics(f.viewer.FontGutter()).horizontalAdvance(QStringLiteral("40")) + 2);
}

TEST(LineNumbers, StepOfThreeAndContinuationLinesWithoutMark) {
    GutterFixture f;
    f.viewer.setTextGutterLinesStep(3);
    f.viewer.setTextWrap(true);
    f.Show(QByteArray("short\n") + QByteArray(40, 'x') + "\nend\n");
    SetPageWidth(f, TQXBinHexPrivate::get(f.viewer).GutterWidth + 2 + 20 * f.W() + f.W() / 2);
    // Rows: "short" (1), 20 x (2), 20 x (continuation), "end" (3).
    EXPECT_EQ(f.viewer.StrPositions().Entries[3].Pos, 47);
    EXPECT_GT(f.Dark(0), 0);
    EXPECT_GT(f.Dark(1), 0);
    EXPECT_EQ(f.Dark(2) + f.Red(2), 0) << "a continuation line gets nothing";
    EXPECT_GT(f.Red(3), 0);
}

TEST(LineNumbers, LinesBeyondTheScannedPrefixShowDots) {
    GutterFixture f;
    f.viewer.setTextGutterLinesBufSize(1024);
    f.Show(TenByteLines(300));
    // The prefix holds the starts 10 … 1020; 1030 lies beyond it.
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).TextModel.LineCount, 102);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).LineNumber(1020), 103);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).LineNumber(1030), 0);

    TQXBinHexPrivate::get(f.viewer).ViewPos = 950; // line 96
    f.viewer.Redraw();
    EXPECT_GT(f.Red(4), 0) << "line 100";
    EXPECT_EQ(f.Red(9), 0) << "line 105 lies beyond the prefix";
    EXPECT_GT(f.Dark(9), 0);
}

TEST(LineNumbers, TableCapacityLimitsTheNumbers) {
    GutterFixture f;
    f.viewer.setTextGutterLinesCount(10);
    f.Show(TenByteLines(30));
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).TextModel.LineCount, 9);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).LineNumber(90), 10);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).LineNumber(100), 0);
}

TEST(LineNumbers, Utf16CountsOnlyAsciiBreaks) {
    GutterFixture f;
    f.viewer.setMode(TQXBinHex::vbmodeUnicode);
    // a LF b U+0D0A c LF d: the unit 0D0A holds the bytes of a line feed but is no break.
    f.Show(QByteArray::fromHex("61000a0062000a0d63000a006400"));
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).TextModel.LineCount, 2);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).LineNumber(4), 2);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).LineNumber(12), 3);
}

TEST(LineNumbers, NoTableWithoutGutterOrInHexMode) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(TenByteLines(20));
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).LineNumbersShown());
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).TextModel.LineCount, 0);
    f.viewer.setTextGutter(true);
    f.viewer.setMode(TQXBinHex::vbmodeHex);
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).LineNumbersShown());
}

TEST(LineNumbers, ExtensionFilterAdmitsListedFilesOnly) {
    test::ScratchDir dir;
    TQXBinHex viewer;
    viewer.setTextGutter(true);
    viewer.setTextGutterLinesExtUse(true);
    viewer.setTextGutterLinesExtList(QStringLiteral("txt,LOG"));
    ASSERT_TRUE(viewer.Open(dir.write(QStringLiteral("a.Log"), TenByteLines(20)), false));
    EXPECT_TRUE(TQXBinHexPrivate::get(viewer).LineNumbersShown());
    EXPECT_EQ(TQXBinHexPrivate::get(viewer).TextModel.LineCount, 19);
    ASSERT_TRUE(viewer.Open(dir.write(QStringLiteral("a.bin"), TenByteLines(20)), false));
    EXPECT_FALSE(TQXBinHexPrivate::get(viewer).LineNumbersShown());

    QBuffer stream;
    stream.setData(TenByteLines(20));
    stream.open(QIODevice::ReadOnly);
    viewer.Open(dir.path(QStringLiteral("a.Log")), false);
    ASSERT_TRUE(viewer.OpenStream(&stream, false));
    EXPECT_FALSE(TQXBinHexPrivate::get(viewer).LineNumbersShown()) << "a stream has no extension";
}
