// ByteStreams.cpp — the in-memory and padded sources.
#include "ByteStreams.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tool {

std::string HexDigits(uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string AddressText(int64_t address) {
    return "0x" + HexDigits(static_cast<uint64_t>(address), 8);
}

void MemorySource::read(int64_t offset, uint8_t* to, int64_t n) {
    if (n > 0)
        std::memcpy(to, bytes_ + offset, static_cast<size_t>(n));
}

void PaddedSource::read(int64_t offset, uint8_t* to, int64_t n) {
    const int64_t start = std::clamp<int64_t>(lead_ - offset, 0, n);
    const int64_t end = std::clamp<int64_t>(lead_ + inner_.size() - offset, start, n);
    std::fill(to, to + start, pad_);
    if (end > start)
        inner_.read(offset + start - lead_, to + start, end - start);
    std::fill(to + end, to + n, pad_);
}

} // namespace tool
