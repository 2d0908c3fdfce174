// BlockSize.h — the tool's stream block size set small for a test, so that small images cross
// block boundaries.
#pragma once

#include "Streaming.h"

#include <cstdint>

namespace test {

// Sets the block size for the life of the object and restores the one before afterwards.
class BlockSize {
public:
    explicit BlockSize(int64_t bytes) : saved_(tool::StreamBlockSize()) {
        tool::SetStreamBlockSize(bytes);
    }
    ~BlockSize() { tool::SetStreamBlockSize(saved_); }
    BlockSize(const BlockSize&) = delete;
    BlockSize& operator=(const BlockSize&) = delete;

private:
    int64_t saved_;
};

} // namespace test
