// QXBinHexRecordTest.cpp — scroll keys faster than pages: the page recorded without drawing it,
// against the page drawn, and a burst of queued keys against a viewer that drew every key.
#include "DrawFixture.h"
#include "support/NamedCases.h"
#include "support/RandomBytes.h"
#include "support/ViewState.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace {

constexpr TQXBinHex::TQXBinHexMode Hex = TQXBinHex::vbmodeHex;
constexpr TQXBinHex::TQXBinHexMode UHex = TQXBinHex::vbmodeUHex;
constexpr TQXBinHex::TQXBinHexMode Binary = TQXBinHex::vbmodeBinary;

QByteArray Random(int64_t size, unsigned seed) {
    const std::vector<uint8_t> bytes = RandomBytes(size, seed);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

TQXBinHexPrivate& Private(DrawFixture& f) {
    return TQXBinHexPrivate::get(f.viewer);
}

// ---- The record-only pass against the drawing ---------------------------------------------------

// A view to record: the mode, the page size, the source size, where the page starts (-1: the last
// page), how far it is scrolled right, and the options that move the columns.
struct RecordCase : test::NamedCase {
    TQXBinHex::TQXBinHexMode Mode;
    QSize Size;
    int64_t SourceSize;
    TOffset Start;
    int Right = 0;
    bool Gutter = false;
    bool Fit = false;
};

class RecordPass : public ::testing::TestWithParam<RecordCase> {};

} // namespace

TEST_P(RecordPass, MakesTheRecordOfTheDrawing) {
    const RecordCase& c = GetParam();
    DrawFixture f(c.Mode, c.Size);
    f.viewer.setTextGutter(c.Gutter);
    if (c.Mode == Binary)
        f.viewer.setTextWidthFit(c.Fit);
    else if (c.Mode == Hex)
        f.viewer.setTextWidthFitHex(c.Fit);
    else
        f.viewer.setTextWidthFitUHex(c.Fit);
    f.Show(Random(c.SourceSize, 5));
    if (c.Start < 0)
        f.viewer.ScrollToEnd();
    else
        f.viewer.GoToPos(c.Start);
    f.viewer.ScrollRight(c.Right);
    f.viewer.Redraw();
    ASSERT_EQ(f.viewer.HViewPos() > 0, c.Right > 0);
    const TStrPositions drawn = f.viewer.StrPositions();
    const bool atEnd = f.viewer.ViewAtEnd();
    const TOffset pageSize = f.viewer.ViewPageSize();
    const int lineSize = f.viewer.LineSize();

    TQXBinHexPrivate& d = Private(f);
    d.ViewAtEnd = !atEnd;
    d.ViewPageSize = -1;
    TStrPositions recorded;
    const QSize page = f.viewer.viewport()->size();
    d.RecordFixedPage(recorded, page.width(), page.height());
    EXPECT_EQ(d.ViewAtEnd, atEnd);
    EXPECT_EQ(d.ViewPageSize, pageSize);
    EXPECT_EQ(f.viewer.LineSize(), lineSize);
    test::ExpectSameRecord(recorded, drawn);
}

INSTANTIATE_TEST_SUITE_P(
    Views, RecordPass,
    ::testing::Values(RecordCase{"HexFirstPage", Hex, {641, 297}, 1 << 16, 0},
                      RecordCase{"HexMiddle", Hex, {641, 297}, 1 << 16, 20000},
                      RecordCase{"HexLastPartialLine", Hex, {641, 297}, (1 << 16) + 5, -1},
                      RecordCase{"HexEndOfData", Hex, {641, 297}, 1000, 992},
                      RecordCase{"HexSourceBelowAPage", Hex, {641, 297}, 40, 0},
                      RecordCase{"HexScrolledRight", Hex, {300, 297}, 1 << 16, 512, 90},
                      RecordCase{"HexGutter", Hex, {641, 297}, 1 << 16, 4096, 0, true},
                      RecordCase{"HexFitted", Hex, {900, 400}, 1 << 16, 4096, 0, false, true},
                      RecordCase{"HexTallPage", Hex, {641, 2600}, 1 << 16, 0},
                      RecordCase{"UHexMiddle", UHex, {641, 297}, 1 << 16, 3000},
                      RecordCase{"UHexOddSizeLastPage", UHex, {641, 297}, 4097, -1},
                      RecordCase{"UHexOddSizeEndOfData", UHex, {641, 297}, 4097, 4064},
                      RecordCase{"UHexScrolledRightGutter", UHex, {300, 200}, 1 << 16, 0, 40, true},
                      RecordCase{"BinaryMiddle", Binary, {641, 297}, 1 << 16, 8000},
                      RecordCase{"BinaryOddSizeLastPage", Binary, {641, 297}, 9999, -1},
                      RecordCase{"BinaryScrolledRight", Binary, {200, 297}, 1 << 16, 160, 50},
                      RecordCase{
                          "BinaryFittedGutter", Binary, {500, 297}, 1 << 16, 1000, 0, true, true}),
    test::CaseName());

