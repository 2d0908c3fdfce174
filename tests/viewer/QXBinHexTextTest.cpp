// QXBinHexTextTest.cpp — the text modes: line breaks, wrapping, tabs, UTF-16 lines, the OEM font,
// line numbers in the gutter and the drawing events. Positions come from the measured metrics.
#include "TestSupport.h"
#include "TextFixture.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

using Line = std::pair<QString, TOffset>;

// The drawn lines of the page: their characters and offsets.
std::vector<Line> DrawnLines(const DrawFixture& f) {
    std::vector<Line> lines;
    const auto& rec = f.viewer.StrPositions();
    for (int i = 0; i < rec.Count; ++i)
        lines.emplace_back(rec.Entries[static_cast<size_t>(i)].Str,
                           rec.Entries[static_cast<size_t>(i)].Pos);
    return lines;
}

bool IsDark(QColor c) {
    return c.red() < 110 && c.green() < 110 && c.blue() < 110;
}

// Makes the page chars character widths wide after the left margin (and half a width more), so
// that exactly chars characters of a monospaced font fit.
void FitChars(DrawFixture& f, int chars) {
    SetPageWidth(f, f.Left() + chars * f.W() + f.W() / 2);
    ASSERT_EQ((f.Page().width() - f.Left()) / f.W(), chars);
}

const QByteArray MixedBreaks("ab\r\ncd\nef\rgh");

} // namespace

TEST(TextLines, MixedBreaksGiveFourLines) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(MixedBreaks);
    const std::vector<Line> want = {{"ab", 0}, {"cd", 4}, {"ef", 7}, {"gh", 10}};
    EXPECT_EQ(DrawnLines(f), want);
    EXPECT_EQ(f.viewer.FindLineStart(0, /*forward=*/true, false), 4);
    EXPECT_EQ(f.viewer.FindLineStart(4, /*forward=*/true, false), 7);
    EXPECT_EQ(f.viewer.FindLineStart(7, /*forward=*/true, false), 10);
    EXPECT_EQ(f.viewer.FindLineStart(10, /*forward=*/true, false), -1);
    EXPECT_TRUE(f.viewer.ViewAtEnd());
    EXPECT_EQ(f.viewer.ViewPageSize(), MixedBreaks.size());
}

TEST(TextLines, LfOfCrLfCountsAsTheCr) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(MixedBreaks);
    EXPECT_EQ(f.viewer.FindLineStart(3, /*forward=*/true, false), 4);
    EXPECT_EQ(f.viewer.FindLineStart(3, /*forward=*/false, /*start=*/true), 0);
}

TEST(TextLines, BackwardFindsThePreviousLineStart) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(MixedBreaks);
    auto up = [&](TOffset pos, bool start) {
        return f.viewer.FindLineStart(pos, /*forward=*/false, start);
    };
    EXPECT_EQ(up(10, false), 7);
    EXPECT_EQ(up(7, false), 4);
    EXPECT_EQ(up(4, false), 0);
    EXPECT_EQ(up(0, false), -1);
    EXPECT_EQ(up(11, false), 10) << "inside a line: that line's start";
    EXPECT_EQ(up(12, false), 10) << "past the end: the last line";
    EXPECT_EQ(up(7, true), 7) << "a line start stays with start set";
    EXPECT_EQ(up(8, true), 7);
}

TEST(TextLines, EmptyLinesAreLinesOfTheirOwn) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show("ab\n\ncd");
    const std::vector<Line> want = {{"ab", 0}, {"", 3}, {"cd", 4}};
    EXPECT_EQ(DrawnLines(f), want);
    EXPECT_EQ(f.viewer.FindLineStart(4, /*forward=*/false, false), 3);
    EXPECT_EQ(f.viewer.FindLineStart(3, /*forward=*/false, false), 0);
}

