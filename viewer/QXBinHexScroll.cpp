// QXBinHexScroll.cpp — vertical and horizontal position, scroll bars, keys, wheel, auto-scroll and
// drag-scroll.
#include "QXBinHex_p.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace {

constexpr int AutoScrollDeadZone = 16;
constexpr int WheelNotch = 120;
constexpr int DragScrollHorzStep = 20;

// The shift state of an input event: Shift, Ctrl and Alt, with any held mouse button making the
// state differ from every listed one.
enum class Shift { None, ShiftOnly, CtrlOnly, Other };

Shift ShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton) {
    const auto mods = binhex::ShiftKeys(modifiers);
    if (buttons != Qt::NoButton)
        return Shift::Other;
    if (mods == Qt::NoModifier)
        return Shift::None;
    if (mods == Qt::ShiftModifier)
        return Shift::ShiftOnly;
    if (mods == Qt::ControlModifier)
        return Shift::CtrlOnly;
    return Shift::Other;
}

} // namespace

// ---- Resources ----------------------------------------------------------------------------------

QCursor TQXBinHexPrivate::CursorById(int id) {
    static const QCursor moveCenter(QPixmap(QStringLiteral(":/viewer/QB_MOVE_C.png")), 16, 16);
    static const QCursor moveUp(QPixmap(QStringLiteral(":/viewer/QB_MOVE_U.png")), 16, 16);
    static const QCursor moveDown(QPixmap(QStringLiteral(":/viewer/QB_MOVE_D.png")), 16, 16);
    static const QCursor moveLeft(QPixmap(QStringLiteral(":/viewer/QB_MOVE_L.png")), 16, 16);
    static const QCursor moveRight(QPixmap(QStringLiteral(":/viewer/QB_MOVE_R.png")), 16, 16);
    switch (id) {
    case crMoveCenter:
        return moveCenter;
    case crMoveUp:
        return moveUp;
    case crMoveDown:
        return moveDown;
    case crMoveLeft:
        return moveLeft;
    case crMoveRight:
        return moveRight;
    case crHandPoint:
        return QCursor(Qt::PointingHandCursor);
    default:
        return QCursor(Qt::IBeamCursor);
    }
}

const QPixmap& TQXBinHexPrivate::MoveBitmap() {
    static const QPixmap bitmap(QStringLiteral(":/viewer/QB_MOVE.png"));
    return bitmap;
}

// ---- Vertical position --------------------------------------------------------------------------

void TQXBinHexPrivate::SetViewPos(TOffset pos, bool redraw) {
    if (pos == ViewPos || pos < 0)
        return;
    ViewPos = std::min(pos, PosLast());
    ViewPos = ViewPos / LineSize() * LineSize();
    ReadBuffer(ViewPos);
    if (redraw)
        Redraw();
}

TOffset TQXBinHexPrivate::PosLastPage() const {
    const int lineSize = LineSize();
    TOffset last = FileSize / lineSize * lineSize;
    if (last == FileSize)
        last -= lineSize;
    return std::max<TOffset>(0, last - static_cast<TOffset>(LinesNum() - 1) * lineSize);
}

void TQXBinHexPrivate::ScrollUpBytes(TOffset n) {
    if (ViewPos - n < 0)
        ScrollToBegin();
    else
        SetViewPos(ViewPos - n, /*redraw=*/true);
}

void TQXBinHexPrivate::ScrollDownBytes(TOffset n) {
    if (ViewPos < PosLastPage())
        SetViewPos(ViewPos + n, /*redraw=*/true);
}

void TQXBinHexPrivate::ScrollLineUp(int n) {
    if (IsTextLikeMode())
        TextLinesMove(n, /*forward=*/false, /*redraw=*/true, /*start=*/false, ViewPos);
    else
        ScrollUpBytes(static_cast<TOffset>(static_cast<int32_t>(n * LineSize())));
}

void TQXBinHexPrivate::ScrollLineDown(int n) {
    if (IsTextLikeMode()) {
        if (!ViewAtEnd)
            TextLinesMove(n, /*forward=*/true, /*redraw=*/true, /*start=*/false, ViewPos);
    } else {
        ScrollDownBytes(static_cast<TOffset>(static_cast<int32_t>(n * LineSize())));
    }
}