// ---- Bursts of queued keys ----------------------------------------------------------------------

namespace {

struct Press {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
};

struct BurstCase : test::NamedCase {
    TQXBinHex::TQXBinHexMode Mode;
    QSize Size;
    int64_t SourceSize;
    std::vector<Press> Keys;
};

std::vector<Press> Times(int n, Press press) {
    return std::vector<Press>(static_cast<size_t>(n), press);
}

std::vector<Press> Join(std::initializer_list<std::vector<Press>> parts) {
    std::vector<Press> keys;
    for (const auto& part : parts)
        keys.insert(keys.end(), part.begin(), part.end());
    return keys;
}

const Press PageDown{Qt::Key_PageDown};
const Press PageUp{Qt::Key_PageUp};
const Press Down{Qt::Key_Down};
const Press Up{Qt::Key_Up};
const Press Left{Qt::Key_Left};
const Press Right{Qt::Key_Right};
const Press Home{Qt::Key_Home};
const Press End{Qt::Key_End};
const Press CtrlHome{Qt::Key_Home, Qt::ControlModifier};
const Press CtrlEnd{Qt::Key_End, Qt::ControlModifier};

class QueuedKeys : public ::testing::TestWithParam<BurstCase> {};

} // namespace

// Each key is posted and followed by a posted look at the view, all before any paint; the other
// viewer gets the same keys one by one and draws its page after each.
TEST_P(QueuedKeys, ShowWhatAViewerDrawingEveryKeyShows) {
    const BurstCase& c = GetParam();
    const QByteArray data = Random(c.SourceSize, 11);
    DrawFixture queued(c.Mode, c.Size);
    DrawFixture stepped(c.Mode, c.Size);
    queued.Show(data);
    stepped.Show(data);
    QApplication::processEvents();
    const test::ViewEvents queuedEvents(queued.viewer);
    const test::ViewEvents steppedEvents(stepped.viewer);
    const TStrPositions& queuedRecord = queued.viewer.StrPositions();
    const TStrPositions& steppedRecord = stepped.viewer.StrPositions();
    const int drawnBefore = Private(queued).PagesDrawn;

    std::vector<test::ViewState> queuedViews;
    std::vector<test::ViewState> steppedViews;
    for (const Press& press : c.Keys) {
        QApplication::postEvent(&queued.viewer,
                                new QKeyEvent(QEvent::KeyPress, press.Key, press.Modifiers));
        QMetaObject::invokeMethod(
            &queued.viewer,
            [&] {
                queuedViews.push_back(test::CaptureView(queued.viewer, queuedRecord, queuedEvents));
            },
            Qt::QueuedConnection);
        QKeyEvent event(QEvent::KeyPress, press.Key, press.Modifiers);
        QApplication::sendEvent(&stepped.viewer, &event);
        stepped.Page();
        steppedViews.push_back(test::CaptureView(stepped.viewer, steppedRecord, steppedEvents));
    }
    for (int round = 0;
         round < 20 && (queuedViews.size() < c.Keys.size() || Private(queued).PageStale); ++round)
        QApplication::processEvents();

    ASSERT_EQ(queuedViews.size(), steppedViews.size());
    for (size_t k = 0; k < queuedViews.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "after key " << k);
        test::ExpectSameView(queuedViews[k], steppedViews[k]);
    }
    // The page was drawn by the paint, fewer times than keys arrived, and shows the last view.
    EXPECT_FALSE(Private(queued).PageStale);
    EXPECT_LT(Private(queued).PagesDrawn - drawnBefore, static_cast<int>(c.Keys.size()));
    EXPECT_TRUE(queued.Page() == stepped.Page());
    test::ExpectSameView(test::CaptureView(queued.viewer, queuedRecord, queuedEvents),
                         steppedViews.back());
}

