// ImageTransforms.h — the working image's transformations over plain byte ranges, shared by the
// window and the command-line tool.
#pragma once

#include <cstdint>
#include <vector>

// Every function works on [bytes, bytes + n) only; nothing outside it is touched. Any alignment of
// bytes is fine.

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

// The instruction sets the functions above can run on, all giving the same bytes: plain 64-bit
// integers, the target's 16-byte vectors (SSE2 on every x86-64) and AVX2.
enum class TransformPath { Portable, Vector16, Avx2 };
// The path's name, as tests and benchmarks label their cases.
const char* TransformPathName(TransformPath path);
// The paths this processor runs, slowest first; the last one is used unless another is chosen.
std::vector<TransformPath> AvailableTransformPaths();
// Makes every later call take path, which must be one of AvailableTransformPaths(). For tests and
// benchmarks that compare the paths; not meant to race with transformations on other threads.
void UseTransformPath(TransformPath path);
