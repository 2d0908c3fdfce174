// CrcReference.h — a CRC computed bit by bit from its catalogue parameters: the reference for the
// tool's CRC engine and for the checksums it writes.
#pragma once

#include "CrcCatalogue.h"

#include <cstddef>
#include <cstdint>

namespace test {

inline uint64_t ReferenceCrc(const tool::CrcParameters& p, const uint8_t* bytes, size_t n) {
    const uint64_t top = uint64_t{1} << (p.width - 1);
    const uint64_t mask = p.width == 64 ? ~uint64_t{0} : (uint64_t{1} << p.width) - 1;
    uint64_t reg = p.init;
    for (size_t i = 0; i < n; ++i)
        for (int bit = 0; bit < 8; ++bit) {
            const bool in = (bytes[i] >> (p.refin ? bit : 7 - bit)) & 1;
            const bool out = (reg & top) != 0;
            reg = (reg << 1) & mask;
            if (in != out)
                reg ^= p.poly;
        }
    if (p.refout) {
        uint64_t reflected = 0;
        for (int k = 0; k < p.width; ++k)
            reflected |= ((reg >> k) & 1) << (p.width - 1 - k);
        reg = reflected;
    }
    return reg ^ p.xorout;
}

} // namespace test
