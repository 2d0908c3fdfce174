// QXBinHexSelect.cpp — selection with the mouse and keys, clipboard and context menu.
#include "QXBinHex.h"

#include <QKeyEvent>
#include <QMouseEvent>

bool TQXBinHex::HandleSelectionKey(QKeyEvent*) { return false; }

void TQXBinHex::HandleSelectionPress(QMouseEvent*) {}

void TQXBinHex::ExtendSelectionTo(QPoint) {}
