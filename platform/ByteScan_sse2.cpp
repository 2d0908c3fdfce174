// ByteScan_sse2.cpp — the anchored byte scan with SSE2, 16 candidates at a time, and a plain loop
// for the rest and for processors without it.
#include "ByteScan.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

namespace {

bool Accepts(const ByteAnchor& a, unsigned char byte) {
    return std::find(a.bytes.begin(), a.bytes.begin() + a.count, byte) != a.bytes.begin() + a.count;
}

#if defined(__SSE2__)
// Lanes set where the 16 bytes from the anchor's place equal any of its bytes.
struct AnchorLanes {
    __m128i bytes[4]{}; // NOLINT: std::array would drop the vector type's alignment attributes
    int count = 0;
    std::ptrdiff_t place = 0;

    explicit AnchorLanes(const ByteAnchor& a) : count(a.count), place(a.place) {
        for (int k = 0; k < count; ++k)
            bytes[k] = _mm_set1_epi8(static_cast<char>(a.bytes[static_cast<std::size_t>(k)]));
    }

    __m128i At(const char* p) const {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + place));
        __m128i m = _mm_cmpeq_epi8(v, bytes[0]);
        for (int i = 1; i < count; ++i)
            m = _mm_or_si128(m, _mm_cmpeq_epi8(v, bytes[i]));
        return m;
    }
};
#endif

} // namespace

std::ptrdiff_t ScanAnchored(const char* base, std::ptrdiff_t begin, std::ptrdiff_t last,
                            const ByteAnchor& a, const ByteAnchor& b, bool forward,
                            const std::function<bool(std::ptrdiff_t)>& check) {
    std::ptrdiff_t at = forward ? begin : last;
#if defined(__SSE2__)
    const AnchorLanes first(a);
    const AnchorLanes second(b);
    const auto mask = [&](std::ptrdiff_t p) {
        return static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(first.At(base + p), second.At(base + p))));
    };
    // A window of 16 candidates from p reads up to base[p + 15 + the farther place].
    if (forward) {
        for (; at + 15 <= last; at += 16) {
            for (unsigned m = mask(at); m != 0; m &= m - 1) {
                const std::ptrdiff_t c = at + std::countr_zero(m);
                if (check(c))
                    return c;
            }
        }
    } else {
        for (; at - 15 >= begin; at -= 16) {
            const std::ptrdiff_t window = at - 15;
            for (unsigned m = mask(window); m != 0;) {
                const int bit = 31 - std::countl_zero(m);
                if (check(window + bit))
                    return window + bit;
                m &= ~(1U << bit);
            }
        }
    }
#endif
    const auto anchored = [&](std::ptrdiff_t c) {
        return Accepts(a, static_cast<unsigned char>(base[c + a.place])) &&
               Accepts(b, static_cast<unsigned char>(base[c + b.place]));
    };
    if (forward) {
        for (; at <= last; ++at) {
            if (anchored(at) && check(at))
                return at;
        }
    } else {
        for (; at >= begin; --at) {
            if (anchored(at) && check(at))
                return at;
        }
    }
    return -1;
}

} // namespace platform
