// QXxSProcTest.cpp — number, string and tab helpers, and bytes as hex text.
#include "QXxSProc.h"
#include "QXxAssert.h"
#include "QXxSHex.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <ostream>

TEST(QXxSProc, ClampIntoCrossedBoundsLetsTheUpperBoundWin) {
    int32_t v = 5;
    ClampLow(v, 10);
    ClampHigh(v, 3);
    EXPECT_EQ(v, 3);
    int64_t w = int64_t{1} << 40;
    ClampLow64(w, 0);
    ClampHigh64(w, int64_t{1} << 33);
    EXPECT_EQ(w, int64_t{1} << 33);
    ClampLow64(w, int64_t{1} << 35);
    EXPECT_EQ(w, int64_t{1} << 35);
    EXPECT_EQ(Min64(-(int64_t{1} << 40), 1), -(int64_t{1} << 40));
    EXPECT_EQ(Max32(-1, -2), -1);
}

TEST(QXxSProc, ReplaceFirstAndAll) {
    QString s = QStringLiteral("a b c");
    ReplaceFirstW(s, QStringLiteral(" "), QStringLiteral("·"));
    EXPECT_EQ(s, QStringLiteral("a·b c"));
    ReplaceAllW(s, QStringLiteral(" "), QStringLiteral("·"));
    EXPECT_EQ(s, QStringLiteral("a·b·c"));
    ReplaceFirstW(s, QStringLiteral("x"), QStringLiteral("y"));
    EXPECT_EQ(s, QStringLiteral("a·b·c"));
}

TEST(QXxSProc, ReplaceAllFindsOccurrencesTheReplacementCreates) {
    // Each search starts again at the beginning: "ab" -> "a" makes a new "ab" from "a" + "b".
    QString s = QStringLiteral("abbb");
    ReplaceAllW(s, QStringLiteral("ab"), QStringLiteral("a"));
    EXPECT_EQ(s, QStringLiteral("a"));
    s = QStringLiteral("xaab");
    ReplaceAllW(s, QStringLiteral("ab"), QStringLiteral("b"));
    EXPECT_EQ(s, QStringLiteral("xb"));
}

TEST(QXxSProc, ReplaceAllEndsWhenTheReplacementHoldsTheText) {
    QString s = QStringLiteral("a a");
    ReplaceAllW(s, QStringLiteral("a"), QStringLiteral("aa"));
    EXPECT_EQ(s, QStringLiteral("aa aa"));
}

TEST(QXxSProc, ReplaceAllEndsWhenReplacementsKeepCreatingOccurrences) {
    // "ab" -> "bba" moves each a past twice the b's: 40 a's before a b would need 2^40 steps.
    QString s = QString(40, QLatin1Char('a')) + QLatin1Char('b');
    ReplaceAllW(s, QStringLiteral("ab"), QStringLiteral("bba"));
    EXPECT_EQ(s.count(QLatin1Char('a')), 40);
    EXPECT_LT(s.size(), ReplaceAllWorkLimit);
    // A chain within the budget still ends exactly as repeated first replacements would.
    s = QStringLiteral("aab");
    ReplaceAllW(s, QStringLiteral("ab"), QStringLiteral("bba"));
    EXPECT_EQ(s, QStringLiteral("bbbbaa"));
}

TEST(QXxSProc, ReplaceAllFollowsLongChainsToTheirEnd) {
    // "a\t" -> "\taaa" moves every a past each tab and triples it: 8 a's before 6 tabs end as
    // 8 * 3^6 a's after them, after 8 * (3^6 - 1) / 2 = 2912 replacements. What follows the b is
    // never part of an occurrence.
    const QString rest = QStringLiteral("b\t\t..\t.");
    QString s = QString(8, QLatin1Char('a')) + QString(6, QLatin1Char('\t')) + rest;
    ReplaceAllW(s, QStringLiteral("a\t"), QStringLiteral("\taaa"));
    EXPECT_EQ(s, QString(6, QLatin1Char('\t')) + QString(8 * 729, QLatin1Char('a')) + rest);
}

TEST(QXxSProc, LastDelimiterPosIsOneBased) {
    EXPECT_EQ(LastDelimiterPos(QStringLiteral(".\\"), QStringLiteral("a.b\\c")), 4);
    EXPECT_EQ(LastDelimiterPos(QStringLiteral(".\\"), QStringLiteral("abc")), 0);
    EXPECT_EQ(LastDelimiterPos(QStringLiteral("."), QStringLiteral(".")), 1);
}

