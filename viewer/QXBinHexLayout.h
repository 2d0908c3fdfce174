// QXBinHexLayout.h — the viewer's plain arithmetic: page-buffer window, width rules, mode traits,
// line layouts and the 64-bit offset ↔ 16-bit scroll-bar mapping.
#pragma once

#include <cstdint>

using TOffset = int64_t;

namespace binhex {

// The longest line in characters, in every mode, and the most lines a page holds.
inline constexpr int MaxLength = 300;
inline constexpr int MaxPageLines = 150;

// Bytes of one full page: charSize × MaxLength × MaxPageLines (45,000 or 90,000).
constexpr int BufMaxOffsetFor(int charSize) {
    return charSize * MaxLength * MaxPageLines;
}

// The buffer starting at bufferPos covers pos when pos lies in its first two thirds, so that a
// whole page starting at pos still fits in the buffer.
constexpr bool BufferCovers(TOffset bufferPos, int bufMaxOffset, TOffset pos) {
    // A difference, not a sum, so that a window near the largest offset does not overflow.
    return bufferPos <= pos && pos - bufferPos < 2 * static_cast<TOffset>(bufMaxOffset);
}

// Where the buffer starts when it is moved to cover pos: one page before it, at least 0, and even
// in the two-byte modes.
constexpr TOffset BufferStartFor(TOffset pos, int bufMaxOffset, int charSize) {
    TOffset start = pos - bufMaxOffset;
    if (start < 0)
        start = 0;
    if (charSize == 2)
        start -= start % 2;
    return start;
}

// Hex digits of the offset column: the digits of fileSize + addressBase (both at most 2^63 - 1,
// so the sum fits 64 bits unsigned), at least 8, raised to an even count; 0 for an empty source
// (fileSize < charSize).
constexpr int HexOffsetDigits(TOffset fileSize, int charSize, TOffset addressBase = 0) {
    if (fileSize < charSize)
        return 0;
    int digits = 0;
    for (uint64_t v = static_cast<uint64_t>(fileSize) + static_cast<uint64_t>(addressBase); v != 0;
         v >>= 4)
        ++digits;
    if (digits < 8)
        digits = 8;
    if (digits % 2 != 0)
        ++digits;
    return digits;
}

// Width clamping: a plain width is 2..MaxLength; a hex width is in addition rounded down to a
// multiple of 4 and raised back to 2 if that leaves less.
constexpr int ClampTextWidth(int width) {
    return width < 2 ? 2 : (width > MaxLength ? MaxLength : width);
}
constexpr int ClampHexWidth(int width) {
    int w = ClampTextWidth(width);
    w -= w % 4;
    return w < 2 ? 2 : w;
}

constexpr int ClampInt(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

// ---- Mode traits -------------------------------------------------------------------------------

// The display modes, in the order and with the values of TQXBinHex::TQXBinHexMode.
enum TViewMode { ModeText, ModeBinary, ModeHex, ModeUnicode, ModeUHex };

// Bytes of one character: 2 in the UTF-16 modes (vbmodeUnicode, vbmodeUHex), else 1.
constexpr int CharSizeOf(TViewMode mode) {
    return mode == ModeUnicode || mode == ModeUHex ? 2 : 1;
}

// The text-like modes (vbmodeText, vbmodeUnicode) break lines at line ends and so have lines of
// variable width; the others have fixed-size lines.
constexpr bool IsTextLike(TViewMode mode) {
    return mode == ModeText || mode == ModeUnicode;
}

// ---- Line layouts ------------------------------------------------------------------------------

// The columns of one line of a fixed-width mode, in character widths from the left margin.
//
// A hex line (one byte a cell, two digits) or a 16-bit hex line (two bytes a cell, four digits) is:
// the offset (OffsetDigits digits) and a colon, a blank, the tinted cell area (a blank, the cells,
// each its digits and a blank, one more blank after the middle cell, a blank), then the character
// column (one character a cell). Separators stand at the start of the tint, before the middle gap
// and at the start of the character column. A binary line is the character column alone, at 0.
struct TLineLayout {
    TViewMode Mode = ModeHex;
    int Cells = 16;       // cells (binary: characters) per line
    int OffsetDigits = 8; // hex digits of the offset column

    constexpr bool HasCells() const { return Mode == ModeHex || Mode == ModeUHex; }
    constexpr int UnitBytes() const { return CharSizeOf(Mode); }
    constexpr int BytesPerLine() const { return Cells * UnitBytes(); }
    // Digits and the blank after them.
    constexpr int CellUnits() const { return 2 * UnitBytes() + 1; }
    // The middle gap follows cell MiddleCell() − 1.
    constexpr int MiddleCell() const { return Cells / 2; }
    constexpr int TintStart() const { return OffsetDigits + 2; }
    constexpr int TintUnits() const { return CellUnits() * Cells + 2; }
    constexpr int CellStart(int cell) const {
        const bool pastGap = MiddleCell() > 0 && cell >= MiddleCell();
        return OffsetDigits + 3 + CellUnits() * cell + (pastGap ? 1 : 0);
    }
    // The separator before the character column; the column's first character follows it.
    constexpr int TextColumn() const {
        return HasCells() ? OffsetDigits + CellUnits() * Cells + 4 : 0;
    }
    constexpr int CharsStart() const { return HasCells() ? TextColumn() + 1 : 0; }
    constexpr int SeparatorCount() const { return HasCells() ? 3 : 0; }
    constexpr int Separator(int index) const {
        return index == 0   ? TintStart()
               : index == 1 ? OffsetDigits + 3 + CellUnits() * MiddleCell()
                            : TextColumn();
    }
    // Characters of a whole line: the character column's end.
    constexpr int LineUnits() const { return CharsStart() + Cells; }

    // The most cells whose line fits widthInChars characters, truncated toward zero and clamped to
    // 2..MaxLength (the fitted-width rules of TextWidth, TextWidthHex and TextWidthUHex).
    static constexpr int CellsFitting(TViewMode mode, int widthInChars, int offsetDigits) {
        if (mode != ModeHex && mode != ModeUHex)
            return ClampTextWidth(widthInChars);
        // The fixed columns take offsetDigits + 5; each cell its digits, a blank and a character.
        const int perCell = 2 * CharSizeOf(mode) + 2;
        return ClampTextWidth((widthInChars - offsetDigits - 5) / perCell);
    }
};

// ---- Vertical scroll bar -----------------------------------------------------------------------

// The vertical bar works in at most this many steps, the range its 16-bit messages carry.
inline constexpr int MaxScrollRange = 32767;

// The bar of a fixed-width view: nMax (Range), nPage and nPos.
struct TVertThumb {
    int Range = 0;
    int Page = 0;
    int Pos = 0;
};

namespace detail {
// a × b ÷ c exactly, truncated toward zero; a, b ≥ 0, c > 0, the result fits 64 bits.
constexpr int64_t MulDiv(int64_t a, int64_t b, int64_t c) {
    __extension__ using Wide = __int128;
    return static_cast<int64_t>(static_cast<Wide>(a) * b / c);
}
} // namespace detail

// Range = fileSize ÷ lineSize, raised to 4 and lowered to MaxScrollRange; Pos = viewPos × Range ÷
// fileSize, lowered to Range; Page = visibleBytes × Range ÷ fileSize raised to 1, Range + 1 when it
// reaches Range (the bar then hides), at most MaxScrollRange; 0 in the text-like modes. Products
// are exact for every fileSize up to 2^63 − 1. fileSize ≥ 1, lineSize ≥ 1.
constexpr TVertThumb VertThumbFor(TOffset fileSize, TOffset viewPos, int lineSize, int linesNum,
                                  bool textLike) {
    const TOffset lines = fileSize / lineSize;
    const TOffset range = lines < 4 ? 4 : (lines > MaxScrollRange ? MaxScrollRange : lines);
    TOffset pos = detail::MulDiv(viewPos, range, fileSize);
    if (pos > range)
        pos = range;
    TOffset page = detail::MulDiv(static_cast<TOffset>(linesNum) * lineSize, range, fileSize);
    if (page < 1)
        page = 1;
    if (page >= range)
        page = range + 1;
    if (page > MaxScrollRange)
        page = MaxScrollRange;
    if (textLike)
        page = 0;
    return {static_cast<int>(range), static_cast<int>(page), static_cast<int>(pos)};
}

// The offset a thumb position stands for: fileSize × thumb ÷ N, N = fileSize ÷ lineSize raised to 1
// and lowered to MaxScrollRange, with thumb as the message's signed 16-bit value. Exact for every
// fileSize up to 2^63 − 1; a negative thumb gives a negative offset, one past N an offset past the
// end.
constexpr TOffset ThumbToPos(TOffset fileSize, int lineSize, int16_t thumb) {
    const TOffset lines = fileSize / lineSize;
    const TOffset n = lines < 1 ? 1 : (lines > MaxScrollRange ? MaxScrollRange : lines);
    __extension__ using Wide = __int128;
    const Wide exact = static_cast<Wide>(fileSize) * thumb / n;
    constexpr Wide most = INT64_MAX;
    return static_cast<TOffset>(exact > most ? most : (exact < -most ? -most : exact));
}

} // namespace binhex