void TQXBinHexPrivate::ScrollPageUp() {
    ScrollLineUp(LinesNum());
}

void TQXBinHexPrivate::ScrollPageDown() {
    ScrollLineDown(LinesNum());
}

void TQXBinHexPrivate::TextLinesMove(int n, bool forward, bool redraw, bool start, TOffset from) {
    const int cs = CharSize();
    auto even = [cs](TOffset p) { return p - p % cs; };
    TOffset p = even(from);
    const TOffset reach = static_cast<TOffset>(n) * MaxLength * cs;
    ReadBuffer(std::clamp<TOffset>(forward ? p + reach : p - reach, 0, PosLast()));
    p = even(from);
    for (int i = 0; i < n && p >= 0; ++i)
        p = FindLineStart(p, forward, start);
    if (p < 0)
        p = forward ? std::max<TOffset>(0, FindLineStart(FileSize, /*forward=*/false, false)) : 0;
    // No line moved over from the end (a page too low for one line): the last line's start.
    if (p > PosLast())
        p = std::max<TOffset>(0, FindLineStart(FileSize, /*forward=*/false, false));
    ViewPos = p;
    ReadBuffer(ViewPos);
    if (redraw)
        Redraw();
}

void TQXBinHexPrivate::ScrollToBegin() {
    SetHorzPos(0, /*redraw=*/false);
    SetViewPos(0, /*redraw=*/false);
    Redraw();
}

void TQXBinHexPrivate::ScrollToEnd() {
    SetHorzPos(0, /*redraw=*/false);
    if (IsTextLikeMode())
        TextLinesMove(LinesNum(), /*forward=*/false, /*redraw=*/false, /*start=*/false, FileSize);
    else
        SetViewPos(PosLastPage(), /*redraw=*/false);
    Redraw();
}

void TQXBinHexPrivate::ScrollToEndRepeat() {
    ScrollToEnd();
    if (!ViewAtEnd)
        ScrollToEnd();
}

void TQXBinHexPrivate::GoToPos(TOffset pos) {
    if (pos <= 0)
        ScrollToBegin();
    else if (pos >= PosLast())
        ScrollToEndRepeat();
    else if (IsTextLikeMode())
        TextLinesMove(1, /*forward=*/false, /*redraw=*/true, /*start=*/true, pos);
    else
        SetViewPos(pos, /*redraw=*/true);
}

// ---- Horizontal position ------------------------------------------------------------------------

int TQXBinHexPrivate::TextExtentMax() const {
    return PageExtentMax() + HViewPos;
}

int TQXBinHexPrivate::HViewPosMax() const {
    return std::max(0, TextExtentMax() - ClientWidth());
}

void TQXBinHexPrivate::SetHorzPos(int x, bool redraw) {
    x = std::min(std::max(x, 0), HViewPosMax());
    if (x == HViewPos)
        return;
    HViewPos = x;
    if (redraw)
        Redraw();
}

void TQXBinHexPrivate::ScrollLeft(int px) {
    SetHorzPos(HViewPos - px, /*redraw=*/true);
}

void TQXBinHexPrivate::ScrollRight(int px) {
    // Widened so that a step from near the largest int saturates instead of overflowing.
    SetHorzPos(static_cast<int>(std::min<int64_t>(int64_t(HViewPos) + px, INT32_MAX)),
               /*redraw=*/true);
}

// ---- Scroll bars --------------------------------------------------------------------------------

void TQXBinHexPrivate::SetScrollBar(QScrollBar* bar, const TScrollInfo& info) {
    ScrollBars.SettingScrollBars = true;
    // The window bar's thumb runs up to nMax − nPage + 1 (nPage 0 counting as 1), so all zeros
    // leave no range and hide the bar.
    const int maximum = std::max(0, info.nMax - std::max(info.nPage - 1, 0));
    bar->setRange(0, maximum);
    bar->setPageStep(std::max(1, info.nPage));
    bar->setSingleStep(1);
    bar->setValue(std::min(info.nPos, maximum));
    ScrollBars.SettingScrollBars = false;
}