TEST(TextLines, LongLineIsCutAtMaxLengthWithoutStartingATextLine) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(QByteArray(700, 'x') + "\ny");
    std::vector<TOffset> starts;
    for (const Line& l : DrawnLines(f))
        starts.push_back(l.second);
    EXPECT_EQ(starts, (std::vector<TOffset>{0, 300, 600, 701}));
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).StartsTextLine(300));
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).StartsTextLine(701));
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).StartsTextLine(0));
}

TEST(TextLines, PageSizeAndEndOfAPageFullOfLines) {
    DrawFixture f(TQXBinHex::vbmodeText);
    QByteArray data;
    for (int i = 0; i < 200; ++i)
        data += "line\n";
    f.Show(data);
    const int linesNum = f.viewer.LinesNum();
    ASSERT_GT(linesNum, 2);
    EXPECT_FALSE(f.viewer.ViewAtEnd());
    EXPECT_EQ(f.viewer.ViewPageSize(), 5 * linesNum);
    EXPECT_EQ(f.viewer.StrPositions().Count, linesNum + 1) << "one partial line more";
}

TEST(TextWrap, BreaksAfterTheLastFittingSpace) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.viewer.setTextWrap(true);
    f.Show("hello world foo");
    ASSERT_TRUE(TQXBinHexPrivate::get(f.viewer).FontMonospaced);
    FitChars(f, 10);
    const std::vector<Line> want = {{"hello", 0}, {"world foo", 6}};
    EXPECT_EQ(DrawnLines(f), want);
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).StartsTextLine(6));
}

TEST(TextWrap, BreaksAfterABackslash) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.viewer.setTextWrap(true);
    f.Show("C:\\dir\\file");
    FitChars(f, 8);
    const std::vector<Line> want = {{"C:\\dir\\", 0}, {"file", 7}};
    EXPECT_EQ(DrawnLines(f), want);
}

TEST(TextWrap, AWordLongerThanTheLineIsCutAtTheFit) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.viewer.setTextWrap(true);
    f.Show("abcdefghijklmn");
    FitChars(f, 6);
    const std::vector<Line> want = {{"abcdef", 0}, {"ghijkl", 6}, {"mn", 12}};
    EXPECT_EQ(DrawnLines(f), want);
}

TEST(TextWrap, PageNarrowerThanACharacterStillAdvances) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.viewer.setTextWrap(true);
    f.Show("abc");
    SetPageWidth(f, f.Left() + f.W() / 2);
    const std::vector<Line> want = {{"a", 0}, {"b", 1}, {"c", 2}};
    EXPECT_EQ(DrawnLines(f), want);
}

TEST(TextTabs, MonospacedTabReachesTheNextStop) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show("a\tb");
    ASSERT_TRUE(TQXBinHexPrivate::get(f.viewer).FontMonospaced);
    int x = 0, y = 0;
    ASSERT_TRUE(f.viewer.StrPositions().PointFromPos(f.viewer.TextFont(),
                                                     f.viewer.OutputOptions(false), 2, x, y));
    EXPECT_EQ(x, f.Left() + 8 * f.W()) << "b in column 9";
    EXPECT_EQ(f.CountPixels(QRect(f.Left() + f.W() + 1, 0, 7 * f.W() - 2, f.LH()), IsDark), 0);
    EXPECT_GT(f.CountPixels(QRect(f.Left() + 8 * f.W(), 0, f.W(), f.LH()), IsDark), 0);
}

TEST(TextTabs, ProportionalTabIsAlwaysTabSizeSpaces) {
    DrawFixture f(TQXBinHex::vbmodeText);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    f.viewer.setFont(font);
    f.Show("ab\tc");
    ASSERT_FALSE(TQXBinHexPrivate::get(f.viewer).FontMonospaced);
    const QFontMetrics fm(f.viewer.TextFont());
    int x = 0, y = 0;
    ASSERT_TRUE(f.viewer.StrPositions().PointFromPos(f.viewer.TextFont(),
                                                     f.viewer.OutputOptions(false), 3, x, y));
    EXPECT_NEAR(
        x, f.Left() + fm.horizontalAdvance(QStringLiteral("ab")) + 8 * fm.horizontalAdvance(u' '),
        1);
}

