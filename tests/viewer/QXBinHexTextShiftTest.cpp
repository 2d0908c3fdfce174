// QXBinHexTextShiftTest.cpp — the text layouts' quick paths against their plain drawing: a page
// moved by whole display lines against the page drawn whole, lines drawn from the glyph cache
// against shaped lines, and when a page can be shifted (the pure decision).
#include "QXBinHexTextShift.h"
#include "DrawFixture.h"
#include "QXBinHexGlyphCache.h"
#include "QXStreamSearch.h"
#include "support/MixedText.h"
#include "support/NamedCases.h"
#include "support/PageCompare.h"

#include <QFontDatabase>
#include <gtest/gtest.h>

namespace {

using binhex::TextLineShiftFor;
using binhex::TTextShiftQuery;
using test::ExpectSameRecord;
using test::FirstDifferentRow;

// ---- The decision -------------------------------------------------------------------------------

using TStarts = std::vector<int64_t>;
using THighlights = std::vector<std::pair<int64_t, int64_t>>;

// Lines of 10 to 19 bytes from 1000, 20 drawn in an image of 297 pixels in lines of 15.
TStarts OldStarts() {
    TStarts starts{1000};
    for (int i = 0; i < 20; ++i)
        starts.push_back(starts.back() + 10 + i % 10);
    return starts;
}

TTextShiftQuery Query(const TStarts& old, int64_t newPos, const TStarts& lead = {}) {
    TTextShiftQuery q;
    q.OldStarts = old;
    q.LeadStarts = lead;
    q.NewViewPos = newPos;
    q.Height = 297;
    q.LineHeight = 15;
    q.LinesDrawn = 20;
    return q;
}

struct DecisionCase : test::NamedCase {
    int64_t NewPos; // an offset, or -(line index + 1) of the old page
    TStarts Lead;
    int Expected;
};

class TextShiftDecisionTest : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(TextShiftDecisionTest, MatchesLinesByTheirStarts) {
    const DecisionCase& c = GetParam();
    const TStarts old = OldStarts();
    const int64_t pos = c.NewPos < 0 ? old[static_cast<size_t>(-c.NewPos - 1)] : c.NewPos;
    EXPECT_EQ(TextLineShiftFor(Query(old, pos, c.Lead)), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextShiftDecisionTest,
    ::testing::Values(DecisionCase{"DownOne", -2, {}, 1},
                      DecisionCase{"DownSeventeen", -18, {}, 17},
                      DecisionCase{"DownEighteenLeavesOneLine", -19, {}, 0},
                      DecisionCase{"InsideALine", 1005, {}, 0},
                      DecisionCase{"UpTwo", 970, {970, 985, 1000}, -2},
                      DecisionCase{"UpMissingTheFirstLine", 970, {970, 985, 1001}, 0},
                      DecisionCase{"UpFromAnotherPosition", 960, {970, 985, 1000}, 0},
                      DecisionCase{"NoMove", -1, {}, 0}),
    test::CaseName());

TEST(TextLineShift, OldPageReachingTheEndIsDrawnWhole) {
    TStarts old = OldStarts();
    old.back() = -1;
    EXPECT_EQ(TextLineShiftFor(Query(old, old[1])), 0);
}

TEST(TextLineShift, LinesThatDoNotFillTheImageAreDrawnWhole) {
    const TStarts old = OldStarts();
    TTextShiftQuery q = Query(old, old[1]);
    q.Height = 301;
    EXPECT_EQ(TextLineShiftFor(q), 0);
}

// Only matches and links in the lines both pages show count: down by 2 they are old lines 2 to 18.
// A link and a match over the same characters are not the same highlight.
TEST(TextLineShift, HighlightsWhereThePagesOverlap) {
    const TStarts old = OldStarts();
    const THighlights firstLineOnly{{old[0] + 1, 3}};
    const THighlights kept{{old[5], 2}};
    const THighlights none{};
    for (const bool links : {false, true}) {
        SCOPED_TRACE(links ? "links" : "matches");
        TTextShiftQuery q = Query(old, old[2]);
        auto set = [&](const THighlights& before, const THighlights& now) {
            (links ? q.OldUrls : q.OldHighlights) = before;
            (links ? q.NewUrls : q.NewHighlights) = now;
        };
        set(firstLineOnly, none);
        EXPECT_EQ(TextLineShiftFor(q), 2);
        set(kept, none);
        EXPECT_EQ(TextLineShiftFor(q), 0);
        set(kept, kept);
        EXPECT_EQ(TextLineShiftFor(q), 2);
        // The kept highlight turns from the one kind into the other.
        set(kept, none);
        (links ? q.NewHighlights : q.NewUrls) = kept;
        EXPECT_EQ(TextLineShiftFor(q), 0);
    }
}

TEST(TextLineShift, FractionalDeviceRowsAreDrawnWhole) {
    const TStarts old = OldStarts();
    TTextShiftQuery q = Query(old, old[1]);
    q.Ratio = 1.5;
    EXPECT_EQ(TextLineShiftFor(q), 0);
    q.NewViewPos = old[2];
    EXPECT_EQ(TextLineShiftFor(q), 2);
}

// ---- The glyph cache ----------------------------------------------------------------------------

// A shaped line recalled from the lines shaped lately equals the line a fresh cache shapes,
// whatever was asked before: without its ink, or in another font.
TEST(GlyphCache, RecalledLinesEqualLinesShapedAnew) {
    // Shaped from its first character on, so that nothing but the shaping gives it ink.
    const QString text = QStringLiteral("\u05E9\u05DC\u05D5\u05DD A\u030A e\u0301 abc");
    // Hinted fully, as the page's font is, so that advances are whole pixels.
    QFont small = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    small.setHintingPreference(QFont::PreferFullHinting);
    small.setPixelSize(12);
    QFont large = small;
    large.setPixelSize(20);
    struct Step {
        const QFont* Font;
        bool Ink;
    };
    binhex::TGlyphCache cache;
    for (const Step step : {Step{&small, false}, Step{&small, true}, Step{&small, false},
                            Step{&large, true}, Step{&small, true}}) {
        binhex::TLaidOutLine recalled, fresh;
        binhex::TGlyphCache freshCache;
        const bool ok = cache.LayOut(*step.Font, text, step.Ink, recalled);
        ASSERT_EQ(ok, freshCache.LayOut(*step.Font, text, step.Ink, fresh));
        ASSERT_TRUE(fresh.Shaped);
        ASSERT_TRUE(ok) << "width " << fresh.Width;
        EXPECT_EQ(fresh.InkTop < 0, step.Ink);
        EXPECT_EQ(recalled.Width, fresh.Width);
        EXPECT_EQ(recalled.InkTop, fresh.InkTop);
        EXPECT_EQ(recalled.InkBottom, fresh.InkBottom);
        ASSERT_EQ(recalled.Runs.size(), fresh.Runs.size());
        for (size_t i = 0; i < fresh.Runs.size(); ++i) {
            EXPECT_EQ(recalled.Runs[i].Font, fresh.Runs[i].Font);
            EXPECT_EQ(recalled.Runs[i].Glyphs, fresh.Runs[i].Glyphs);
            EXPECT_EQ(recalled.Runs[i].Positions, fresh.Runs[i].Positions);
        }
    }
}

// ---- Pages --------------------------------------------------------------------------------------

// Phrases whose glyphs the cache holds: Latin, Cyrillic, Greek, CJK, tabs and controls.
const std::vector<int> CachedKinds{0, 1, 2, 3, 13, 14};

enum class Text { Cached, Mixed };

struct PageSetup {
    TQXBinHex::TQXBinHexMode Mode = TQXBinHex::vbmodeUnicode;
    Text Kind = Text::Cached;
    QSize Size{641, 297};
    bool Wrap = false;
    bool Gutter = false;
    bool Search = false;
    bool Url = false;
    TOffset SelStart = 0, SelLength = 0;
    int ScrollRight = 0;
    // Three lines up from the last page instead of the middle of the source.
    bool NearTheEnd = false;
    // What lets a line draw outside its band: a negative line spacing, a gutter font taller than
    // the lines, an observer of the lines.
    int LineSpacing = 0;
    int GutterPixels = 0;
    bool Observed = false;
};

constexpr int SourceChars = 40000;

QByteArray Source(const PageSetup& s) {
    QString text =
        test::MixedLines(SourceChars, 7, s.Kind == Text::Cached ? CachedKinds : std::vector<int>{});
    if (s.Url)
        for (qsizetype at = 100; at + 20 < text.size(); at += 230)
            text.replace(at, 18, QStringLiteral(" http://vornex.io "));
    return s.Mode == TQXBinHex::vbmodeUnicode ? test::Utf16Le(text) : test::LowBytes(text);
}

void Prepare(DrawFixture& f, const PageSetup& s) {
    f.SetPageSize(s.Size.width(), s.Size.height());
    f.viewer.setTextWrap(s.Wrap);
    f.viewer.setTextGutter(s.Gutter);
    f.viewer.setTextGutterLinesStep(1);
    f.viewer.setTextLineSpacing(s.LineSpacing);
    if (s.GutterPixels > 0) {
        QFont gutter = f.viewer.FontGutter();
        gutter.setPixelSize(s.GutterPixels);
        f.viewer.setFontGutter(gutter);
    }
    if (s.Observed)
        QObject::connect(&f.viewer, &TQXBinHex::aboutToDrawLine, &f.viewer,
                         [](QPainter*, const QString&, const QString&, QRect, QPoint, bool*) {});
    f.Show(Source(s));
    if (s.Search) {
        f.viewer.Search().SetStream(&f.stream);
        const QString needle =
            s.Mode == TQXBinHex::vbmodeUnicode ? QStringLiteral("words") : QStringLiteral("tab");
        const TQXEncoding encoding =
            s.Mode == TQXBinHex::vbmodeUnicode ? EncodingUnicodeLE : EncodingANSI;
        ASSERT_TRUE(f.viewer.Search().FindFirst(needle, encoding, soHighlightAll, 0));
    }
    if (s.NearTheEnd) {
        f.viewer.ScrollToEnd();
        f.viewer.ScrollLineUp(3);
    } else {
        f.viewer.GoToPos(s.Mode == TQXBinHex::vbmodeUnicode ? 8192 : 4096);
    }
    if (s.SelLength > 0)
        f.viewer.SetSelection(f.viewer.ViewPos() + s.SelStart, s.SelLength, /*scroll=*/false,
                              /*fireEvent=*/false, /*redraw=*/false);
    if (s.ScrollRight > 0)
        f.viewer.ScrollRight(s.ScrollRight);
    f.viewer.Redraw();
}

struct ShiftCase : test::NamedCase {
    PageSetup Setup;
    int Lines; // > 0 down, < 0 up
    bool Shifts;
};

class TextShiftTest : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(TextShiftTest, EqualsTheWholePageDrawnAnew) {
    const ShiftCase& c = GetParam();
    DrawFixture f(c.Setup.Mode);
    Prepare(f, c.Setup);
    f.ExpectShiftEqualsRedraw(c.Lines, c.Shifts, /*checkExtent=*/true);
}

constexpr TQXBinHex::TQXBinHexMode Unicode = TQXBinHex::vbmodeUnicode;
constexpr TQXBinHex::TQXBinHexMode Txt = TQXBinHex::vbmodeText;
constexpr Text Cached = Text::Cached;
constexpr Text Mixed = Text::Mixed;

INSTANTIATE_TEST_SUITE_P(
    Cases, TextShiftTest,
    ::testing::Values(
        ShiftCase{"UnicodeDownOne", {Unicode}, 1, true},
        ShiftCase{"UnicodeUpOne", {Unicode}, -1, true},
        ShiftCase{"UnicodeDownSeveral", {Unicode}, 6, true},
        ShiftCase{"UnicodeUpSeveral", {Unicode}, -5, true},
        ShiftCase{"UnicodeFullScreen", {Unicode, Cached, {1920, 1080}}, 3, true},
        ShiftCase{"UnicodeWrapped", {Unicode, Cached, {400, 297}, true}, 2, true},
        ShiftCase{"UnicodeGutterNumbers", {Unicode, Cached, {641, 297}, false, true}, 2, true},
        ShiftCase{"UnicodeGutterNumbersUp", {Unicode, Cached, {641, 297}, false, true}, -2, true},
        ShiftCase{"UnicodeHighlights", {Unicode, Cached, {641, 297}, false, false, true}, 1, true},
        ShiftCase{"UnicodeSelection",
                  {Unicode, Cached, {641, 297}, false, false, false, false, 40, 300},
                  1,
                  true},
        ShiftCase{"UnicodeScrolledRight",
                  {Unicode, Cached, {300, 297}, false, false, false, false, 0, 0, 60},
                  2,
                  true},
        ShiftCase{"UnicodeUrls", {Unicode, Cached, {641, 297}, false, false, false, true}, 1, true},
        ShiftCase{
            "UnicodeUrlsUp", {Unicode, Mixed, {641, 297}, false, false, false, true}, -4, true},
        ShiftCase{"TextUrlsWrapped", {Txt, Mixed, {300, 297}, true, false, true, true}, 3, true},
        ShiftCase{"UnicodeWholePage", {Unicode}, 30, false},
        ShiftCase{"UnicodeIntoTheEnd", {.NearTheEnd = true}, 2, false},
        ShiftCase{"UnicodeBeforeTheEnd", {.NearTheEnd = true}, 1, true},
        ShiftCase{"MixedUnicodeDown", {Unicode, Mixed}, 1, true},
        ShiftCase{"MixedUnicodeUp", {Unicode, Mixed, {900, 500}}, -3, true},
        ShiftCase{"MixedUnicodeWrapped", {Unicode, Mixed, {500, 297}, true}, 2, true},
        ShiftCase{"OverlappingLinesDrawWhole", {.LineSpacing = -3}, 1, false},
        ShiftCase{"WideLineSpacing", {.LineSpacing = 4}, -2, true},
        ShiftCase{"TallGutterNumbersDrawWhole", {.Gutter = true, .GutterPixels = 40}, 1, false},
        ShiftCase{"ObservedLinesDrawWhole", {.Observed = true}, 1, false},
        ShiftCase{"TextDownOne", {Txt}, 1, true},
        ShiftCase{"TextUpSeveral", {Txt, Cached, {641, 297}, false, true}, -4, true},
        ShiftCase{"TextWrappedHighlights", {Txt, Cached, {400, 297}, true, false, true}, 2, true},
        ShiftCase{"MixedTextDown", {Txt, Mixed, {641, 297}, false, true}, 3, true}),
    test::CaseName());

struct GlyphCase : test::NamedCase {
    PageSetup Setup;
};

class TextGlyphsTest : public ::testing::TestWithParam<GlyphCase> {};

// The page drawn from the glyph cache (shaping only the lines that need it) against every line
// shaped: the same pixels, the same record, and the widest line measured alike.
TEST_P(TextGlyphsTest, EqualTheShapedLines) {
    const GlyphCase& c = GetParam();
    DrawFixture f(c.Setup.Mode);
    Prepare(f, c.Setup);
    TQXBinHexPrivate& d = TQXBinHexPrivate::get(f.viewer);
    ASSERT_GT(d.PageCache.TextGlyphs.Size(), 0);
    const QImage runs = f.Page().copy();
    const TStrPositions runsRecord = f.viewer.StrPositions();
    const int extent = d.PageExtentMax();

    d.SetPagePaths(/*glyphRuns=*/false, /*lineShift=*/false);
    f.viewer.Redraw();
    EXPECT_EQ(FirstDifferentRow(runs, f.Page()), -1);
    ExpectSameRecord(runsRecord, f.viewer.StrPositions());
    EXPECT_EQ(extent, f.viewer.StrPositions().MaxExtent(d.TextFont(), d.OutputOptions(false)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextGlyphsTest,
    ::testing::Values(GlyphCase{"UnicodeCached", {Unicode}},
                      GlyphCase{"UnicodeMixed", {Unicode, Mixed}},
                      GlyphCase{"UnicodeMixedFullScreen", {Unicode, Mixed, {1920, 1080}}},
                      GlyphCase{"UnicodeMixedWrapped", {Unicode, Mixed, {500, 297}, true}},
                      GlyphCase{"UnicodeMixedGutter", {Unicode, Mixed, {641, 297}, false, true}},
                      GlyphCase{"UnicodeMixedSelection",
                                {Unicode, Mixed, {641, 297}, false, false, false, false, 30, 500}},
                      GlyphCase{"UnicodeMixedScrolledRight",
                                {Unicode, Mixed, {400, 297}, false, false, false, false, 0, 0, 90}},
                      GlyphCase{"TextMixed", {Txt, Mixed}},
                      GlyphCase{"TextMixedWrappedHighlights",
                                {Txt, Mixed, {400, 297}, true, false, true}}),
    test::CaseName());

} // namespace
