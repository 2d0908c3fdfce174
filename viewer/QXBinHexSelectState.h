// QXBinHexSelectState.h — what the selection concern of TQXBinHex remembers of the mouse, and the
// shift keys of its input events.
#pragma once

#include <QPoint>
#include <cstdint>

namespace binhex {

// Shift, Ctrl, Alt and Meta of an input event, the keys that tell its shift state (for the
// selection's and the scrolling's keys and clicks alike).
inline Qt::KeyboardModifiers ShiftKeys(Qt::KeyboardModifiers modifiers) {
    return modifiers &
           (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

// The side of the page a selecting drag left, which the drag-scroll timer scrolls towards.
enum TDragScrollDirection : uint8_t { dsNone, dsUp, dsDown, dsLeft, dsRight };

// The mouse's part of the selection: the drag in progress, the click history that tells double and
// triple clicks, and the point of the last context menu. Written by QXBinHexSelect.cpp; read by
// the drag-scroll step and the reload (no re-open during a drag). InitData resets it with every
// source.
struct TMouseSelection {
    // A left-button drag is selecting; DragStart is the offset it began at (-1 for none).
    bool Selecting = false;
    int64_t DragStart = -1;
    // The fixed end of a shift-extended selection (-1 for none).
    int64_t Anchor = -1;
    // The offset of the last press (-1 for none).
    int64_t ClickPos = -1;
    // A double click selected a word; a press soon after it on the same place selects the line.
    bool DblClickDone = false;
    bool TripleClickArmed = false;
    uint32_t DblClickTick = 0;
    // The client point the context menu was last asked for at ((-1, -1) for none).
    QPoint PopupPoint{-1, -1};
    TDragScrollDirection DragScroll = dsNone;
};

} // namespace binhex
