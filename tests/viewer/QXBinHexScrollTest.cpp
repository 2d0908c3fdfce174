// QXBinHexScrollTest.cpp — moving the view: lines, pages, ends, the thumb, keys, wheel,
// auto-scroll, and sources far beyond 4 GiB.
#include "DrawFixture.h"
#include "MessageBox.h"
#include "SyntheticDevice.h"
#include "TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

// Turns the wheel by delta (x sideways, y up) over a point of the target widget.
void WheelOver(QWidget* target, QPoint delta, Qt::KeyboardModifiers mods,
               Qt::MouseButtons buttons = Qt::NoButton) {
    const QPointF at(target->width() / 2, target->height() / 2);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), delta, buttons, mods,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

void Wheel(TQXBinHex& viewer, int delta, Qt::KeyboardModifiers mods,
           Qt::MouseButtons buttons = Qt::NoButton) {
    WheelOver(viewer.viewport(), QPoint(0, delta), mods, buttons);
}

// The thumb of a vertical scroll bar, in the bar's coordinates, as its style lays it out.
QRect VerticalThumb(QScrollBar* bar) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        bar);
}

void MoveWithLeftButton(QWidget* widget, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QImage CursorImage(const QCursor& cursor) {
    return cursor.pixmap().toImage();
}

} // namespace

TEST(Scroll, ThumbMapsOntoTheWholeImage) {
    DrawFixture f;
    f.Show(QByteArray(1 << 20, 'x'));
    ASSERT_EQ(TQXBinHexPrivate::get(f.viewer).ScrollBars.VertInfo.nMax, 32767);
    for (int p : {1, 10000, 20000}) {
        f.viewer.VScroll(TQXBinHex::SB_THUMBTRACK, p);
        EXPECT_EQ(f.viewer.ViewPos(), (int64_t(1048576) * p / 32767) / 16 * 16) << p;
        EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).ScrollBars.VertInfo.nPos,
                  f.viewer.ViewPos() * 32767 / 1048576);
    }
    f.viewer.VScroll(TQXBinHex::SB_THUMBTRACK, 32767);
    EXPECT_EQ(f.viewer.ViewPos(), TQXBinHexPrivate::get(f.viewer).PosLastPage());
    EXPECT_TRUE(f.viewer.ViewAtEnd());
}

TEST(Scroll, ThumbDraggedDownAtTheEndDoesNothing) {
    DrawFixture f;
    f.Show(QByteArray(1 << 20, 'x'));
    TQXBinHexPrivate::get(f.viewer).ScrollToEndRepeat();
    const int64_t end = f.viewer.ViewPos();
    ASSERT_GT(32760, TQXBinHexPrivate::get(f.viewer).ScrollBars.VertInfo.nPos);
    f.viewer.VScroll(TQXBinHex::SB_THUMBTRACK, 32760);
    EXPECT_EQ(f.viewer.ViewPos(), end);
    f.viewer.VScroll(TQXBinHex::SB_THUMBTRACK, 100);
    EXPECT_LT(f.viewer.ViewPos(), end) << "upwards still moves";
}

// The view follows the dragged thumb; letting the thumb go must leave it where the drag put it (the
// bar shows the position rounded down to its steps, which maps back to a line or two higher).
TEST(Scroll, ReleasingTheDraggedThumbKeepsTheView) {
    DrawFixture f;
    f.Show(QByteArray(1 << 20, 'x'));
    QApplication::processEvents(); // lays out the scroll bars
    QScrollBar* bar = f.viewer.verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    const QRect thumb = VerticalThumb(bar);
    ASSERT_GT(bar->height(), 4 * thumb.height());
    const QPoint grip = thumb.center();
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, grip);
    QPoint at = grip;
    for (int step = 1; step <= 12; ++step) {
        at = grip + QPoint(0, step * thumb.height() / 4);
        MoveWithLeftButton(bar, at);
    }
    const int64_t dragged = f.viewer.ViewPos();
    ASSERT_GT(dragged, 0);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(f.viewer.ViewPos(), dragged);
    EXPECT_EQ(bar->value(), TQXBinHexPrivate::get(f.viewer).ScrollBars.VertInfo.nPos);
}

