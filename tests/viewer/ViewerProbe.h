// ViewerProbe.h — TQXBinHex with the internal state and rules its tests read made reachable.
#pragma once

#include "QXBinHex.h"

// The tests read the control's internals through this subclass and drive it only through its
// operations and real events.
class TViewerProbe : public TQXBinHex {
public:
    using TQXBinHex::TQXBinHex;

    using TQXBinHex::Buffer;
    using TQXBinHex::BufferAllocSize;
    using TQXBinHex::FileHandle;
    using TQXBinHex::FirstPrintable;
    using TQXBinHex::MaxLength;
    using TQXBinHex::RedrawLock;
    using TQXBinHex::setSelTextLimitMb;

    using TQXBinHex::FontMonospaced;
    using TQXBinHex::GutterWidth;
    using TQXBinHex::LineLayout;
    using TQXBinHex::PageCache;
    using TQXBinHex::SetPagePaths;
    using TQXBinHex::TextFontIsOem;

    using TQXBinHex::crMoveCenter;
    using TQXBinHex::crMoveDown;
    using TQXBinHex::crMoveUp;
    using TQXBinHex::CursorById;
    using TQXBinHex::HViewPosMax;
    using TQXBinHex::PosLastPage;
    using TQXBinHex::Scroll;
    using TQXBinHex::ScrollBars;
    using TQXBinHex::ScrollToEndRepeat;

    using TQXBinHex::Mouse;
    using TQXBinHex::PopupItem;
    using TQXBinHex::PrepareEncodingMenu;
    using TQXBinHex::UpdatePopupMenu;
    using TQXBinHex::ViewerPopupMenu;

    using TQXBinHex::ClickUrl;
    using TQXBinHex::LineNumber;
    using TQXBinHex::LineNumbersShown;
    using TQXBinHex::StartsTextLine;
    using TQXBinHex::TextModel;
    using TQXBinHex::UrlAt;

    using TQXBinHex::SearchHighlights;

    using TQXBinHex::FileNotificationWatcher;
    using TQXBinHex::HandleFileChange;
};
