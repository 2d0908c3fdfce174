// QXBinHexPageCacheTest.cpp — the page drawn by its quick paths against the page drawn whole by
// the plain path: moving by whole lines, and the hex digits drawn as glyph runs.
#include "DrawFixture.h"
#include "QXStreamSearch.h"
#include "support/NamedCases.h"
#include "support/PageCompare.h"

#include <gtest/gtest.h>

namespace {

using test::ExpectSameRecord;
using test::FirstDifferentRow;

// Random bytes with "needle" every 1000 bytes from offset 300, for the search highlights.
QByteArray Source(int size) {
    QByteArray data(size, Qt::Uninitialized);
    uint32_t x = 2024;
    for (auto& c : data) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    for (int at = 300; at + 6 <= size; at += 1000)
        data.replace(at, 6, "needle");
    return data;
}

constexpr int SourceSize = 1 << 16;

// The state a page is drawn in.
struct PageSetup {
    TQXBinHex::TQXBinHexMode Mode = TQXBinHex::vbmodeHex;
    QSize Size{641, 297};
    TOffset Start = 4096;
    TOffset SelStart = 0, SelLength = 0;
    bool Search = false;
    int ScrollRight = 0;
    bool Enabled = true;
};

void Prepare(DrawFixture& f, const PageSetup& s) {
    f.SetPageSize(s.Size.width(), s.Size.height());
    f.Show(Source(SourceSize));
    if (s.Search) {
        f.viewer.Search().SetStream(&f.stream);
        ASSERT_TRUE(f.viewer.Search().FindFirst(QStringLiteral("needle"), 0, soHighlightAll, 0));
    }
    f.viewer.GoToPos(s.Start);
    if (s.SelLength > 0)
        f.viewer.SetSelection(s.SelStart, s.SelLength, /*scroll=*/false, /*fireEvent=*/false,
                              /*redraw=*/false);
    if (s.ScrollRight > 0)
        f.viewer.ScrollRight(s.ScrollRight);
    f.viewer.setEnabled(s.Enabled);
    f.viewer.Redraw();
}

struct ShiftCase : test::NamedCase {
    PageSetup Setup;
    int Lines; // > 0 down, < 0 up
    bool Shifts;
};

class LineShiftTest : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(LineShiftTest, EqualsTheWholePageDrawnAnew) {
    const ShiftCase& c = GetParam();
    DrawFixture f(c.Setup.Mode);
    Prepare(f, c.Setup);
    f.ExpectShiftEqualsRedraw(c.Lines, c.Shifts, /*checkExtent=*/false);
}

constexpr TQXBinHex::TQXBinHexMode Hex = TQXBinHex::vbmodeHex;
constexpr TQXBinHex::TQXBinHexMode UHex = TQXBinHex::vbmodeUHex;
constexpr TQXBinHex::TQXBinHexMode Binary = TQXBinHex::vbmodeBinary;

INSTANTIATE_TEST_SUITE_P(
    Cases, LineShiftTest,
    ::testing::Values(
        ShiftCase{"HexDownOne", {Hex}, 1, true}, ShiftCase{"HexUpOne", {Hex}, -1, true},
        ShiftCase{"HexDownSeveral", {Hex}, 5, true}, ShiftCase{"HexUpSeveral", {Hex}, -4, true},
        ShiftCase{"HexFullScreenDown", {Hex, {1920, 1080}}, 3, true},
        ShiftCase{"HexIntoTheEnd", {Hex, {641, 297}, SourceSize - 20 * 16}, 3, false},
        ShiftCase{"HexSelectionAcrossTheBottom",
                  {Hex, {641, 297}, 4096, 4096 + 17 * 16 + 5, 60},
                  2,
                  true},
        ShiftCase{"HexSelectionAcrossTheTop", {Hex, {641, 297}, 4096, 4096 - 40, 70}, -2, true},
        ShiftCase{"HexHighlights", {Hex, {641, 297}, 4000, 0, 0, true}, 1, true},
        ShiftCase{"HexHighlightsUp", {Hex, {641, 297}, 4320, 0, 0, true}, -3, true},
        ShiftCase{"HexScrolledRight", {Hex, {300, 297}, 4096, 0, 0, false, 60}, 2, true},
        ShiftCase{"HexDisabled", {Hex, {641, 297}, 4096, 0, 0, false, 0, false}, 1, true},
        ShiftCase{"HexWholePage", {Hex}, 40, false}, ShiftCase{"UHexDownOne", {UHex}, 1, true},
        ShiftCase{"UHexUpSeveral", {UHex, {800, 400}, 8192, 8200, 30}, -3, true},
        ShiftCase{"BinaryDownOne", {Binary}, 1, true},
        ShiftCase{"BinaryUpSeveral", {Binary, {641, 297}, 8192, 0, 0, true}, -6, true}),
    test::CaseName());

struct GlyphCase : test::NamedCase {
    PageSetup Setup;
};

class CellGlyphsTest : public ::testing::TestWithParam<GlyphCase> {};

TEST_P(CellGlyphsTest, EqualTheCellsDrawnAsStrings) {
    const GlyphCase& c = GetParam();
    DrawFixture f(c.Setup.Mode);
    Prepare(f, c.Setup);
    ASSERT_TRUE(TQXBinHexPrivate::get(f.viewer).PageCache.DigitsOk)
        << "the test font has the hex digits";
    const QImage runs = f.Page().copy();
    const TStrPositions runsRecord = f.viewer.StrPositions();

    TQXBinHexPrivate::get(f.viewer).SetPagePaths(/*glyphRuns=*/false, /*lineShift=*/true);
    f.viewer.Redraw();
    EXPECT_EQ(FirstDifferentRow(runs, f.Page()), -1);
    ExpectSameRecord(runsRecord, f.viewer.StrPositions());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CellGlyphsTest,
    ::testing::Values(GlyphCase{"Hex", {Hex}}, GlyphCase{"HexFullScreen", {Hex, {1920, 1080}}},
                      GlyphCase{"HexSelection", {Hex, {641, 297}, 4096, 4100, 37}},
                      GlyphCase{"HexHighlights", {Hex, {641, 297}, 4000, 0, 0, true}},
                      GlyphCase{"HexScrolledRight", {Hex, {300, 297}, 4096, 0, 0, false, 45}},
                      GlyphCase{"HexDisabled", {Hex, {641, 297}, 4096, 0, 0, false, 0, false}},
                      GlyphCase{"HexNearTheEnd", {Hex, {900, 200}, SourceSize - 100}},
                      GlyphCase{"UHex", {UHex, {800, 400}, 8192, 8200, 30}}),
    test::CaseName());

} // namespace
