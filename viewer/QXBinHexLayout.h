// QXBinHexLayout.h — the viewer's page-buffer window and width rules as plain arithmetic.
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
    return bufferPos <= pos && pos < bufferPos + 2 * static_cast<TOffset>(bufMaxOffset);
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

// Hex digits of the offset column: the digits of fileSize, at least 8, raised to an even count;
// 0 for an empty source (fileSize < charSize).
constexpr int HexOffsetDigits(TOffset fileSize, int charSize) {
    if (fileSize < charSize)
        return 0;
    int digits = 0;
    for (uint64_t v = static_cast<uint64_t>(fileSize); v != 0; v >>= 4)
        ++digits;
    if (digits < 8)
        digits = 8;
    if (digits % 2 != 0)
        ++digits;
    return digits;
}

// Offset of the last character: fileSize rounded down to a multiple of charSize, less charSize,
// at least 0.
constexpr TOffset LastCharPos(TOffset fileSize, int charSize) {
    const TOffset last = fileSize - fileSize % charSize - charSize;
    return last < 0 ? 0 : last;
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

} // namespace binhex
