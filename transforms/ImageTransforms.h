// ImageTransforms.h — the working image's transformations over plain byte ranges, shared by the
// window and the command-line tool.
#pragma once

#include <cstdint>

// Every function works on [bytes, bytes + n) only; nothing outside it is touched.

// Full byte reversal.
void MirrorBytes(uint8_t* bytes, int64_t n);
// Reversal of 16-bit words counted from both ends; highByteFirst also swaps each word's two bytes.
// n <= 2 leaves the bytes unchanged; odd n aligns the words to the end at the top and to 0 at the
// bottom.
void MirrorWords(uint8_t* bytes, int64_t n, bool highByteFirst);
// Mirrors by the data size's item index (0 one byte, 1 two bytes, anything else no change) and the
// byte order (lowByteFirst true: low byte first).
void MirrorByDataSize(uint8_t* bytes, int64_t n, int dataSizeIndex, bool lowByteFirst);
// Every bit inverted.
void InvertBytes(uint8_t* bytes, int64_t n);