INSTANTIATE_TEST_SUITE_P(
    Bursts, QueuedKeys,
    ::testing::Values(BurstCase{"HexPageDown", Hex, {641, 297}, 1 << 20, Times(60, PageDown)},
                      BurstCase{"HexPageDownPastTheEndAndBack",
                                Hex,
                                {641, 297},
                                5000,
                                Join({Times(30, PageDown), Times(3, PageUp)})},
                      BurstCase{"HexLinesShiftedFromThePaintedPage",
                                Hex,
                                {641, 297},
                                1 << 16,
                                Join({Times(3, Down), Times(5, Down), Times(2, Up)})},
                      BurstCase{"HexHorizontalAndEnds",
                                Hex,
                                {300, 200},
                                1 << 16,
                                {Right, Right, CtrlEnd, Left, End, PageUp, Home, CtrlHome, Down}},
                      BurstCase{"UHexOddSizeToTheEnd",
                                UHex,
                                {641, 297},
                                20001,
                                Join({{CtrlEnd}, Times(4, PageDown), Times(2, Up), {CtrlEnd}})},
                      BurstCase{
                          "UHexLargePageDown", UHex, {900, 700}, 1 << 20, Times(40, PageDown)},
                      BurstCase{"BinaryPageDownAndRight",
                                Binary,
                                {641, 297},
                                1 << 20,
                                Join({Times(20, PageDown), {Right, PageDown, Left, Up}})},
                      BurstCase{"BinaryNarrowEnds",
                                Binary,
                                {200, 150},
                                3001,
                                {CtrlEnd, End, Up, Home, PageUp, CtrlHome, PageDown}}),
    test::CaseName());

// ---- Readers of the page and the text layouts ---------------------------------------------------

namespace {

struct ReaderCase : test::NamedCase {
    TQXBinHex::TQXBinHexMode Mode;
    // Reads the page image of f the way the reader does.
    QImage (*Read)(DrawFixture& f);
    // True when the key leaves the page to be drawn later.
    bool Deferred;
};

QImage ReadPageImage(DrawFixture& f) {
    return f.viewer.PageImage();
}

QImage ReadDrawTo(DrawFixture& f) {
    QImage target;
    TStrPositions positions;
    const QSize size = f.viewer.viewport()->size();
    f.viewer.DrawTo(target, size.width(), size.height(), &positions);
    return f.viewer.PageImage();
}

class PageReaders : public ::testing::TestWithParam<ReaderCase> {};

} // namespace

// A key handled with no paint after it: the page image is stale only in the fixed-width modes,
// and whoever reads it gets the page of the new view.
TEST_P(PageReaders, DrawTheStalePageFirst) {
    const ReaderCase& c = GetParam();
    const QByteArray data = Random(1 << 16, 3);
    DrawFixture f(c.Mode);
    DrawFixture reference(c.Mode);
    f.Show(data);
    reference.Show(data);
    const int drawnBefore = Private(f).PagesDrawn;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(&f.viewer, &press);
    EXPECT_EQ(Private(f).PageStale, c.Deferred);
    EXPECT_EQ(Private(f).PagesDrawn - drawnBefore, c.Deferred ? 0 : 1);

    reference.viewer.ScrollPageDown();
    const QImage read = c.Read(f);
    EXPECT_FALSE(Private(f).PageStale);
    EXPECT_TRUE(read == reference.Page());
}

INSTANTIATE_TEST_SUITE_P(
    Readers, PageReaders,
    ::testing::Values(ReaderCase{"HexPageImage", Hex, ReadPageImage, true},
                      ReaderCase{"BinaryDrawTo", Binary, ReadDrawTo, true},
                      ReaderCase{"TextDrawsAtOnce", TQXBinHex::vbmodeText, ReadPageImage, false},
                      ReaderCase{"UnicodeDrawsAtOnce", TQXBinHex::vbmodeUnicode, ReadPageImage,
                                 false}),
    test::CaseName());
