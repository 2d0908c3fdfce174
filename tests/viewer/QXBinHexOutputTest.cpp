// QXBinHexOutputTest.cpp — preparing and measuring the viewer's text.
#include "QXBinHexOutput.h"
#include "QXxAssert.h"
#include "TestSupport.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

TQXBinHexOutputOptions Options(bool nonPrintable, bool lineEnd, bool mono, int tab = 8) {
    TQXBinHexOutputOptions o;
    o.ShowNonPrintable = nonPrintable;
    o.ShowLineEnd = lineEnd;
    o.Monospaced = mono;
    o.TabSize = tab;
    return o;
}

QFont Mono() {
    QFont f(QStringLiteral("Courier New"));
    f.setPixelSize(13);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

} // namespace

TEST(PrepareOutputText, TabsExpandToStopsOnlyWithMonospacedFonts) {
    EXPECT_EQ(PrepareOutputText(QStringLiteral("ab\tc"), Options(false, false, true)),
              QStringLiteral("ab      c"));
    EXPECT_EQ(PrepareOutputText(QStringLiteral("ab\tc"), Options(false, false, false)),
              QStringLiteral("ab        c"));
    EXPECT_EQ(PrepareOutputText(QStringLiteral("\t\t"), Options(false, false, true, 4)),
              QString(8, u' '));
}

TEST(PrepareOutputText, VisibleBlanksAndLineEnd) {
    const auto o = Options(true, true, true);
    // Spaces become dots before tabs expand, so only the tab's middle shows its mark.
    EXPECT_EQ(PrepareOutputText(QStringLiteral("a b\t"), o),
              QStringLiteral("a\u00B7b  \u00BB  \u00B6"));
    EXPECT_EQ(PrepareOutputText(QStringLiteral("x"), Options(true, false, true)),
              QStringLiteral("x"));
    EXPECT_EQ(PrepareOutputText(QStringLiteral("x"), Options(false, true, true)),
              QStringLiteral("x"));
    TQXBinHexOutputOptions oem = o;
    oem.OemFont = true;
    EXPECT_EQ(PrepareOutputText(QStringLiteral(" "), oem),
              QString(QChar(OemGlyph(250))) + QChar(OemGlyph(254)));
}

TEST(PrepareOutputText, TabSizeBelowOneIsAContractBreach) {
    EXPECT_THROW(PrepareOutputText(QStringLiteral("a"), Options(false, false, true, 0)),
                 EAssertionFailed);
}

TEST(OutputTextExtents, FollowThePreparedStringWithTabs) {
    const QFont font = Mono();
    const int w = QFontMetrics(font).horizontalAdvance(QLatin1Char('0'));
    TExtents ext{};
    ASSERT_TRUE(OutputTextExtents(font, QStringLiteral("ab\tc"), ext, Options(false, false, true)));
    EXPECT_EQ(ext[0], 0);
    EXPECT_EQ(ext[1], w);
    EXPECT_EQ(ext[2], 2 * w);
    EXPECT_EQ(ext[3], 8 * w) << "the tab reaches the next stop";
    EXPECT_EQ(ext[4], 9 * w);
    EXPECT_EQ(ext[5], 0);
    EXPECT_EQ(OutputTextWidth(font, QStringLiteral("ab\tc"), Options(false, false, true)), 9 * w);
}

TEST(OutputTextExtents, LongLinesStopAt2048) {
    const QFont font = Mono();
    const int w = QFontMetrics(font).horizontalAdvance(QLatin1Char('0'));
    TExtents ext{};
    ASSERT_TRUE(OutputTextExtents(font, QString(3000, u'x'), ext, Options(false, false, true)));
    EXPECT_EQ(ext[2048], 2048 * w);
}

TEST(OutputTextExtents, ShapedTextIsMeasuredAsDrawn) {
    const QFont font = Mono();
    const QString text = QStringLiteral("e\u0301x\U0001F600y");
    TExtents ext{};
    ASSERT_TRUE(OutputTextExtents(font, text, ext, Options(false, false, true)));
    for (int i = 1; i <= text.size(); ++i)
        EXPECT_GE(ext[i], ext[i - 1]) << i;
    EXPECT_NEAR(ext[text.size()], QFontMetrics(font).horizontalAdvance(text), 1);
}

TEST(FontMetrics, ControlCodesAreNotPrintable) {
    const TFontMetricsInfo mono = ReadFontMetrics(Mono(), false);
    EXPECT_EQ(mono.FirstPrintable, 32);
    EXPECT_TRUE(mono.Monospaced);
    EXPECT_EQ(mono.LineHeight, QFontMetrics(Mono()).height());
    EXPECT_EQ(ReadFontMetrics(Mono(), /*oemFont=*/true).FirstPrintable, 1);
    QFont sans(QStringLiteral("Arial"));
    sans.setPixelSize(12);
    EXPECT_FALSE(ReadFontMetrics(sans, false).Monospaced);
}

TEST(OemGlyphs, ControlCodesAreTheClassicSymbols) {
    EXPECT_EQ(OemGlyph(0x01), u'\u263A');
    EXPECT_EQ(OemGlyph(0x0D), u'\u266A');
    EXPECT_EQ(OemGlyph(0x1F), u'\u25BC');
    EXPECT_EQ(OemGlyph(0x7F), u'\u2302');
    EXPECT_EQ(OemGlyph('A'), u'A');
    EXPECT_EQ(OemGlyphs(QByteArray("\x02Z", 2)), QStringLiteral("\u263BZ"));
}
