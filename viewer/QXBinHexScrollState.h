// QXBinHexScrollState.h — what the scrolling concern of TQXBinHex remembers between events.
#pragma once

#include <QPoint>

namespace binhex {

// The window scroll bar model: nMax, nPage and nPos (all zero hides the bar).
struct TScrollInfo {
    int nMax = 0;
    int nPage = 0;
    int nPos = 0;
};

// The scroll bars as the control last set them and the input in progress on them. Written by
// QXBinHexScroll.cpp (and the thumb signals connected in the constructor). It outlives a change of
// source: the bars belong to the widget, and the next drawing sets them anew.
struct TScrollBarState {
    TScrollInfo VertInfo;
    TScrollInfo HorzInfo;
    // Where the user last put each bar's thumb (at its press, then at every drag step): a release
    // reports this position, not the bar's value, which shows the view rounded down to the bar's
    // steps.
    int VThumbTrackPos = 0;
    int HThumbTrackPos = 0;
    // Wheel delta short of a whole notch, kept for the next wheel event.
    int WheelRemainder = 0;
    // Scroll-bar values are set by the control only; their own signals are ignored meanwhile.
    bool SettingScrollBars = false;
};

// The scrolling state of the shown source; InitData resets it with every source. Written by
// QXBinHexScroll.cpp (auto-scroll, the horizontal extent) and resizeEvent (the page height).
struct TScrollState {
    // Middle-button auto-scroll: on, and the client point it was started at.
    bool AutoScrollMode = false;
    QPoint AutoScrollOrigin{0, 0};
    // The widest text extent met so far (px); the horizontal bar never shrinks below it.
    int HScrollMax = 0;
    // The page height of the last resize; 0 until the first resize after a reset.
    int LastClientHeight = 0;
};

} // namespace binhex