void TQXBinHexPrivate::UpdateVertScrollBar() {
    TScrollInfo info;
    const bool hidden = !BufferOK || FileSize < CharSize() ||
                        (IsTextLikeMode() && ViewPos == 0 && ViewPageSize >= FileSize);
    if (!hidden) {
        const binhex::TVertThumb thumb =
            binhex::VertThumbFor(FileSize, ViewPos, LineSize(), LinesNum(), IsTextLikeMode());
        info = {thumb.Range, thumb.Page, thumb.Pos};
    }
    ScrollBars.VertInfo = info;
    SetScrollBar(q->verticalScrollBar(), info);
}

void TQXBinHexPrivate::UpdateHorzScrollBar() {
    TScrollInfo info;
    const bool hidden = !BufferOK || FileSize < CharSize() || (IsTextLikeMode() && FTextWrap) ||
                        (FMode == vbmodeBinary && FTextWidthFit && FontMonospaced);
    if (!hidden) {
        // The widest line seen only grows, so the bar does not jump while lines of other widths
        // scroll by; the client width counts only as it is now, so that a vertical bar appearing
        // (and narrowing the page) does not leave a horizontal bar over nothing.
        Scroll.HScrollMax = std::max(Scroll.HScrollMax, TextExtentMax());
        info = {std::max(Scroll.HScrollMax, ClientWidth() + HViewPos), ClientWidth() + 1, HViewPos};
    }
    ScrollBars.HorzInfo = info;
    SetScrollBar(q->horizontalScrollBar(), info);
}

void TQXBinHexPrivate::ScrollBarAction(Qt::Orientation orientation, int action) {
    if (ScrollBars.SettingScrollBars)
        return;
    QScrollBar* bar =
        orientation == Qt::Vertical ? q->verticalScrollBar() : q->horizontalScrollBar();
    // The slider's actions as the window bar's scroll codes; other actions scroll nothing.
    static constexpr std::pair<int, int> Codes[] = {
        {QAbstractSlider::SliderSingleStepSub, SB_LINEUP},
        {QAbstractSlider::SliderSingleStepAdd, SB_LINEDOWN},
        {QAbstractSlider::SliderPageStepSub, SB_PAGEUP},
        {QAbstractSlider::SliderPageStepAdd, SB_PAGEDOWN},
        {QAbstractSlider::SliderToMinimum, SB_TOP},
        {QAbstractSlider::SliderToMaximum, SB_BOTTOM},
        {QAbstractSlider::SliderMove, SB_THUMBTRACK}};
    const auto* found = std::find_if(std::begin(Codes), std::end(Codes),
                                     [action](const auto& entry) { return entry.first == action; });
    if (found == std::end(Codes))
        return;
    const int code = found->second;
    const int position = bar->sliderPosition();
    if (code == SB_THUMBTRACK)
        (orientation == Qt::Vertical ? ScrollBars.VThumbTrackPos : ScrollBars.HThumbTrackPos) =
            position;
    if (orientation == Qt::Vertical)
        VScroll(code, position);
    else
        HScroll(code, position);
    // The bar shows what the handlers decided, never its own step.
    bar->setSliderPosition(orientation == Qt::Vertical ? ScrollBars.VertInfo.nPos
                                                       : ScrollBars.HorzInfo.nPos);
}

void TQXBinHexPrivate::VScroll(int code, int pos) {
    switch (code) {
    case SB_LINEUP:
        ScrollLineUp(1);
        break;
    case SB_LINEDOWN:
        ScrollLineDown(1);
        break;
    case SB_PAGEUP:
        ScrollPageUp();
        break;
    case SB_PAGEDOWN:
        ScrollPageDown();
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        const TOffset target = binhex::ThumbToPos(FileSize, LineSize(), static_cast<int16_t>(pos));
        if (!(ViewAtEnd && target >= ViewPos))
            GoToPos(target);
        break;
    }
    case SB_TOP:
        ScrollToBegin();
        break;
    case SB_BOTTOM:
        ScrollToEndRepeat();
        break;
    default:
        break;
    }
    NotifyScroll();
}

