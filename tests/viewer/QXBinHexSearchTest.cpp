// QXBinHexSearchTest.cpp — the viewer's search engine: highlights of the remembered search, the
// margins of a found match, and what closing a source does to the search.
#include "DrawFixture.h"
#include "QXViewerMsg.h"
#include "SyntheticDevice.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

QByteArray Filler(int n) {
    return QByteArray(n, '.');
}

} // namespace

TEST(ViewerSearch, IndentsAreClamped) {
    TQXBinHex viewer;
    viewer.setTextSearchIndentVert(-3);
    EXPECT_EQ(viewer.TextSearchIndentVert(), 0);
    viewer.setTextSearchIndentVert(200);
    EXPECT_EQ(viewer.TextSearchIndentVert(), 80);
}

TEST(ViewerSearch, OnlyHighlightAllSearchesArePainted) {
    DrawFixture f;
    f.Show(Filler(20) + "needle" + Filler(40) + "needle" + Filler(100));
    f.viewer.Search().SetStream(&f.stream);
    ASSERT_TRUE(f.viewer.Search().FindFirst(QStringLiteral("needle"), 0, {}, 0));
    f.viewer.Redraw();
    EXPECT_TRUE(TQXBinHexPrivate::get(f.viewer).SearchHighlights.empty());

    ASSERT_TRUE(f.viewer.Search().FindFirst(QStringLiteral("needle"), 0, soHighlightAll, 0));
    f.viewer.Redraw();
    ASSERT_EQ(TQXBinHexPrivate::get(f.viewer).SearchHighlights.size(), 2u);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).SearchHighlights[0].HiStart, 20);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).SearchHighlights[0].HiLength, 6);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).SearchHighlights[1].HiStart, 66);

    // The first match's characters stand on the highlight colour: line 1 holds offsets 16..31.
    int x = 0, y = 0;
    ASSERT_TRUE(f.viewer.StrPositions().PointFromPos(f.viewer.TextFont(),
                                                     f.viewer.OutputOptions(false), 21, x, y));
    const QColor yellow = DrawFixture::Rgb(0x00FFFF);
    EXPECT_GT(f.CountPixels(QRect(x, y, f.W(), f.LH() - 1),
                            [&](QColor c) { return c.rgb() == yellow.rgb(); }),
              0);
    ASSERT_TRUE(f.viewer.StrPositions().PointFromPos(f.viewer.TextFont(),
                                                     f.viewer.OutputOptions(false), 27, x, y));
    EXPECT_EQ(f.CountPixels(QRect(x, y, f.W(), f.LH() - 1),
                            [&](QColor c) { return c.rgb() == yellow.rgb(); }),
              0);
}

TEST(ViewerSearch, AtMostAThousandMatchesFromTheWindowStart) {
    DrawFixture f;
    f.Show(QByteArray(20000, 'a'));
    f.viewer.Search().SetStream(&f.stream);
    ASSERT_TRUE(
        f.viewer.Search().FindFirst(QStringLiteral("aa"), 0, soHighlightAll | soCaseSensitive, 0));
    f.viewer.Redraw();
    ASSERT_EQ(TQXBinHexPrivate::get(f.viewer).SearchHighlights.size(), 1000u);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).SearchHighlights[0].HiStart, 0);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).SearchHighlights[999].HiStart, 999)
        << "overlapping matches, counted from the start";
}

TEST(ViewerSearch, MatchAboveTheTopIsPaintedOnTheTopLine) {
    DrawFixture f;
    f.Show(Filler(157) + "ABCDEF" + Filler(500));
    f.viewer.SetViewPos(160, true);
    f.viewer.Search().SetStream(&f.stream);
    ASSERT_TRUE(f.viewer.Search().FindFirst(QStringLiteral("ABCDEF"), 0, soHighlightAll, 0));
    f.viewer.Redraw();
    ASSERT_EQ(TQXBinHexPrivate::get(f.viewer).SearchHighlights.size(), 1u);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).SearchHighlights[0].HiStart, 157);
    int x = 0, y = 0;
    ASSERT_TRUE(f.viewer.StrPositions().PointFromPos(f.viewer.TextFont(),
                                                     f.viewer.OutputOptions(false), 160, x, y));
    EXPECT_EQ(y, 0);
    const QColor yellow = DrawFixture::Rgb(0x00FFFF);
    EXPECT_GT(f.CountPixels(QRect(x, y, 3 * f.W(), f.LH() - 1),
                            [&](QColor c) { return c.rgb() == yellow.rgb(); }),
              0);
}

