// ByteStreams.cpp — the in-memory and padded sources.
#include "ByteStreams.h"

#include <algorithm>
#include <cstring>

namespace tool {

void MemorySource::read(int64_t offset, uint8_t* to, int64_t n) {
    if (n > 0)
        std::memcpy(to, bytes_ + offset, static_cast<size_t>(n));
}

void PaddedSource::read(int64_t offset, uint8_t* to, int64_t n) {
    const int64_t inner = std::clamp<int64_t>(inner_.size() - offset, 0, n);
    if (inner > 0)
        inner_.read(offset, to, inner);
    std::fill(to + inner, to + n, pad_);
}

} // namespace tool