TEST(QXxSProc, ExtractFileExtW) {
    EXPECT_EQ(ExtractFileExtW(QStringLiteral("C:\\dir\\file.Txt")), QStringLiteral(".Txt"));
    EXPECT_EQ(ExtractFileExtW(QStringLiteral("C:\\my.dir\\file")), QString());
    EXPECT_EQ(ExtractFileExtW(QStringLiteral("/home/my.dir/file")), QString());
    EXPECT_EQ(ExtractFileExtW(QStringLiteral("a.tar.gz")), QStringLiteral(".gz"));
    EXPECT_EQ(ExtractFileExtW(QStringLiteral("name.")), QStringLiteral("."));
    EXPECT_EQ(ExtractFileExtW(QStringLiteral("C:file")), QString());
}

TEST(QXxSProc, IsFileExtInList) {
    EXPECT_TRUE(IsFileExtInList(QStringLiteral("/x/a.TXT"), "doc,txt"));
    EXPECT_TRUE(IsFileExtInList(QStringLiteral("a.doc"), "DOC,txt"));
    EXPECT_FALSE(IsFileExtInList(QStringLiteral("a.tx"), "doc,txt"));
    EXPECT_FALSE(IsFileExtInList(QStringLiteral("a.xt"), "doc,txt"));
    EXPECT_FALSE(IsFileExtInList(QStringLiteral("a"), "doc,txt"));
    EXPECT_FALSE(IsFileExtInList(QStringLiteral("a."), "doc,,txt"));
    EXPECT_FALSE(IsFileExtInList(QString(), "doc"));
    EXPECT_FALSE(IsFileExtInList(QStringLiteral("a.doc"), QByteArray()));
    EXPECT_FALSE(IsFileExtInList(QStringLiteral("a.Ж"), "ж"));
    EXPECT_TRUE(IsFileExtInList(QStringLiteral("a.txt"), ",,txt,,"));
    EXPECT_FALSE(IsFileExtInList(QStringLiteral("a.b,c"), "b,c")) << "a comma joins no entries";
    EXPECT_FALSE(IsFileExtInList(QStringLiteral("a.,"), "x,,,y"));
    EXPECT_FALSE(IsFileExtInList(QStringLiteral("a.txt,"), "txt,"));
}

TEST(QXxSProc, ZerosBlanksAndRepeats) {
    QByteArray b("a\0b\0", 4);
    ZerosToSpaces(b);
    EXPECT_EQ(b, QByteArray("a b "));
    QString w(QStringLiteral("x"));
    w += QChar(0);
    ZerosToSpacesW(w);
    EXPECT_EQ(w, QStringLiteral("x "));
    TrimLastBlank(w);
    EXPECT_EQ(w, QStringLiteral("x"));
    w = QStringLiteral("x \t");
    TrimLastBlank(w);
    EXPECT_EQ(w, QStringLiteral("x "));
    w.clear();
    TrimLastBlank(w);
    EXPECT_TRUE(w.isEmpty());
    EXPECT_EQ(RepeatCharW(QLatin1Char('-'), 3), QStringLiteral("---"));
    EXPECT_TRUE(RepeatCharW(QLatin1Char('-'), 0).isEmpty());
    EXPECT_TRUE(RepeatCharW(QLatin1Char('-'), -4).isEmpty());
}

TEST(QXxSProc, ExpandTabsAlignsToTheNextStop) {
    TabExpandOptions options;
    options.TabSize = 8;
    options.AlignToStops = true;
    QString s = QStringLiteral("ab\tc");
    ExpandTabs(s, options);
    EXPECT_EQ(s, QStringLiteral("ab      c")); // 6 spaces
    EXPECT_EQ(options.TabPos, 3);
    // Later tabs count the expansions before them.
    options.TabSize = 4;
    s = QStringLiteral("a\tbc\t\td");
    ExpandTabs(s, options);
    EXPECT_EQ(s, QStringLiteral("a   bc      d"));
}

