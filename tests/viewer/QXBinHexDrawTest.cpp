// QXBinHexDrawTest.cpp — the drawn page: hex, 16-bit hex and binary layouts, character column,
// colours, selection, read-error and empty pages. Positions come from the measured metrics.
#include "DrawFixture.h"
#include "QXViewerMsg.h"
#include "QXxAssert.h"
#include "SyntheticDevice.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

bool IsColor(QColor c, QColor want) {
    return c.rgb() == want.rgb();
}

} // namespace

TEST(HexPage, OneByteShowsOneFullWidthLine) {
    DrawFixture f;
    f.Show(Bytes({0x41}));
    const auto& rec = f.viewer.StrPositions();
    ASSERT_EQ(rec.Count, 1);
    EXPECT_EQ(rec.Entries[0].Pos, 0);
    EXPECT_EQ(rec.Entries[0].Str, QStringLiteral("A"));
    EXPECT_EQ(rec.CellCount, 16);
    EXPECT_EQ(rec.CellX[0], f.Column(11));
    EXPECT_EQ(rec.TextColumnX, f.Column(60));
    EXPECT_EQ(rec.Entries[0].X, f.Column(61));
    EXPECT_TRUE(f.viewer.ViewAtEnd());

    const int mid = f.LH() / 2;
    const QColor tint = DrawFixture::Rgb(0xECECEC);
    // The tint spans all sixteen cells although only one holds a byte.
    EXPECT_TRUE(IsColor(f.Page().pixelColor(f.Column(57) + f.W(), mid), tint));
    EXPECT_TRUE(IsColor(f.Page().pixelColor(f.Column(11) + 1, f.LH()), tint)) << "one pixel taller";
    // Three separators in the lines colour.
    for (int column : {10, 35, 60})
        EXPECT_TRUE(IsColor(f.Page().pixelColor(f.Column(column), mid), DrawFixture::Rgb(0x808080)))
            << column;
    // The offset column is inked, the page below the line is background.
    EXPECT_GT(f.CountPixels(QRect(f.Left(), 0, 9 * f.W(), f.LH()),
                            [](QColor c) { return c.red() < 128; }),
              0);
    EXPECT_EQ(f.CountPixels(QRect(0, f.LH() + 2, f.Page().width(), 20),
                            [](QColor c) { return c.red() < 250; }),
              0);
}

TEST(HexPage, CellColoursAlternateInPairs) {
    DrawFixture f;
    f.Show(QByteArray(32, '\x88'));
    const QColor navy = DrawFixture::Rgb(0x800000), blue = DrawFixture::Rgb(0xFF0000);
    for (int line = 0; line < 2; ++line) {
        for (int j = 0; j < 16; ++j) {
            const int x = f.viewer.StrPositions().CellX[j];
            const QColor ink = f.DarkestPixel(QRect(x, line * f.LH(), 2 * f.W(), f.LH()));
            EXPECT_TRUE(IsColor(ink, j % 4 < 2 ? navy : blue)) << "line " << line << " cell " << j;
        }
    }
}

TEST(HexPage, ShortLastLineLeavesEmptyTint) {
    DrawFixture f;
    f.Show(test::Ramp(20));
    const auto& rec = f.viewer.StrPositions();
    ASSERT_EQ(rec.Count, 2);
    EXPECT_EQ(rec.Entries[1].Pos, 16);
    EXPECT_EQ(rec.Entries[1].Str.size(), 4);
    const int y = f.LH();
    const QRect emptyCell(f.Column(12 + 3 * 10), y + 1, 2 * f.W(), f.LH() - 2);
    EXPECT_EQ(f.CountPixels(emptyCell,
                            [](QColor c) { return c.rgb() != QColor(0xEC, 0xEC, 0xEC).rgb(); }),
              0);
    const QRect filledCell(f.Column(11 + 3 * 3), y, 2 * f.W(), f.LH());
    EXPECT_GT(f.CountPixels(filledCell, [](QColor c) { return c.red() < 200; }), 0);
    EXPECT_TRUE(f.viewer.ViewAtEnd());
}

