// RandomBytes.h — reproducible random images for the tool's tests.
#pragma once

#include <algorithm>
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

// n bytes that look like an EPROM's firmware, the same for the same seed: stretches of random
// code, English text and erased 0xFF runs in turn, and an erased tail of about an eighth of the
// image, so that values repeat the way they do in real dumps.
inline std::vector<uint8_t> FirmwareLikeBytes(int64_t n, unsigned seed) {
    static const char* const words[] = {"the ",    "error ", "version ", "copyright ", "reset ",
                                        "memory ", "and ",   "in ",      "system ",    "table "};
    std::mt19937 rng(seed);
    std::vector<uint8_t> b(static_cast<size_t>(n), 0xFF);
    const int64_t used = n - n / 8;
    for (int64_t at = 0; at < used;) {
        const int64_t length = std::min<int64_t>(used - at, 16 + rng() % 1500);
        switch (rng() % 3) {
        case 0:
            for (int64_t i = 0; i < length; ++i)
                b[at + i] = static_cast<uint8_t>(rng());
            break;
        case 1:
            for (int64_t i = 0; i < length;)
                for (const char* c = words[rng() % 10]; *c && i < length; ++c)
                    b[at + i++] = static_cast<uint8_t>(*c);
            break;
        default:
            break;
        }
        at += length;
    }
    return b;
}
