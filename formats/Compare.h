// Compare.h — two images compared byte for byte by address: the bytes that changed, the bytes
// only one of them holds, and the bits a chip holding one would need erased to take the other.
#pragma once

#include "ByteStreams.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace tool {

// Why an address differs: both images hold a byte there and the bytes differ, or only one of them
// holds a byte there (a gap of a HEX or S-record image, or past the end of the shorter image).
enum class Difference { Changed, OnlyInA, OnlyInB };

// Consecutive addresses that differ in the same way.
struct DifferenceRange {
    int64_t address;
    int64_t length;
    Difference kind;
    bool operator==(const DifferenceRange&) const = default;
};

// The lowest differing address. a is A's byte there unless kind is OnlyInB, b is B's byte unless
// kind is OnlyInA (the other one is 0).
struct FirstDifference {
    int64_t address;
    Difference kind;
    uint8_t a;
    uint8_t b;
    bool operator==(const FirstDifference&) const = default;
};

struct ComparisonTotals {
    // Addresses both images hold whose bytes differ.
    int64_t changed = 0;
    // Addresses only A holds, only B holds.
    int64_t onlyInA = 0;
    int64_t onlyInB = 0;
    // Over the addresses both images hold, the bits that are 0 in A and 1 in B. With A read from
    // a chip and B the image to program into it, these are the bits that programming (which only
    // clears bits) cannot make right without erasing the chip first; 0 means B can be programmed
    // over A as it is.
    int64_t eraseBits = 0;
    std::optional<FirstDifference> first;
    // Maximal ranges of the same kind: two ranges of one kind never touch.
    int64_t ranges = 0;

    int64_t differing() const { return changed + onlyInA + onlyInB; }
    bool equal() const { return differing() == 0; }
    bool operator==(const ComparisonTotals&) const = default;
};

// A comparison fed with pieces of both images in ascending address order, each piece after the
// previous one (gaps between pieces are addresses neither image holds). Each maximal range of
// differing addresses of one kind goes to the handler once it is complete, in address order.
class Comparison {
public:
    using RangeHandler = std::function<void(const DifferenceRange&)>;
    explicit Comparison(RangeHandler onRange = {});

    // [address, address + n) held by both images: a[i] is A's byte, b[i] is B's.
    void both(int64_t address, const uint8_t* a, const uint8_t* b, int64_t n);
    // [address, address + n) held by one image only (kind OnlyInA or OnlyInB); firstByte is its
    // byte at address.
    void only(Difference kind, int64_t address, int64_t n, uint8_t firstByte);
    // Hands on the last range; call it once, after the last piece.
    void finish();
    const ComparisonTotals& totals() const { return totals_; }

private:
    void differ(int64_t address, int64_t n, Difference kind);
    // Both images' byte at address differ (one of a word that differs).
    void changedWord(int64_t address, uint64_t wordA, uint64_t wordB);

    RangeHandler onRange_;
    ComparisonTotals totals_;
    std::optional<DifferenceRange> open_;
};

// An image and the address of its first byte; its ranges() tell which addresses it holds.
struct PlacedImage {
    ByteSource& image;
    int64_t address;
};

// Compares two images over every address either one holds, reading blocks of blockBytes of each.
ComparisonTotals CompareImages(const PlacedImage& a, const PlacedImage& b, int64_t blockBytes,
                               const Comparison::RangeHandler& onRange = {});

} // namespace tool