TEST(HexPage, ControlBytesAreDotsAndBlanksFollowNonPrintable) {
    DrawFixture f;
    QByteArray data;
    for (int b = 0; b < 0x20; ++b)
        data.append(static_cast<char>(b));
    data.append(Bytes({0x09, 0x20, 0x41}));
    f.Show(data);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).FirstPrintable, 32);
    EXPECT_EQ(f.viewer.StrPositions().Entries[0].Str, QString(16, u'.'));
    EXPECT_EQ(f.viewer.StrPositions().Entries[1].Str, QString(16, u'.'));
    EXPECT_EQ(f.viewer.StrPositions().Entries[2].Str, QStringLiteral(". A"));

    // The blank at offset 33 is drawn empty, and as a visible dot once non-printables are shown.
    auto inkAtBlank = [&] {
        int x = 0, y = 0;
        EXPECT_TRUE(f.viewer.StrPositions().PointFromPos(f.viewer.TextFont(),
                                                         f.viewer.OutputOptions(false), 33, x, y));
        return f.CountPixels(QRect(x + 1, y, f.W() - 2, f.LH()),
                             [](QColor c) { return c.red() < 200; });
    };
    EXPECT_EQ(inkAtBlank(), 0);
    f.viewer.setTextNonPrintable(true);
    EXPECT_GT(inkAtBlank(), 0);
}

TEST(HexPage, OemEncodingDrawsWithOemFontOnlyWhenSpecial) {
    DrawFixture f;
    f.Show(Bytes({0x01, 0x41, 0xB0, 0x7F, 0x00}));
    f.viewer.setTextEncoding(1);
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).TextFontIsOem());
    const QString plain = f.viewer.StrPositions().Entries[0].Str;
    EXPECT_EQ(plain.at(0), u'.');
    EXPECT_EQ(plain.at(1), u'A');

    f.viewer.setTextOemSpecial(true);
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).TextFontIsOem());
    EXPECT_EQ(f.viewer.TextFont().family(), f.viewer.FontOEM().family());
    EXPECT_EQ(f.viewer.TextFont().pixelSize(), f.viewer.FontOEM().pixelSize());
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).FirstPrintable, 1);
    const QString oem = f.viewer.StrPositions().Entries[0].Str;
    EXPECT_EQ(oem.at(0), u'\u263A') << "01 is the smiling face";
    EXPECT_EQ(oem.at(1), u'A');
    EXPECT_EQ(oem.at(2), plain.at(2)) << "B0 is the OEM page's character either way";
    EXPECT_EQ(oem.at(3), u'\u2302');
    EXPECT_EQ(oem.at(4), u'.') << "00 stays a dot";
}

TEST(HexPage, FitRuleFollowsTheWidth) {
    DrawFixture f;
    f.Show(test::Ramp(40));
    f.viewer.setTextWidthFitHex(true);
    f.SetPageSize(f.Left() + 77 * f.W() + f.W() - 1, 297);
    EXPECT_EQ(f.viewer.TextWidthHex(), 16);
    f.SetPageSize(f.Left() + 76 * f.W(), 297);
    EXPECT_EQ(f.viewer.TextWidthHex(), 12);
    f.SetPageSize(f.Left() + 5 * f.W(), 297);
    EXPECT_EQ(f.viewer.TextWidthHex(), 2);
    EXPECT_EQ(f.viewer.StrPositions().Entries[1].Pos - f.viewer.StrPositions().Entries[0].Pos, 2);
}

TEST(HexPage, OneByteSelectionInvertsItsDigitsAndCharacter) {
    DrawFixture f;
    f.Show(test::Ramp(64));
    const QImage before = f.Page().copy();
    TQXBinHexPrivate::get(f.viewer).MarkStart = 5;
    TQXBinHexPrivate::get(f.viewer).MarkLength = 1;
    f.viewer.Redraw();
    const QImage after = f.Page();

    const auto& rec = f.viewer.StrPositions();
    TExtents cell{}, column{};
    ASSERT_TRUE(OutputTextExtents(f.viewer.TextFont(), QStringLiteral("05"), cell,
                                  f.viewer.OutputOptions(false)));
    ASSERT_TRUE(OutputTextExtents(f.viewer.TextFont(), rec.Entries[0].Str, column,
                                  f.viewer.OutputOptions(false)));
    const QRect cellRect(rec.CellX[5], 0, cell[2], f.LH());
    const QRect charRect(rec.Entries[0].X + column[5], 0, column[6] - column[5], f.LH());
    int outside = 0, inside = 0, insideSame = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            const bool differs = before.pixel(x, y) != after.pixel(x, y);
            const bool in = cellRect.contains(x, y) || charRect.contains(x, y);
            if (in) {
                ++inside;
                insideSame += differs ? 0 : 1;
                if (differs) {
                    EXPECT_EQ(after.pixel(x, y) & 0xFFFFFF, ~before.pixel(x, y) & 0xFFFFFF);
                }
            } else {
                outside += differs ? 1 : 0;
            }
        }
    }
    EXPECT_GT(inside, 0);
    EXPECT_EQ(insideSame, 0);
    EXPECT_EQ(outside, 0);
}

