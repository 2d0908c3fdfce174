// QXBinHexTextState.h — the line model of the text modes of TQXBinHex.
#pragma once

#include "QXUrlScan.h"

#include <cstdint>
#include <vector>

namespace binhex {

// What the text concern (QXBinHexText.cpp) knows of the source's lines: the line table of the line
// numbers, rebuilt by BuildLineTable, and the URLs of the page buffer, refilled after each page
// read while TextUrlHilight is on. InitData resets it with every source.
struct TTextLineModel {
    // Starts of text lines 2, 3, … (LineCount valid entries, in increasing order).
    std::vector<int32_t> LineStarts;
    int LineCount = 0;
    // The URLs of the page buffer (those around the position read when there are more than fit).
    TQXUrlArray UrlTable;
};

} // namespace binhex
