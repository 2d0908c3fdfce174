// ByteScan.h — finds the places in memory where two bytes of a pattern fit, many places at a time.
#pragma once

#include <array>
#include <cstddef>
#include <functional>

namespace platform {

// One place of a pattern and the one to four bytes it accepts there.
struct ByteAnchor {
    std::ptrdiff_t place = 0;
    int count = 0;
    std::array<unsigned char, 4> bytes{};
};

// Visits the candidates at = begin..last (upwards when forward, else downwards) where the bytes at
// base[at + a.place] and base[at + b.place] are both accepted, calling check(at) until it returns
// true; returns that candidate, or -1 after the last. Reads no byte past base[last + max place].
std::ptrdiff_t ScanAnchored(const char* base, std::ptrdiff_t begin, std::ptrdiff_t last,
                            const ByteAnchor& a, const ByteAnchor& b, bool forward,
                            const std::function<bool(std::ptrdiff_t)>& check);

} // namespace platform