TEST(Scroll, LinesStopWithTheLastLineAtTheBottom) {
    DrawFixture f;
    f.Show(QByteArray(16 * 100, 'x'));
    const int lines = f.viewer.LinesNum();
    const int64_t lastPage = int64_t(99 - (lines - 1)) * 16;
    ASSERT_EQ(TQXBinHexPrivate::get(f.viewer).PosLastPage(), lastPage);
    for (int i = 0; i < 200; ++i)
        f.viewer.ScrollLineDown(1);
    EXPECT_EQ(f.viewer.ViewPos(), lastPage);
    EXPECT_TRUE(f.viewer.ViewAtEnd());
    EXPECT_EQ(f.viewer.StrPositions().Entries[lines - 1].Pos, 99 * 16);
}

TEST(Scroll, OnePageSourceDoesNotMoveAndHidesTheBar) {
    DrawFixture f;
    f.Show(QByteArray(100, 'x'));
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).PosLastPage(), 0);
    f.viewer.ScrollLineDown(1);
    f.viewer.ScrollPageDown();
    EXPECT_EQ(f.viewer.ViewPos(), 0);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).ScrollBars.VertInfo.nPage,
              TQXBinHexPrivate::get(f.viewer).ScrollBars.VertInfo.nMax + 1);
    EXPECT_EQ(f.viewer.verticalScrollBar()->maximum(), 0);
    EXPECT_FALSE(f.viewer.verticalScrollBar()->isVisible());
}

TEST(Scroll, EmptySourceStaysAtZeroWithoutBars) {
    DrawFixture f;
    EXPECT_FALSE(f.viewer.verticalScrollBar()->isVisible()) << "no source";
    f.Show(QByteArray());
    QTest::keyClick(&f.viewer, Qt::Key_PageDown);
    QTest::keyClick(&f.viewer, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.viewer.ViewPos(), 0);
    QApplication::processEvents();
    EXPECT_FALSE(f.viewer.verticalScrollBar()->isVisible());
    EXPECT_FALSE(f.viewer.horizontalScrollBar()->isVisible());
}