void TQXBinHexPrivate::HScroll(int code, int pos) {
    switch (code) {
    case SB_LINEUP:
        ScrollLeft(HorzLineStep);
        break;
    case SB_LINEDOWN:
        ScrollRight(HorzLineStep);
        break;
    case SB_PAGEUP:
        ScrollLeft(ClientWidth());
        break;
    case SB_PAGEDOWN:
        ScrollRight(ClientWidth());
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        SetHorzPos(static_cast<int16_t>(pos), /*redraw=*/true);
        break;
    case SB_TOP:
        SetHorzPos(0, /*redraw=*/true);
        break;
    case SB_BOTTOM:
        SetHorzPos(INT32_MAX, /*redraw=*/true);
        break;
    default:
        break;
    }
    NotifyScroll();
}

// ---- Keyboard and wheel -------------------------------------------------------------------------

bool TQXBinHexPrivate::HandleScrollKey(QKeyEvent* event) {
    QScopedValueRollback<bool> recordOnly(RecordOnly, true);
    const Shift shift = ShiftState(event->modifiers());
    switch (event->key()) {
    case Qt::Key_PageDown:
        if (shift != Shift::None)
            return false;
        ScrollPageDown();
        return true;
    case Qt::Key_PageUp:
        if (shift != Shift::None)
            return false;
        ScrollPageUp();
        return true;
    case Qt::Key_Down:
        if (shift != Shift::None)
            return false;
        ScrollLineDown(1);
        return true;
    case Qt::Key_Up:
        if (shift != Shift::None)
            return false;
        ScrollLineUp(1);
        return true;
    case Qt::Key_Left:
        if (shift != Shift::None)
            return false;
        ScrollLeft(HorzLineStep);
        return true;
    case Qt::Key_Right:
        if (shift != Shift::None)
            return false;
        ScrollRight(HorzLineStep);
        return true;
    case Qt::Key_Home:
        if (shift == Shift::CtrlOnly)
            ScrollToBegin();
        else if (shift == Shift::None)
            SetHorzPos(0, /*redraw=*/true);
        else
            return false;
        return true;
    case Qt::Key_End:
        if (shift == Shift::CtrlOnly)
            ScrollToEndRepeat();
        else if (shift == Shift::None)
            SetHorzPos(INT32_MAX, /*redraw=*/true);
        else
            return false;
        return true;
    default:
        return false;
    }
}

void TQXBinHexPrivate::WheelTurned(QWheelEvent* event) {
    event->accept();
    const QPoint delta = event->angleDelta();
    // Only the vertical wheel counts: a sideways tilt or swipe is not a line step.
    ScrollBars.WheelRemainder += delta.y();
    const Shift shift = ShiftState(event->modifiers(), event->buttons());
    while (std::abs(ScrollBars.WheelRemainder) >= WheelNotch) {
        const bool up = ScrollBars.WheelRemainder > 0;
        ScrollBars.WheelRemainder += up ? -WheelNotch : WheelNotch;
        switch (shift) {
        case Shift::None:
            if (up)
                ScrollLineUp(QApplication::wheelScrollLines());
            else
                ScrollLineDown(QApplication::wheelScrollLines());
            break;
        case Shift::ShiftOnly:
            if (up)
                ScrollLeft(HorzLineStep);
            else
                ScrollRight(HorzLineStep);
            break;
        case Shift::CtrlOnly:
            FontSizeStep(/*larger=*/up);
            break;
        case Shift::Other:
            break;
        }
    }
}

