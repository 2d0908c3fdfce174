// SparseImage.h — the bytes the data records of a HEX or S-record file give, kept in memory as read
// and laid out by address, with a fill byte where no record gives one.
#pragma once

#include "ByteStreams.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tool {

// The records' bytes from their lowest to their highest address. Memory holds only the bytes the
// records give, so a few records far apart make a large image without its gaps. The bytes sit in a
// pool of fixed-size chunks in the order the file gave them; runs of consecutive addresses point
// into it.
class SparseImage : public ByteSource {
public:
    // The pool grows by chunks of this size: growing never copies the bytes held, and at most the
    // last chunk is partly unused.
    static constexpr int64_t PoolChunkBytes = int64_t{1} << 20;

    explicit SparseImage(uint8_t fill) : fill_(fill) {}
    int64_t size() const override { return span_; }
    void read(int64_t offset, uint8_t* to, int64_t n) override;
    std::vector<DataRange> ranges() const override;
    // The number of bytes the records give: the total length of ranges().
    int64_t dataBytes() const;
    // The most memory the image held at once while it was built: its pool's chunks and its list of
    // runs at their largest, a list's old and new storage both counted while it grew.
    int64_t peakHeldBytes() const { return peakHeld_; }

    // The lowest address given (0 when no record gives data).
    int64_t origin = 0;
    // The start address of a HEX start record or an S-record terminator, when the file gave one.
    std::optional<uint32_t> entry;

private:
    friend class SparseImageBuilder;
    struct Run {
        int64_t address;
        int64_t poolOffset;
        int64_t length;
    };
    void copyFromPool(int64_t poolOffset, uint8_t* to, int64_t n) const;
    // The index of the first byte at which the pool's bytes at a and b differ, or -1.
    int64_t firstDifference(int64_t a, int64_t b, int64_t n) const;

    uint8_t fill_;
    int64_t span_ = 0;
    std::vector<Run> runs_;
    std::vector<std::unique_ptr<uint8_t[]>> chunks_;
    int64_t poolBytes_ = 0;
    int64_t peakHeld_ = 0;
};

// Builds a sparse image from data records in the order a file gives them. A record that continues
// the one before extends its run in place (the common, ordered case); any other starts a run of its
// own, 24 bytes of list for each. Only when a record starts below the highest address given before
// it are the runs sorted and the bytes that two of them give compared, when the image is taken.
class SparseImageBuilder {
public:
    // Two records give one address different bytes: the lowest such address.
    struct Conflict {
        int64_t address;
    };

    explicit SparseImageBuilder(uint8_t fill) : image_(fill) {}
    // n bytes from address on; address + n is at most 2^32 + 255.
    void add(int64_t address, const uint8_t* bytes, int64_t n);
    // The image of everything added. Throws Conflict, or FormatError (line 0) when the records
    // span more than MaxInputSize.
    SparseImage take();

private:
    void startRun(int64_t address, int64_t n);
    void append(const uint8_t* bytes, int64_t n);
    void notePeak(int64_t transient);

    SparseImage image_;
    int64_t low_ = 0;
    int64_t high_ = 0;
    bool ordered_ = true;
};

} // namespace tool