TEST(UnicodeLines, LittleEndianBreaksEndLines) {
    DrawFixture f(TQXBinHex::vbmodeUnicode);
    f.Show(QByteArray::fromHex("41000d000a004200"));
    const std::vector<Line> want = {{"A", 0}, {"B", 6}};
    EXPECT_EQ(DrawnLines(f), want);
    EXPECT_EQ(f.viewer.FindLineStart(0, /*forward=*/true, false), 6);
    EXPECT_EQ(f.viewer.FindLineStart(5, /*forward=*/true, false), 6) << "odd offsets round down";
    EXPECT_EQ(f.viewer.FindLineStart(6, /*forward=*/false, false), 0);
}

TEST(UnicodeLines, ByteOrderMarkFeFfReadsBigEndianAndStartsLineOne) {
    DrawFixture f(TQXBinHex::vbmodeUnicode);
    f.Show(QByteArray::fromHex("feff0041000d000a0042"));
    const std::vector<Line> want = {{QString(QChar(0xFEFF)) + u'A', 0}, {"B", 8}};
    EXPECT_EQ(DrawnLines(f), want);
}

TEST(TextOem, OemFontShowsGlyphsAndKeepsTabs) {
    DrawFixture f(TQXBinHex::vbmodeText);
    f.Show(QByteArray::fromHex("0141094220"));
    f.viewer.setTextEncoding(1);
    EXPECT_EQ(f.viewer.StrPositions().Entries[0].Str, QStringLiteral(".A\tB "));
    f.viewer.setTextOemSpecial(true);
    EXPECT_EQ(f.viewer.StrPositions().Entries[0].Str,
              QString(QChar(0x263A)) + QStringLiteral("A\tB "));
}

TEST(TextEvents, DrawLineCanTakeOverALine) {
    DrawFixture f(TQXBinHex::vbmodeText);
    std::vector<QRect> rects;
    std::vector<QPoint> points;
    std::vector<QString> texts;
    f.viewer.OnDrawLine = [&](QObject* sender, QPainter* canvas, const QString& str, const QString&,
                              const QRect& rect, const QPoint& pnt, bool& done) {
        EXPECT_EQ(sender, &f.viewer);
        EXPECT_NE(canvas, nullptr);
        EXPECT_FALSE(done);
        texts.push_back(str);
        rects.push_back(rect);
        points.push_back(pnt);
        done = str.startsWith(u'c');
    };
    f.Show("ab\ncd\nef");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], QStringLiteral("cd"));
    EXPECT_EQ(rects[1], QRect(0, f.LH(), f.Page().width(), f.LH()));
    EXPECT_EQ(points[2], QPoint(f.Left(), 2 * f.LH()));
    const std::vector<Line> want = {{"ab", 0}, {"ef", 6}};
    EXPECT_EQ(DrawnLines(f), want) << "the line the handler drew is not recorded";
}

TEST(TextEvents, DrawLine2ToldWhetherTheLineEndsWithABreak) {
    DrawFixture f(TQXBinHex::vbmodeText);
    std::vector<bool> lineEnds;
    std::vector<QPoint> points;
    f.viewer.OnDrawLine2 = [&](QObject*, QPainter*, const QString& str, const QPoint& pnt,
                               const TQXBinHexOutputOptions& options) {
        EXPECT_FALSE(str.contains(LineEndGlyph(options)));
        lineEnds.push_back(options.ShowLineEnd);
        points.push_back(pnt);
    };
    f.viewer.setTextNonPrintable(true);
    f.Show("a b\r\ncd");
    EXPECT_EQ(lineEnds, (std::vector<bool>{true, false}));
    EXPECT_EQ(points[1], QPoint(f.Left() - f.viewer.HViewPos(), f.LH()));
}
