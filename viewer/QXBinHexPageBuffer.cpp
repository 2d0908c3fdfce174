// QXBinHexPageBuffer.cpp — the page buffer's storage and its bounds-checked reads.
#include "QXBinHexPageBuffer.h"

namespace binhex {

void TPageBuffer::Allocate(int size) {
    Bytes = std::make_unique<uint8_t[]>(static_cast<size_t>(size));
    AllocSize = size;
}

void TPageBuffer::Free() {
    Bytes.reset();
    AllocSize = 0;
}

bool TPageBuffer::Holds(TOffset pos, TOffset count) const {
    // Differences from Pos, which cannot overflow for offsets near the largest.
    return Bytes && count >= 1 && pos >= Pos && pos - Pos < AllocSize &&
           count <= AllocSize - (pos - Pos);
}

uint8_t TPageBuffer::ByteAt(TOffset pos) const {
    return Holds(pos) ? Bytes[static_cast<size_t>(pos - Pos)] : 0;
}

char16_t TPageBuffer::UnitAt(TOffset pos, TByteOrder order) const {
    if (!Holds(pos))
        return 0;
    return Utf16Unit(ByteAt(pos), ByteAt(pos + 1), order);
}

QByteArrayView TPageBuffer::View(TOffset pos, TOffset count) const {
    if (!Holds(pos, count))
        return {};
    return {Bytes.get() + (pos - Pos), static_cast<qsizetype>(count)};
}

TPageBuffer::THexDigits TPageBuffer::HexDigitsAt(TOffset pos, int cellBytes) const {
    THexDigits digits;
    if (!Holds(pos))
        return digits;
    auto append = [&](uint8_t byte) {
        digits.Digit[static_cast<size_t>(digits.Count++)] = byte >> 4;
        digits.Digit[static_cast<size_t>(digits.Count++)] = byte & 0xF;
    };
    if (cellBytes == 2 && Holds(pos + 1))
        append(ByteAt(pos + 1));
    append(ByteAt(pos));
    return digits;
}

} // namespace binhex