TEST(Scroll, KeysNeedTheirExactShiftState) {
    DrawFixture f;
    f.Show(QByteArray(1 << 16, 'x'));
    QTest::keyClick(&f.viewer, Qt::Key_Down);
    EXPECT_EQ(f.viewer.ViewPos(), 16);
    QTest::keyClick(&f.viewer, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&f.viewer, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(f.viewer.ViewPos(), 16);
    QTest::keyClick(&f.viewer, Qt::Key_PageDown);
    EXPECT_EQ(f.viewer.ViewPos(), 16 + 16 * f.viewer.LinesNum());
    QTest::keyClick(&f.viewer, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.viewer.ViewPos(), TQXBinHexPrivate::get(f.viewer).PosLastPage());
    QTest::keyClick(&f.viewer, Qt::Key_PageUp);
    EXPECT_EQ(f.viewer.ViewPos(),
              TQXBinHexPrivate::get(f.viewer).PosLastPage() - 16 * f.viewer.LinesNum());
    QTest::keyClick(&f.viewer, Qt::Key_Up);
    QTest::keyClick(&f.viewer, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(f.viewer.ViewPos(), 0);
}

TEST(Scroll, CtrlHomeAtTheTopStillReturnsLeft) {
    DrawFixture f(TQXBinHex::vbmodeHex, QSize(300, 200));
    f.Show(QByteArray(1000, 'x'));
    QTest::keyClick(&f.viewer, Qt::Key_Right);
    ASSERT_GT(f.viewer.HViewPos(), 0);
    EXPECT_LE(f.viewer.HViewPos(), TQXBinHexPrivate::get(f.viewer).HViewPosMax());
    EXPECT_EQ(f.viewer.StrPositions().Entries[0].X, f.Column(61) - f.viewer.HViewPos());
    QTest::keyClick(&f.viewer, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(f.viewer.HViewPos(), 0);
    EXPECT_EQ(f.viewer.StrPositions().Entries[0].X, f.Column(61)) << "redrawn at the left edge";
    QTest::keyClick(&f.viewer, Qt::Key_End);
    EXPECT_EQ(f.viewer.HViewPos(), TQXBinHexPrivate::get(f.viewer).HViewPosMax());
}

TEST(Scroll, WheelFollowsTheExactShiftState) {
    DrawFixture f(TQXBinHex::vbmodeHex, QSize(300, 200));
    f.Show(QByteArray(1 << 16, 'x'));
    Wheel(f.viewer, -120, Qt::NoModifier);
    EXPECT_EQ(f.viewer.ViewPos(), 16 * QApplication::wheelScrollLines());
    Wheel(f.viewer, -120, Qt::ShiftModifier, Qt::LeftButton);
    EXPECT_EQ(f.viewer.HViewPos(), 0) << "a held button makes the state differ";
    Wheel(f.viewer, -120, Qt::ShiftModifier);
    EXPECT_GT(f.viewer.HViewPos(), 0);
    Wheel(f.viewer, -60, Qt::NoModifier);
    EXPECT_EQ(f.viewer.ViewPos(), 16 * QApplication::wheelScrollLines())
        << "half a notch does nothing yet";
    Wheel(f.viewer, -60, Qt::NoModifier);
    EXPECT_EQ(f.viewer.ViewPos(), 32 * QApplication::wheelScrollLines());
}

TEST(Scroll, WheelOverTheBarsActsAsOverThePageAndSidewaysIsIgnored) {
    struct Case {
        const char* name;
        Qt::Orientation bar; // the bar the wheel is over; Qt::Orientation() for the page
        QPoint delta;
        Qt::KeyboardModifiers mods;
        int lines;      // expected lines moved down
        int fontChange; // expected sign of the line-height change
    };
    const int w = QApplication::wheelScrollLines();
    const Case cases[] = {
        {"down over the vertical bar", Qt::Vertical, {0, -120}, Qt::NoModifier, w, 0},
        {"down over the horizontal bar", Qt::Horizontal, {0, -120}, Qt::NoModifier, w, 0},
        {"ctrl+up over the vertical bar", Qt::Vertical, {0, 120}, Qt::ControlModifier, 0, 1},
        {"sideways over the page", Qt::Orientation(), {-120, 0}, Qt::NoModifier, 0, 0},
        {"sideways over the vertical bar", Qt::Vertical, {-360, 0}, Qt::NoModifier, 0, 0},
    };
    for (const Case& c : cases) {
        DrawFixture f(TQXBinHex::vbmodeHex, QSize(300, 200));
        f.Show(QByteArray(1 << 20, 'x'));
        QApplication::processEvents(); // the scroll area shows its bars from a queued call
        ASSERT_TRUE(f.viewer.verticalScrollBar()->isVisible());
        ASSERT_TRUE(f.viewer.horizontalScrollBar()->isVisible());
        QWidget* target = c.bar == Qt::Vertical     ? f.viewer.verticalScrollBar()
                          : c.bar == Qt::Horizontal ? f.viewer.horizontalScrollBar()
                                                    : f.viewer.viewport();
        const int height = f.LH();
        WheelOver(target, c.delta, c.mods);
        EXPECT_EQ(f.viewer.ViewPos(), 16 * c.lines) << c.name;
        EXPECT_EQ(f.viewer.HViewPos(), 0) << c.name;
        EXPECT_EQ((f.LH() > height) - (f.LH() < height), c.fontChange) << c.name;
    }
}

TEST(Scroll, CtrlWheelChangesTheFontSize) {
    DrawFixture f;
    f.Show(QByteArray(1000, 'x'));
    int changes = 0;
    f.viewer.OnOptionsChange = [&](QObject*) { ++changes; };
    const int height = f.LH();
    Wheel(f.viewer, 120, Qt::ControlModifier);
    EXPECT_EQ(changes, 1);
    EXPECT_GT(f.LH(), height);
    Wheel(f.viewer, -120, Qt::ControlModifier);
    EXPECT_EQ(f.LH(), height);
    EXPECT_EQ(f.viewer.ViewPos(), 0);
}

TEST(Scroll, ScrollBarActionsGoThroughTheHandlers) {
    DrawFixture f;
    f.Show(QByteArray(1 << 16, 'x'));
    int scrolls = 0;
    f.viewer.OnScroll = [&](QObject*) { ++scrolls; };
    f.viewer.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.viewer.ViewPos(), 16);
    f.viewer.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.viewer.ViewPos(), 16 + 16 * f.viewer.LinesNum());
    EXPECT_EQ(f.viewer.verticalScrollBar()->value(),
              TQXBinHexPrivate::get(f.viewer).ScrollBars.VertInfo.nPos);
    f.viewer.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_TRUE(f.viewer.ViewAtEnd());
    EXPECT_EQ(scrolls, 3);
    QTest::keyClick(&f.viewer, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(scrolls, 3) << "keys do not fire OnScroll";
}

TEST(Scroll, AutoScrollDirectionsAndDeadZone) {
    DrawFixture f;
    f.Show(QByteArray(1 << 16, 'x'));
    QTest::mouseClick(f.viewer.viewport(), Qt::MiddleButton, Qt::NoModifier, QPoint(100, 100));
    ASSERT_TRUE(TQXBinHexPrivate::get(f.viewer).Scroll.AutoScrollMode);
    EXPECT_EQ(TQXBinHexPrivate::get(f.viewer).Scroll.AutoScrollOrigin, QPoint(100, 100));
    f.viewer.AutoScrollStep(QPoint(100, 115));
    EXPECT_EQ(f.viewer.ViewPos(), 0);
    EXPECT_EQ(CursorImage(f.viewer.viewport()->cursor()),
              CursorImage(TQXBinHexPrivate::CursorById(TQXBinHexPrivate::crMoveCenter)));
    f.viewer.AutoScrollStep(QPoint(100, 117));
    EXPECT_EQ(f.viewer.ViewPos(), 16);
    EXPECT_EQ(CursorImage(f.viewer.viewport()->cursor()),
              CursorImage(TQXBinHexPrivate::CursorById(TQXBinHexPrivate::crMoveDown)));
    f.viewer.AutoScrollStep(QPoint(100, 60));
    EXPECT_EQ(f.viewer.ViewPos(), 0);
    EXPECT_EQ(CursorImage(f.viewer.viewport()->cursor()),
              CursorImage(TQXBinHexPrivate::CursorById(TQXBinHexPrivate::crMoveUp)));
    // The mark is drawn around the origin while the mode is on.
    QImage screen(f.viewer.viewport()->size(), QImage::Format_RGB32);
    f.viewer.viewport()->render(&screen);
    EXPECT_NE(screen.pixel(100, 100), f.Page().pixel(100, 100));
    QTest::keyClick(&f.viewer, Qt::Key_A);
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).Scroll.AutoScrollMode) << "any key ends it";
    QTest::mouseClick(f.viewer.viewport(), Qt::MiddleButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseClick(f.viewer.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(TQXBinHexPrivate::get(f.viewer).Scroll.AutoScrollMode) << "any press ends it";
}

TEST(Scroll, GrowingAtTheEndKeepsTheEndInView) {
    DrawFixture f(TQXBinHex::vbmodeHex, QSize(800, 297)); // wide enough to need no horizontal bar
    f.Show(QByteArray(1 << 14, 'x'));
    TQXBinHexPrivate::get(f.viewer).ScrollToEndRepeat();
    ASSERT_TRUE(f.viewer.ViewAtEnd());
    f.SetPageSize(f.Page().width(), f.Page().height() + 5 * f.LH());
    EXPECT_TRUE(f.viewer.ViewAtEnd());
    EXPECT_EQ(f.viewer.ViewPos(), TQXBinHexPrivate::get(f.viewer).PosLastPage());
}

TEST(Scroll, BarsAppearingAtTheEndOfWrappedTextLeaveTheViewWhereItIs) {
    QByteArray text;
    for (int i = 0; text.size() < 5000; ++i)
        text += QByteArray(i * 37 % 70 + 1, char('a' + i % 26)) + "\r\n";
    DrawFixture f(TQXBinHex::vbmodeText, QSize(300, 200));
    f.viewer.setTextWrap(true);
    f.Show(text);
    QTest::keyClick(&f.viewer, Qt::Key_End, Qt::ControlModifier);
    const int64_t end = f.viewer.ViewPos();
    ASSERT_TRUE(f.viewer.ViewAtEnd());
    ASSERT_FALSE(f.viewer.verticalScrollBar()->isVisible());
    QApplication::processEvents(); // the bar shows, narrowing the page but not heightening it
    ASSERT_TRUE(f.viewer.verticalScrollBar()->isVisible());
    EXPECT_EQ(f.viewer.ViewPos(), end);
}

TEST(Scroll, EndOfAPageTooLowForOneLineIsTheLastLine) {
    for (auto mode : {TQXBinHex::vbmodeText, TQXBinHex::vbmodeUnicode, TQXBinHex::vbmodeHex}) {
        DrawFixture f(mode);
        f.Show(QByteArray(135000, 'x'));
        f.SetPageSize(435, 1);
        ASSERT_EQ(f.viewer.LinesNum(), 0);
        f.viewer.GoToPos(134990);
        EXPECT_LE(f.viewer.ViewPos(), f.viewer.PosLast()) << mode;
        EXPECT_GT(f.viewer.ViewPos(), 0) << mode;
        EXPECT_EQ(f.viewer.ViewPos() % f.viewer.CharSize(), 0) << mode;
    }
}

TEST(Scroll, TerabyteStreamReachesEveryLineReadingOnlyPages) {
    const int64_t size = int64_t(1) << 40;
    SyntheticDevice device(size);
    DrawFixture f;
    f.viewer.OpenStream(&device, true);
    EXPECT_EQ(f.viewer.HexOffsetLen(), 12);
    QTest::keyClick(&f.viewer, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.viewer.ViewPos(), TQXBinHexPrivate::get(f.viewer).PosLastPage());
    const auto& rec = f.viewer.StrPositions();
    EXPECT_EQ(rec.Entries[f.viewer.LinesNum() - 1].Pos, size - 16);
    QTest::keyClick(&f.viewer, Qt::Key_PageUp);
    EXPECT_EQ(rec.Entries[0].Pos,
              TQXBinHexPrivate::get(f.viewer).PosLastPage() - 16 * f.viewer.LinesNum());
    for (int p : {1, 16384, 32766}) {
        f.viewer.VScroll(TQXBinHex::SB_THUMBTRACK, p);
        EXPECT_EQ(f.viewer.ViewPos(), size * p / 32767 / 16 * 16);
        EXPECT_EQ(rec.Entries[0].Pos, f.viewer.ViewPos());
        EXPECT_EQ(f.viewer.GetHex(f.viewer.ViewPos() + 5).toInt(nullptr, 16),
                  SyntheticDevice::ByteAt(f.viewer.ViewPos() + 5));
    }
    EXPECT_LE(device.largestRead, TQXBinHexPrivate::get(f.viewer).Buffer.Size());
    EXPECT_LT(device.reads, 20);
}

TEST(Scroll, SparseFilesOfGigaAndTerabytesArePagedToTheirEnds) {
    for (const int64_t size : {int64_t(8) << 30, int64_t(1) << 40}) {
        test::ScratchDir dir;
        QFile file(dir.path("sparse.bin"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
        ASSERT_TRUE(file.seek(size - 3));
        file.write("END");
        file.close();
        DrawFixture f;
        ASSERT_TRUE(f.viewer.Open(file.fileName(), true));
        QTest::keyClick(&f.viewer, Qt::Key_End, Qt::ControlModifier);
        const auto& rec = f.viewer.StrPositions();
        const int last = f.viewer.LinesNum() - 1;
        EXPECT_EQ(rec.Entries[last].Pos, size - 16) << size;
        EXPECT_TRUE(rec.Entries[last].Str.endsWith(QStringLiteral("END"))) << size;
        QTest::keyClick(&f.viewer, Qt::Key_PageUp);
        EXPECT_EQ(rec.Entries[0].Pos,
                  TQXBinHexPrivate::get(f.viewer).PosLastPage() - 16 * f.viewer.LinesNum())
            << size;
        f.viewer.VScroll(TQXBinHex::SB_THUMBTRACK, 16384);
        EXPECT_EQ(rec.Entries[0].Pos, size * 16384 / 32767 / 16 * 16) << size;
    }
}

TEST(Scroll, VerticalBarAppearingBringsNoHorizontalBar) {
    DrawFixture f; // the main window's viewer size: a hex line fits beside the vertical bar
    f.Show(QByteArray(1 << 20, 'x'));
    QApplication::processEvents();
    f.viewer.Redraw();
    QApplication::processEvents();
    EXPECT_TRUE(f.viewer.verticalScrollBar()->isVisible());
    EXPECT_GT(TQXBinHexPrivate::get(f.viewer).ScrollBars.HorzInfo.nPage,
              TQXBinHexPrivate::get(f.viewer).ScrollBars.HorzInfo.nMax);
    EXPECT_FALSE(f.viewer.horizontalScrollBar()->isVisible());
}

TEST(Scroll, ReadQuestionStopsAutoScroll) {
    FailingDevice device(1 << 20);
    device.failing = false;
    DrawFixture f;
    f.viewer.OpenStream(&device, true);
    QTest::mouseClick(f.viewer.viewport(), Qt::MiddleButton, Qt::NoModifier, QPoint(100, 100));
    ASSERT_TRUE(TQXBinHexPrivate::get(f.viewer).Scroll.AutoScrollMode);
    device.failing = true;
    test::MessageBoxRecorder boxes;
    bool modeDuringQuestion = true;
    platform::SetMessageBoxHandler([&](const QString&, const QString&, uint32_t) {
        modeDuringQuestion = TQXBinHexPrivate::get(f.viewer).Scroll.AutoScrollMode;
        return platform::IDCANCEL;
    });
    f.viewer.VScroll(TQXBinHex::SB_THUMBTRACK, 20000);
    EXPECT_FALSE(modeDuringQuestion) << "no scrolling timer runs under the question";
    EXPECT_FALSE(f.viewer.BufferOK());
}

// Streams far beyond what a 64-bit product of offset and thumb steps can hold.
class HugeStreamTest : public ::testing::TestWithParam<int64_t> {};

TEST_P(HugeStreamTest, LastLineAndBarEndAreReachedAndTheThumbMapsExactly) {
    const int64_t size = GetParam();
    SyntheticDevice device(size);
    DrawFixture f;
    f.viewer.OpenStream(&device, true);
    QTest::keyClick(&f.viewer, Qt::Key_End, Qt::ControlModifier);
    const auto& rec = f.viewer.StrPositions();
    EXPECT_EQ(rec.Entries[f.viewer.LinesNum() - 1].Pos, (size - 1) / 16 * 16);
    // The bar shows the position rounded down to its steps: at the last page that is its last
    // step or the one before.
    QScrollBar* bar = f.viewer.verticalScrollBar();
    const auto barPos = static_cast<int>(static_cast<__int128>(f.viewer.ViewPos()) * 32767 / size);
    EXPECT_EQ(bar->value(), std::min(barPos, bar->maximum()));
    EXPECT_GE(bar->value(), bar->maximum() - 1);

    QTest::keyClick(&f.viewer, Qt::Key_Home, Qt::ControlModifier);
    for (int p : {1, 16384, 32766}) {
        f.viewer.VScroll(TQXBinHex::SB_THUMBTRACK, p);
        const auto exact = static_cast<int64_t>(static_cast<__int128>(size) * p / 32767);
        EXPECT_EQ(f.viewer.ViewPos(), exact / 16 * 16) << p;
        EXPECT_EQ(rec.Entries[0].Pos, f.viewer.ViewPos()) << p;
        EXPECT_EQ(f.viewer.GetHex(f.viewer.ViewPos() + 5).toInt(nullptr, 16),
                  SyntheticDevice::ByteAt(f.viewer.ViewPos() + 5))
            << p;
    }
    // The thumb dragged to its end shows the last page.
    f.viewer.VScroll(TQXBinHex::SB_THUMBTRACK, bar->maximum());
    EXPECT_EQ(f.viewer.ViewPos(), TQXBinHexPrivate::get(f.viewer).PosLastPage());
    EXPECT_TRUE(f.viewer.ViewAtEnd());
}

INSTANTIATE_TEST_SUITE_P(Sizes, HugeStreamTest,
                         ::testing::Values(int64_t(1) << 48, int64_t(1) << 62, INT64_MAX),
                         [](const ::testing::TestParamInfo<int64_t>& info) {
                             return info.param == INT64_MAX
                                        ? std::string("TwoToThe63MinusOne")
                                        : "TwoToThe" + std::to_string(__builtin_ctzll(
                                                           static_cast<uint64_t>(info.param)));
                         });
