// QXBinHexMarksDrawTest.cpp — marks on the page in every layout: where the positions record puts
// their bytes, under the selection, across a line shift, gone without a trace, and their tool tips.
#include "DrawFixture.h"
#include "support/MarkModel.h"
#include "support/NamedCases.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

using TMode = TQXBinHex::TQXBinHexMode;

constexpr int LineBytes = 64;

// Lines of 63 letters and digits and a line feed, as one-byte text or as UTF-16 LE.
QByteArray Source(bool utf16) {
    static const char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray data;
    for (int line = 0; line < 400; ++line) {
        for (int i = 0; i < LineBytes - 1; ++i) {
            data += Alphabet[(line + i) % 62];
            if (utf16)
                data += '\0';
        }
        data += '\n';
        if (utf16)
            data += '\0';
    }
    return data;
}

bool IsUtf16(TMode mode) {
    return mode == TQXBinHex::vbmodeUnicode || mode == TQXBinHex::vbmodeUHex;
}

bool HasCells(TMode mode) {
    return mode == TQXBinHex::vbmodeHex || mode == TQXBinHex::vbmodeUHex;
}

struct Layout : test::NamedCase {
    TMode Mode;
    bool Wrap = false;
    QSize Size{641, 297};
};

void Show(DrawFixture& f, const Layout& l, TOffset top) {
    f.viewer.setTextWrap(l.Wrap);
    f.SetPageSize(l.Size.width(), l.Size.height());
    f.Show(Source(IsUtf16(l.Mode)));
    f.viewer.GoToPos(top);
    f.viewer.Redraw();
}

// Where the last drawing put the character at pos (its character column one in the hex layouts),
// or with cell set its hex cell's digits: found through the positions record; empty when the page
// does not show it.
QRect PlaceOf(const DrawFixture& f, TOffset pos, bool cell = false) {
    const TStrPositions& rec = f.viewer.StrPositions();
    for (int k = 0; k < rec.Count; ++k) {
        const TStrEntry& e = rec.Entries[static_cast<size_t>(k)];
        const TOffset i = (pos - e.Pos) / rec.CharSize;
        if (pos < e.Pos || i >= e.Str.size())
            continue;
        if (cell)
            return QRect(rec.CellX[static_cast<size_t>(i)], e.Y, 2 * rec.CharSize * f.W(), f.LH());
        TExtents ext;
        OutputTextExtents(f.viewer.TextFont(), e.Str, ext, f.viewer.OutputOptions(false));
        return QRect(e.X + ext[static_cast<size_t>(i)], e.Y,
                     ext[static_cast<size_t>(i) + 1] - ext[static_cast<size_t>(i)], f.LH());
    }
    return {};
}

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue()) <
           60;
}

const QColor BackA(250, 230, 40);
const QColor BackB(40, 230, 250);
const QColor TextA(200, 0, 160);

const Layout Layouts[] = {
    {"Text", TQXBinHex::vbmodeText},
    {"TextWrapped", TQXBinHex::vbmodeText, true, {300, 297}},
    {"Binary", TQXBinHex::vbmodeBinary},
    {"Hex", TQXBinHex::vbmodeHex},
    {"Unicode", TQXBinHex::vbmodeUnicode},
    {"UnicodeWrapped", TQXBinHex::vbmodeUnicode, true, {300, 297}},
    {"UHex", TQXBinHex::vbmodeUHex},
};

class MarksInLayout : public ::testing::TestWithParam<Layout> {};

// Every character of a stretch of a line is drawn as the model says: on the back colour of the
// last added mark over it, in that mark's text colour when it has one; unmarked ones show neither.
TEST_P(MarksInLayout, DrawnWhereTheRecordPutsTheirBytes) {
    const Layout& l = GetParam();
    DrawFixture f(l.Mode);
    const int cs = IsUtf16(l.Mode) ? 2 : 1;
    const TOffset p = 3 * LineBytes * cs + 4 * cs;
    Show(f, l, 2 * LineBytes * cs);
    test::MarkModel model;
    // A first mark, and a second over its tail and beyond without a text colour of its own.
    model.Add(f.viewer.AddMark(p + 3 * cs, 10 * cs, BackA, TextA), p + 3 * cs, 10 * cs);
    model.Add(f.viewer.AddMark(p + 8 * cs, 8 * cs, BackB), p + 8 * cs, 8 * cs);
    f.viewer.Redraw();

    const std::vector<int64_t> owners = model.Owners(p, 24 * cs);
    for (int i = 0; i < 24; ++i) {
        const TOffset pos = p + i * cs;
        const int64_t owner = owners[static_cast<size_t>(i * cs)];
        const QColor back = owner == 1 ? BackA : BackB;
        for (const bool cell : {false, true}) {
            if (cell && !HasCells(l.Mode))
                continue;
            const QRect place = PlaceOf(f, pos, cell);
            ASSERT_FALSE(place.isEmpty()) << pos;
            const int backPixels = f.CountPixels(place, [&](QColor c) { return c == back; });
            const int markPixels =
                f.CountPixels(place, [&](QColor c) { return c == BackA || c == BackB; });
            const int inkA = f.CountPixels(place, [&](QColor c) { return Near(c, TextA); });
            if (owner == 0) {
                EXPECT_EQ(markPixels, 0) << "unmarked " << pos << (cell ? " cell" : "");
                continue;
            }
            EXPECT_GT(backPixels, 0) << "mark " << owner << " at " << pos << (cell ? " cell" : "");
            EXPECT_EQ(owner == 1, inkA > 0) << "text colour at " << pos << (cell ? " cell" : "");
        }
    }
}

