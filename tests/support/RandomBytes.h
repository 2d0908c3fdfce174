// RandomBytes.h — reproducible random images for the tool's tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

// n bytes from a generator seeded with seed: the same bytes for the same seed on every run.
inline std::vector<uint8_t> RandomBytes(int64_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> b(static_cast<size_t>(n));
    for (auto& x : b)
        x = static_cast<uint8_t>(rng());
    return b;
}
