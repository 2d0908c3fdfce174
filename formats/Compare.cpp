// Compare.cpp — the comparison eight bytes at a time, byte by byte only in words that differ, and
// the walk over the addresses two images hold.
#include "Compare.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace tool {

namespace {

constexpr uint64_t HighBits = 0x8080808080808080u;
constexpr uint64_t LowBits = 0x7F7F7F7F7F7F7F7Fu;

// Eight bytes with the byte at p in the low bits, whatever the machine's order.
uint64_t LoadWord(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap64(v);
    return v;
}

// Whether 64 bytes are equal, without a call: the OR of the words' XORs.
bool Equal64(const uint8_t* a, const uint8_t* b) {
    uint64_t x = 0;
    for (int k = 0; k < 64; k += 8)
        x |= LoadWord(a + k) ^ LoadWord(b + k);
    return x == 0;
}

// An image's data as address intervals.
struct Span {
    int64_t start;
    int64_t end;
};

std::vector<Span> Spans(const PlacedImage& placed) {
    std::vector<Span> spans;
    for (const DataRange& r : placed.image.ranges())
        spans.push_back({placed.address + r.offset, placed.address + r.offset + r.length});
    return spans;
}

} // namespace

Comparison::Comparison(RangeHandler onRange) : onRange_(std::move(onRange)) {}

void Comparison::both(int64_t address, const uint8_t* a, const uint8_t* b, int64_t n) {
    // Most of two images that are compared are usually equal: memcmp (vectorised by the C
    // library) skips equal stretches; a stretch that differs is looked at 64 and then 8 bytes at
    // a time, and only words that differ byte by byte.
    constexpr int64_t Stretch = 1024;
    int64_t i = 0;
    while (i < n) {
        const int64_t stretchEnd = std::min(n, i + Stretch);
        if (stretchEnd - i == Stretch && std::memcmp(a + i, b + i, Stretch) == 0) {
            i = stretchEnd;
            continue;
        }
        for (; i + 64 <= stretchEnd; i += 64) {
            if (Equal64(a + i, b + i))
                continue;
            for (int k = 0; k < 64; k += 8) {
                const uint64_t wordA = LoadWord(a + i + k);
                const uint64_t wordB = LoadWord(b + i + k);
                if (wordA != wordB)
                    changedWord(address + i + k, wordA, wordB);
            }
        }
        for (; i < stretchEnd; ++i)
            if (a[i] != b[i])
                changedWord(address + i, a[i], b[i]);
    }
}

void Comparison::changedWord(int64_t address, uint64_t wordA, uint64_t wordB) {
    const uint64_t x = wordA ^ wordB;
    totals_.eraseBits += std::popcount(~wordA & wordB);
    // The high bit of each byte that differs.
    uint64_t differing = (((x & LowBits) + LowBits) | x) & HighBits;
    totals_.changed += std::popcount(differing);
    if (!totals_.first) {
        const int k = std::countr_zero(differing) / 8;
        totals_.first = FirstDifference{address + k, Difference::Changed,
                                        static_cast<uint8_t>(wordA >> (8 * k)),
                                        static_cast<uint8_t>(wordB >> (8 * k))};
    }
    while (differing != 0) {
        const int k = std::countr_zero(differing) / 8;
        // The run of differing bytes from byte k: up to the first byte that is equal (the bytes
        // shifted in above the word count as equal).
        const int length = std::countr_zero(~(differing >> (8 * k)) & HighBits) / 8;
        differ(address + k, length, Difference::Changed);
        differing = k + length == 8 ? 0 : differing & (~uint64_t{0} << (8 * (k + length)));
    }
}

void Comparison::only(Difference kind, int64_t address, int64_t n, uint8_t firstByte) {
    if (n <= 0)
        return;
    (kind == Difference::OnlyInA ? totals_.onlyInA : totals_.onlyInB) += n;
    if (!totals_.first)
        totals_.first =
            FirstDifference{address, kind, kind == Difference::OnlyInA ? firstByte : uint8_t{0},
                            kind == Difference::OnlyInB ? firstByte : uint8_t{0}};
    differ(address, n, kind);
}

void Comparison::differ(int64_t address, int64_t n, Difference kind) {
    if (open_ && open_->kind == kind && open_->address + open_->length == address) {
        open_->length += n;
        return;
    }
    if (open_ && onRange_)
        onRange_(*open_);
    open_ = DifferenceRange{address, n, kind};
    ++totals_.ranges;
}

void Comparison::finish() {
    if (open_ && onRange_)
        onRange_(*open_);
    open_.reset();
}

ComparisonTotals CompareImages(const PlacedImage& a, const PlacedImage& b, int64_t blockBytes,
                               const Comparison::RangeHandler& onRange) {
    Comparison comparison(onRange);
    const std::vector<Span> spansA = Spans(a);
    const std::vector<Span> spansB = Spans(b);
    std::vector<uint8_t> blockA(static_cast<size_t>(blockBytes));
    std::vector<uint8_t> blockB(static_cast<size_t>(blockBytes));
    constexpr int64_t Never = std::numeric_limits<int64_t>::max();
    size_t i = 0, j = 0;
    int64_t at = std::numeric_limits<int64_t>::min();
    for (;;) {
        while (i < spansA.size() && spansA[i].end <= at)
            ++i;
        while (j < spansB.size() && spansB[j].end <= at)
            ++j;
        const int64_t startA = i < spansA.size() ? std::max(spansA[i].start, at) : Never;
        const int64_t startB = j < spansB.size() ? std::max(spansB[j].start, at) : Never;
        at = std::min(startA, startB);
        if (at == Never)
            break;
        const bool inA = startA == at;
        const bool inB = startB == at;
        // Up to the next address where either image starts or stops holding bytes.
        int64_t end = std::min(inA ? spansA[i].end : startA, inB ? spansB[j].end : startB);
        if (inA && inB) {
            for (int64_t x = at; x < end;) {
                const int64_t n = std::min(blockBytes, end - x);
                a.image.read(x - a.address, blockA.data(), n);
                b.image.read(x - b.address, blockB.data(), n);
                comparison.both(x, blockA.data(), blockB.data(), n);
                x += n;
            }
        } else {
            const PlacedImage& holder = inA ? a : b;
            uint8_t firstByte = 0;
            holder.image.read(at - holder.address, &firstByte, 1);
            comparison.only(inA ? Difference::OnlyInA : Difference::OnlyInB, at, end - at,
                            firstByte);
        }
        at = end;
    }
    comparison.finish();
    return comparison.totals();
}

} // namespace tool