// A control whose marks are all cleared draws every page as one that never had a mark.
TEST_P(MarksInLayout, ClearedMarksLeaveNoTrace) {
    const Layout& l = GetParam();
    const int cs = IsUtf16(l.Mode) ? 2 : 1;
    for (const TOffset top : {TOffset(0), TOffset(37 * LineBytes * cs)}) {
        DrawFixture marked(l.Mode);
        DrawFixture fresh(l.Mode);
        Show(marked, l, top);
        Show(fresh, l, top);
        marked.viewer.AddMark(top, 40 * cs, BackA, TextA, QStringLiteral("a"));
        marked.viewer.AddMark(top + 30 * cs, 300 * cs, BackB);
        marked.viewer.Redraw();
        EXPECT_FALSE(marked.Page() == fresh.Page()) << "the marks were drawn at " << top;
        marked.viewer.ClearMarks();
        marked.viewer.Redraw();
        EXPECT_TRUE(marked.Page() == fresh.Page()) << "page at " << top;
    }
}

// The selection inverts a marked character as any other: its back colour turns to its inverse.
TEST_P(MarksInLayout, SelectionInvertsAMark) {
    const Layout& l = GetParam();
    DrawFixture f(l.Mode);
    const int cs = IsUtf16(l.Mode) ? 2 : 1;
    const TOffset p = 3 * LineBytes * cs + 4 * cs;
    Show(f, l, 2 * LineBytes * cs);
    f.viewer.AddMark(p, 8 * cs, BackA);
    f.viewer.SetSelection(p + 2 * cs, 3 * cs, false, false, /*redraw=*/true);
    const QColor inverse(255 - BackA.red(), 255 - BackA.green(), 255 - BackA.blue());
    for (const bool cell : {false, true}) {
        if (cell && !HasCells(l.Mode))
            continue;
        const QRect selected = PlaceOf(f, p + 3 * cs, cell);
        const QRect unselected = PlaceOf(f, p + 6 * cs, cell);
        EXPECT_GT(f.CountPixels(selected, [&](QColor c) { return c == inverse; }), 0) << cell;
        EXPECT_EQ(f.CountPixels(selected, [&](QColor c) { return c == BackA; }), 0) << cell;
        EXPECT_GT(f.CountPixels(unselected, [&](QColor c) { return c == BackA; }), 0) << cell;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, MarksInLayout, ::testing::ValuesIn(Layouts), test::CaseName());

// A change of marks redraws the page once control returns to the event loop: removing the last
// added of two overlapping marks shows the one below it.
TEST(MarksDraw, ChangeRedrawsThePage) {
    DrawFixture f(TQXBinHex::vbmodeHex);
    f.Show(Source(false));
    const qint64 below = f.viewer.AddMark(20, 10, BackA);
    const qint64 above = f.viewer.AddMark(24, 10, BackB);
    QCoreApplication::sendPostedEvents(&f.viewer, QEvent::MetaCall);
    const QRect place = PlaceOf(f, 26, /*cell=*/true);
    EXPECT_GT(f.CountPixels(place, [&](QColor c) { return c == BackB; }), 0);
    ASSERT_TRUE(f.viewer.RemoveMark(above));
    QCoreApplication::sendPostedEvents(&f.viewer, QEvent::MetaCall);
    EXPECT_GT(f.CountPixels(place, [&](QColor c) { return c == BackA; }), 0);
    EXPECT_EQ(f.CountPixels(place, [&](QColor c) { return c == BackB; }), 0);
    ASSERT_TRUE(f.viewer.RemoveMark(below));
    QCoreApplication::sendPostedEvents(&f.viewer, QEvent::MetaCall);
    EXPECT_EQ(f.CountPixels(place, [&](QColor c) { return c == BackA; }), 0);
}

struct ShiftCase : test::NamedCase {
    TMode Mode;
    int Lines; // > 0 down, < 0 up
    // A mark added after the page was drawn and before the move: the page is drawn whole.
    bool MarkBeforeMove;
};

class MarksShift : public ::testing::TestWithParam<ShiftCase> {};

// Moving by whole lines over marks gives the page a whole drawing gives (the plain path, which
// draws every cell as a string).
TEST_P(MarksShift, EqualsTheWholePage) {
    const ShiftCase& c = GetParam();
    DrawFixture f(c.Mode);
    const TOffset top = 4096;
    f.Show(Source(false));
    f.viewer.GoToPos(top);
    // Marks every few bytes across the page and the lines either move uncovers, one over them all.
    f.viewer.AddMark(top - 2000, 6000, BackB);
    for (TOffset at = top - 400; at < top + 1200; at += 37)
        f.viewer.AddMark(at, 1 + at % 23, BackA, at % 2 ? TextA : QColor());
    f.viewer.Redraw();
    auto& d = TQXBinHexPrivate::get(f.viewer);
    const int shifts = d.PageCache.Shifts;
    if (c.MarkBeforeMove)
        f.viewer.AddMark(top + 5 * 16 + 3, 20, TextA);
    if (c.Lines > 0)
        f.viewer.ScrollLineDown(c.Lines);
    else
        f.viewer.ScrollLineUp(-c.Lines);
    EXPECT_EQ(d.PageCache.Shifts - shifts, c.MarkBeforeMove ? 0 : 1);
    const QImage moved = f.Page().copy();
    d.SetPagePaths(/*glyphRuns=*/false, /*lineShift=*/false);
    f.viewer.Redraw();
    EXPECT_TRUE(moved == f.Page());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MarksShift,
    ::testing::Values(ShiftCase{"HexDown", TQXBinHex::vbmodeHex, 1, false},
                      ShiftCase{"HexDownSeveral", TQXBinHex::vbmodeHex, 4, false},
                      ShiftCase{"HexUp", TQXBinHex::vbmodeHex, -3, false},
                      ShiftCase{"HexMarkAdded", TQXBinHex::vbmodeHex, 1, true},
                      ShiftCase{"UHexDown", TQXBinHex::vbmodeUHex, 2, false},
                      ShiftCase{"BinaryUp", TQXBinHex::vbmodeBinary, -2, false}),
    test::CaseName());

struct TipCase : test::NamedCase {
    TMode Mode;
    TOffset Pos;
    bool Cell;
    const char* Hint; // nullptr: no tip
};

class MarkTip : public ::testing::TestWithParam<TipCase> {};

// A tool tip asked for over a byte shows the hint of the last added mark over it; none shows over
// an unmarked byte or a mark without a hint.
TEST_P(MarkTip, ShowsTheHintOfTheMarkUnderThePointer) {
    const TipCase& c = GetParam();
    DrawFixture f(c.Mode);
    f.Show(Source(false));
    f.viewer.AddMark(200, 8, BackA, QColor(), QStringLiteral("first"));
    f.viewer.AddMark(204, 8, BackB, QColor(), QStringLiteral("second"));
    f.viewer.AddMark(220, 4, BackA);
    f.viewer.Redraw();
    const QRect place = PlaceOf(f, c.Pos, c.Cell);
    ASSERT_FALSE(place.isEmpty());
    QWidget* page = f.viewer.viewport();
    QHelpEvent tip(QEvent::ToolTip, place.center(), page->mapToGlobal(place.center()));
    QCoreApplication::sendEvent(page, &tip);
    EXPECT_EQ(tip.isAccepted(), c.Hint != nullptr);
    if (c.Hint) {
        EXPECT_EQ(QToolTip::text(), QString::fromUtf8(c.Hint));
    }
    QToolTip::hideText();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MarkTip,
    ::testing::Values(TipCase{"Cell", TQXBinHex::vbmodeHex, 201, true, "first"},
                      TipCase{"CellOfTheLastAdded", TQXBinHex::vbmodeHex, 205, true, "second"},
                      TipCase{"Column", TQXBinHex::vbmodeHex, 210, false, "second"},
                      TipCase{"NoHint", TQXBinHex::vbmodeHex, 221, true, nullptr},
                      TipCase{"Unmarked", TQXBinHex::vbmodeHex, 230, true, nullptr},
                      TipCase{"Text", TQXBinHex::vbmodeText, 202, false, "first"},
                      TipCase{"TextUnmarked", TQXBinHex::vbmodeText, 199, false, nullptr}),
    test::CaseName());

} // namespace
