// SysColors.h — colour values in the 0x00BBGGRR form and the system colours they may name.
#pragma once

#include "QXBinHexExport.h"

#include <QColor>
#include <cstdint>

namespace platform {

using TColor = uint32_t;

// A value whose top byte is 0xFF names a system colour by the index in its low byte.
inline constexpr TColor SystemColorFlag = 0xFF000000u;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_GRAYTEXT = 17;

inline constexpr TColor clWindow = SystemColorFlag | COLOR_WINDOW;
inline constexpr TColor clWindowText = SystemColorFlag | COLOR_WINDOWTEXT;
inline constexpr TColor clBtnFace = SystemColorFlag | COLOR_BTNFACE;
inline constexpr TColor clGrayText = SystemColorFlag | COLOR_GRAYTEXT;
inline constexpr TColor clBlack = 0x000000;

// The colour a value stands for: system colours from the application palette (window, window text,
// button face, grey text; other indices fall back to window text), others from their RGB bytes.
QXBINHEX_EXPORT QColor ColorToQColor(TColor color);

} // namespace platform