TEST(HexPage, SelectionEndingMidLineStopsAtItsLastCharacter) {
    DrawFixture f;
    f.Show(test::Ramp(64));
    const QImage before = f.Page().copy();
    TQXBinHexPrivate::get(f.viewer).MarkStart = 14;
    TQXBinHexPrivate::get(f.viewer).MarkLength = 5; // 14..18: two bytes on line 0, three on line 1
    f.viewer.Redraw();
    const auto& rec = f.viewer.StrPositions();
    TExtents ext{};
    ASSERT_TRUE(OutputTextExtents(f.viewer.TextFont(), rec.Entries[1].Str, ext,
                                  f.viewer.OutputOptions(false)));
    const int y = f.LH() + f.LH() / 2;
    const int x0 = rec.Entries[1].X;
    EXPECT_NE(before.pixel(x0 + ext[2] - 1, y), f.Page().pixel(x0 + ext[2] - 1, y))
        << "third char inverted";
    EXPECT_EQ(before.pixel(x0 + ext[3] + 1, y), f.Page().pixel(x0 + ext[3] + 1, y))
        << "fourth char not";
}

TEST(HexPage, DisabledControlDrawsInGreyText) {
    DrawFixture f;
    f.Show(QByteArray(16, '\x88'));
    f.viewer.setEnabled(false);
    const QColor grey = platform::ColorToQColor(platform::clGrayText);
    const auto& rec = f.viewer.StrPositions();
    EXPECT_TRUE(IsColor(f.DarkestPixel(QRect(rec.CellX[0], 0, 2 * f.W(), f.LH())), grey));
    EXPECT_TRUE(IsColor(f.DarkestPixel(QRect(rec.CellX[2], 0, 2 * f.W(), f.LH())), grey));
    EXPECT_TRUE(IsColor(f.Page().pixelColor(f.Column(10), f.LH() / 2), grey)) << "separators too";
    EXPECT_TRUE(IsColor(f.Page().pixelColor(rec.CellX[0] - 2, 1), DrawFixture::Rgb(0xECECEC)))
        << "tint kept";
}

TEST(HexPage, ReadErrorPageIsCentredRedText) {
    for (bool nonPrintable : {false, true}) {
        DrawFixture f;
        f.viewer.setTextNonPrintable(nonPrintable);
        FailingDevice device(1000);
        ViewerMessagesEnabled = false;
        f.viewer.OpenStream(&device, true);
        ViewerMessagesEnabled = true;
        ASSERT_FALSE(f.viewer.BufferOK());
        EXPECT_EQ(f.viewer.StrPositions().Count, 0);
        EXPECT_FALSE(f.viewer.ViewAtEnd());

        const QString text = QStringLiteral("Read error at offset 00000000");
        const int width = OutputTextWidth(f.viewer.TextFont(), text, f.viewer.OutputOptions(false));
        const int x = (f.Page().width() - width) / 2;
        const int y = (f.Page().height() - f.LH()) / 2;
        auto red = [](QColor c) { return c.red() > 150 && c.green() < 100; };
        EXPECT_GT(f.CountPixels(QRect(x, y, width, f.LH()), red), 0);
        EXPECT_EQ(f.CountPixels(QRect(0, 0, f.Page().width(), y), red), 0);
        EXPECT_EQ(f.CountPixels(QRect(0, 0, x - 1, f.Page().height()), red), 0);
        // The space between "Read" and "error" shows a dot only with non-printables on.
        TExtents ext{};
        OutputTextExtents(f.viewer.TextFont(), text, ext, f.viewer.OutputOptions(false));
        const int inBlank = f.CountPixels(QRect(x + ext[4], y, ext[5] - ext[4], f.LH()), red);
        EXPECT_EQ(inBlank > 0, nonPrintable);
    }
}

TEST(HexPage, TinyControlStillDrawsOnePartialLine) {
    DrawFixture f;
    f.Show(test::Ramp(100));
    f.SetPageSize(300, f.LH());
    EXPECT_EQ(f.viewer.LinesNum(), 0);
    EXPECT_EQ(f.viewer.StrPositions().Count, 1);
    EXPECT_EQ(f.viewer.ViewPageSize(), 0);
}

TEST(HexPage, EmptySourceDrawsBackgroundAndRecordsNothing) {
    DrawFixture f;
    f.Show(test::Ramp(100));
    ASSERT_GT(f.viewer.StrPositions().Count, 0);
    f.Show(QByteArray());
    EXPECT_EQ(f.viewer.StrPositions().Count, 0);
    const QColor back = platform::ColorToQColor(platform::clWindow);
    EXPECT_EQ(f.CountPixels(f.Page().rect(), [&](QColor c) { return c.rgb() != back.rgb(); }), 0);
}

