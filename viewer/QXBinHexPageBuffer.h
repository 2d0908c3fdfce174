// QXBinHexPageBuffer.h — the page buffer of TQXBinHex: the bytes of the source around the page, and
// the one way the control reads them.
#pragma once

#include "QXBinHexLayout.h"
#include "QXxSProc.h"

#include <QByteArrayView>
#include <array>
#include <cstdint>
#include <memory>

namespace binhex {

// Size() bytes of the source from the offset Pos on. Every read of them goes through the
// accessors below, which take source offsets and answer nothing (0, empty) for an offset the
// buffer does not hold.
class TPageBuffer {
public:
    // The source offset of the first byte (BufferPos).
    TOffset Pos = 0;

    // Makes room for size zeroed bytes; Free gives them back (Size() 0).
    void Allocate(int size);
    void Free();
    bool Allocated() const { return Bytes != nullptr; }
    int Size() const { return AllocSize; }
    // The storage a read of the source fills: Size() bytes.
    uint8_t* Data() { return Bytes.get(); }

    // True when the buffer holds the count bytes from pos (count ≥ 1).
    bool Holds(TOffset pos, TOffset count = 1) const;
    // The byte at pos; 0 when the buffer does not hold it.
    uint8_t ByteAt(TOffset pos) const;
    // The UTF-16 unit of the bytes at pos and pos + 1 in the order; a second byte past the end of
    // the buffer counts as 0. 0 when the buffer does not hold pos.
    char16_t UnitAt(TOffset pos, TByteOrder order) const;
    // The count bytes from pos; empty unless the buffer holds them all.
    QByteArrayView View(TOffset pos, TOffset count) const;

    // The digits (0..15) of the hex cell of cellBytes (1 or 2) bytes at pos in the order they are
    // shown: a two-byte cell shows the byte at pos + 1 first, whatever the source's byte order, and
    // only the byte at pos when the buffer ends before pos + 1. Count 0 when pos is not held.
    struct THexDigits {
        std::array<uint8_t, 4> Digit{};
        int Count = 0;
    };
    THexDigits HexDigitsAt(TOffset pos, int cellBytes) const;

private:
    std::unique_ptr<uint8_t[]> Bytes;
    int AllocSize = 0;
};

} // namespace binhex