bool TQXBinHexPrivate::FontSizeStep(bool larger) {
    const bool oem = TextFontIsOem();
    QFont font = oem ? FFontOEM : q->font();
    const int startHeight = FontHeight(font);
    // Sizes are in points; a font given in pixels steps by pixels.
    const bool pixels = font.pixelSize() > 0;
    for (;;) {
        const int size = pixels ? font.pixelSize() : font.pointSize();
        if ((larger && size > 71) || (!larger && size < 2))
            return false;
        if (pixels)
            font.setPixelSize(size + (larger ? 1 : -1));
        else
            font.setPointSize(size + (larger ? 1 : -1));
        if (FontHeight(font) != startHeight)
            break;
    }
    if (oem)
        FFontOEM = font;
    else
        q->setFont(font);
    Redraw();
    NotifyOptionsChange();
    return true;
}

// ---- Auto-scroll and drag-scroll ----------------------------------------------------------------

void TQXBinHexPrivate::SetAutoScrollMode(bool on) {
    if (on == Scroll.AutoScrollMode)
        return;
    Scroll.AutoScrollMode = on;
    if (on)
        AutoScrollTimer.start();
    else
        AutoScrollTimer.stop();
    q->viewport()->setCursor(CursorById(crIBeam));
    Redraw();
}

bool TQXBinHexPrivate::HandleAutoScrollPress(QMouseEvent* event) {
    if (Scroll.AutoScrollMode) {
        SetAutoScrollMode(false);
        return true;
    }
    if (event->button() == Qt::MiddleButton) {
        Scroll.AutoScrollOrigin = event->position().toPoint();
        SetAutoScrollMode(true);
        return true;
    }
    return false;
}

void TQXBinHexPrivate::MousePressed(QMouseEvent* event) {
    q->setFocus(Qt::MouseFocusReason);
    if (HandleAutoScrollPress(event))
        return;
    HandleSelectionPress(event);
}

void TQXBinHexPrivate::AutoScrollTimerTick() {
    AutoScrollStep(q->viewport()->mapFromGlobal(QCursor::pos()));
}

void TQXBinHexPrivate::AutoScrollStep(QPoint client) {
    const int dx = client.x() - Scroll.AutoScrollOrigin.x();
    const int dy = client.y() - Scroll.AutoScrollOrigin.y();
    if (std::sqrt(double(dx) * dx + double(dy) * dy) <= AutoScrollDeadZone) {
        q->viewport()->setCursor(CursorById(crMoveCenter));
        return;
    }
    const int hstep = std::abs(dx) / AutoScrollDeadZone * 8;
    const int vstep = std::abs(dy) / AutoScrollDeadZone;
    if (dy <= 0 && std::abs(dy) >= std::abs(dx)) {
        q->viewport()->setCursor(CursorById(crMoveUp));
        if (vstep > 0)
            ScrollLineUp(vstep);
    } else if (dy >= 0 && std::abs(dy) >= std::abs(dx)) {
        q->viewport()->setCursor(CursorById(crMoveDown));
        if (vstep > 0)
            ScrollLineDown(vstep);
    } else if (dx >= 0) {
        q->viewport()->setCursor(CursorById(crMoveRight));
        if (hstep > 0)
            ScrollRight(hstep);
    } else {
        q->viewport()->setCursor(CursorById(crMoveLeft));
        if (hstep > 0)
            ScrollLeft(hstep);
    }
}

void TQXBinHexPrivate::DragScrollTimerTick() {
    DragScrollStep(q->viewport()->mapFromGlobal(QCursor::pos()).y());
}

void TQXBinHexPrivate::DragScrollStep(int clientY) {
    switch (Mouse.DragScroll) {
    case dsUp:
        ScrollLineUp(1);
        ExtendSelectionTo(QPoint(0, -1));
        break;
    case dsDown:
        ScrollLineDown(1);
        ExtendSelectionTo(QPoint(0, ClientHeight() + 1));
        break;
    case dsLeft:
        ScrollLeft(DragScrollHorzStep);
        ExtendSelectionTo(QPoint(-1, clientY));
        break;
    case dsRight:
        ScrollRight(DragScrollHorzStep);
        ExtendSelectionTo(QPoint(ClientWidth() + 1, clientY));
        break;
    case dsNone:
        break;
    }
}

int TQXBinHexPrivate::ClientWidth() const {
    return q->viewport()->width();
}

int TQXBinHexPrivate::ClientHeight() const {
    return q->viewport()->height();
}
