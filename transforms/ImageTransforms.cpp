// ImageTransforms.cpp — byte and word mirroring and data inversion.
#include "ImageTransforms.h"

#include <algorithm>

void MirrorBytes(uint8_t* bytes, int64_t n) {
    std::reverse(bytes, bytes + n);
}

void MirrorWords(uint8_t* b, int64_t n, bool highByteFirst) {
    if (n <= 2)
        return;
    // The four assignments keep this order: with odd n the last pair overlaps by one byte and the
    // order decides the result.
    for (int64_t hi = n - 2, lo = 0; hi >= lo; hi -= 2, lo += 2) {
        const uint8_t x = b[hi];
        const uint8_t y = b[hi + 1];
        if (highByteFirst) {
            b[hi] = b[lo + 1];
            b[hi + 1] = b[lo];
            b[lo] = y;
            b[lo + 1] = x;
        } else {
            b[hi] = b[lo];
            b[hi + 1] = b[lo + 1];
            b[lo] = x;
            b[lo + 1] = y;
        }
    }
}

void MirrorByDataSize(uint8_t* bytes, int64_t n, int dataSizeIndex, bool lowByteFirst) {
    if (dataSizeIndex == 0)
        MirrorBytes(bytes, n);
    else if (dataSizeIndex == 1)
        MirrorWords(bytes, n, /*highByteFirst=*/!lowByteFirst);
}

void InvertBytes(uint8_t* bytes, int64_t n) {
    for (int64_t k = 0; k < n; ++k)
        bytes[k] ^= 0xFF;
}
