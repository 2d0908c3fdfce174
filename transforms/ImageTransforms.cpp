// ImageTransforms.cpp — byte and word mirroring and data inversion, with vector paths chosen at run
// time.
#include "ImageTransforms.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VORNEX_TRANSFORMS_X86 1
#endif

namespace {

// Mirroring works from both ends at once: a block of B bytes at the front and the block of B bytes
// at the same distance from the back are loaded, reversed and stored in each other's place, while
// the two blocks are disjoint. Reversing the 16-bit words of a block keeps each word's bytes; the
// word mirror with the high byte first is a full reversal of the block, because it swaps the bytes
// of each word as well. A kernel returns how many bytes it finished at each end; the plain loops
// below do the middle that is left, so the bytes come out as those loops alone give them.
enum class Reverse { Bytes, Words };

using MirrorKernel = int64_t (*)(uint8_t* bytes, int64_t n, Reverse unit);
using InvertKernel = void (*)(uint8_t* bytes, int64_t n);

template <typename T> T Load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T> void Store(uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

uint64_t ReverseWordsOf64(uint64_t v, Reverse unit) {
    v = __builtin_bswap64(v);
    if (unit == Reverse::Words)
        v = ((v >> 8) & 0x00FF00FF00FF00FFull) | ((v & 0x00FF00FF00FF00FFull) << 8);
    return v;
}

// Exchanges reversed blocks of type T from both ends while they are disjoint; reverse turns one
// block around. Returns the bytes done at each end.
template <typename T, typename ReverseBlock>
int64_t MirrorEndsBy(uint8_t* b, int64_t n, ReverseBlock reverse) {
    constexpr int64_t Block = sizeof(T);
    int64_t done = 0;
    for (; n - 2 * done >= 2 * Block; done += Block) {
        uint8_t* front = b + done;
        uint8_t* back = b + n - done - Block;
        const auto f = Load<T>(front);
        const auto k = Load<T>(back);
        Store(front, reverse(k));
        Store(back, reverse(f));
    }
    return done;
}

int64_t MirrorEndsPortable(uint8_t* b, int64_t n, Reverse unit) {
    return MirrorEndsBy<uint64_t>(b, n, [unit](uint64_t v) { return ReverseWordsOf64(v, unit); });
}

void InvertPortable(uint8_t* b, int64_t n) {
    int64_t k = 0;
    for (; k + 8 <= n; k += 8)
        Store(b + k, ~Load<uint64_t>(b + k));
    for (; k < n; ++k)
        b[k] = static_cast<uint8_t>(~b[k]);
}

// Vectors of the compiler's extension, so that no intrinsics header is needed. Without a byte
// shuffle in the baseline (SSE2 has none) a 16-byte reversal is a dword shuffle (pshufd) and
// rotations of the dwords and words, which every target does in a few instructions.
using Vector16 = uint8_t __attribute__((vector_size(16)));
using Dwords16 = uint32_t __attribute__((vector_size(16)));
using Words16 = uint16_t __attribute__((vector_size(16)));

template <Reverse Unit> Vector16 Reverse16(Vector16 v) {
    auto dwords = std::bit_cast<Dwords16>(v);
    dwords = __builtin_shufflevector(dwords, dwords, 3, 2, 1, 0);
    dwords = (dwords << 16) | (dwords >> 16);
    if constexpr (Unit == Reverse::Words)
        return std::bit_cast<Vector16>(dwords);
    auto words = std::bit_cast<Words16>(dwords);
    words = static_cast<Words16>((words << 8) | (words >> 8));
    return std::bit_cast<Vector16>(words);
}

int64_t MirrorEnds16(uint8_t* b, int64_t n, Reverse unit) {
    return unit == Reverse::Bytes ? MirrorEndsBy<Vector16>(b, n, Reverse16<Reverse::Bytes>)
                                  : MirrorEndsBy<Vector16>(b, n, Reverse16<Reverse::Words>);
}

void Invert16(uint8_t* b, int64_t n) {
    constexpr int64_t Block = 16;
    int64_t k = 0;
    for (; k + 4 * Block <= n; k += 4 * Block) {
        const auto v0 = Load<Vector16>(b + k);
        const auto v1 = Load<Vector16>(b + k + Block);
        const auto v2 = Load<Vector16>(b + k + 2 * Block);
        const auto v3 = Load<Vector16>(b + k + 3 * Block);
        Store(b + k, ~v0);
        Store(b + k + Block, ~v1);
        Store(b + k + 2 * Block, ~v2);
        Store(b + k + 3 * Block, ~v3);
    }
    InvertPortable(b + k, n - k);
}

#ifdef VORNEX_TRANSFORMS_X86

// The 32-byte vectors appear only inside functions built for AVX2, so that no code built for the
// baseline passes them around. A shuffle across the whole vector becomes vpshufb within each
// 128-bit lane and vpermq to exchange the lanes.
using Vector32 = uint8_t __attribute__((vector_size(32)));

template <Reverse Unit>
__attribute__((target("avx2"), always_inline)) inline Vector32 Reverse32(Vector32 v) {
    if constexpr (Unit == Reverse::Bytes)
        return __builtin_shufflevector(v, v, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18,
                                       17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1,
                                       0);
    else
        return __builtin_shufflevector(v, v, 30, 31, 28, 29, 26, 27, 24, 25, 22, 23, 20, 21, 18, 19,
                                       16, 17, 14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0,
                                       1);
}

template <Reverse Unit>
__attribute__((target("avx2"))) int64_t MirrorEndsAvx2For(uint8_t* b, int64_t n) {
    constexpr int64_t Block = 32;
    int64_t done = 0;
    for (; n - 2 * done >= 2 * Block; done += Block) {
        uint8_t* front = b + done;
        uint8_t* back = b + n - done - Block;
        Vector32 f;
        Vector32 k;
        std::memcpy(&f, front, Block);
        std::memcpy(&k, back, Block);
        f = Reverse32<Unit>(f);
        k = Reverse32<Unit>(k);
        std::memcpy(front, &k, Block);
        std::memcpy(back, &f, Block);
    }
    return done;
}

int64_t MirrorEndsAvx2(uint8_t* b, int64_t n, Reverse unit) {
    const int64_t done = unit == Reverse::Bytes ? MirrorEndsAvx2For<Reverse::Bytes>(b, n)
                                                : MirrorEndsAvx2For<Reverse::Words>(b, n);
    // What is left is under two blocks; the 16-byte kernel takes another block from each end.
    return done + MirrorEnds16(b + done, n - 2 * done, unit);
}

__attribute__((target("avx2"))) void InvertAvx2(uint8_t* b, int64_t n) {
    constexpr int64_t Block = 32;
    int64_t k = 0;
    for (; k + 2 * Block <= n; k += 2 * Block) {
        Vector32 v0;
        Vector32 v1;
        std::memcpy(&v0, b + k, Block);
        std::memcpy(&v1, b + k + Block, Block);
        v0 = ~v0;
        v1 = ~v1;
        std::memcpy(b + k, &v0, Block);
        std::memcpy(b + k + Block, &v1, Block);
    }
    Invert16(b + k, n - k);
}

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

#endif

struct Kernels {
    MirrorKernel mirror;
    InvertKernel invert;
};

Kernels KernelsFor(TransformPath path) {
    switch (path) {
#ifdef VORNEX_TRANSFORMS_X86
    case TransformPath::Avx2:
        return {MirrorEndsAvx2, InvertAvx2};
#endif
    case TransformPath::Vector16:
        return {MirrorEnds16, Invert16};
    default:
        return {MirrorEndsPortable, InvertPortable};
    }
}

std::atomic<TransformPath>& CurrentPath() {
    static std::atomic<TransformPath> path{AvailableTransformPaths().back()};
    return path;
}

Kernels Current() {
    return KernelsFor(CurrentPath().load(std::memory_order_relaxed));
}

} // namespace

const char* TransformPathName(TransformPath path) {
    switch (path) {
    case TransformPath::Portable:
        return "Portable";
    case TransformPath::Vector16:
        return "Vector16";
    case TransformPath::Avx2:
        return "Avx2";
    }
    return "Unknown";
}

std::vector<TransformPath> AvailableTransformPaths() {
    std::vector<TransformPath> paths{TransformPath::Portable, TransformPath::Vector16};
#ifdef VORNEX_TRANSFORMS_X86
    if (HasAvx2())
        paths.push_back(TransformPath::Avx2);
#endif
    return paths;
}

void UseTransformPath(TransformPath path) {
    CurrentPath().store(path, std::memory_order_relaxed);
}

void MirrorBytes(uint8_t* bytes, int64_t n) {
    const int64_t done = Current().mirror(bytes, n, Reverse::Bytes);
    std::reverse(bytes + done, bytes + n - done);
}

void MirrorWords(uint8_t* b, int64_t n, bool highByteFirst) {
    if (n <= 2)
        return;
    const int64_t done = Current().mirror(b, n, highByteFirst ? Reverse::Bytes : Reverse::Words);
    // The four assignments keep this order: with odd n the last pair overlaps by one byte and the
    // order decides the result.
    for (int64_t hi = n - 2 - done, lo = done; hi >= lo; hi -= 2, lo += 2) {
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
    Current().invert(bytes, n);
}