TEST(ViewerSearch, FoundMatchIsScrolledIntoViewWithTheMargins) {
    DrawFixture f;
    f.Show(Filler(5000));
    f.viewer.SetSelection(1000, 4, /*scroll=*/true, true, true);
    EXPECT_EQ(f.viewer.ViewPos(), 912);
    f.viewer.SetSelection(40, 4, /*scroll=*/true, true, true);
    EXPECT_EQ(f.viewer.ViewPos(), 0);
}

TEST(ViewerSearch, FindTextSelectsMatchesInTurn) {
    DrawFixture f;
    f.Show(Filler(3000) + "key" + Filler(3000) + "KEY" + Filler(100));
    int progress = 0;
    f.viewer.setOnSearchProgress([&](QObject*, int64_t, int64_t, bool&) { ++progress; });
    ASSERT_TRUE(f.viewer.FindText(QStringLiteral("key"), 0, {}));
    EXPECT_EQ(f.viewer.MarkStart(), 3000);
    EXPECT_EQ(f.viewer.MarkLength(), 3);
    EXPECT_EQ(f.viewer.ViewPos(), 3000 / 16 * 16 - 5 * 16);
    EXPECT_GT(progress, 0);
    ASSERT_TRUE(f.viewer.FindTextNext(false));
    EXPECT_EQ(f.viewer.MarkStart(), 6003);
    ASSERT_TRUE(f.viewer.FindTextNext(true));
    EXPECT_EQ(f.viewer.MarkStart(), 3000);
    ASSERT_TRUE(f.viewer.FindTextNext(false));
    EXPECT_FALSE(f.viewer.FindTextNext(false));
    EXPECT_EQ(f.viewer.MarkStart(), 6003) << "not found keeps the selection";
}

TEST(ViewerSearch, FindTextStartsAtTheCharacterHoldingThePageTop) {
    DrawFixture f;
    // Shift-JIS: 0x889F is one character at 15..16; read from its second byte, 0x9F would take
    // the "k" as its trail byte.
    f.Show(Filler(15) +
           "\x88\x9F"
           "key" +
           Filler(3000));
    f.viewer.SetViewPos(16, true);
    ASSERT_EQ(f.viewer.ViewPos(), 16);
    constexpr TQXEncoding ShiftJis = 112;
    ASSERT_TRUE(f.viewer.FindText(QStringLiteral("key"), ShiftJis, {}));
    EXPECT_EQ(f.viewer.MarkStart(), 17);
    EXPECT_EQ(f.viewer.MarkLength(), 3);
}

TEST(ViewerSearch, ReadFailureIsReported) {
    FailingDevice device(200000);
    device.failing = false;
    DrawFixture f;
    f.viewer.OpenStream(&device, true);
    device.failing = true;
    test::MessageBoxRecorder boxes(2);
    EXPECT_FALSE(f.viewer.FindText(QStringLiteral("zz"), 0, {}));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(QStringLiteral("Read error at offset ")))
        << boxes.boxes[0].text.toStdString();
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Viewer"));
}

TEST(ViewerSearch, ClosingAFileKeepsTheSearchClosingAStreamForgetsIt) {
    test::ScratchDir dir;
    DrawFixture f;
    ASSERT_TRUE(f.viewer.Open(dir.write("f.bin", Filler(100) + "xy"), true));
    f.viewer.Search().SetFileName(f.viewer.FileName());
    ASSERT_TRUE(f.viewer.Search().FindFirst(QStringLiteral("xy"), 0, soHighlightAll, 0));
    f.viewer.Open(QString(), true);
    EXPECT_EQ(f.viewer.Search().SavedText(), QStringLiteral("xy"));

    f.Show(Filler(100) + "xy");
    f.viewer.Search().SetStream(&f.stream);
    ASSERT_TRUE(f.viewer.Search().FindFirst(QStringLiteral("xy"), 0, soHighlightAll, 0));
    f.viewer.OpenStream(nullptr, true);
    EXPECT_TRUE(f.viewer.Search().SavedText().isEmpty());
}