TEST(QXxSProc, ExpandTabsWithoutStopsUsesTheFullSize) {
    TabExpandOptions options;
    options.TabSize = 8;
    QString s = QStringLiteral("ab\tc");
    ExpandTabs(s, options);
    EXPECT_EQ(s, QStringLiteral("ab        c")); // 8 spaces
}

TEST(QXxSProc, ExpandTabsPutsTheMarkInTheMiddle) {
    TabExpandOptions options;
    options.TabSize = 8;
    options.ShowMark = true;
    options.MarkChar = 0xBB;
    QString s = QStringLiteral("\t");
    ExpandTabs(s, options);
    EXPECT_EQ(s, QStringLiteral("    »   "));
    // A mark that is itself a tab is not expanded again.
    options.MarkChar = u'\t';
    options.TabSize = 2;
    s = QStringLiteral("a\tb");
    ExpandTabs(s, options);
    EXPECT_EQ(s, QStringLiteral("a \tb"));
}

TEST(QXxSProc, TabSpacesReportsTheMarkPosition) {
    TabExpandOptions options;
    options.TabSize = 1;
    options.ShowMark = true;
    options.MarkChar = u'x';
    int mark = 0;
    EXPECT_EQ(TabSpaces(options, &mark), QStringLiteral("x"));
    EXPECT_EQ(mark, 1);
    options.TabSize = 8;
    options.AlignToStops = true;
    options.TabPos = 7;
    EXPECT_EQ(TabSpaces(options, &mark), QStringLiteral(" x"));
    EXPECT_EQ(mark, 2);
}

TEST(QXxSProc, TabSizeBelowOneFails) {
    TabExpandOptions options;
    options.TabSize = 0;
    QString s = QStringLiteral("a\tb");
    try {
        ExpandTabs(s, options);
        FAIL() << "nothing thrown";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Tab size too small");
    }
    // A line without tabs never asks for the size.
    s = QStringLiteral("ab");
    EXPECT_NO_THROW(ExpandTabs(s, options));
}

TEST(QXxSProc, Utf16UnitTakesTheSourceByteOrder) {
    EXPECT_EQ(Utf16Unit(0x41, 0x04, TByteOrder::LittleEndian), u'\u0441');
    EXPECT_EQ(Utf16Unit(0x41, 0x04, TByteOrder::BigEndian), u'\u4104');
    EXPECT_EQ(Utf16Unit(0xFF, 0x00, TByteOrder::LittleEndian), u'\u00FF');
    EXPECT_EQ(Utf16Unit(0xFF, 0x00, TByteOrder::BigEndian), u'\uFF00');
}

TEST(QXxSProc, BytesToWide) {
    const char bytes[] = {'A', 0, 0x10, 0x04, 'z'};
    EXPECT_EQ(BytesToWide(bytes, 5, false), QStringLiteral("AА"));
    EXPECT_EQ(BytesToWide(bytes, 4, true), QString(QChar(0x4100)) + QChar(0x1004));
    EXPECT_EQ(BytesToWide(bytes, 3, false), QStringLiteral("A"));
    EXPECT_TRUE(BytesToWide(bytes, 1, false).isEmpty());
    EXPECT_TRUE(BytesToWide(bytes, -2, false).isEmpty());
}

TEST(QXxSProc, IsLineBreakChar) {
    EXPECT_TRUE(IsLineBreakChar(13));
    EXPECT_TRUE(IsLineBreakChar(10));
    EXPECT_FALSE(IsLineBreakChar(0x85));
    EXPECT_FALSE(IsLineBreakChar(0x0D0A));
}

TEST(QXxSHex, BytesToHexText) {
    EXPECT_EQ(BytesToHexText(QByteArray(1, '\0')), "00");
    EXPECT_EQ(BytesToHexText("abc"), "61 62 63");
    EXPECT_EQ(BytesToHexText("\xFF\x0A"), "FF 0A");
    EXPECT_TRUE(BytesToHexText(QByteArray()).isEmpty());
    QByteArray sixteen(16, Qt::Uninitialized);
    for (int i = 0; i < 16; ++i)
        sixteen[i] = static_cast<char>(i * 17);
    const QByteArray text = BytesToHexText(sixteen);
    EXPECT_EQ(text.size(), 47);
    EXPECT_TRUE(text.startsWith("00 11 22"));
    EXPECT_TRUE(text.endsWith("EE FF"));
}