TEST(HexPage, ViewOutsideTheBufferIsAContractBreach) {
    DrawFixture f;
    f.Show(test::Ramp(200000));
    TQXBinHexPrivate::get(f.viewer).ViewPos = 150000;
    try {
        f.viewer.Redraw();
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(
            e.what(),
            "Positions out of range: DrawTo\rBufferPos: 0, ViewPos: 150000, BufMaxOffset: 45000");
    }
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).RedrawLock, 0);
}

TEST(UHexPage, FourDigitCellsAndEvenOffsets) {
    DrawFixture f(TQXBinHex::vbmodeUHex);
    f.Show(Bytes({0x41, 0x00, 0x42, 0x00, 0x43, 0x00, 0x44}));
    const auto& rec = f.viewer.StrPositions();
    ASSERT_EQ(rec.Count, 1);
    EXPECT_EQ(rec.Entries[0].Str, QStringLiteral("ABC")) << "the odd last byte makes no unit";
    EXPECT_EQ(rec.CellWidth, 5 * f.W());
    EXPECT_EQ(rec.CellX[1] - rec.CellX[0], 5 * f.W());
    EXPECT_EQ(rec.TextColumnX, f.Column(8 + 5 * 8 + 4));
    const QFont font = f.viewer.TextFont();
    const auto options = f.viewer.OutputOptions(false);
    EXPECT_EQ(rec.PosFromPoint(font, rec.CellX[0] + 4 * f.W(), 2, false, options), 2);
    EXPECT_EQ(rec.PosFromPoint(font, rec.CellX[2] + 4 * f.W(), 2, false, options), 6);
    // Another line starts 16 bytes on.
    f.Show(test::Ramp(40));
    EXPECT_EQ(f.viewer.StrPositions().Entries[1].Pos, 16);
    EXPECT_EQ(f.viewer.GetHex(2), QStringLiteral("0302"));
}

TEST(BinaryPage, LinesOfTextWidthWithoutCells) {
    DrawFixture f(TQXBinHex::vbmodeBinary);
    f.viewer.setTextWidth(10);
    f.Show(QByteArray("0123456789abcdefghijKLM"));
    const auto& rec = f.viewer.StrPositions();
    ASSERT_EQ(rec.Count, 3);
    EXPECT_EQ(rec.Entries[1].Str, QStringLiteral("abcdefghij"));
    EXPECT_EQ(rec.Entries[2].Pos, 20);
    EXPECT_EQ(rec.Entries[0].X, f.Left());
    EXPECT_EQ(rec.CellCount, 0);
    EXPECT_TRUE(f.viewer.ViewAtEnd());
}

// The drawn cells, character column and separators stand where the line layout puts them.
struct CellModeRow {
    const char* name;
    TQXBinHex::TQXBinHexMode mode;
    int width;
};

class CellLayoutTest : public ::testing::TestWithParam<CellModeRow> {};

TEST_P(CellLayoutTest, RecordAndSeparatorsFollowTheLayout) {
    const CellModeRow& r = GetParam();
    DrawFixture f(r.mode, QSize(900, 200));
    if (r.mode == TQXBinHex::vbmodeHex)
        f.viewer.setTextWidthHex(r.width);
    else
        f.viewer.setTextWidthUHex(r.width);
    f.Show(test::Ramp(600));
    const binhex::TLineLayout layout = f.Layout();
    ASSERT_EQ(layout.Cells, r.width);
    const auto& rec = f.viewer.StrPositions();
    ASSERT_EQ(rec.CellCount, layout.Cells);
    for (int j = 0; j < layout.Cells; ++j)
        EXPECT_EQ(rec.CellX[j], f.Column(layout.CellStart(j))) << j;
    EXPECT_EQ(rec.TextColumnX, f.Column(layout.TextColumn()));
    EXPECT_EQ(rec.Entries[0].X, f.Column(layout.CharsStart()));
    EXPECT_EQ(rec.Entries[1].Pos, layout.BytesPerLine());
    for (int k = 0; k < layout.SeparatorCount(); ++k)
        EXPECT_TRUE(IsColor(f.Page().pixelColor(f.Column(layout.Separator(k)), f.LH() / 2),
                            DrawFixture::Rgb(0x808080)))
            << k;
}

INSTANTIATE_TEST_SUITE_P(Modes, CellLayoutTest,
                         ::testing::Values(CellModeRow{"Hex16", TQXBinHex::vbmodeHex, 16},
                                           CellModeRow{"Hex4", TQXBinHex::vbmodeHex, 4},
                                           CellModeRow{"UHex8", TQXBinHex::vbmodeUHex, 8},
                                           CellModeRow{"UHex2", TQXBinHex::vbmodeUHex, 2}),
                         [](const ::testing::TestParamInfo<CellModeRow>& info) {
                             return std::string(info.param.name);
                         });
